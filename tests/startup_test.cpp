// Start-up behaviours, each in a fresh process (tests/data/startup.txt): the
// probe loads a copy of the library from its own folder, with its own
// environment, profile, registry and neighbouring resource libraries.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
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
    EXPECT_EQ(result.exitCode, 0) << (result.exitCode == kTimedOut ? "the probe did not end: " : "") << result.out;
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

// Makes a special file (posix): "fifo", "device:MAJOR,MINOR" (a character
// device node made here, never a system one), "dir", or "link:TARGET". An
// existing file of that name is replaced. False when the system refuses
// (a device node needs the privilege to make one).
bool MakeSpecial(const std::string& path, const std::string& kind, std::string* why) {
#if defined(_WIN32)
  (void)path, (void)kind;
  *why = "no special files on Windows";
  return false;
#else
  std::error_code ignored;
  fs::remove(path, ignored);
  int made = -1;
  if (kind == "fifo") made = mkfifo(path.c_str(), 0600);
  if (kind == "dir") made = mkdir(path.c_str(), 0700);
  if (kind.rfind("link:", 0) == 0) made = symlink(kind.substr(5).c_str(), path.c_str());
  if (kind.rfind("device:", 0) == 0) {
    const size_t comma = kind.find(',');
    const auto major = static_cast<unsigned>(std::stoul(kind.substr(7, comma - 7)));
    const auto minor = static_cast<unsigned>(std::stoul(kind.substr(comma + 1)));
    made = mknod(path.c_str(), S_IFCHR | 0600, makedev(major, minor));
  }
  if (made != 0) *why = kind + " " + path + ": " + std::strerror(errno);
  return made == 0;
#endif
}

// What a name is, without following a link: file, fifo, device, dir, link,
// other or "-" (nothing).
std::string TypeOf(const std::string& path) {
  std::error_code error;
  switch (fs::symlink_status(path, error).type()) {
    case fs::file_type::not_found: return "-";
    case fs::file_type::regular: return "file";
    case fs::file_type::fifo: return "fifo";
    case fs::file_type::character: return "device";
    case fs::file_type::directory: return "dir";
    case fs::file_type::symlink: return "link";
    default: return "other";
  }
}

// Runs the rows of one scenario after another: each `install` starts a new
// installation; the other rows act on the latest.
class Scenarios {
 public:
  std::vector<std::string> Run(const GoldenCase& c) {
    if (c[0] == "install") {
      install_.reset();  // one session-wide profile and registry at a time
      skip_ = false;
#if defined(_WIN32)
      skip_ = c[5] == "posix";
#endif
      if (!skip_) install_ = std::make_unique<Installation>(c[1], c[2], c[3], c[4]);
      return {};
    }
    if (skip_) return {};
    if (c[0] == "profile") install_->profile().Write(install_->Rooted(c[1]));
    if (c[0] == "file") std::ofstream(install_->WorkFile(c[1]), std::ios::binary) << c[2];
    if (c[0] == "special") {
      std::string why;
      if (!MakeSpecial(install_->WorkFile(c[1]), install_->Rooted(c[2]), &why)) {
        // Only a device node can be refused here (no privilege to make one).
        std::cerr << c.Where() << ": scenario skipped: cannot make " << why << "\n";
        skip_ = true;
      }
    }
    if (c[0] == "files") return {install_->WorkFiles()};
    if (c[0] == "type") return {TypeOf(install_->WorkFile(c[1]))};
    if (c[0] == "text") return {fs::exists(install_->WorkFile(c[1])) ? ReadFile(install_->WorkFile(c[1])) : "-"};
    if (c[0] == "probe") {
      const std::string out = install_->Probe(c[1]);
      return {Matches(out, c[2]) ? c[2] : out};
    }
    if (c[0] == "log") {
      const std::string log = Log(install_->WorkFile(c[1]));
      return {Matches(log, c[2]) ? c[2] : log};
    }
    return {};
  }

 private:
  std::unique_ptr<Installation> install_;
  bool skip_ = false;
};

TEST(Startup, GoldenCases) {
  Scenarios scenarios;
  RunGolden("startup.txt", 2, 6, [&](const GoldenCase& c) { return scenarios.Run(c); });
}

// The rows of regressions.txt of the kind startup: a whole scenario on one
// line, its rows each ended by a field ";".
TEST(Startup, Regressions) {
  const RowHandler scenario = [](const GoldenCase& c) {
    Scenarios scenarios;
    return RunSteps(c, [&](const GoldenCase& row) { return scenarios.Run(row); });
  };
  const RowHandler other = [](const GoldenCase&) { return std::vector<std::string>(); };
  RunRegressions([&](const std::string& kind) { return kind == "startup" ? &scenario : &other; });
}

}  // namespace
}  // namespace hvcn::test
