// The posix stand-ins for the Windows services the library uses.
//
//   profile     TNUAL.INI in $HVCN_PROFILE_DIR, else /etc, and
//   registry    a REGEDIT4 text file named by $HVCN_REGISTRY: in
//               config_files_posix.cpp
//   locale      a table of Windows locale ids; the user's locale comes from
//               LC_ALL, LC_MESSAGES or LANG
//   modules     the library and its resource libraries: modules_dlopen.cpp
//               (dladdr and dlopen), or modules_linked.cpp where the
//               resource tables are linked in (WebAssembly); the string
//               loads over their tables are here
//   trace log   a relative log name lives in $HVCN_LOG_DIR, else
//               $XDG_STATE_HOME/hvcn, else $HOME/.local/state/hvcn, and
//               never leaves it; never in the current folder; only a
//               regular file is removed as the old log
//
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "core/ascii.h"
#include "core/copy.h"
#include "core/platform/modules.h"
#include "core/platform/os.h"
#include "resources/string_table.h"

namespace hvcn::os {
namespace {

bool EqualNoCase(const char* a, size_t an, const char* b, size_t bn) noexcept {
  return ascii::EqualNoCase(std::string_view(a, an), std::string_view(b, bn));
}

bool EqualNoCase(const char* a, size_t an, const char* b) noexcept {
  return ascii::EqualNoCase(std::string_view(a, an), std::string_view(b));
}

// ------------------------------------------------------------------------
// Locales

struct LocaleRow {
  uint32_t id;
  const char* abbreviation;
  const char* posixName;  // language_TERRITORY, or null
};

// Windows locale ids with their LOCALE_SABBREVLANGNAME. For a posix locale
// the first row of the same language stands in when the territory is not
// listed, so "it_SM" reads as Italian (Italy).
constexpr LocaleRow kLocales[] = {
    {0x0409, "ENU", "en_US"},  // English (United States)
    {0x0809, "ENG", "en_GB"},  // English (United Kingdom)
    {0x0C09, "ENA", "en_AU"},  // English (Australia)
    {0x1009, "ENC", "en_CA"},  // English (Canada)
    {0x1409, "ENZ", "en_NZ"},  // English (New Zealand)
    {0x1809, "ENI", "en_IE"},  // English (Ireland)
    {0x0410, "ITA", "it_IT"},  // Italian (Italy)
    {0x0810, "ITS", "it_CH"},  // Italian (Switzerland)
    {0x0407, "DEU", "de_DE"},  // German (Germany)
    {0x0807, "DES", "de_CH"},  // German (Switzerland)
    {0x0C07, "DEA", "de_AT"},  // German (Austria)
    {0x040C, "FRA", "fr_FR"},  // French (France)
    {0x080C, "FRB", "fr_BE"},  // French (Belgium)
    {0x0C0C, "FRC", "fr_CA"},  // French (Canada)
    {0x100C, "FRS", "fr_CH"},  // French (Switzerland)
    {0x0C0A, "ESN", "es_ES"},  // Spanish (Spain, modern sort)
    {0x040A, "ESP", nullptr},  // Spanish (Spain, traditional sort)
    {0x080A, "ESM", "es_MX"},  // Spanish (Mexico)
    {0x0413, "NLD", "nl_NL"},  // Dutch (Netherlands)
    {0x0813, "NLB", "nl_BE"},  // Dutch (Belgium)
    {0x0416, "PTB", "pt_BR"},  // Portuguese (Brazil)
    {0x0816, "PTG", "pt_PT"},  // Portuguese (Portugal)
    {0x0406, "DAN", "da_DK"},  // Danish
    {0x041D, "SVE", "sv_SE"},  // Swedish
    {0x0414, "NOR", "nb_NO"},  // Norwegian (Bokmål)
    {0x040B, "FIN", "fi_FI"},  // Finnish
    {0x040F, "ISL", "is_IS"},  // Icelandic
    {0x0405, "CSY", "cs_CZ"},  // Czech
    {0x041B, "SKY", "sk_SK"},  // Slovak
    {0x0415, "PLK", "pl_PL"},  // Polish
    {0x040E, "HUN", "hu_HU"},  // Hungarian
    {0x0418, "ROM", "ro_RO"},  // Romanian
    {0x041A, "HRV", "hr_HR"},  // Croatian
    {0x0424, "SLV", "sl_SI"},  // Slovenian
    {0x0402, "BGR", "bg_BG"},  // Bulgarian
    {0x0408, "ELL", "el_GR"},  // Greek
    {0x041F, "TRK", "tr_TR"},  // Turkish
    {0x0419, "RUS", "ru_RU"},  // Russian
    {0x0422, "UKR", "uk_UA"},  // Ukrainian
    {0x0425, "ETI", "et_EE"},  // Estonian
    {0x0426, "LVI", "lv_LV"},  // Latvian
    {0x0427, "LTH", "lt_LT"},  // Lithuanian
    {0x040D, "HEB", "he_IL"},  // Hebrew
    {0x0401, "ARA", "ar_SA"},  // Arabic (Saudi Arabia)
    {0x041E, "THA", "th_TH"},  // Thai
    {0x0411, "JPN", "ja_JP"},  // Japanese
    {0x0412, "KOR", "ko_KR"},  // Korean
    {0x0804, "CHS", "zh_CN"},  // Chinese (Simplified)
    {0x0404, "CHT", "zh_TW"},  // Chinese (Traditional)
    {0x0403, "CAT", "ca_ES"},  // Catalan
};

const LocaleRow* LocaleById(uint32_t id) noexcept {
  for (const auto& row : kLocales)
    if (row.id == id) return &row;
  return nullptr;
}

// The user's locale from the environment, as a Windows locale id row.
const LocaleRow* UserLocale() noexcept {
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      name = value;
      break;
    }
  }
  if (!name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
      std::strncmp(name, "C.", 2) == 0)
    return LocaleById(0x0409);
  size_t length = std::strcspn(name, ".@");
  size_t language = std::strcspn(name, "_.@");
  for (const auto& row : kLocales)
    if (row.posixName && EqualNoCase(name, length, row.posixName)) return &row;
  for (const auto& row : kLocales)
    if (row.posixName && std::strlen(row.posixName) > language &&
        row.posixName[language] == '_' && EqualNoCase(name, language, row.posixName, language))
      return &row;
  return nullptr;
}

}  // namespace

int LoadString(Module module, unsigned id, char* buffer, int size) noexcept {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  const StringTable* table = TableOf(module);
  if (!table) return 0;
  uint32_t lo = 0;
  uint32_t hi = table->count;
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    if (table->entries[mid].id < id) lo = mid + 1;
    else hi = mid;
  }
  if (lo == table->count || table->entries[lo].id != id) return 0;
  const char* text = table->entries[lo].text;
  CopyBounded(buffer, static_cast<size_t>(size), std::string_view(text));
  return static_cast<int>(std::strlen(buffer));
}

bool LocaleAbbreviation(uint32_t locale, char* buffer, size_t size) noexcept {
  if (!buffer || size == 0) return false;
  const LocaleRow* row = locale == kUserDefaultLocale ? UserLocale() : LocaleById(locale);
  if (!row || size < 4) return false;
  CopyBounded(buffer, size, std::string_view(row->abbreviation, 3));
  return true;
}

void CharToOem(char*) noexcept {}

uint32_t ProcessId() noexcept { return static_cast<uint32_t>(::getpid()); }

int64_t MonotonicSeconds() noexcept {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec);
}

FileHandle OpenForAppend(const char* name) noexcept {
  if (!name || !*name) return kNoFile;
  // Never waits: a FIFO that nobody reads is no log (ENXIO), and a line that
  // a full one cannot take is dropped. Nor does a terminal become ours.
  int fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  return fd < 0 ? kNoFile : static_cast<FileHandle>(fd);
}

void WriteFile(FileHandle file, const char* data, size_t size) noexcept {
  if (file == kNoFile) return;
  while (size > 0) {
    ssize_t n = ::write(static_cast<int>(file), data, size);
    if (n <= 0) return;
    data += n;
    size -= static_cast<size_t>(n);
  }
}

void CloseFile(FileHandle file) noexcept {
  if (file != kNoFile) ::close(static_cast<int>(file));
}

void DeleteFile(const char* name) noexcept {
  if (!name || !*name) return;
  // An old log is a regular file. The name itself is judged, a link not
  // followed: a device node, a FIFO, a socket, a folder or a symbolic link
  // (whatever it points to) stays.
  struct stat info{};
  if (::lstat(name, &info) == 0 && S_ISREG(info.st_mode)) ::unlink(name);
}

void LogFileLocation(const char* name, char* path, size_t pathSize, char* folder,
                     size_t folderSize) noexcept {
  if (!path || pathSize == 0 || !folder || folderSize == 0) return;
  path[0] = '\0';
  folder[0] = '\0';
  if (!name || !*name) return;
  const size_t nameLength = std::strlen(name);
  if (name[0] == '/') {
    if (nameLength < pathSize) CopyBounded(path, pathSize, std::string_view(name, nameLength));
    return;
  }
  // The log folder: the first variable that names one, and what goes below.
  struct Source {
    const char* variable;
    const char* below;
    bool absoluteOnly;
  };
  constexpr Source kSources[] = {
      {"HVCN_LOG_DIR", "", false},
      {"XDG_STATE_HOME", "/hvcn", true},
      {"HOME", "/.local/state/hvcn", true},
  };
  const char* base = nullptr;
  const char* below = "";
  for (const Source& source : kSources) {
    const char* value = std::getenv(source.variable);
    if (!value || !*value || (source.absoluteOnly && value[0] != '/')) continue;
    base = value;
    below = source.below;
    break;
  }
  if (!base) return;
  // A relative name stays inside the log folder: one with a ".." step names
  // no log.
  for (const char* step = name; *step;) {
    const size_t length = std::strcspn(step, "/");
    if (length == 2 && step[0] == '.' && step[1] == '.') return;
    step += length;
    while (*step == '/') ++step;
  }
  const size_t baseLength = std::strlen(base);
  const size_t belowLength = std::strlen(below);
  if (baseLength + belowLength + 1 + nameLength + 1 > pathSize) return;
  char* p = path;
  std::memcpy(p, base, baseLength);
  p += baseLength;
  std::memcpy(p, below, belowLength);
  p += belowLength;
  *p++ = '/';
  std::memcpy(p, name, nameLength + 1);
  // The folder of the file itself (a relative name may hold folders too).
  const char* slash = std::strrchr(path, '/');
  const size_t folderLength = static_cast<size_t>(slash - path);
  if (folderLength + 1 > folderSize) {
    path[0] = '\0';
    return;
  }
  CopyBounded(folder, folderSize, std::string_view(path, folderLength));
}

bool CreateFolders(const char* path) noexcept {
  if (!path || !*path) return false;
  char partial[1024];
  const size_t length = std::strlen(path);
  if (length + 1 > sizeof partial) return false;
  std::memcpy(partial, path, length + 1);
  // Each folder from the top down; those that exist are left as they are.
  for (size_t i = 1; i <= length; ++i) {
    if (partial[i] != '/' && partial[i] != '\0') continue;
    const char kept = partial[i];
    partial[i] = '\0';
    if (::mkdir(partial, 0700) != 0 && errno != EEXIST) return false;
    partial[i] = kept;
  }
  struct stat info{};
  return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

const char* CharNextA(const char* position) noexcept {
  return (position && *position) ? position + 1 : position;
}

const char* CharPrevA(const char* start, const char* position) noexcept {
  return (position && position > start) ? position - 1 : start;
}

bool IsDBCSLeadByte(unsigned char) noexcept { return false; }

}  // namespace hvcn::os
