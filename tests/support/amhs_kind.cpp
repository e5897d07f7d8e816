// The golden kind of the AMHS address conversion (tests/data/amhs.txt):
// each row states its tables, then reads them, converts an AF-Address to
// AMHS or an O/R address to AFTN. Besides the row's answers every row
// checks what no row should have to repeat: the tables' size query, a size
// one byte short, guard bytes, the bound the header gives; the held name of
// a conversion under the other exports; the AF-Address buffer's sizes; the
// held name left alone, or replaced by the reverse conversion on request,
// which must be what hvcnAFTNToORAddress gives; and the consistency bit
// against the test's own comparison of the two addresses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "kinds.h"

#define LIB(call) ::hvcn::test::Library([&] { return call; })

namespace hvcn::test {
namespace {

std::string S(int64_t n) { return std::to_string(n); }

// A table field: "=" and the text itself (the golden escapes \t \n \r), or
// rows separated by ';' with fields separated by '|'.
std::string TableText(const std::string& field) {
  if (!field.empty() && field[0] == '=') return field.substr(1);
  std::string text = field;
  std::replace(text.begin(), text.end(), ';', '\n');
  std::replace(text.begin(), text.end(), '|', '\t');
  return text;
}

// Lines that are rows: neither blank nor a comment.
uint32_t RowCount(const std::string& text) {
  uint32_t rows = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t first = line.find_first_not_of(" \t\r");
    if (first != std::string::npos && line[first] != '#') ++rows;
    start = end + 1;
  }
  return rows;
}

struct Tables {
  int32_t status = -1;
  uint32_t line = 0;
  std::string detail;  // of a refusal
  std::vector<uint8_t> memory;
  const void* data() const { return memory.data(); }
  uint32_t size() const { return static_cast<uint32_t>(memory.size()); }
};

// The tables read as a caller reads them: the size query, then the memory.
// A refusal's detail text comes back in the memory when there is some.
Tables Read(const std::string& text) {
  constexpr size_t kGuard = 8;
  constexpr uint8_t kFill = 0x5A;
  Exact exact(text);
  Tables t;
  uint32_t needed = 7;
  t.status = LIB(hvcnParseAMHSTables(exact.get(), nullptr, 0, &needed, &t.line));
  if (t.status != hvcnERR_BUFFER_TOO_SMALL) {
    std::vector<char> detail(300, 'x');
    uint32_t line = 0;
    EXPECT_EQ(LIB(hvcnParseAMHSTables(exact.get(), detail.data(), 300, &needed, &line)), t.status);
    EXPECT_EQ(line, t.line);
    t.detail = detail.data();
    return t;
  }
  EXPECT_LE(needed, hvcnAMHS_TABLE_HEADER_SIZE + RowCount(text) * hvcnAMHS_TABLE_ROW_SIZE + 2 * text.size() + 1);
  std::vector<uint8_t> memory(needed + kGuard, kFill);
  uint32_t again = 0;
  EXPECT_EQ(LIB(hvcnParseAMHSTables(exact.get(), memory.data(), needed - 1, &again, &t.line)),
            hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(again, needed);
  EXPECT_EQ(memory, std::vector<uint8_t>(needed + kGuard, kFill)) << "nothing written into a memory too small";
  t.status = LIB(hvcnParseAMHSTables(exact.get(), memory.data(), needed, &again, &t.line));
  EXPECT_EQ(std::vector<uint8_t>(memory.end() - kGuard, memory.end()), std::vector<uint8_t>(kGuard, kFill));
  memory.resize(needed);
  if (t.status == hvcnSUCCESS) t.memory = memory;
  else t.detail = reinterpret_cast<const char*>(memory.data());
  return t;
}

std::unique_ptr<hvcnFormat> Ready() {
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(LIB(hvcnParseFormatString(nullptr, f.get())), hvcnSUCCESS);
  return f;
}

std::string Written(hvcnFormat* f) {
  if (!(f->flags & hvcnFMT_NAME_HELD)) return "-";
  Guarded out(2048);
  EXPECT_EQ(LIB(hvcnFormatORAddress(f, out.data(), out.size(), nullptr, 0)), hvcnSUCCESS);
  return out.Text();
}

// The test's own comparison of two addresses: every non-empty value, in
// slot order, upper case.
std::string Upper(const hvcnFormat& f) {
  std::string text = HeldValues(f, true);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string SchemeName(uint32_t scheme) {
  static const char* const kNames[] = {"-", "XF", "CAAS", "USER"};
  return scheme < 4 ? kNames[scheme] : "?" + S(scheme);
}

std::string ResultWords(uint32_t result) {
  std::string words = SchemeName(result & hvcnAMHS_SCHEME_MASK);
  if (result & hvcnAMHS_INCONSISTENT) words += " inconsistent";
  if (result & hvcnAMHS_NO_REVERSE) words += " no-reverse";
  if (result & ~(hvcnAMHS_SCHEME_MASK | hvcnAMHS_INCONSISTENT | hvcnAMHS_NO_REVERSE)) words += " ?";
  return words;
}

uint32_t Flags(const std::string& words) {
  return (words.find("orig") != std::string::npos ? hvcnAMHS_ORIGINATOR : 0) |
         (words.find("keep") != std::string::npos ? hvcnAMHS_KEEP_REVERSE : 0);
}

// hvcnAFTNToORAddress: status, the "/" form (or the detail), the scheme.
std::vector<std::string> ToAmhs(const Tables& t, hvcnFormat* f, const std::string& aftn) {
  Exact af(aftn, true);
  uint32_t scheme = 77;
  const int32_t status = LIB(hvcnAFTNToORAddress(af.get(), t.data(), t.size(), f, &scheme));
  if (status != hvcnSUCCESS) {
    EXPECT_FALSE(f->flags & hvcnFMT_NAME_HELD) << "a refusal holds no name";
    EXPECT_EQ(scheme, 0u);
    return {S(status), f->errorDetail, "-"};
  }
  CheckReadName(f);
  return {S(status), Written(f), SchemeName(scheme)};
}

// hvcnORAddressToAFTN on the held name: status, the AF-Address (or the
// detail), the result, the held name after the call.
std::vector<std::string> ToAftn(const Tables& t, hvcnFormat* f, uint32_t flags) {
  const std::string before = HeldValues(*f);
  Guarded out(9);
  uint32_t result = flags;
  const int32_t status = LIB(hvcnORAddressToAFTN(f, t.data(), t.size(), out.data(), out.size(), &result));
  const std::string detail = f->errorDetail;
  const std::string after = Written(f);
  if (!(flags & hvcnAMHS_KEEP_REVERSE)) {
    EXPECT_EQ(HeldValues(*f), before) << "the held name is left alone";
  }
  if (status != hvcnSUCCESS) {
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(out.Text(), "");
    return {S(status), detail, "-", after};
  }
  const std::string af = out.Text();
  // The AF-Address needs 9 bytes: fewer give status 1, "" and the result.
  for (const char* shape : {"8", "1", "NULL"}) {
    if (flags & hvcnAMHS_KEEP_REVERSE) break;  // the held name is another now
    Guarded small(shape);
    uint32_t again = flags;
    EXPECT_EQ(LIB(hvcnORAddressToAFTN(f, t.data(), t.size(), small.data(), small.size(), &again)),
              hvcnERR_BUFFER_TOO_SMALL)
        << shape;
    EXPECT_EQ(small.Text(), small.size() ? "" : "-") << shape;
    EXPECT_EQ(again, result) << shape;
  }
  // The reverse conversion: hvcnAFTNToORAddress of the AF-Address, which the
  // consistency bit compares with the address converted.
  auto reverse = Ready();
  Exact text(af);
  const int32_t back = LIB(hvcnAFTNToORAddress(text.get(), t.data(), t.size(), reverse.get(), nullptr));
  EXPECT_EQ(back != hvcnSUCCESS, (result & hvcnAMHS_NO_REVERSE) != 0);
  if (flags & hvcnAMHS_KEEP_REVERSE) {
    EXPECT_EQ(after, Written(reverse.get())) << "the held name is the reverse conversion";
  } else if (back == hvcnSUCCESS) {
    EXPECT_EQ(Upper(*reverse) != Upper(*f), (result & hvcnAMHS_INCONSISTENT) != 0) << Upper(*reverse);
  }
  return {S(status), af, ResultWords(result), after};
}

// op table input flags -> status output result extra
//   table: status, the line at fault, the detail or the bytes needed
//   amhs:  status, the "/" form or the detail, the scheme, and the address
//          converted back: "AF-ADDRESS result" or its status
//   aftn:  status, the AF-Address or the detail, the result, the held name
//          after the call
std::vector<std::string> Amhs(const GoldenCase& c) {
  const Tables t = Read(TableText(c[1]));
  if (c[0] == "table") {
    if (t.status != hvcnSUCCESS) return {S(t.status), S(t.line), t.detail};
    EXPECT_EQ(t.line, 0u);
    return {S(t.status), S(t.line), S(t.size())};
  }
  EXPECT_EQ(t.status, hvcnSUCCESS) << "the row's tables read: " << t.detail;
  auto f = Ready();
  if (c[0] == "amhs") {
    std::vector<std::string> answer = ToAmhs(t, f.get(), c[2]);
    if (answer[0] != "0") return {answer[0], answer[1], answer[2], "-"};
    const std::vector<std::string> back = ToAftn(t, f.get(), 0);
    answer.push_back(back[0] == "0" ? back[1] + " " + back[2] : back[0]);
    return answer;
  }
  Exact text(c[2]);
  const int32_t read = LIB(hvcnParseORAddress(text.get(), f.get(), hvcnOR_FROM_AUTO));
  if (read != hvcnSUCCESS) return {"read " + S(read), f->errorDetail, "-", "-"};
  return ToAftn(t, f.get(), Flags(c[3]));
}

}  // namespace

RowHandler AmhsRows() { return Amhs; }

}  // namespace hvcn::test
