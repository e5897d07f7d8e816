// The parser's and formatter's trace lines, and random names through both.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/formats.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {

int32_t Parse(hvcnFormat* f, const std::string& name, uint32_t flags = hvcnPARSE_COMPLETE, uint32_t context = 0) {
  return hvcnParseName(name.c_str(), f, 0, nullptr, 0, &context, flags);
}

TEST(ParseTrace, TheCallFrame) {
  auto f = test::ReadyFormat("%(CANON)");
  {
    test::TraceCapture capture(0x0001);
    char buffer[64];
    uint32_t context = 0;
    ASSERT_EQ(hvcnParseName("Smith", f.get(), 3, buffer, sizeof buffer, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
    auto lines = capture.TaggedTexts();
    // The call's own frame around the format-string parse it runs itself.
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("API_ENTRY____ hvcnParseName(\"Smith\", ", 0), 0u);
    EXPECT_NE(lines[0].find(", 3, "), std::string::npos);
    EXPECT_NE(lines[0].find(", 64, 0x0, 0x8)"), std::string::npos);
    EXPECT_EQ(lines[1], "API_ENTRY____ hvcnParseFormatString(\"%(CANON)\", " + lines[0].substr(lines[0].find(", ") + 2, sizeof(void*) * 2) + ")");
    EXPECT_EQ(lines[2], "API_RETURN___ 0");
    EXPECT_EQ(lines[3], "API_RETURN___ pBuffer=\"1\x1dSmith\x1e" "2\x1d\x1e" "3\x1d\x1e" "4\x1d\"");
    EXPECT_EQ(lines[4], "API_RETURN___ 0 (hvcnParseName)");
  }
  {
    // Failures: the status text before and after the output line; argument
    // faults write only the status text.
    test::TraceCapture capture(0x0001);
    Parse(f.get(), "a, b c d e f");
    char buffer[8];
    hvcnParseName("x", f.get(), 4, buffer, sizeof buffer, nullptr, 0);
    hvcnParseName(nullptr, f.get(), 0, nullptr, 0, nullptr, 0);
    std::vector<std::string> tags;
    for (const auto& line : capture.TaggedTexts()) tags.push_back(line.substr(0, 13));
    const std::vector<std::string> expected = {
        "API_ENTRY____", "API_ENTRY____", "API_RETURN___",  // hvcnParseName, hvcnParseFormatString
        "ERROR________",                                    // PC: Too many sections in the name
        "API_ERROR____", "API_RETURN___", "API_ERROR____", "API_RETURN___",
        "API_ENTRY____", "API_ERROR____",  // an unknown internal type: no return line
        "API_ENTRY____", "API_ERROR____",  // a NULL name: no return line
    };
    EXPECT_EQ(tags, expected);
  }
}

TEST(ParseTrace, SectionParserMessages) {
  struct Case {
    const char* format;
    std::string name;
    uint32_t flags;
    std::string line;
  };
  const Case kCases[] = {
      {"%(CANON)", "Smith, a b c d e", hvcnPARSE_COMPLETE, "ERROR________ PC: Too many sections in the name"},
      {"%(CANON)", std::string(80, 'a'), hvcnPARSE_COMPLETE,
       "ERROR________ Name part of Halvane address is too long. (Max 75 characters)"},
      {"%(X400)", "o=x/s/c=y", hvcnPARSE_COMPLETE, "ERROR________ Found '/' in tag name (at s/c=y)"},
      {"%(X400)", std::string(40, 't') + "=x", hvcnPARSE_COMPLETE,
       "ERROR________ X.400 tag name is too long (" + std::string(40, 't') + "=x)"},
      {"%(X400)", "o=x/ab", hvcnPARSE_COMPLETE, "ERROR________ Tag name not terminated in X.400 token (at ab)"},
      {"%(X400)", "o=x/ab", 0, "INFORMATION__ Ignoring trailing tag name in address (ab)"},
      {"%(X400)", "o=x/=y", hvcnPARSE_COMPLETE, "ERROR________ '/=' is invalid"},
      {"%(X400)", "zz=y", hvcnPARSE_COMPLETE, "ERROR________ Unknown X.400 tag name (zz)"},
      {"%(X400)", "dd.a=1/dd.b=2/dd.c=3/dd.d=4/dd.e=5", hvcnPARSE_COMPLETE,
       "ERROR________ More than four DDAs specified in address"},
      {"%(EFA)", "(x", hvcnPARSE_COMPLETE, "ERROR________ EFA not terminated properly."},
      {"%(EFA)", "(" + std::string(500, 'x') + ")", hvcnPARSE_COMPLETE,
       "ERROR________ Found DDA number 5 at " + std::string(4, 'x') + ")"},
      {"%(CANON)%(EFA)%(X400)", "Smith (foo) bar", hvcnPARSE_COMPLETE,
       "ERROR________ Name does not fit format from 'foo) bar'"},
      {"%(1)", std::string(1025, 'a'), 0, "ERROR________ The name cannot exceed 1024 characters."},
  };
  for (const auto& c : kCases) {
    auto f = test::ReadyFormat(c.format);
    test::TraceCapture capture(0x0020 | 0x0040);
    Parse(f.get(), c.name, c.flags);
    auto lines = capture.TaggedTexts();
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end()) << c.name << "\nwanted " << c.line;
  }
  auto f = test::ReadyFormat("%(1)");
  test::TraceCapture capture(0x0020);
  char buffer[8];
  uint32_t context = 0;
  hvcnParseName("x", f.get(), 7, buffer, sizeof buffer, &context, 0);
  EXPECT_EQ(capture.TaggedTexts(), std::vector<std::string>{"ERROR________ Unknown internal name type (7)"});
}

TEST(FormatTrace, Messages) {
  auto f = test::ReadyFormat("%(CANON)%(EFA)%(X400)");
  ASSERT_EQ(Parse(f.get(), "Smith, John"), hvcnSUCCESS);
  test::TraceCapture capture(0x0100);
  char text[32];
  hvcnFormatName(f.get(), text, sizeof text, 0);
  hvcnFormatName(f.get(), text, 5, 0);
  hvcnFormatName(f.get(), text, sizeof text, hvcnFN_REFORMAT);
  hvcnFormatName(f.get(), text, 3, hvcnFN_ESCAPE);
  hvcnFormatName(nullptr, text, sizeof text, 0);
  hvcnFormatName(f.get(), nullptr, sizeof text, 0);
  const std::vector<std::string> expected = {
      "DATA_________ Copying name held in format structure.",
      "ERROR________ Buffer is to small for name held in format.",
      "DATA_________ Output name: 'Smith, John'",
      "ERROR________ SEC: No space available in buffer",
      "ERROR________ Format pointer is NULL",
      "ERROR________ Name buffer is NULL or zero length.",
  };
  EXPECT_EQ(capture.TaggedTexts(), expected);
}

// Byte for byte, with token names compared as places in each format's own
// formatString.
bool SameFormat(const hvcnFormat& a, const hvcnFormat& b) {
  auto x = std::make_unique<hvcnFormat>(a);
  auto y = std::make_unique<hvcnFormat>(b);
  for (auto [g, own] : {std::pair{x.get(), &a}, std::pair{y.get(), &b}})
    for (auto& token : g->tokens)
      if (token.name) token.name = reinterpret_cast<const char*>(token.name - own->formatString + 1);
  return std::memcmp(x.get(), y.get(), sizeof(hvcnFormat)) == 0;
}

// A fresh parse sets the format up again from its format string. With the
// call-frame and data trace levels on it runs hvcnParseFormatString itself
// (for its trace lines) and resets the name; without them it takes a shorter
// way. Both must leave the format byte for byte the same, also when the
// format string no longer parses or a value fails.
TEST(ParseFreshStart, TheSameFormatWithAndWithoutTracing) {
  const char* formats[] = {"%(CANON)%(EFA)%(X400)", "%(NONCANON)/%(Dept)", "%(X400)", "%(1)/%(2)/%(116)"};
  const char* names[] = {"Smith, John (ext-42) /o=Org/c=US", "John Smith/Sales", "/o=Org/c=GBR", "a, b c d e f", "S/J/Q"};
  for (const char* formatString : formats) {
    for (bool brokenString : {false, true}) {
      for (const char* name : names) {
        auto f = test::ReadyFormat(formatString);
        // A format string that no longer parses: the change keeps the format ready.
        if (brokenString) hvcnChangeInputFormat("%(CANON", f.get());
        auto traced = std::make_unique<hvcnFormat>(*f);
        int32_t tracedStatus;
        {
          test::TraceCapture capture(trace::kApi | trace::kData);
          tracedStatus = Parse(traced.get(), name, 0);
        }
        const int32_t status = Parse(f.get(), name, 0);
        EXPECT_EQ(status, tracedStatus) << formatString << " " << name;
        EXPECT_TRUE(SameFormat(*f, *traced)) << formatString << (brokenString ? " (broken)" : "") << " " << name;
      }
    }
  }
}

// After a fresh parse, the next one only undoes what parsing changed, as
// long as nothing else changed the format. A byte copy of the format (whose
// token names point into the original) always takes the full set-up: after
// each kind of call in between, the two must come out of the next parse the
// same. `keepsMark` says whether the call leaves the short way open, so that
// the comparison is not between two full set-ups only.
TEST(ParseFreshStart, TheShortWayMatchesTheFullSetUpAfterAnyCall) {
  struct Between {
    const char* what;
    bool keepsMark;
    void (*call)(hvcnFormat*);
  };
  static char out[512];
  const Between kCalls[] = {
      {"nothing", true, [](hvcnFormat*) {}},
      {"format name", true, [](hvcnFormat* f) { hvcnFormatName(f, out, sizeof out, hvcnFN_REFORMAT | hvcnFN_ESCAPE); }},
      {"write type 2", true, [](hvcnFormat* f) { hvcnTranslateInternalFormat(f, 0, nullptr, 2, out, sizeof out, 0); }},
      {"attribute value", true, [](hvcnFormat* f) { hvcnGetAttributeValue(f, hvcnATT_SURNAME, out, sizeof out); }},
      {"RS list", true, [](hvcnFormat* f) { hvcnGetRSList(f, out, sizeof out); }},
      {"get info", true, [](hvcnFormat* f) { hvcnGetFormatInfo(f, out, sizeof out, hvcnINFO_RECONFIGURED); }},
      {"reinterpret", true,
       [](hvcnFormat* f) {
         uint32_t context = 0x7FF0;
         hvcnParseName("", f, 0, nullptr, 0, &context, hvcnPARSE_REINTERPRET);
       }},
      {"name too long", true, [](hvcnFormat* f) { Parse(f, std::string(1025, 'a')); }},
      {"decode", false,
       [](hvcnFormat* f) { hvcnTranslateInternalFormat(f, 3, "1\x1d" "Lee\x1e" "Team\x1d" "Blue", 0, nullptr, 0, 0); }},
      {"comma", false, [](hvcnFormat* f) { hvcnSetFormatInfo(f, ";", hvcnINFO_COMMA_CHAR); }},
      {"7-bit", false,
       [](hvcnFormat* f) {
         uint32_t on = 1;
         hvcnSetFormatInfo(f, &on, hvcnINFO_7BIT_ONLY);
       }},
      {"reconfigure", false, [](hvcnFormat* f) { hvcnSetFormatInfo(f, "116,,24", hvcnINFO_RECONFIGURED); }},
      {"input format", false, [](hvcnFormat* f) { hvcnChangeInputFormat("%(NONCANON)%(EFA)", f); }},
      {"output format", false, [](hvcnFormat* f) { hvcnChangeOutputFormat("%(X400)%(Team)", f); }},
      {"wildcard elsewhere", true,
       [](hvcnFormat*) {
         auto other = test::ReadyFormat();
         hvcnSetFormatInfo(other.get(), "?", hvcnINFO_WILDCARD_CHAR);
       }},
  };
  const char* formats[] = {"%(CANON)%(EFA)%(X400)", "%(NONCANON)/%(Dept)", "%(1)/%(2)/%(116)"};
  const char* names[] = {"Smith, John (ext-42) /o=Org/c=US/dd.k=v", "Ann Lee/Sales", "Le*/J/Q", "a, b c d e f"};
  for (const auto& between : kCalls) {
    for (const char* formatString : formats) {
      for (const char* name : names) {
        for (uint32_t flags : {uint32_t{hvcnPARSE_COMPLETE}, uint32_t{hvcnPARSE_PREFER_TELETEX}}) {
          const std::string where = std::string(between.what) + " | " + formatString + " | " + name;
          auto f = test::ReadyFormat(formatString);
          Parse(f.get(), "Lee, Ann /o=Org/c=US", flags);
          between.call(f.get());
          const bool marked = std::any_of(std::begin(f->reserved), std::end(f->reserved), [](uint8_t b) { return b; });
          EXPECT_EQ(marked, between.keepsMark) << where;
          auto full = std::make_unique<hvcnFormat>(*f);
          const int32_t status = Parse(f.get(), name, flags);
          EXPECT_EQ(Parse(full.get(), name, flags), status) << where;
          EXPECT_TRUE(SameFormat(*f, *full)) << where;
          ASSERT_EQ(hvcnSetFormatInfo(f.get(), "*", hvcnINFO_WILDCARD_CHAR), hvcnSUCCESS);
        }
      }
    }
  }
}

// Random names of up to 1024 bytes under random format strings: every call
// stays in its buffers (AddressSanitizer watches), answers a status of the
// documented set, and what it writes is terminated within the size.
TEST(ParseBounds, RandomNamesUnderRandomFormats) {
  const std::vector<std::string> formats = {
      "%(CANON)%(EFA)%(X400)", "%(NONCANON)%(EFA)%(X400)", "%(X400)", "%(EFA)", "%(1)/%(2)", "%(CANON)/%(116)",
      "%(NONCANON)", "%(X400)%(EFA)%(CANON)", "%(Dept)%(EFA)#%(10)", "%(1)%(2)%(3)%(4)%(5)%(6)%(7)%(8)%(9)%(10)",
  };
  const std::string alphabet = " ,./=\\()*%#:;-abcSqJ.dd.o1\xc3\xa9\x1d\x1e\x17\x1a\x1f\t";
  std::mt19937 random(42);
  for (int round = 0; round < 4000; ++round) {
    auto f = test::ReadyFormat(formats[static_cast<size_t>(round) % formats.size()].c_str());
    const size_t length = round % 50 == 0 ? 1024 : random() % 120;
    std::string name(length, ' ');
    for (char& c : name) c = alphabet[random() % alphabet.size()];
    std::unique_ptr<char[]> exact(new char[length + 1]);
    std::memcpy(exact.get(), name.c_str(), length + 1);
    uint32_t context = 0;
    const int32_t type = static_cast<int32_t>(random() % 4);
    const auto size = static_cast<uint32_t>(1 + random() % 300);
    std::unique_ptr<char[]> buffer(new char[size]);
    for (int call = 0; call < 3; ++call) {
      const uint32_t flags = (random() % 2 ? hvcnPARSE_COMPLETE : 0) | (random() % 4 == 0 ? hvcnPARSE_PREFER_TELETEX : 0);
      int32_t status = hvcnParseName(exact.get(), f.get(), type, type ? buffer.get() : nullptr, type ? size : 0,
                                     &context, flags);
      ASSERT_GE(status, 0);
      ASSERT_LE(status, hvcnERR_BAD_TERMINAL_TYPE);
      ASSERT_EQ(context & ~hvcnPARSE_CONTEXT_MASK, 0u);
      if (type && (status == hvcnSUCCESS || status == hvcnERR_BUFFER_TOO_SMALL)) {
        ASSERT_NE(std::memchr(buffer.get(), '\0', size), nullptr);
      }
      if (status != hvcnSUCCESS) break;
      const auto outSize = static_cast<uint32_t>(1 + random() % 200);
      std::unique_ptr<char[]> out(new char[outSize]);
      for (uint16_t formatFlags : {uint16_t{0}, uint16_t{hvcnFN_REFORMAT}, uint16_t{hvcnFN_ESCAPE}}) {
        int32_t formatted = hvcnFormatName(f.get(), out.get(), outSize, formatFlags);
        ASSERT_TRUE(formatted == hvcnSUCCESS || formatted == hvcnERR_BUFFER_TOO_SMALL);
        if (formatted == hvcnSUCCESS || formatFlags != 0) {
          ASSERT_NE(std::memchr(out.get(), '\0', outSize), nullptr);
        }
      }
    }
  }
}

}  // namespace
}  // namespace hvcn
