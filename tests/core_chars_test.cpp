// Character stepping and the string routines built on it (tests/data/chars.txt).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

#include "core/platform/chars.h"
#include "support/golden.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {

// Restores the stepping switch a test changes.
struct SavedStepping {
  int32_t saved = StepByCharacter;
  ~SavedStepping() { StepByCharacter = saved; }
};

std::vector<std::string> Operation(const test::GoldenCase& c) {
  const std::string& text = c[1];
  const char* p = text.c_str();
  const auto at = [p](const char* q) { return q ? std::to_string(q - p) : std::string("-"); };
  if (c[0] == "next") {
    const char* utf8 = p;
    const char* bytes = p;
    NextChar(utf8, 1);
    NextChar(bytes, 0);
    EXPECT_EQ(bytes - p, 1);
    return {at(utf8)};
  }
  if (c[0] == "prev") {
    const char* q = p + test::Int(c[2]);
    PrevChar(q, p, 1);
    return {at(q)};
  }
  if (c[0] == "find") return {at(FindChar(p, c[2][0]))};
  if (c[0] == "unescaped") return {at(FindUnescapedChar(p, c[2][0]))};
  if (c[0] == "trailing") return {at(FindTrailingBlanks(p))};
  if (c[0] == "copychar") {
    char out[8] = {};
    EXPECT_EQ(CopyChar(out, p), c[2].size());
    return {out};
  }
  if (c[0] == "copy") {
    char out[32];
    char* end = c[3] == "nodots" ? CopyValueUnescapedNoDots(out, p, test::Int(c[2]))
                                 : CopyValueUnescaped(out, p, test::Int(c[2]));
    EXPECT_EQ(*end, '\0');
    EXPECT_EQ(static_cast<size_t>(end - out), std::strlen(out));
    return {out};
  }
  if (c[0] == "scan") {
    ByteSet stops;
    for (char s : c[3]) stops.Add(s);
    const int32_t bound = test::Int(c[2]);
    SavedStepping saved;
    std::string found;
    for (int32_t step : {1, 0}) {
      StepByCharacter = step;
      found += (found.empty() ? "" : " ") + at(bound < 0 ? ScanUnescaped(p, stops) : ScanUnescaped(p, p + bound, stops));
    }
    return {found};
  }
  throw std::invalid_argument("no operation " + c[0]);
}

TEST(CharStepping, GoldenCases) { test::RunGolden("chars.txt", 3, 5, Operation); }

TEST(CharStepping, PrevCharReportsABadLeadWhenTracing) {
  test::TraceCapture capture(0x0001);
  const std::string text = "\xE2\x82\xAC";
  const char* p = text.c_str() + 2;
  PrevChar(p, text.c_str(), 1);
  EXPECT_EQ(p, text.c_str());  // stays on the three-byte lead
  EXPECT_EQ(capture.Texts(">>>>_________"),
            std::vector<std::string>{"Assertion failed on ((c & 0xE0) == 0xC0): platform line 1267"});
}

// The trailing run is found from the back where that is certain and from the
// front otherwise: on any text, in byte and in UTF-8 stepping, the answer is
// the one a walk from the front gives.
TEST(CharStepping, TrailingBlanksFromTheBackAgreeWithAWalkFromTheFront) {
  auto walk = [](const char* p, const char* end) {
    const char* run = nullptr;
    while (p < end) {
      const bool escape = *p == '\\';
      if (escape || *p != ' ') run = nullptr;
      else if (!run) run = p;
      if (escape) p += p + 1 < end ? 1 + CharBytes(p + 1) : 1;
      else p += CharBytes(p);
    }
    return run ? run : end;
  };
  const char alphabet[] = {' ', ' ', '\\', '\\', 'a', '\xC3', '\xA9', '\xE2', '\xFC'};
  std::mt19937 random(7);
  SavedStepping saved;
  for (int32_t step : {0, 1}) {
    StepByCharacter = step;
    for (int round = 0; round < 20000; ++round) {
      std::string text(random() % 14, ' ');
      for (char& c : text) c = alphabet[random() % sizeof alphabet];
      const char* begin = text.c_str();
      const char* end = begin + text.size();
      ASSERT_EQ(TrailingBlanks(begin, end), walk(begin, end)) << step << " " << ::testing::PrintToString(text);
    }
  }
}

}  // namespace
}  // namespace hvcn
