// Temporary folders and log files for tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace hvcn::test {

// A fresh folder below the test work folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // Writes a file in the folder and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);

// One line of the trace log, split into its parts.
struct LogLine {
  std::string pid;      // 8 upper-case hex digits
  std::string seconds;  // at least 6 digits
  std::string tag;      // 13 characters
  std::string text;
};

// The lines of a trace log (each must end with CR LF and have the prefix
// "%08X T+%06ld <tag> "); a malformed line fails the current test.
std::vector<LogLine> ReadLog(const std::string& path);

// The texts of the log lines with a given tag.
std::vector<std::string> LogTexts(const std::vector<LogLine>& lines, const std::string& tag);

// "<tag> <text>" of every line, for comparing whole sequences.
std::vector<std::string> TaggedTexts(const std::vector<LogLine>& lines);

}  // namespace hvcn::test
