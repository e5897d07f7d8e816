// The posix stand-ins for the Windows services the library uses.
//
//   profile     TNUAL.INI in $HVCN_PROFILE_DIR, else /etc, read with the
//               Windows rules (names ignore case, first match wins, values
//               trimmed, one pair of quotes removed)
//   registry    a REGEDIT4 text file named by $HVCN_REGISTRY
//   locale      a table of Windows locale ids; the user's locale comes from
//               LC_ALL, LC_MESSAGES or LANG
//   modules     dladdr and dlopen; string tables exported as hvcnStringTable
//   trace log   a relative log name lives in $HVCN_LOG_DIR, else
//               $XDG_STATE_HOME/hvcn, else $HOME/.local/state/hvcn, and
//               never leaves it; never in the current folder; only a
//               regular file is removed as the old log
//
// Files are read with open/read into fixed buffers, so a profile read after
// start-up does not touch the heap.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string_view>
#include <system_error>

#include "core/ascii.h"
#include "core/copy.h"
#include "core/platform/os.h"
#include "resources/string_table.h"

namespace hvcn::os {
namespace {

// The own module is represented by the address of this object.
const char kOwnModuleTag = 0;

// A loaded resource library: its dlopen handle and its string table, looked
// up once when it is loaded so that string loads never call dlsym.
struct LoadedModule {
  void* handle;
  const StringTable* table;
};

const StringTable* TableOf(Module module) noexcept {
  if (module == OwnModule()) return &kOwnStringTable;
  return module ? static_cast<const LoadedModule*>(module)->table : nullptr;
}

bool EqualNoCase(const char* a, size_t an, const char* b, size_t bn) noexcept {
  return ascii::EqualNoCase(std::string_view(a, an), std::string_view(b, bn));
}

bool EqualNoCase(const char* a, size_t an, const char* b) noexcept {
  return ascii::EqualNoCase(std::string_view(a, an), std::string_view(b));
}

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

// Trims blanks and tabs at both ends of [*begin, *end).
void Trim(const char** begin, const char** end) noexcept {
  while (*begin < *end && IsBlank(**begin)) ++*begin;
  while (*end > *begin && IsBlank((*end)[-1])) --*end;
}

// Reads a text file line by line through a fixed buffer; long lines are cut.
class LineReader {
 public:
  explicit LineReader(const char* path) noexcept
      : fd_(path ? ::open(path, O_RDONLY | O_CLOEXEC) : -1) {}
  ~LineReader() {
    if (fd_ >= 0) ::close(fd_);
  }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool ok() const noexcept { return fd_ >= 0; }

  // Next line without its CR/LF; false at the end of the file.
  bool Next(char* line, size_t size, size_t* length) noexcept {
    size_t n = 0;
    bool any = false;
    for (;;) {
      if (pos_ == len_ && !Fill()) break;
      any = true;
      char c = buf_[pos_++];
      if (c == '\n') break;
      if (n + 1 < size) line[n++] = c;
    }
    while (n > 0 && line[n - 1] == '\r') --n;
    line[n] = '\0';
    *length = n;
    return any;
  }

 private:
  bool Fill() noexcept {
    if (fd_ < 0) return false;
    ssize_t got = ::read(fd_, buf_, sizeof buf_);
    if (got <= 0) return false;
    len_ = static_cast<size_t>(got);
    pos_ = 0;
    return true;
  }

  int fd_;
  char buf_[4096];
  size_t len_ = 0;
  size_t pos_ = 0;
};

// "[name]" with optional blanks: the name, or false for other lines.
bool SectionName(const char* line, size_t length, const char** name, size_t* nameLength) noexcept {
  const char* b = line;
  const char* e = line + length;
  Trim(&b, &e);
  if (b == e || *b != '[') return false;
  const char* close = static_cast<const char*>(std::memchr(b, ']', static_cast<size_t>(e - b)));
  if (!close) return false;
  const char* nb = b + 1;
  const char* ne = close;
  Trim(&nb, &ne);
  *name = nb;
  *nameLength = static_cast<size_t>(ne - nb);
  return true;
}

// ------------------------------------------------------------------------
// Registry file

constexpr const char* kRootNames[][2] = {
    {"HKEY_LOCAL_MACHINE", "HKLM"},  // RegistryRoot::LocalMachine
    {"HKEY_CURRENT_USER", "HKCU"},   // RegistryRoot::CurrentUser
};

// Does a section name "ROOT\path" of the file name the key?
bool SectionIsKey(const char* name, size_t length, RegistryRoot root, const char* path) noexcept {
  const char* slash = static_cast<const char*>(std::memchr(name, '\\', length));
  if (!slash) return false;
  size_t rootLength = static_cast<size_t>(slash - name);
  const auto& names = kRootNames[static_cast<int>(root)];
  if (!EqualNoCase(name, rootLength, names[0]) && !EqualNoCase(name, rootLength, names[1]))
    return false;
  const char* rest = slash + 1;
  size_t restLength = length - rootLength - 1;
  while (restLength > 0 && rest[restLength - 1] == '\\') --restLength;
  size_t pathLength = std::strlen(path);
  while (pathLength > 0 && path[pathLength - 1] == '\\') --pathLength;
  return EqualNoCase(rest, restLength, path, pathLength);
}

// Parses a quoted REGEDIT string at *p (escapes \\ and \"), advancing *p.
bool QuotedString(const char** p, const char* end, char* out, size_t size, size_t* length) noexcept {
  const char* s = *p;
  if (s >= end || *s != '"') return false;
  ++s;
  size_t n = 0;
  while (s < end && *s != '"') {
    if (*s == '\\' && s + 1 < end) ++s;
    if (n + 1 < size) out[n++] = *s;
    ++s;
  }
  if (s >= end) return false;
  if (size) out[n] = '\0';
  *length = n;
  *p = s + 1;
  return true;
}

enum class ValueKind { None, String, Dword };

// Finds value `name` of the key; copies a string or reads a dword.
ValueKind FindRegistryValue(const RegistryKey& key, const char* name, char* text, size_t size,
                            uint32_t* dword) noexcept {
  LineReader reader(std::getenv("HVCN_REGISTRY"));
  char line[1024];
  size_t length = 0;
  bool inKey = false;
  while (reader.Next(line, sizeof line, &length)) {
    const char* section = nullptr;
    size_t sectionLength = 0;
    if (SectionName(line, length, &section, &sectionLength)) {
      inKey = SectionIsKey(section, sectionLength, key.root, key.path);
      continue;
    }
    if (!inKey) continue;
    const char* p = line;
    const char* end = line + length;
    while (p < end && IsBlank(*p)) ++p;
    char valueName[256];
    size_t valueNameLength = 0;
    if (!QuotedString(&p, end, valueName, sizeof valueName, &valueNameLength)) continue;
    if (!EqualNoCase(valueName, valueNameLength, name)) continue;
    while (p < end && IsBlank(*p)) ++p;
    if (p >= end || *p != '=') continue;
    ++p;
    while (p < end && IsBlank(*p)) ++p;
    if (p < end && *p == '"') {
      size_t textLength = 0;
      char scratch[1024];
      if (!QuotedString(&p, end, scratch, sizeof scratch, &textLength)) return ValueKind::None;
      // As RegQueryValueExA: a value that does not fit cannot be read.
      if (text && textLength + 1 > size) return ValueKind::None;
      if (text) CopyBounded(text, size, std::string_view(scratch, textLength));
      return ValueKind::String;
    }
    if (static_cast<size_t>(end - p) > 6 && EqualNoCase(p, 6, "dword:")) {
      uint32_t v = 0;
      const auto [stop, error] = std::from_chars(p + 6, end, v, 16);
      if (stop == p + 6 || error != std::errc()) return ValueKind::None;
      if (dword) *dword = v;
      return ValueKind::Dword;
    }
    return ValueKind::None;
  }
  return ValueKind::None;
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

Module OwnModule() noexcept { return const_cast<char*>(&kOwnModuleTag); }

bool ModuleFileName(Module module, char* buffer, size_t size) noexcept {
  if (!buffer || size == 0) return false;
  Dl_info info{};
  const void* address = module == OwnModule() ? static_cast<const void*>(&kOwnModuleTag)
                                              : static_cast<const void*>(TableOf(module));
  if (!address) return false;
  if (::dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) {
    ssize_t n = ::readlink("/proc/self/exe", buffer, size - 1);
    if (n <= 0) return false;
    buffer[n] = '\0';
    return true;
  }
  CopyBounded(buffer, size, std::string_view(info.dli_fname));
  return true;
}

Module LoadLibrary(const char* path) noexcept {
  if (!path || !*path) return nullptr;
  char name[512];
  size_t length = std::strlen(path);
  if (length + 1 > sizeof name) return nullptr;
  std::memcpy(name, path, length + 1);
  if (length >= 4 && EqualNoCase(name + length - 4, 4, ".dll")) std::memcpy(name + length - 4, ".so", 4);
  void* handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  auto* table = static_cast<const StringTable*>(::dlsym(handle, HVCN_STRING_TABLE_SYMBOL));
  // Loaded at start-up only; the record lives as long as the process.
  auto* module = new (std::nothrow) LoadedModule{handle, table};
  if (!module) ::dlclose(handle);
  return module;
}

void UnloadLibrary(Module module) noexcept {
  if (!module || module == OwnModule()) return;
  auto* loaded = static_cast<LoadedModule*>(module);
  ::dlclose(loaded->handle);
  delete loaded;
}

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

void GetProfileString(const char* file, const char* section, const char* key,
                      const char* fallback, char* buffer, size_t size) noexcept {
  if (!buffer || size == 0) return;
  if (!fallback) fallback = "";
  char path[1024];
  const char* dir = std::getenv("HVCN_PROFILE_DIR");
  if (!dir || !*dir) dir = "/etc";
  size_t dirLength = std::strlen(dir);
  size_t fileLength = std::strlen(file);
  if (dirLength + 1 + fileLength + 1 > sizeof path) {
    CopyBounded(buffer, size, std::string_view(fallback));
    return;
  }
  std::memcpy(path, dir, dirLength);
  path[dirLength] = '/';
  std::memcpy(path + dirLength + 1, file, fileLength + 1);

  LineReader reader(path);
  char line[1024];
  size_t length = 0;
  bool inSection = false;
  while (reader.Next(line, sizeof line, &length)) {
    const char* name = nullptr;
    size_t nameLength = 0;
    if (SectionName(line, length, &name, &nameLength)) {
      inSection = EqualNoCase(name, nameLength, section);
      continue;
    }
    if (!inSection) continue;
    const char* equals = static_cast<const char*>(std::memchr(line, '=', length));
    if (!equals) continue;
    const char* kb = line;
    const char* ke = equals;
    Trim(&kb, &ke);
    if (kb < ke && *kb == ';') continue;  // a comment line
    if (!EqualNoCase(kb, static_cast<size_t>(ke - kb), key)) continue;
    const char* vb = equals + 1;
    const char* ve = line + length;
    Trim(&vb, &ve);
    if (ve - vb >= 2 && (*vb == '"' || *vb == '\'') && ve[-1] == *vb) {
      ++vb;
      --ve;
    }
    CopyBounded(buffer, size, std::string_view(vb, static_cast<size_t>(ve - vb)));
    return;
  }
  CopyBounded(buffer, size, std::string_view(fallback));
}

bool RegistryOpen(RegistryKey& key, RegistryRoot root, const char* path) noexcept {
  key = RegistryKey{};
  if (!path || std::strlen(path) + 1 > sizeof key.path) return false;
  key.root = root;
  std::memcpy(key.path, path, std::strlen(path) + 1);
  LineReader reader(std::getenv("HVCN_REGISTRY"));
  char line[1024];
  size_t length = 0;
  while (reader.Next(line, sizeof line, &length)) {
    const char* name = nullptr;
    size_t nameLength = 0;
    if (SectionName(line, length, &name, &nameLength) && SectionIsKey(name, nameLength, root, path)) {
      key.open = true;
      return true;
    }
  }
  return false;
}

bool RegistryReadString(RegistryKey& key, const char* name, char* buffer, size_t size) noexcept {
  if (!key.open || !buffer || size == 0) return false;
  return FindRegistryValue(key, name, buffer, size, nullptr) == ValueKind::String;
}

bool RegistryReadDword(RegistryKey& key, const char* name, uint32_t* value) noexcept {
  if (!key.open || !value) return false;
  return FindRegistryValue(key, name, nullptr, 0, value) == ValueKind::Dword;
}

void RegistryClose(RegistryKey& key) noexcept { key.open = false; }

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
