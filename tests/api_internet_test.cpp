// hvcnParseInternetName and hvcnIsGSETBInternetName through the shared
// library: golden cases, and inputs of 16 MB that must come back promptly
// (nested and unterminated comments, quotes and literals, long atoms, many
// dots) without writing past twice the name's length plus the NUL.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hvcn.h"
#include "support/golden.h"
#include "support/names.h"

namespace {

constexpr char kGuard = '\x5A';
constexpr size_t kGuardBytes = 16;

struct Answer {
  uint32_t result;
  std::string output;  // the normalised name when the result is 1
};

// The name in an exactly sized buffer; an output of exactly twice its length
// plus the NUL, followed by guard bytes that must stay untouched.
Answer ParseInternetName(const std::string& name) {
  auto input = hvcn::test::Exact(name);
  const size_t size = 2 * name.size() + 1;
  std::vector<char> output(size + kGuardBytes, kGuard);
  const uint32_t result = hvcnParseInternetName(input.get(), output.data());
  for (size_t i = size; i < output.size(); ++i) EXPECT_EQ(output[i], kGuard) << "wrote past 2 * length + 1";
  return {result, result == 1 ? std::string(output.data()) : std::string()};
}

TEST(ParseInternetName, GoldenCases) {
  for (const auto& c : hvcn::test::ReadGolden("internet_names.txt")) {
    SCOPED_TRACE(c.Where());
    Answer answer = ParseInternetName(c[0]);
    EXPECT_EQ(answer.result, c[1] == "1" ? 1u : 0u);
    EXPECT_EQ(answer.output, c[2]);
  }
}

TEST(IsGSETBInternetName, GoldenCases) {
  for (const auto& c : hvcn::test::ReadGolden("gsetb_names.txt")) {
    SCOPED_TRACE(c.Where());
    EXPECT_EQ(hvcnIsGSETBInternetName(hvcn::test::Exact(c[0]).get()), c[1] == "1" ? 1u : 0u);
  }
}

TEST(InternetNames, NullArgumentsAnswerNo) {
  char output[8] = "keep";
  EXPECT_EQ(hvcnParseInternetName(nullptr, output), 0u);
  EXPECT_STREQ(output, "keep");
  EXPECT_EQ(hvcnParseInternetName("a@b", nullptr), 0u);
  EXPECT_EQ(hvcnIsGSETBInternetName(nullptr), 0u);
}

// ---------------------------------------------------------------------------
// Big inputs. A scan repeated from each position would take hours at this
// size; a linear one takes well under a second, sanitizers included.

constexpr size_t kBig = 16u << 20;
constexpr double kPromptSeconds = 10.0;

// unit repeated up to about kBig bytes, between head and tail.
std::string Big(const std::string& head, const std::string& unit, const std::string& tail) {
  std::string text = head;
  text.reserve(kBig + head.size() + tail.size());
  while (text.size() + unit.size() <= kBig) text += unit;
  return text + tail;
}

double Seconds(const std::function<void()>& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(ParseInternetName, BigInputsArePromptAndStayInTheirBuffer) {
  const std::string kNested = std::string(64, '(') + std::string(64, ')');
  struct Case {
    const char* what;
    std::string name;
    uint32_t result;
  } cases[] = {
      {"open parentheses", Big("", "(", ""), 0},
      {"escaped parentheses", Big("(", "\\(", ""), 0},
      {"shallow unterminated comment", Big(std::string(60, '('), "()", ""), 0},
      {"comments of the deepest nesting", Big("a@b", kNested, ""), 1},
      {"escaped quotes", Big("\"", "\\\"", ""), 0},
      {"escaped brackets", Big("", "[\\[", ""), 0},
      {"long atom", Big("", "a", "@b.c"), 1},
      {"dotted local-part", Big("", "a.", "a@b"), 1},
      {"dotted domain", Big("a@", "b.", "c"), 1},
      {"blanks", Big("a", " ", "@b"), 1},
      {"phrase words", Big("", "ab ", "<a@b>"), 1},
      {"route commas, output near twice the length", Big("A<@r", ",", "@s:a@b>"), 1},
      {"no mailbox", Big("", ",", ""), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Answer answer{};
    const double seconds = Seconds([&] { answer = ParseInternetName(c.name); });
    EXPECT_EQ(answer.result, c.result);
    EXPECT_LT(seconds, kPromptSeconds);
  }
}

TEST(IsGSETBInternetName, BigInputsArePrompt) {
  const std::string address = "\x17\x17\x17\x17x\x1Dy\x1D" "a@b";
  const std::string field16 = std::string(15, '\x1D');
  struct Case {
    const char* what;
    std::string name;
    uint32_t result;
  } cases[] = {
      {"many separators", Big("", "\x1D", address), 1},
      {"long keyword field", Big(field16, "RFC-822", address), 1},
      {"long value", Big("", "Smith", address), 0},
      {"no group ends", Big("", "x\x1D", ""), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto name = hvcn::test::Exact(c.name);
    uint32_t result = 0;
    const double seconds = Seconds([&] { result = hvcnIsGSETBInternetName(name.get()); });
    EXPECT_EQ(result, c.result);
    EXPECT_LT(seconds, kPromptSeconds);
  }
}

}  // namespace
