// Start-up behaviours, each in a fresh process (tests/data/startup.txt): the
// probe loads a copy of the library from its own folder, with its own
// environment, profile, registry and neighbouring resource libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "support/files.h"
#include "support/golden.h"
#include "support/platform.h"

namespace hvcn::test {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
constexpr const char* kSuffix = ".dll";
constexpr const char* kLibraryName = "hvcn.dll";
#else
constexpr const char* kSuffix = ".so";
constexpr const char* kLibraryName = "libhvcn.so";
#endif

const std::map<std::string, std::string> kRegistries = {
    {"none", ""},
    {"office16-it",
     "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE]\n"
     "\"Path\"=\"C:\\\\Program Files\\\\Microsoft Office\\\\root\\\\Office16\\\\\"\n\n"
     "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\16.0\\Common\\LanguageResources]\n\"UILanguage\"=dword:00000410\n"},
    {"office9-it",
     "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\Common\\LanguageResources]\n"
     "\"InstallLanguage\"=dword:00000410\n"}};

// One installation: a library folder with the resource libraries named, a
// working folder, and a profile and a registry as the platform has them
// (on Windows the session's own, for the installation's lifetime).
class Installation {
 public:
  Installation(const std::string& resources, const std::string& libFolder, const std::string& locale,
               const std::string& registry)
      : lib_(root_.path() / libFolder), work_(root_.path() / "work"), profile_(root_.path() / "profile"),
        registry_(kRegistries.at(registry), root_.path()) {
    for (const auto& folder : {lib_, work_, root_.path() / "profile"}) fs::create_directories(folder);
    fs::copy_file(HVCN_TEST_LIBRARY, lib_ / kLibraryName);
    std::istringstream names(resources == "-" ? "" : resources);
    for (std::string name; std::getline(names, name, ',');) {
      const size_t as = name.find(':');
      fs::copy_file(std::string(HVCN_TEST_LIB_DIR) + "/" + name.substr(0, as) + kSuffix,
                    lib_ / (name.substr(as == std::string::npos ? 0 : as + 1) + kSuffix));
    }
    std::istringstream variables(locale.find('=') == std::string::npos ? "LANG=" + locale : locale);
    bool logFolderGiven = false;
    for (std::string variable; variables >> variable;) {
      env_.push_back(Rooted(variable));
      for (const char* name : {"HVCN_LOG_DIR=", "XDG_STATE_HOME=", "HOME="})
        logFolderGiven = logFolderGiven || variable.rfind(name, 0) == 0;
    }
    // The log goes to the working folder unless the row says otherwise.
    if (!logFolderGiven) env_.push_back("HVCN_LOG_DIR=" + work_.string());
    for (const std::string& assignment : {profile_.Environment(), registry_.Environment()})
      if (!assignment.empty()) env_.push_back(assignment);
  }

  // A text with "@" standing for the installation's root folder.
  std::string Rooted(std::string text) const {
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1))
      text.replace(at, 1, root_.path().string());
    return text;
  }

  // The files of the working folder, names sorted and joined by " ; ".
  std::string WorkFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& name : names) out += (out.empty() ? "" : " ; ") + name;
    return out;
  }

  ProfileFile& profile() { return profile_; }
  // A file of the working folder, or below the root with "@/".
  std::string WorkFile(const std::string& name) const {
    return name.rfind("@/", 0) == 0 ? Rooted(name) : (work_ / name).string();
  }

  // Runs the probe with the arguments; returns its output lines joined by " ; ".
  std::string Probe(const std::string& arguments) {
    std::vector<std::string> argv = {HVCN_TEST_PROBE, (lib_ / kLibraryName).string()};
    std::istringstream words(arguments);
    for (std::string word; words >> word;) argv.push_back(word == "\"\"" ? "" : word);
    const ProcessResult result = RunProcess(argv, env_, work_.string());
    EXPECT_EQ(result.exitCode, 0) << result.out;
    std::string lines;
    std::istringstream out(result.out);
    for (std::string line; std::getline(out, line);) lines += (lines.empty() ? "" : " ; ") + line;
    return lines;
  }

 private:
  TempDir root_;
  fs::path lib_, work_;
  ProfileFile profile_;
  RegistryScenario registry_;
  std::vector<std::string> env_;
};

// A log file's lines, pointers and the instance of a resource library shown as *.
std::string Log(const std::string& path) {
  if (!fs::exists(path)) return "-";
  std::string lines;
  for (std::string line : TaggedTexts(ReadLog(path))) {
    const size_t instance = line.find(" Instance: ");
    if (instance != std::string::npos) line = line.substr(0, instance) + " Instance: *";
    const size_t pointer = line.find(", ");
    if (pointer != std::string::npos && line.find_first_not_of("0123456789ABCDEF", pointer + 2) == pointer + 2 + 2 * sizeof(void*))
      line.replace(pointer + 2, 2 * sizeof(void*), "*");
    lines += (lines.empty() ? "" : " ; ") + line;
  }
  return lines;
}

// Whether a text is the expected one; "..." stands for any text there.
bool Matches(const std::string& text, const std::string& expected) {
  const std::string wanted = Native(expected);
  size_t at = 0, from = 0;
  for (bool first = true;; first = false) {
    const size_t dots = wanted.find("...", from);
    const std::string piece = wanted.substr(from, dots == std::string::npos ? std::string::npos : dots - from);
    if (dots == std::string::npos) {
      // The last piece ends the text (and begins it, when it is the only one).
      return first ? text == piece : text.size() >= at + piece.size() && text.compare(text.size() - piece.size(), piece.size(), piece) == 0;
    }
    const size_t found = first ? (text.rfind(piece, 0) == 0 ? 0 : std::string::npos) : text.find(piece, at);
    if (found == std::string::npos) return false;
    at = found + piece.size();
    from = dots + 3;
  }
}

TEST(Startup, GoldenCases) {
  std::unique_ptr<Installation> install;
  bool skip = false;
  RunGolden("startup.txt", 2, 6, [&](const GoldenCase& c) -> std::vector<std::string> {
    if (c[0] == "install") {
      install.reset();  // one session-wide profile and registry at a time
#if defined(_WIN32)
      skip = c[5] == "posix";
#endif
      if (!skip) install = std::make_unique<Installation>(c[1], c[2], c[3], c[4]);
      return {};
    }
    if (skip) return {};
    if (c[0] == "profile") install->profile().Write(install->Rooted(c[1]));
    if (c[0] == "file") std::ofstream(install->WorkFile(c[1]), std::ios::binary) << c[2];
    if (c[0] == "files") return {install->WorkFiles()};
    if (c[0] == "text") return {fs::exists(install->WorkFile(c[1])) ? ReadFile(install->WorkFile(c[1])) : "-"};
    if (c[0] == "probe") {
      const std::string out = install->Probe(c[1]);
      return {Matches(out, c[2]) ? c[2] : out};
    }
    if (c[0] == "log") {
      const std::string log = Log(install->WorkFile(c[1]));
      return {Matches(log, c[2]) ? c[2] : log};
    }
    return {};
  });
}

}  // namespace
}  // namespace hvcn::test
