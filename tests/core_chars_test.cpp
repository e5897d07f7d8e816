// Character stepping and the string routines built on it.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/platform/chars.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {

struct StepCase {
  const char* text;
  size_t utf8Step;
};

// Every lead-byte class, stray bytes, and characters cut by the terminator.
constexpr StepCase kSteps[] = {
    {"a", 1},
    {"\x7F", 1},
    {"\xC3\xA9x", 2},                  // two-byte lead
    {"\xE2\x82\xACx", 3},              // three-byte lead
    {"\xF0\x9F\x98\x80x", 4},          // four-byte lead
    {"\xF8\x80\x80\x80\x80x", 5},      // five-byte lead
    {"\xFC\x80\x80\x80\x80\x80x", 6},  // six-byte lead, bytes it covers not examined
    {"\xFC!!!!!x", 6},
    {"\xA9x", 1},                      // stray continuation byte
    {"\xFEx", 1},
    {"\xFFx", 1},
    {"\xE2\x82", 2},                   // cut short: stops at the terminator
    {"\xF0\x9F", 2},
    {"\xC3", 1},
    {"", 1},                           // on the terminator: one byte past it
};

TEST(CharStepping, NextCharMeasuresFromTheLeadByteAndNeverPassesTheTerminator) {
  for (const auto& c : kSteps) {
    const char* p = c.text;
    NextChar(p, 1);
    EXPECT_EQ(static_cast<size_t>(p - c.text), c.utf8Step) << "text " << ::testing::PrintToString(c.text);
    const char* ansi = c.text;
    NextChar(ansi, 0);  // the single-byte code page steps one byte
    EXPECT_EQ(ansi - c.text, 1);
  }
}

TEST(CharStepping, PrevCharLandsOnTheSeparatorBeforeTheEnd) {
  // An encoder steps back from the end of its output onto the last separator.
  for (const char* tail : {"", "x", "\xA9", "\xC3", "\xA9\xA9"}) {
    std::string out = std::string("ab\x1E") + tail;
    const char* p = out.c_str() + 3;  // just behind the RS
    PrevChar(p, out.c_str(), 1);
    EXPECT_EQ(p, out.c_str() + 2) << "tail " << ::testing::PrintToString(tail);
  }
  const std::string text = "x\xC3\xA9y";
  const char* p = text.c_str() + 2;  // last byte of the two-byte character
  PrevChar(p, text.c_str(), 1);
  EXPECT_EQ(p, text.c_str());
}

TEST(CharStepping, PrevCharReportsABadLeadWhenTracing) {
  test::TraceCapture capture(0x0001);
  const std::string text = "\xE2\x82\xAC";
  const char* p = text.c_str() + 2;
  PrevChar(p, text.c_str(), 1);
  EXPECT_EQ(p, text.c_str());  // stays on the three-byte lead
  EXPECT_EQ(capture.Texts(">>>>_________"),
            std::vector<std::string>{"Assertion failed on ((c & 0xE0) == 0xC0): platform line 1267"});
}

TEST(CharStepping, FindChar) {
  EXPECT_EQ(FindChar("", 'a'), nullptr);
  const char* text = "a\\b,c";
  EXPECT_EQ(FindChar(text, ','), text + 3);
  EXPECT_EQ(FindChar(text, '\\'), text + 1);  // no escapes here
  EXPECT_EQ(FindChar(text, 'z'), nullptr);
  const char* utf8 = "\xC3\x2C,";  // a 0x2C byte inside a character is not a comma
  EXPECT_EQ(FindChar(utf8, ','), utf8 + 2);
}

TEST(CharStepping, FindUnescapedChar) {
  const char* text = "a\\/b/c";
  EXPECT_EQ(FindUnescapedChar(text, '/'), text + 4);
  EXPECT_EQ(FindUnescapedChar(text, '='), text + 6);  // the terminator
  const char* trailing = "ab\\";
  EXPECT_EQ(FindUnescapedChar(trailing, '/'), trailing + 3);
  const char* escapedAll = "\\//";
  EXPECT_EQ(FindUnescapedChar(escapedAll, '/'), escapedAll + 2);
}

// The escape-aware scan, up to a bound or to the NUL, in UTF-8 and in byte
// stepping: a stop byte inside a character (even a malformed one) or after a
// backslash is no stop.
TEST(CharStepping, ScanUnescaped) {
  struct Case {
    std::string text;
    int bound;  // -1: up to the NUL
    ByteSet stops;
    size_t utf8, bytes;
  };
  const Case kCases[] = {
      {"a\\/b/c", -1, {'/'}, 4, 4},
      {"\xC3/x/", -1, {'/'}, 3, 1},          // the lead byte takes the slash with it
      {"\\\xC3\xA9/", -1, {'/'}, 3, 3},     // an escaped two-byte character
      {"ab\\", -1, {'/'}, 3, 3},           // a trailing backslash: the NUL
      {"k\\=v=x", 6, {'=', '/'}, 4, 4},
      {"ab\\=", 3, {'='}, 3, 3},           // the escape is the last byte in bounds
      {"a\xE2=b", 3, {'='}, 3, 2},          // a character reaching past the bound
      {std::string("a\0=", 3), 3, {'='}, 2, 2},  // a NUL inside the bounds is passed over
      {"a/b", 3, {}, 3, 3},                  // no stops
  };
  const int32_t savedStep = StepByCharacter;
  for (int32_t step : {1, 0}) {
    StepByCharacter = step;
    for (const auto& c : kCases) {
      const char* begin = c.text.c_str();
      const char* found = c.bound < 0 ? ScanUnescaped(begin, c.stops) : ScanUnescaped(begin, begin + c.bound, c.stops);
      EXPECT_EQ(static_cast<size_t>(found - begin), step ? c.utf8 : c.bytes)
          << "step " << step << " text " << ::testing::PrintToString(c.text);
    }
  }
  StepByCharacter = savedStep;
}

TEST(CharStepping, FindTrailingBlanks) {
  struct Case {
    const char* text;
    size_t expected;
  };
  constexpr Case kCases[] = {
      {"abc\\  ", 5},  // an escaped blank is not part of the run
      {"abc", 3},
      {"abc   ", 3},
      {"a b ", 3},
      {"abc\\", 4},    // a trailing backslash: no trailing blank
      {"   ", 0},
      {"", 0},
      {"a\\\\  ", 3},  // two backslashes escape each other, not the blank
      {"a\\\\\\  ", 5},
      {"\xC3\\ ", 2},   // the backslash is inside a (malformed) character
      {"\xC3\xA9\\ x  ", 5},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(static_cast<size_t>(FindTrailingBlanks(c.text) - c.text), c.expected) << c.text;
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
  const int32_t savedStep = StepByCharacter;
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
  StepByCharacter = savedStep;
}

TEST(CharStepping, CopyValueUnescaped) {
  struct Case {
    const char* source;
    int32_t length;
    bool noDots;
    const char* expected;
  };
  constexpr Case kCases[] = {
      {"A\\*B*", 5, false, "A*B\x1F"},  // escaped wildcard stays, bare one becomes US
      {"A\\B", 2, false, "A"},          // the length ends right after the backslash
      {"a\\.b", 4, false, "a.b"},
      {"", 0, false, ""},
      {"abc", 2, false, "ab"},
      {"\xC3\xA9z", 3, false, "\xC3\xA9z"},
      {"\xC3\xA9", 1, false, "\xC3"},     // a character cut by the length
      {"J.R.\\.", 6, true, "JR."},
      {"J.K.", 4, true, "JK"},
      {"a\\", 2, false, "a"},
  };
  for (const auto& c : kCases) {
    char out[32];
    char* end = c.noDots ? CopyValueUnescapedNoDots(out, c.source, c.length)
                         : CopyValueUnescaped(out, c.source, c.length);
    EXPECT_STREQ(out, c.expected) << c.source;
    EXPECT_EQ(*end, '\0');
    EXPECT_EQ(static_cast<size_t>(end - out), std::string(c.expected).size());
  }
}

TEST(CharStepping, CopyCharCopiesOneCharacter) {
  char out[8] = {};
  EXPECT_EQ(CopyChar(out, "\xE2\x82\xACz"), 3u);
  EXPECT_STREQ(out, "\xE2\x82\xAC");
}

}  // namespace
}  // namespace hvcn
