// Start-up behaviours, each in a fresh process: the probe loads a copy of
// the library from its own folder, with its own environment, profile,
// registry and neighbouring resource libraries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/platform.h"

namespace hvcn::test {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
constexpr const char* kSuffix = ".dll";
constexpr const char* kLibraryName = "hvcn.dll";
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kSuffix = ".so";
constexpr const char* kLibraryName = "libhvcn.so";
constexpr const char* kSeparator = "/";
#endif

constexpr const char* kOffice16Italian =
    "REGEDIT4\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE]\n"
    "\"Path\"=\"C:\\\\Program Files\\\\Microsoft Office\\\\root\\\\Office16\\\\\"\n\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\16.0\\Common\\LanguageResources]\n"
    "\"UILanguage\"=dword:00000410\n";

// One installation: a library folder, a working folder, and a profile and a
// registry as the platform has them (on Windows the session's own, for the
// installation's lifetime).
class Installation {
 public:
  explicit Installation(const std::vector<std::string>& resources, const std::string& libFolder = "lib")
      : lib_(root_.path() / libFolder),
        work_(root_.path() / "work"),
        profileFolder_(root_.path() / "profile"),
        profile_(profileFolder_) {
    fs::create_directories(lib_);
    fs::create_directories(work_);
    fs::create_directories(profileFolder_);
    library_ = (lib_ / kLibraryName).string();
    fs::copy_file(HVCN_TEST_LIBRARY, library_);
    for (const auto& name : resources)
      fs::copy_file(std::string(HVCN_TEST_LIB_DIR) + "/" + name + kSuffix, lib_ / (name + kSuffix));
  }

  void Profile(const std::string& text) { profile_.Write(text); }
  // The log folder variables of the probe (posix): by default the log goes
  // to the working folder, as it does on Windows.
  void LogEnv(const std::vector<std::string>& assignments) { logEnv_ = assignments; }
  std::string Root() const { return root_.path().string(); }
  std::string LibFolder() const { return lib_.string(); }
  void Registry(const std::string& text) { registry_ = std::make_unique<RegistryScenario>(text, root_.path()); }
  // A variable of the probe's environment (the posix stand-ins read some).
  void Env(const std::string& assignment) { env_.push_back(assignment); }
  std::string WorkFile(const std::string& name) const { return (work_ / name).string(); }

  // Runs the probe; returns its output lines.
  std::vector<std::string> Probe(const std::vector<std::string>& command) {
    std::vector<std::string> argv = {HVCN_TEST_PROBE, library_};
    argv.insert(argv.end(), command.begin(), command.end());
    std::vector<std::string> env = env_;
    env.insert(env.end(), logEnv_.begin(), logEnv_.end());
    for (const std::string& assignment :
         {profile_.Environment(), registry_ ? registry_->Environment() : std::string()})
      if (!assignment.empty()) env.push_back(assignment);
    ProcessResult result = RunProcess(argv, env, work_.string());
    EXPECT_EQ(result.exitCode, 0) << result.out;
    std::istringstream out(result.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) lines.push_back(line);
    return lines;
  }

 private:
  TempDir root_;
  fs::path lib_, work_, profileFolder_;
  ProfileFile profile_;
  std::unique_ptr<RegistryScenario> registry_;
  std::string library_;
  std::vector<std::string> env_;
  std::vector<std::string> logEnv_{"HVCN_LOG_DIR=" + work_.string()};
};

using Lines = std::vector<std::string>;

TEST(Startup, WithoutAResourceLibraryTheOwnItalianTableAnswers) {
  Installation install({});
  install.Env("LANG=en_US.UTF-8");
  EXPECT_EQ(install.Probe({"error", "0", "256"}), Lines{Native("0|Non si è riscontrato alcun problema.")});
  EXPECT_EQ(install.Probe({"error", "30", "256"}), Lines{Native("0|Il Tipo di terminale non è stato riconosciuto.")});
  EXPECT_EQ(install.Probe({"error", "31", "256"}), Lines{Native("11|Si è verificato un errore generale (31)")});
  EXPECT_EQ(install.Probe({"error", "-1", "256"}), Lines{Native("11|Si è verificato un errore generale (-1)")});
  EXPECT_EQ(install.Probe({"error", "0", "5"}), Lines{"0|Non "});
  EXPECT_EQ(install.Probe({"version", "4"}), Lines{"0|X.0|104"});
}

TEST(Startup, EnglishTextsWithTarnresBesideTheLibrary) {
  Installation install({"tarnres"});
  install.Env("LANG=en_US.UTF-8");
  EXPECT_EQ(install.Probe({"error", "0", "256"}), Lines{"0|No problem was found."});
  EXPECT_EQ(install.Probe({"version", "64"}), Lines{"0|X.05.20.01|104"});
}

#if !defined(_WIN32)
// posix only: a Windows process takes its user locale from the session, not
// from its environment. The Office language below works on both.
TEST(Startup, TheItalianLibraryFollowsTheUserLocale) {
  Installation install({"tarnres", "tarnresIT"});
  install.Env("LANG=it_IT.UTF-8");
  EXPECT_EQ(install.Probe({"error", "1", "256"}), Lines{"0|Il buffer fornito è troppo piccolo."});
}
#endif

TEST(Startup, TheItalianLibraryFollowsTheOfficeInstallLanguage) {
  // No Outlook path: only the Office 9.0 key is read; no UILanguage there.
  Installation install({"tarnres", "tarnresIT"});
  install.Env("LANG=en_US.UTF-8");
  install.Registry(
      "REGEDIT4\n\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\Common\\LanguageResources]\n"
      "\"InstallLanguage\"=dword:00000410\n");
  EXPECT_EQ(install.Probe({"error", "1", "256"}), Lines{Native("0|Il buffer fornito è troppo piccolo.")});
}

TEST(Startup, OfficeLanguageFromTheRegistryChoosesTarnresIT) {
  Installation install({"tarnres", "tarnresIT"});
  install.Env("LANG=en_US.UTF-8");
  install.Registry(kOffice16Italian);
  install.Profile("[NameParsing]\nLogFile=trace.log\nLogLevel=1\n");
  EXPECT_EQ(install.Probe({"error", "0", "256"}), Lines{Native("0|Non si è riscontrato alcun problema.")});
  auto info = LogTexts(ReadLog(install.WorkFile("trace.log")), "INFORMATION__");
  ASSERT_EQ(info.size(), 2u);
  EXPECT_EQ(info[1].rfind("Resource DLL Loaded: tarnresIT.dll Instance: ", 0), 0u) << info[1];
}

TEST(Startup, TheThirdNameIsTheFullAbbreviation) {
  Installation install({"tarnres"});
  install.Env("LANG=en_US.UTF-8");
  install.Registry(kOffice16Italian);
  // Only tarnres (English) is present among the first two names, so it wins
  // over tarnresITA, which the third attempt would find.
  EXPECT_EQ(install.Probe({"error", "0", "256"}), Lines{"0|No problem was found."});
}

TEST(Startup, ProfileSetsTheLogWhichIsEmptiedAtEachLoad) {
  Installation install({"tarnres"});
  install.Env("LANG=en_US.UTF-8");
  install.Profile("[NameParsing]\nLogFile=hvcn-trace.log\nLogLevel=0x0001\n");
  std::ofstream(install.WorkFile("hvcn-trace.log")) << "old content\r\n";
  install.Probe({"error", "0", "64"});
  auto texts = TaggedTexts(ReadLog(install.WorkFile("hvcn-trace.log")));
  ASSERT_EQ(texts.size(), 13u);
  EXPECT_EQ(texts[0], "INFORMATION__ Name parsing version X.05.20.01");
  EXPECT_EQ(texts[1], ">>>>_________ Logging level 0x1");
  EXPECT_EQ(texts[2].rfind("INFORMATION__ Resource DLL Loaded: tarnres.dll Instance: ", 0), 0u);
  // The teletex tag names 27-33 and 42 have no string in the resources.
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(texts[3 + i], ">>>>_________ bGWM: Could not load the string for ID " +
                                std::to_string(i < 7 ? 3327 + i : 3342));
  EXPECT_EQ(texts[11].rfind("API_ENTRY____ hvcnGetErrorText(0, ", 0), 0u);
  EXPECT_EQ(texts[12], "API_RETURN___ 0 (hvcnGetErrorText)");
  // A second load starts a new log (hvcnVersion writes no trace).
  install.Probe({"version", "8"});
  EXPECT_EQ(ReadLog(install.WorkFile("hvcn-trace.log")).size(), 11u);
}

TEST(Startup, UnconditionalLinesAreWrittenAtLevelZero) {
  Installation install({"tarnres"});
  install.Profile("[NameParsing]\nLogFile=quiet.log\nLogLevel=0\n");
  EXPECT_EQ(install.Probe({"error", "0", "0"}), Lines{"3|"});
  EXPECT_EQ(TaggedTexts(ReadLog(install.WorkFile("quiet.log"))),
            Lines{"ERROR________ Supplied buffer NULL or zero length"});
}

TEST(Startup, WithoutAProfileTheDefaultLogIsDeleted) {
  Installation install({"tarnres"});
  std::ofstream(install.WorkFile("tnname.log")) << "old\r\n";
  install.Probe({"version", "8"});
  EXPECT_FALSE(fs::exists(install.WorkFile("tnname.log")));
}

#if !defined(_WIN32)
// posix: the log lives in the log folder, never in the working folder; the
// first variable set names it, and it is made when the first line is written.
TEST(Startup, TheLogGoesToTheLogFolderNeverTheWorkingFolder) {
  struct Case {
    std::vector<std::string> env;  // "@" stands for the installation's root
    std::string profileLog;        // LogFile of the profile ("" for none)
    std::string log;               // where the log lands, below the root ("" for nowhere)
  };
  const Case cases[] = {
      {{"HVCN_LOG_DIR=@/logs", "XDG_STATE_HOME=@/xdg", "HOME=@/home"}, "", "logs/tnname.log"},
      {{"XDG_STATE_HOME=@/xdg", "HOME=@/home"}, "", "xdg/hvcn/tnname.log"},
      {{"XDG_STATE_HOME=relative", "HOME=@/home"}, "", "home/.local/state/hvcn/tnname.log"},
      {{"HOME=@/home"}, "sub/trace.log", "home/.local/state/hvcn/sub/trace.log"},
      {{"HVCN_LOG_DIR=@/logs"}, "@/abs.log", "abs.log"},
      {{}, "", ""},
      {{"HOME=relative"}, "trace.log", ""},
  };
  for (const Case& c : cases) {
    Installation install({"tarnres"});
    auto rooted = [&](std::string text) {
      if (size_t at = text.find('@'); at != std::string::npos) text.replace(at, 1, install.Root());
      return text;
    };
    std::vector<std::string> env;
    for (const auto& assignment : c.env) env.push_back(rooted(assignment));
    install.LogEnv(env);
    std::string profile = "[NameParsing]\nLogLevel=1\n";
    if (!c.profileLog.empty()) profile += "LogFile=" + rooted(c.profileLog) + "\n";
    install.Profile(profile);
    // A file of the user's that bears the log's name stays as it is.
    std::ofstream(install.WorkFile("tnname.log")) << "mine\n";
    install.Probe({"error", "0", "64"});
    const std::string where = c.env.empty() ? "no variable" : c.env[0];
    EXPECT_EQ(ReadFile(install.WorkFile("tnname.log")), "mine\n") << where;
    EXPECT_EQ(std::distance(fs::directory_iterator(install.WorkFile("")), fs::directory_iterator()), 1) << where;
    if (c.log.empty()) continue;
    const std::string log = install.Root() + "/" + c.log;
    EXPECT_EQ(ReadLog(log).size(), 13u) << where;
    // Each load starts a new log there.
    install.Probe({"version", "8"});
    EXPECT_EQ(ReadLog(log).size(), 11u) << where;
  }
}
#endif

TEST(Startup, TheResourceLibraryChosenIsReported) {
  // status, names tried, folder looked in (its end: the folder of the copy)
  auto fields = [](Installation& install, const char* size) {
    Lines out = install.Probe({"resource", size});
    Lines split;
    std::istringstream line(out.empty() ? std::string() : out[0]);
    for (std::string field; std::getline(line, field, '|');) split.push_back(field);
    return split;
  };
  const std::string folderEnd = std::string("lib") + kSeparator;
  Installation install({"tarnres"});
  install.Env("LANG=en_US.UTF-8");
  Lines loaded = fields(install, "1024");
  ASSERT_EQ(loaded.size(), 3u);
  EXPECT_EQ(loaded[0] + "|" + loaded[1], std::string("0|tarnres") + kSuffix);
  EXPECT_TRUE(loaded[2].ends_with(folderEnd)) << loaded[2];
  Lines cut = fields(install, "8");
  ASSERT_EQ(cut.size(), 3u);
  EXPECT_EQ(cut[0] + "|" + cut[1], "1|tarnres");
  EXPECT_EQ(cut[2].size(), 7u);

  Installation none({});
  none.Registry(kOffice16Italian);
  Lines tried = fields(none, "1024");
  ASSERT_EQ(tried.size(), 3u);
  EXPECT_EQ(tried[0] + "|" + tried[1], std::string("29|tarnresIT") + kSuffix + ":tarnres" + kSuffix + ":tarnresITA" +
                                           kSuffix + ":tarnres" + kSuffix);
  EXPECT_TRUE(tried[2].ends_with(folderEnd)) << tried[2];
}

TEST(Startup, ALibraryInATarnresFolderServesItsOwnStrings) {
  Installation install({"tarnres"}, "tarnres-install");
  install.Env("LANG=en_US.UTF-8");
  EXPECT_EQ(install.Probe({"error", "0", "256"}), Lines{Native("0|Non si è riscontrato alcun problema.")});
}

TEST(Startup, FormatDefaultsComeFromTheProfileInTheLibrarysLanguage) {
  Installation install({"tarnres", "tarnresIT"});
  install.Env("LANG=en_US.UTF-8");
  install.Registry(kOffice16Italian);  // the Italian library: Italian boolean words
  install.Profile(
      "[NameParsing]\nDefaultFormat=%(1)#%(2)\nSlashCharacter=#\nCommaCharacter=;\nWildcardCharacter=?\n"
      "X400Mask=0x10\nSevenBitOnly=Attivo\nRSListUserOnly=Falso\nComplexFormats=inattivo\nOUTags=S\n"
      "X400PersonalName=vero\nReconfiguredAttributes=116,,24\n");
  // Both parses get the reconfigured list, not only the first.
  const std::string expected = "0|%(1)#%(2)|#|;|?|16|0x303|116,,24";
  EXPECT_EQ(install.Probe({"format", "-"}), (Lines{expected, expected}));
}

TEST(Startup, EnglishBooleanWords) {
  Installation install({"tarnres"});
  install.Env("LANG=en_US.UTF-8");
  install.Profile("[NameParsing]\nSevenBitOnly=yes\nComplexFormats=Off\nRSListUserOnly=Attivo\n");
  EXPECT_EQ(install.Probe({"format", "%(CANON)"}),
            (Lines{"0|%(CANON)|/|,|*|43|0x3|", "0|%(CANON)|/|,|*|43|0x3|"}));
}

TEST(Startup, WithoutProfileNamesAnEmptyFormatStringHasNoDefault) {
  Installation install({});
  install.Profile("[NameParsing]\nDefaultFormat=%(1)\n");
  auto lines = install.Probe({"format", "-"});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 2), "4|");
  // A given format string still works, with the built-in defaults.
  EXPECT_EQ(install.Probe({"format", "%(1)"})[0], "0|%(1)|/|,|*|43|0x31|");
}

TEST(Startup, AnEmptyDefaultFormatFails) {
  Installation install({"tarnres"});
  install.Profile("[NameParsing]\nDefaultFormat=\n");
  EXPECT_EQ(install.Probe({"format", ""})[0].substr(0, 2), "4|");
}

}  // namespace
}  // namespace hvcn::test
