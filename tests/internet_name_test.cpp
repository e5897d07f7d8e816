// The internet-name normaliser and mailbox check, white-box: golden cases of
// both normalisation passes, a comparison with a plain recursive reading of
// the normalisation on many short random texts (the memory of unterminated
// comments, quotes and literals must never change a result), and the
// nesting limit of comments.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "internet/internet_name.h"
#include "support/golden.h"

namespace hvcn {
namespace {

// Input in an exactly sized buffer, output of exactly twice its length plus
// the NUL, so AddressSanitizer sees any access past either.
std::optional<std::string> Normalise(const std::string& text, bool withBlanks) {
  auto input = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(input.get(), text.c_str(), text.size() + 1);
  auto output = std::make_unique<char[]>(2 * text.size() + 1);
  if (!NormaliseInternetName(input.get(), output.get(), withBlanks)) return std::nullopt;
  return std::string(output.get());
}

TEST(InternetNormalise, GoldenCases) {
  for (const auto& c : test::ReadGolden("internet_normalise.txt")) {
    SCOPED_TRACE(c.Where());
    for (bool withBlanks : {false, true}) {
      const std::string& expected = c[withBlanks ? 2 : 1];
      auto got = Normalise(c[0], withBlanks);
      EXPECT_EQ(got.value_or("FAIL"), expected) << (withBlanks ? "with blanks" : "without blanks");
    }
  }
}

// The normalisation read literally: comments matched recursively, every
// item scanned afresh. Only for short texts.
namespace plain {

bool Low(char c) { return static_cast<unsigned char>(c) - 1u < 0x7Fu; }  // 0x01 to 0x7F
bool Special(char c) { return c && std::strchr("()<>@,;:\\.[]\"", c); }
bool Atom(char c) { return c > 0x20 && c < 0x7F && !Special(c); }

size_t Pair(const std::string& s, size_t p) {
  return s[p] == '\\' && p + 1 < s.size() && Low(s[p + 1]) ? p + 2 : 0;
}

size_t Comment(const std::string& s, size_t p) {
  for (++p; p < s.size();) {
    if (s[p] == ')') return p + 1;
    if (size_t q = Pair(s, p)) p = q;
    else if (s[p] == '(') { if (!(p = Comment(s, p))) return 0; }
    else if (Low(s[p]) && s[p] != '\\') ++p;
    else return 0;
  }
  return 0;
}

size_t Delimited(const std::string& s, size_t p, char close, const char* excluded) {
  for (++p; p < s.size();) {
    if (s[p] == close) return p + 1;
    if (size_t q = Pair(s, p)) p = q;
    else if (Low(s[p]) && !std::strchr(excluded, s[p])) ++p;
    else return 0;
  }
  return 0;
}

std::optional<std::string> Normalise(const std::string& s, bool withBlanks) {
  std::string out;
  size_t p = 0;
  char last = 0;
  for (;;) {
    for (;;) {
      while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
      size_t q = p < s.size() && s[p] == '(' ? Comment(s, p) : 0;
      if (!q) break;
      p = q;
    }
    const char next = p < s.size() ? s[p] : '\0';
    if (withBlanks && last && !std::strchr("@.<", last) && next && !std::strchr("@.>", next)) out += ' ';
    if (p == s.size()) return out;
    size_t e = s[p] == '"' ? Delimited(s, p, '"', "\"\\") : s[p] == '[' ? Delimited(s, p, ']', "[]\\") : 0;
    if (!e && Atom(s[p])) for (e = p; e < s.size() && Atom(s[e]);) ++e;
    if (!e && Special(s[p])) e = p + 1;
    if (!e) return std::nullopt;
    out.append(s, p, e - p);
    last = s[e - 1];
    p = e;
  }
}

}  // namespace plain

TEST(InternetNormalise, AgreesWithThePlainReadingOnRandomTexts) {
  // Alphabets rich in what nests, escapes and opens: parentheses, backslashes,
  // quotes and brackets, plus the address characters and a few bad bytes.
  const std::string kAlphabets[] = {"((()\\a", "(()\\\"[]a@.", "a@.<> ,:\"\\()[]/\t\x01\x80\r"};
  std::mt19937 random(822);
  for (const auto& alphabet : kAlphabets) {
    for (int i = 0; i < 20000; ++i) {
      std::string text;
      for (size_t n = random() % 17; n > 0; --n) text += alphabet[random() % alphabet.size()];
      SCOPED_TRACE(::testing::PrintToString(text));
      for (bool withBlanks : {false, true})
        ASSERT_EQ(Normalise(text, withBlanks), plain::Normalise(text, withBlanks));

      // The whole check, with its shortcuts, against the steps taken one by one.
      auto compact = plain::Normalise(text, false);
      const size_t slash = text.find('/');
      const bool expected = compact && MatchMailbox(compact->c_str()) &&
                            (slash == std::string::npos || text.find('@', slash) == std::string::npos);
      std::string output(2 * text.size() + 1, '#');
      ASSERT_EQ(ParseInternetName(text.c_str(), output.data()), expected ? 1u : 0u);
      if (expected) {
        ASSERT_EQ(output.c_str(), *plain::Normalise(text, true));
      }
    }
  }
}

TEST(InternetNormalise, CommentsNestWithoutLimit) {
  const auto nested = [](size_t depth) { return std::string(depth, '(') + std::string(depth, ')'); };
  EXPECT_EQ(Normalise("a" + nested(kTrackedOpenLevels + 1) + "b", true), "a b");
  EXPECT_EQ(Normalise("a" + nested(4000000) + "b", false), "ab");
  // An unterminated comment keeps its "(" for as many open levels as are
  // followed; beyond them the name fails, as no mailbox holds such a "(".
  const std::string open = std::string(kTrackedOpenLevels, '(') + "x";
  EXPECT_EQ(Normalise(open, false), open);
  EXPECT_EQ(Normalise("(" + open, false), std::nullopt);
  EXPECT_EQ(Normalise(std::string(1000000, '('), false), std::nullopt);
}

}  // namespace
}  // namespace hvcn
