#include "files.h"
#include "platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

namespace hvcn::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto base = std::filesystem::temp_directory_path() / "hvcn-tests";
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = base / ("t" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& content) const {
  std::string file = (path_ / name).string();
  std::ofstream out(file, std::ios::binary);
  out << content;
  return file;
}

ProfileFile::ProfileFile(const std::filesystem::path& folder) : path_(ProfilePath(folder)) {
  if (std::filesystem::exists(path_)) original_ = ReadFile(path_.string());
}

ProfileFile::~ProfileFile() {
  std::error_code ignored;
  if (original_) std::ofstream(path_, std::ios::binary) << *original_;
  else std::filesystem::remove(path_, ignored);
  ProfileChanged();
}

void ProfileFile::Write(const std::string& text) {
  {
    std::ofstream out(path_, std::ios::binary);
    out << Native(text);
    EXPECT_TRUE(out.good()) << "cannot write " << path_.string();
  }
  ProfileChanged();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {

// Splits "%08X T+%06ld <13-character tag> <text>"; false when malformed.
bool SplitLogLine(const std::string& line, LogLine* out) {
  auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  if (line.size() < 8 + 2 + 6 + 1 + 13 + 1) return false;
  for (size_t i = 0; i < 8; ++i)
    if (!isHex(line[i])) return false;
  if (line.compare(8, 3, " T+") != 0) return false;
  size_t pos = 11;
  while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') ++pos;
  if (pos - 11 < 6 || pos + 15 > line.size() || line[pos] != ' ' || line[pos + 14] != ' ') return false;
  *out = {line.substr(0, 8), line.substr(11, pos - 11), line.substr(pos + 1, 13), line.substr(pos + 15)};
  return true;
}

}  // namespace

std::vector<LogLine> ReadLog(const std::string& path) {
  std::string text = ReadFile(path);
  std::vector<LogLine> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log line without CR LF: " << text.substr(start);
      break;
    }
    LogLine line;
    if (SplitLogLine(text.substr(start, end - start), &line)) lines.push_back(line);
    else ADD_FAILURE() << "malformed log line: " << text.substr(start, end - start);
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> LogTexts(const std::vector<LogLine>& lines, const std::string& tag) {
  std::vector<std::string> texts;
  for (const auto& line : lines)
    if (line.tag == tag) texts.push_back(line.text);
  return texts;
}

std::vector<std::string> TaggedTexts(const std::vector<LogLine>& lines) {
  std::vector<std::string> texts;
  for (const auto& line : lines) texts.push_back(line.tag + " " + line.text);
  return texts;
}

}  // namespace hvcn::test
