// Choice of the language resource library.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/resource_library.h"
#include "core/strings.h"
#include "support/environment.h"
#include "support/files.h"
#include "support/golden.h"
#include "support/platform.h"

namespace hvcn {
namespace {

#if defined(_WIN32)
constexpr const char* kLibrarySuffix = ".dll";
#else
constexpr const char* kLibrarySuffix = ".so";
#endif

// A REGEDIT4 file with the Outlook path and one Office language key.
std::string Registry(const std::string& outlookPath, const std::string& version, const std::string& ui,
                     const std::string& install) {
  auto quoted = [](const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out + "\"";
  };
  std::string text = "REGEDIT4\r\n\r\n";
  if (outlookPath != "-")
    text += "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE]\r\n"
            "@=\"C:\\\\outlook.exe\"\r\n\"Path\"=" + quoted(outlookPath) + "\r\n\r\n";
  if (version != "-") {
    text += "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\" + version + "\\Common\\LanguageResources]\r\n";
    if (ui != "-") text += "\"UILanguage\"=dword:" + ui + "\r\n";
    if (install != "-") text += "\"InstallLanguage\"=dword:" + install + "\r\n";
  }
  return text;
}

// Sets the user locale (posix) and the registry for one scope.
class Scenario {
 public:
  Scenario(const std::string& lang, const std::string& registry)
      : lcAll_("LC_ALL", nullptr),
        lcMessages_("LC_MESSAGES", nullptr),
        lang_("LANG", lang == "-" ? nullptr : lang.c_str()),
        registry_(registry) {}

 private:
  test::ScopedEnv lcAll_, lcMessages_, lang_;
  test::ScopedRegistry registry_;
};

// Whether a case written for the user locale `lang` can run here. On Windows
// the user locale belongs to the session, not to the process environment,
// and the test session's is English: cases for other user locales are
// posix-only.
bool UserLocaleCanBe(const std::string& lang) {
#if defined(_WIN32)
  return lang == "-" || lang == "C" || lang.rfind("C.", 0) == 0 || lang.rfind("en_US", 0) == 0;
#else
  (void)lang;
  return true;
#endif
}

// The folder's path with its separator at the end, as LoadResourceLibrary
// joins it with a file name.
std::string FolderPrefix(const std::filesystem::path& folder) {
  return (folder / "").string();
}

TEST(ResourceLibrary, UiLanguageGoldenCases) {
  int ran = 0;
  for (const auto& c : test::ReadGolden("ui_language.txt")) {
    SCOPED_TRACE(c.Where());
    if (!UserLocaleCanBe(c[0])) continue;
    ++ran;
    Scenario scenario(c[0], Registry(c[1], c[2], c[3], c[4]));
    char abbreviation[128] = "junk";
    int32_t status = GetUiLanguageAbbreviation(abbreviation, true);
    EXPECT_EQ(abbreviation, c[5] == "-" ? std::string() : c[5]);
    EXPECT_EQ(status, c[6] == "FAIL" ? kStatusFail : 0);
  }
  EXPECT_GE(ran, 11);  // the English and registry cases run everywhere
}

#if !defined(_WIN32)
// posix only: the user locale of a Windows process is not taken from the
// environment.
TEST(ResourceLibrary, LcAllAndLcMessagesComeBeforeLang) {
  test::ScopedEnv registry("HVCN_REGISTRY", nullptr);
  test::ScopedEnv lang("LANG", "it_IT.UTF-8");
  char abbreviation[128];
  {
    test::ScopedEnv messages("LC_MESSAGES", "de_DE.UTF-8");
    test::ScopedEnv all("LC_ALL", "fr_FR.UTF-8");
    GetUiLanguageAbbreviation(abbreviation, true);
    EXPECT_STREQ(abbreviation, "FRA");
  }
  test::ScopedEnv all("LC_ALL", nullptr);
  test::ScopedEnv messages("LC_MESSAGES", "de_DE.UTF-8");
  GetUiLanguageAbbreviation(abbreviation, true);
  EXPECT_STREQ(abbreviation, "DEU");
}
#endif

TEST(ResourceLibrary, FileNames) {
  char name[256];
  {
    Scenario scenario("en_US.UTF-8", Registry("C:\\Office16\\", "16.0", "00000410", "-"));
    BuildResourceFileName(name, true, true);
    EXPECT_STREQ(name, "tarnresIT.dll");
    BuildResourceFileName(name, false, true);
    EXPECT_STREQ(name, "tarnresITA.dll");
    BuildResourceFileName(name, true, false);
    EXPECT_STREQ(name, "tarnres.dll");
  }
  Scenario english("en_US.UTF-8", "");
  BuildResourceFileName(name, true, true);
  EXPECT_STREQ(name, "tarnres.dll");  // ENU uses the default library
}

TEST(ResourceLibrary, NamesAreTriedInOrder) {
  struct Case {
    const char* lang;
    std::string registry;
    const char* report;
  };
  const Case kCases[] = {
      {"en_US.UTF-8", Registry("C:\\Program Files\\Office16\\", "16.0", "00000410", "-"),
       "Resource DLL Not Loaded: tarnresIT.dll:tarnres.dll:tarnresITA.dll:tarnres.dll"},
      {"de_DE.UTF-8", "", "Resource DLL Not Loaded: tarnresDE.dll:tarnres.dll:tarnresDEU.dll:tarnres.dll"},
      {"C", "", "Resource DLL Not Loaded: tarnres.dll:tarnres.dll:tarnres.dll:tarnres.dll"},
  };
  test::TempDir empty;
  std::string directory = FolderPrefix(empty.path());
  for (const auto& c : kCases) {
    if (!UserLocaleCanBe(c.lang)) continue;
    Scenario scenario(c.lang, c.registry);
    char name[256] = "unchanged";
    EXPECT_EQ(LoadResourceLibrary(name, directory.c_str()), nullptr);
    EXPECT_STREQ(name, "unchanged");
    EXPECT_STREQ(ResourceSelectionReport(), c.report);
  }
}

TEST(ResourceLibrary, TheFirstNameThatLoadsWins) {
  // Copies of the Italian library under the names of each attempt.
  const std::string built = std::string(HVCN_TEST_LIB_DIR) + "/tarnresIT" + kLibrarySuffix;
  struct Case {
    std::vector<std::string> present;
    const char* loaded;
  };
  const Case kCases[] = {
      {{"tarnresIT", "tarnres", "tarnresITA"}, "tarnresIT.dll"},
      {{"tarnres", "tarnresITA"}, "tarnres.dll"},
      {{"tarnresITA"}, "tarnresITA.dll"},
  };
  Scenario scenario("en_US.UTF-8", Registry("C:\\Office16\\", "16.0", "00000410", "-"));
  for (const auto& c : kCases) {
    test::TempDir dir;
    for (const auto& file : c.present)
      std::filesystem::copy_file(built, dir.path() / (file + kLibrarySuffix));
    std::string directory = FolderPrefix(dir.path());
    char name[256] = {};
    os::Module module = LoadResourceLibrary(name, directory.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_STREQ(name, c.loaded);
    EXPECT_EQ(std::string(ResourceSelectionReport()).rfind(std::string("Resource DLL Loaded: ") + c.loaded + " Instance: ", 0), 0u);
    char text[64];
    EXPECT_TRUE(LoadLocalString(module, 3100, text, sizeof text));
    EXPECT_STREQ(text, "NameParsing");
    os::UnloadLibrary(module);
  }
}

}  // namespace
}  // namespace hvcn
