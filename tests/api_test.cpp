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
TEST(Golden, Explanations) { Golden("explanations"); }
TEST(Golden, Readings) { Golden("readings"); }
TEST(Golden, InternetNames) { Golden("internet_names"); }
TEST(Golden, InternetNormalise) { Golden("internet_normalise"); }
TEST(Golden, GsetbNames) { Golden("gsetb_names"); }
TEST(Golden, AttributeInfo) { Golden("attribute_info"); }
TEST(Golden, ORAddresses) { Golden("orname"); }
TEST(Golden, BinaryORAddresses) { Golden("ber"); }
TEST(Golden, Amhs) { Golden("amhs"); }
TEST(Golden, Reader) { Golden("reader"); }

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

// The standard O/R address forms beside their golden rows: arguments, a
// damaged table, the format's settings and the longest address.
std::unique_ptr<hvcnFormat> Ready() {
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnParseFormatString(nullptr, f.get()), hvcnSUCCESS);
  return f;
}

int32_t Read(hvcnFormat* f, const std::string& text) { return hvcnParseORAddress(Exact(text).get(), f, 0); }

std::string Format(hvcnFormat* f, uint32_t flags, int32_t expected = hvcnSUCCESS) {
  Guarded out(4096);
  EXPECT_EQ(hvcnFormatORAddress(f, out.data(), out.size(), nullptr, flags), expected);
  return out.Text() == "-" ? "" : out.Text();
}

// Arguments, readiness and the held name: the documented statuses.
TEST(ORAddresses, Arguments) {
  auto f = Ready();
  char buffer[64];
  uint32_t needed = 0;
  EXPECT_EQ(hvcnParseORAddress(nullptr, f.get(), 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseORAddress("S=x", nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseORAddress("S=x", f.get(), hvcnOR_FROM_ANNEXF | hvcnOR_FROM_STDOR), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseORAddress("S=x", f.get(), 0x80), hvcnERR_BAD_PARAMETER);
  // No name held yet: nothing to write.
  EXPECT_EQ(hvcnFormatORAddress(f.get(), buffer, sizeof buffer, nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), "gw.example", nullptr, 0, buffer, sizeof buffer, nullptr, 0),
            hvcnERR_BAD_PARAMETER);
  ASSERT_EQ(Read(f.get(), "S=x;C=US"), hvcnSUCCESS);
  // Size 0 is a size query, with or without a buffer; a size without one is
  // a fault.
  needed = 0;
  buffer[0] = 'x';
  EXPECT_EQ(hvcnFormatORAddress(f.get(), buffer, 0, &needed, 0), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(needed, sizeof "/S=x/ADMD= /C=US/");
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), "gw.example", nullptr, 0, nullptr, 0, &needed, 0), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(needed, sizeof "\"/S=x/ADMD= /C=US/\"@gw.example");
  EXPECT_EQ(hvcnFormatORAddress(f.get(), nullptr, 8, &needed, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(hvcnFormatORAddress(f.get(), buffer, sizeof buffer, nullptr, 0x100), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), nullptr, nullptr, 0, buffer, sizeof buffer, nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), "a b", nullptr, 0, buffer, sizeof buffer, nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), "", nullptr, 0, buffer, sizeof buffer, nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnRFC822ToORAddress("x@y", f.get(), nullptr, nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnRFC822ToORAddress(nullptr, f.get(), "y", nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseORTable(nullptr, nullptr, 0, &needed, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseORTable("a#C=US#", nullptr, 0, nullptr, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseORTable("a#C=US#", nullptr, 8, &needed, nullptr), hvcnERR_BAD_PARAMETER);
  // A table that hvcnParseORTable did not write is refused.
  const char notATable[32] = "ORT1";
  EXPECT_EQ(hvcnRFC822ToORAddress("x@y", f.get(), nullptr, notATable, sizeof notATable), hvcnERR_BAD_PARAMETER);
  // A format never readied.
  auto fresh = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnParseORAddress("S=x", fresh.get(), 0), hvcnERR_FORMAT_NOT_READY);
  EXPECT_EQ(hvcnRFC822ToORAddress("x@y", fresh.get(), "y", nullptr, 0), hvcnERR_FORMAT_NOT_READY);
}

// A table whose offsets were damaged after it was written is refused, not read.
TEST(ORAddresses, DamagedTableIsRefused) {
  const char* text = "acme.example#C=US$ADMD=x#";
  uint32_t needed = 0;
  ASSERT_EQ(hvcnParseORTable(text, nullptr, 0, &needed, nullptr), hvcnERR_BUFFER_TOO_SMALL);
  std::vector<uint8_t> table(needed);
  ASSERT_EQ(hvcnParseORTable(text, table.data(), needed, &needed, nullptr), hvcnSUCCESS);
  auto f = Ready();
  ASSERT_EQ(hvcnRFC822ToORAddress("Lee@acme.example", f.get(), nullptr, table.data(), needed), hvcnSUCCESS);
  EXPECT_EQ(hvcnRFC822ToORAddress("Lee@acme.example", f.get(), nullptr, table.data(), needed - 1),
            hvcnERR_BAD_PARAMETER);
  table[hvcnOR_TABLE_HEADER_SIZE] = 0xFF;  // the first row's domain offset
  EXPECT_EQ(hvcnRFC822ToORAddress("Lee@acme.example", f.get(), nullptr, table.data(), needed), hvcnERR_BAD_PARAMETER);
}

// The format's settings apply to the values read, and to what is written.
TEST(ORAddresses, FormatSettings) {
  auto f = Ready();
  const uint32_t on = 1;
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), &on, hvcnINFO_PREFER_TELETEX), hvcnSUCCESS);
  ASSERT_EQ(Read(f.get(), "S=Smith;O=Acme"), hvcnSUCCESS);
  EXPECT_EQ(HeldValues(*f), "51=Smith|59=Acme");
  EXPECT_EQ(Format(f.get(), 0), "/S=*Smith/O=*Acme/");
  // An ADMD has no teletex variant, so preferring teletex refuses it, also
  // the blank one a country brings.
  EXPECT_EQ(Read(f.get(), "S=Smith;C=GB"), hvcnERR_BAD_VALUE);
  EXPECT_STREQ(f->errorDetail, "The value of 'ADMD' at column 9 is not acceptable for its attribute.");
  auto g = Ready();
  ASSERT_EQ(hvcnSetFormatInfo(g.get(), &on, hvcnINFO_7BIT_ONLY), hvcnSUCCESS);
  EXPECT_EQ(Read(g.get(), "S=Müller"), hvcnERR_BAD_VALUE);
  EXPECT_EQ(Read(g.get(), "/S=a*b/"), hvcnERR_BAD_VALUE) << "a teletex part under 7-bit only";
  // A decoded name with its twin held: 7-bit only writes the base value.
  auto h = Ready();
  ASSERT_EQ(hvcnTranslateInternalFormat(h.get(), 3, "1\x1dMuller\x1e" "51\x1dM\xc3\xbcller", 0, nullptr, 0, 0),
            hvcnSUCCESS);
  EXPECT_EQ(Format(h.get(), 0), "/S=Muller*M\xc3\xbcller/");
  ASSERT_EQ(hvcnSetFormatInfo(h.get(), &on, hvcnINFO_7BIT_ONLY), hvcnSUCCESS);
  EXPECT_EQ(Format(h.get(), 0), "/S=Muller/");
  // A control character in a held value cannot be written in either form.
  ASSERT_EQ(hvcnTranslateInternalFormat(h.get(), 3, "1\x1dSm\x1fith", 0, nullptr, 0, 0), hvcnSUCCESS);
  EXPECT_EQ(Format(h.get(), 0), "/S=Sm$*ith/") << "US stands for the wildcard";
  ASSERT_EQ(hvcnTranslateInternalFormat(h.get(), 1, "Sm\x1eith", 0, nullptr, 0, 0), hvcnSUCCESS);
  EXPECT_EQ(Format(h.get(), 0, hvcnERR_BAD_VALUE), "");
  EXPECT_STREQ(h->errorDetail, "The value of 'S' holds a character that the written form cannot carry.");
}

// The reader of pasted text: arguments and readiness.
TEST(Reader, Arguments) {
  auto f = Ready();
  int32_t kind = 7;
  EXPECT_EQ(hvcnClassifyAddress(nullptr, f.get(), 0, &kind), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(kind, hvcnKIND_NONE);
  EXPECT_EQ(hvcnClassifyAddress("x", nullptr, 0, &kind), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnClassifyAddress("x", f.get(), 0, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnClassifyAddress("x", f.get(), 0x02, &kind), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnReadAddress("x", f.get(), 0x80, &kind), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnClassifyAddress(std::string(1025, 'a').c_str(), f.get(), 0, &kind), hvcnERR_NAME_TOO_LONG);
  EXPECT_EQ(kind, hvcnKIND_NONE);
  // The classifier needs no ready format; the reader does.
  auto fresh = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnClassifyAddress("S=x;C=US", fresh.get(), 0, &kind), hvcnSUCCESS);
  EXPECT_EQ(kind, hvcnKIND_ANNEXF);
  EXPECT_EQ(hvcnReadAddress("S=x;C=US", fresh.get(), 0, &kind), hvcnERR_FORMAT_NOT_READY);
}

// The longest text a format holds is read; one byte more is refused.
TEST(ORAddresses, Lengths) {
  auto f = Ready();
  std::string address;
  for (const auto& [label, length] : std::initializer_list<std::pair<std::string, size_t>>{
           {"S", 40}, {"G", 16}, {"O", 64}, {"CN", 64}, {"OU1", 32}, {"OU2", 32}, {"OU3", 32}, {"OU4", 32},
           {"DD.a", 128}, {"DD.b", 128}, {"DD.c", 128}, {"DD.d", 128}, {"PD-STREET", 30}, {"PD-BOX", 30},
           {"PD-UNIQUE", 30}, {"PD-LOCAL", 12}})
    address += "/" + label + "=" + std::string(length, 'a');
  address += "/";
  ASSERT_EQ(address.size(), 1024u);
  EXPECT_EQ(Read(f.get(), address), hvcnSUCCESS);
  EXPECT_EQ(Read(f.get(), address + " "), hvcnERR_NAME_TOO_LONG);
}

}  // namespace
}  // namespace hvcn::test
