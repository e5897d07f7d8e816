// Points the trace log of this process at a fresh file for one test and
// sets the trace level; restores both afterwards. For white-box tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/trace.h"
#include "files.h"

namespace hvcn::test {

class TraceCapture {
 public:
  explicit TraceCapture(uint16_t level) : path_(dir_ / "trace.log"), saved_(trace::LogFile()) {
    savedLevel_ = trace::Level();
    trace::SetLogFile(path_.c_str());
    trace::SetLevel(level);
  }
  ~TraceCapture() {
    trace::SetLevel(savedLevel_);
    trace::SetLogFile(saved_.c_str());
  }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  std::vector<LogLine> Lines() const { return ReadLog(path_); }
  std::vector<std::string> Texts(const std::string& tag) const { return LogTexts(Lines(), tag); }
  std::vector<std::string> TaggedTexts() const { return test::TaggedTexts(Lines()); }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::string path_;
  std::string saved_;
  uint16_t savedLevel_;
};

}  // namespace hvcn::test
