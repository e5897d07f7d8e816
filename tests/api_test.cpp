// Every export through the shared library: the golden files, the scenario
// scripts and the regressions (tests/data; the handlers are in
// support/kinds.cpp), then what is not a row: internet names against a
// model of their grammar, inputs of 16 MB that must come back promptly, and
// start-up with a second thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "hvcn.h"
#include "support/files.h"
#include "support/kinds.h"

namespace hvcn::test {
namespace {

std::string S(int64_t n) { return std::to_string(n); }

void Golden(const std::string& kind) {
  const GoldenKind& k = GoldenKinds().at(kind);
  RunGolden(k.file, k.minFields, k.maxFields, k.handler);
}

TEST(Golden, Validate) { Golden("validate"); }
TEST(Golden, FormatStrings) { Golden("format_strings"); }
TEST(Golden, RsLists) { Golden("rs_lists"); }
TEST(Golden, FormatNames) { Golden("format_names"); }
TEST(Golden, InternalNames) { Golden("internal_names"); }
TEST(Golden, ParseNames) { Golden("parse_names"); }
TEST(Golden, Readings) { Golden("readings"); }
TEST(Golden, InternetNames) { Golden("internet_names"); }
TEST(Golden, InternetNormalise) { Golden("internet_normalise"); }
TEST(Golden, GsetbNames) { Golden("gsetb_names"); }
TEST(Golden, AttributeInfo) { Golden("attribute_info"); }

TEST(Golden, Regressions) {
  RunRegressions([](const std::string& kind) {
    return GoldenKinds().count(kind) ? &GoldenKinds().at(kind).handler : nullptr;
  });
}

TEST(Scripts, Formats) { RunScript("script_formats.txt", LevelZeroLog()); }
TEST(Scripts, Names) { RunScript("script_names.txt", LevelZeroLog()); }
TEST(Scripts, Calls) { RunScript("script_calls.txt", LevelZeroLog()); }

// Internet names against the model on many short random texts rich in what
// nests, escapes and opens (the memory of unterminated comments, quotes and
// literals must never change an answer).
TEST(InternetNames, AgreeWithTheModelOfTheirGrammar) {
  const std::string kAlphabets[] = {"((()\\a@", "(()\\\"[]a@.<", "a@.<> ,:\"\\()[]/\t\x01\x80\r"};
  std::mt19937 random(822);
  for (const auto& alphabet : kAlphabets) {
    for (int i = 0; i < 20000; ++i) {
      std::string text;
      for (size_t n = random() % 17; n > 0; --n) text += alphabet[random() % alphabet.size()];
      const auto answer = GoldenKinds().at("internet_names").handler(GoldenCase{"random", i, {text, "", ""}});
      const auto expected = ModelInternetName(text);
      ASSERT_EQ(answer, (std::vector<std::string>{S(expected.first), expected.second})) << ::testing::PrintToString(text);
    }
  }
}

// Inputs of 16 MB: a scan repeated from each position would take hours; a
// linear one takes well under a second, sanitizers included.
constexpr size_t kBig = 16u << 20;
std::string Big(const std::string& head, const std::string& unit, const std::string& tail) {
  std::string text = head;
  while (text.size() + unit.size() <= kBig) text += unit;
  return text + tail;
}

TEST(InternetNames, BigInputsArePromptAndStayInTheirBuffer) {
  const std::string address = "\x17\x17\x17\x17x\x1Dy\x1D" "a@b", nested = std::string(64, '(') + std::string(64, ')');
  const struct {
    bool typed;
    std::string name;
    uint32_t answer;
  } kCases[] = {
      {true, Big("", "(", ""), 0}, {true, Big("(", "\\(", ""), 0}, {true, Big(std::string(60, '('), "()", ""), 0},
      {true, Big("a@b", nested, ""), 1}, {true, Big("\"", "\\\"", ""), 0}, {true, Big("", "[\\[", ""), 0},
      {true, Big("", "a", "@b.c"), 1}, {true, Big("", "a.", "a@b"), 1}, {true, Big("a@", "b.", "c"), 1},
      {true, Big("a", " ", "@b"), 1}, {true, Big("", "ab ", "<a@b>"), 1}, {true, Big("A<@r", ",", "@s:a@b>"), 1},
      {true, Big("", ",", ""), 0}, {false, Big("", "\x1D", address), 1},
      {false, Big(std::string(15, '\x1D'), "RFC-822", address), 1}, {false, Big("", "Smith", address), 0},
      {false, Big("", "x\x1D", ""), 0},
  };
  for (const auto& c : kCases) {
    const auto start = std::chrono::steady_clock::now();
    const GoldenCase row{"big", 0, {c.name, ""}};
    const std::string answer = GoldenKinds().at(c.typed ? "internet_names" : "gsetb_names").handler(row)[0];
    EXPECT_EQ(answer, S(c.answer)) << c.name.substr(0, 16);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
  }
}

// Start-up empties the log; run again when a thread starts (as a DLL entry
// for a thread attach would), it would delete the line written before.
TEST(Startup, RunsOnceAndNotForEachNewThread) {
  std::remove("tnname.log");
  EXPECT_EQ(hvcnGetErrorText(0, nullptr, 1), hvcnERR_BAD_PARAMETER);
  std::thread([] {}).join();
  EXPECT_EQ(ReadLog("tnname.log").size(), 1u);
}

}  // namespace
}  // namespace hvcn::test
