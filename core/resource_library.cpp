#include "core/resource_library.h"

#include <cstring>

#include "core/ascii.h"
#include "core/strings.h"
#include "core/text_format.h"

namespace hvcn {
namespace {

constexpr size_t kAbbreviationSize = 128;
constexpr size_t kFileNameSize = 256;
constexpr size_t kModulePathSize = 260;
constexpr size_t kOutlookPathSize = 781;

constexpr const char* kDefaultName = "tarnres.dll";
constexpr const char* kOutlookKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";

// The Office language keys, tried in order; each only when the lower-cased
// Outlook path holds its marker (the last has no condition).
struct OfficeVersion {
  const char* marker;
  const char* key;
};
constexpr OfficeVersion kOfficeVersions[] = {
    {"office16", "Software\\Microsoft\\Office\\16.0\\Common\\LanguageResources"},
    {"office15", "Software\\Microsoft\\Office\\15.0\\Common\\LanguageResources"},
    {"office14", "Software\\Microsoft\\Office\\14.0\\Common\\LanguageResources"},
    {"office12", "Software\\Microsoft\\Office\\12.0\\Common\\LanguageResources"},
    {"office11", "Software\\Microsoft\\Office\\11.0\\Common\\LanguageResources"},
    {"office10", "Software\\Microsoft\\Office\\10.0\\Common\\LanguageResources"},
    {nullptr, "Software\\Microsoft\\Office\\9.0\\Common\\LanguageResources"},
};

// The names LoadResourceLibrary tries: (shorten, use-language) per attempt.
struct Attempt {
  bool shorten;
  bool useLanguage;
};
constexpr Attempt kAttempts[] = {{true, true}, {false, false}, {false, true}, {false, false}};

char g_report[1024];
// The selection as hvcnGetResourceLibrary reports it.
char g_choiceNames[1024];
char g_choiceFolder[kModulePathSize];
bool g_choiceLoaded = false;

void ToLower(char* text) noexcept {
  for (; *text; ++text) *text = ascii::Lower(*text);
}

void Append(char* out, size_t size, const char* text) noexcept {
  size_t n = std::strlen(out);
  if (n + 1 < size) CopyText(out + n, size - n, text);
}

}  // namespace

int32_t GetUiLanguageAbbreviation(char* buffer, bool consultOffice) noexcept {
  char userDefault[kAbbreviationSize] = {};
  bool haveUserDefault =
      os::LocaleAbbreviation(os::kUserDefaultLocale, userDefault, sizeof userDefault);
  CopyText(buffer, kAbbreviationSize, userDefault);
  const int32_t fallbackStatus = haveUserDefault ? 0 : kStatusFail;
  if (!consultOffice) return fallbackStatus;

  char outlookPath[kOutlookPathSize] = {};
  os::RegistryKey appPath;
  if (os::RegistryOpen(appPath, os::RegistryRoot::LocalMachine, kOutlookKey)) {
    if (!os::RegistryReadString(appPath, "Path", outlookPath, sizeof outlookPath))
      outlookPath[0] = '\0';
    os::RegistryClose(appPath);
  }
  ToLower(outlookPath);

  os::RegistryKey language;
  bool opened = false;
  for (const auto& version : kOfficeVersions) {
    if (version.marker && !std::strstr(outlookPath, version.marker)) continue;
    if (os::RegistryOpen(language, os::RegistryRoot::CurrentUser, version.key)) {
      opened = true;
      break;
    }
  }
  if (!opened) return fallbackStatus;

  uint32_t locale = 0;
  bool haveLocale = false;
  if (os::RegistryReadDword(language, "UILanguage", &locale) && locale != 0) {
    haveLocale = true;
  } else if (os::RegistryReadDword(language, "InstallLanguage", &locale)) {
    haveLocale = true;
  }
  if (haveLocale) {
    char office[kAbbreviationSize] = {};
    if (os::LocaleAbbreviation(locale, office, sizeof office))
      CopyText(buffer, kAbbreviationSize, office);
    else
      CopyText(buffer, kAbbreviationSize, userDefault);
  }
  os::RegistryClose(language);
  return 0;
}

int BuildResourceFileName(char* buffer, bool shorten, bool useLanguage) noexcept {
  CopyText(buffer, kFileNameSize, kDefaultName);
  if (!useLanguage) return 1;
  char language[kAbbreviationSize];
  if (GetUiLanguageAbbreviation(language, true) != 0) return 1;
  if (std::strcmp(language, "ENU") == 0) return 1;
  if (shorten && std::strlen(language) >= 3) language[2] = '\0';
  CopyText(buffer, kFileNameSize, "tarnres");
  Append(buffer, kFileNameSize, language);
  Append(buffer, kFileNameSize, ".dll");
  return 1;
}

os::Module LoadResourceLibrary(char* nameOut, const char* directory) noexcept {
  char tried[sizeof g_report] = {};
  g_choiceNames[0] = '\0';
  g_choiceLoaded = false;
  CopyText(g_choiceFolder, sizeof g_choiceFolder, directory ? directory : "");
  for (const auto& attempt : kAttempts) {
    char name[kFileNameSize];
    BuildResourceFileName(name, attempt.shorten, attempt.useLanguage);
    char path[kModulePathSize + kFileNameSize] = {};
    if (directory) CopyText(path, sizeof path, directory);
    Append(path, sizeof path, name);
    if (tried[0]) Append(tried, sizeof tried, ":");
    Append(tried, sizeof tried, name);
    // The same name with the suffix the platform really loads.
    char fileName[kFileNameSize];
    CopyText(fileName, sizeof fileName, name);
    if (char* dot = std::strrchr(fileName, '.'))
      CopyText(dot, sizeof fileName - static_cast<size_t>(dot - fileName), os::kLibrarySuffix);
    if (g_choiceNames[0]) Append(g_choiceNames, sizeof g_choiceNames, ":");
    Append(g_choiceNames, sizeof g_choiceNames, fileName);
    if (os::Module module = os::LoadLibrary(path)) {
      if (nameOut && std::strlen(name) < 255) CopyText(nameOut, kFileNameSize, name);
      FormatText(g_report, sizeof g_report, "Resource DLL Loaded: %s Instance: %x", name,
                 static_cast<uint32_t>(reinterpret_cast<uintptr_t>(module)));
      g_choiceLoaded = true;
      return module;
    }
  }
  FormatText(g_report, sizeof g_report, "Resource DLL Not Loaded: %s", tried);
  return nullptr;
}

os::Module SelectResourceModule(os::Module self) noexcept {
  char path[kModulePathSize];
  const char* directory = nullptr;
  char dir[kModulePathSize];
  if (os::ModuleFileName(self, path, sizeof path)) {
    // The directory part, ending in its separator.
    size_t cut = 0;
    for (size_t i = 0; path[i]; ++i)
      if (path[i] == '/' || path[i] == '\\' || path[i] == ':') cut = i + 1;
    if (std::strstr(path, "tarnres")) {
      // This module serves its own strings: it is the choice.
      CopyText(g_choiceNames, sizeof g_choiceNames, path + cut);
      CopyBounded(g_choiceFolder, sizeof g_choiceFolder, std::string_view(path, cut));
      g_choiceLoaded = true;
      return self;
    }
    CopyBounded(dir, sizeof dir, std::string_view(path, cut));
    directory = dir;
  }
  return LoadResourceLibrary(nullptr, directory);
}

const char* ResourceSelectionReport() noexcept { return g_report; }

ResourceChoice LastResourceChoice() noexcept { return {g_choiceNames, g_choiceFolder, g_choiceLoaded}; }

}  // namespace hvcn
