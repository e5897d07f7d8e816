// Configuration: strings of the language libraries, the profile readers and
// the choice of the language resource library (tests/data/strings.txt,
// profile_readers.txt, ui_language.txt).
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <cstring>
#include <string>

#include "core/resource_library.h"
#include "core/strings.h"
#include "support/environment.h"
#include "support/golden.h"
#include "support/platform.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {

// The resource libraries stay loaded for the whole run (static storage, so
// the leak checker sees them as reachable).
os::Module ModuleNamed(const std::string& name) {
  static os::Module english = test::LoadResourceModule("tarnres");
  static os::Module italian = test::LoadResourceModule("tarnresIT");
  os::Module m = name == "en" ? english : name == "it" ? italian : name == "own" ? os::OwnModule() : nullptr;
  EXPECT_NE(m, nullptr) << "resource library " << name << " did not load";
  return m;
}

// A text as the library hands it out, shown as the golden file writes it.
std::string Shown(const std::string& text, const std::string& expected) {
  return text == test::Native(expected) ? expected : text;
}

TEST(Strings, GoldenCases) {
  test::RunGolden("strings.txt", 4, 5, [](const test::GoldenCase& c) -> std::vector<std::string> {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    const bool found = LoadLocalString(ModuleNamed(c[0]), static_cast<uint16_t>(test::Int(c[1])), buffer, test::Int(c[2]));
    return {Shown(buffer, c[3]), found ? "1" : "0"};
  });
}

TEST(Strings, TraceLines) {
  char buffer[64];
  test::TraceCapture capture(0x0080);
  LoadLocalString(os::OwnModule(), 3300, buffer, sizeof buffer);
  LoadLocalString(os::OwnModule(), 4999, buffer, sizeof buffer);
  test::TraceCapture quiet(0);  // level 0: only the small-buffer line
  LoadLocalString(os::OwnModule(), 4999, buffer, 10);
  LoadLocalString(os::OwnModule(), 4999, buffer, 6);
  EXPECT_EQ(capture.TaggedTexts(), (std::vector<std::string>{"STRING_______ ID 3300 = s",
                                                              ">>>>_________ bGWM: Could not load the string for ID 4999"}));
  EXPECT_EQ(quiet.TaggedTexts(), std::vector<std::string>{">>>>_________ bGWN: Small buffer - returning empty string"});
}

// module, kind (text: key LogFile, number: LogLevel, bool: SevenBitOnly
// with the module's words), TNUAL.INI, default -> value, and whether the
// module holds the profile names.
TEST(ProfileReaders, GoldenCases) {
  test::ScopedProfile profile;
  test::RunGolden("profile_readers.txt", 6, 6, [&](const test::GoldenCase& c) -> std::vector<std::string> {
    profile.Write(c[2]);
    os::Module module = ModuleNamed(c[0]);
    char names[32];
    const std::string found = LoadLocalString(module, 3100, names, sizeof names) ? "1" : "0";
    if (c[1] == "text") {
      char value[256];
      GetProfileText(module, kSectionNameParsing, kSettingLogFile, c[3].c_str(), value, sizeof value);
      return {value, found};
    }
    if (c[1] == "number")
      return {std::to_string(GetProfileNumber(module, kSectionNameParsing, kSettingLogLevel, test::Int(c[3]))), found};
    BoolWords words;
    LoadBoolWords(module, &words);
    return {std::to_string(GetProfileBool(module, kSectionNameParsing, kSettingSevenBitOnly, c[3] == "1", &words)),
            found};
  });
}

TEST(ProfileReaders, TraceLinesForMissingNamesAndBadNumbers) {
  test::ScopedProfile profile;
  profile.Write("[NameParsing]\nLogLevel=letters\nLogFile=x.log\n");
  test::TraceCapture capture(0x0008);
  char value[64];
  GetProfileText(os::OwnModule(), kSectionNameParsing, kSettingLogFile, "tnname.log", value, sizeof value);
  GetProfileNumber(os::OwnModule(), kSectionNameParsing, kSettingLogLevel, 3);
  GetProfileNumber(ModuleNamed("en"), kSectionNameParsing, kSettingLogLevel, 3);
  GetProfileBool(ModuleNamed("en"), kSectionNameParsing, kSettingLogFile, true, nullptr);
  EXPECT_EQ(capture.TaggedTexts(), (std::vector<std::string>{
                                       ">>>>_________ bGWM: Could not load the string for ID 3100",
                                       ">>>>_________ bGWM: Could not load the string for ID 3103",
                                       ">>>>_________ bGWCS: Could not get INI strings. Returning default tnname.log",
                                       ">>>>_________ bGWM: Could not load the string for ID 3100",
                                       ">>>>_________ bGWM: Could not load the string for ID 3104",
                                       ">>>>_________ lGWCL: Could not get INI strings. Returning default 3",
                                       "CONFIGURATION [NameParsing] LogLevel = letters",
                                       "CONFIGURATION Invalid numeric setting LogLevel = letters",
                                       "CONFIGURATION [NameParsing] LogFile = x.log",
                                       "CONFIGURATION Boolean value returned is 1",  // no word list: the default
                                   }));
}

#if !defined(_WIN32)
// A TNUAL.INI that is no regular file counts as none, and the trace says so
// at any level, once for one state of the file.
TEST(ProfileReaders, AProfileThatIsNoRegularFileIsToldInTheTrace) {
  test::TempDir dir;
  test::ScopedEnv folder("HVCN_PROFILE_DIR", dir.path().string().c_str());
  ASSERT_EQ(mkfifo((dir / "TNUAL.INI").c_str(), 0600), 0);
  test::TraceCapture capture(0);
  char value[64];
  for (int i = 0; i < 2; ++i) {
    GetProfileText(ModuleNamed("en"), kSectionNameParsing, kSettingLogFile, "tnname.log", value, sizeof value);
    EXPECT_STREQ(value, "tnname.log");
  }
  EXPECT_EQ(capture.TaggedTexts(), std::vector<std::string>{">>>>_________ Configuration file " + (dir / "TNUAL.INI") +
                                                            " ignored: not a regular file"});
}
#endif

// A REGEDIT4 file with the Outlook path and one Office language key ("-":
// left out).
std::string Registry(const std::string& outlookPath, const std::string& version, const std::string& ui,
                     const std::string& install) {
  std::string text = "REGEDIT4\r\n\r\n";
  if (outlookPath != "-") {
    std::string quoted;
    for (char c : outlookPath) quoted += (c == '\\' || c == '"' ? "\\" : "") + std::string(1, c);
    text += "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE]\r\n"
            "@=\"C:\\\\outlook.exe\"\r\n\"Path\"=\"" + quoted + "\"\r\n\r\n";
  }
  if (version != "-") {
    text += "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\" + version + "\\Common\\LanguageResources]\r\n";
    if (ui != "-") text += "\"UILanguage\"=dword:" + ui + "\r\n";
    if (install != "-") text += "\"InstallLanguage\"=dword:" + install + "\r\n";
  }
  return text;
}

// The user locale (posix) and the registry for one scope.
class Scenario {
 public:
  Scenario(const std::string& lang, const std::string& registry)
      : lcAll_("LC_ALL", nullptr), lcMessages_("LC_MESSAGES", nullptr),
        lang_("LANG", lang == "-" ? nullptr : lang.c_str()), registry_(registry) {}

 private:
  test::ScopedEnv lcAll_, lcMessages_, lang_;
  test::ScopedRegistry registry_;
};

// Whether a case for the user locale `lang` can run here: a Windows process
// takes its user locale from the session (English in the tests), not from
// the environment.
bool UserLocaleCanBe(const std::string& lang) {
#if defined(_WIN32)
  return lang == "-" || lang == "C" || lang.rfind("C.", 0) == 0 || lang.rfind("en_US", 0) == 0;
#else
  (void)lang;
  return true;
#endif
}

TEST(ResourceLibrary, UiLanguageGoldenCases) {
  test::RunGolden("ui_language.txt", 7, 7, [](const test::GoldenCase& c) -> std::vector<std::string> {
    if (!UserLocaleCanBe(c[0])) return {};
    Scenario scenario(c[0], Registry(c[1], c[2], c[3], c[4]));
    char abbreviation[128] = "junk";
    const int32_t status = GetUiLanguageAbbreviation(abbreviation, true);
    return {abbreviation[0] ? abbreviation : "-", status == kStatusFail ? "FAIL" : std::to_string(status)};
  });
}

const std::string kItalianOffice = Registry("C:\\Program Files\\Office16\\", "16.0", "00000410", "-");

// The names tried, in order, when none loads (ENU uses the default library).
TEST(ResourceLibrary, FileNamesAndTheOrderTheyAreTriedIn) {
  char name[256];
  const std::pair<const char*, const char*> kCases[] = {
      {"en_US.UTF-8", "Resource DLL Not Loaded: tarnresIT.dll:tarnres.dll:tarnresITA.dll:tarnres.dll"},
      {"de_DE.UTF-8", "Resource DLL Not Loaded: tarnresDE.dll:tarnres.dll:tarnresDEU.dll:tarnres.dll"},
      {"C", "Resource DLL Not Loaded: tarnres.dll:tarnres.dll:tarnres.dll:tarnres.dll"}};
  test::TempDir empty;
  const std::string directory = (empty.path() / "").string();
  for (const auto& [lang, report] : kCases) {
    if (!UserLocaleCanBe(lang)) continue;
    Scenario scenario(lang, std::string(lang) == "en_US.UTF-8" ? kItalianOffice : "");
    std::strcpy(name, "unchanged");
    EXPECT_EQ(LoadResourceLibrary(name, directory.c_str()), nullptr);
    EXPECT_STREQ(name, "unchanged");
    EXPECT_STREQ(ResourceSelectionReport(), report);
  }
}

}  // namespace
}  // namespace hvcn
