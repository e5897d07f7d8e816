// The golden kind of the standard O/R address forms (tests/data/orname.txt):
// reading, writing, typed names, the RFC 822 mapping and its table. Every
// written text comes back the same in a buffer of exactly its size and as
// "" with status 1 in one byte less; a name read is checked under the other
// exports a held name meets.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "kinds.h"

#define LIB(call) ::hvcn::test::Library([&] { return call; })

namespace hvcn::test {
namespace {

using Writer = std::function<int32_t(char*, uint32_t, uint32_t*)>;

std::string S(int64_t n) { return std::to_string(n); }

std::string Folded(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

std::unique_ptr<hvcnFormat> Ready(const std::string& formatString = "-") {
  auto f = std::make_unique<hvcnFormat>();
  Exact text(formatString == "-" ? "%(CANON)%(EFA)%(X400)" : formatString);
  EXPECT_EQ(LIB(hvcnParseFormatString(text.get(), f.get())), hvcnSUCCESS);
  return f;
}

// A writer's text from a large buffer, which must come out the same in a
// buffer of exactly its size and as "" with status 1 in one byte less; the
// size query (no buffer, size 0) and every call say the size it needs.
int32_t Write(const Writer& write, std::string* text) {
  Guarded large(8192);
  uint32_t needed = 7;
  const int32_t status = write(large.data(), large.size(), &needed);
  *text = large.Text() == "-" ? "" : large.Text();
  uint32_t asked = 7;
  const int32_t query = write(nullptr, 0, &asked);
  if (status != hvcnSUCCESS) {
    EXPECT_EQ(query, status) << "a refusal is the same for the size query";
    EXPECT_EQ(needed, 0u);
    return status;
  }
  EXPECT_EQ(query, hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(needed, text->size() + 1);
  EXPECT_EQ(asked, needed);
  Guarded exact(static_cast<uint32_t>(text->size() + 1));
  EXPECT_EQ(write(exact.data(), exact.size(), nullptr), hvcnSUCCESS);
  EXPECT_EQ(exact.Text(), *text);
  if (!text->empty()) {
    Guarded short_(static_cast<uint32_t>(text->size()));
    needed = 7;
    EXPECT_EQ(write(short_.data(), short_.size(), &needed), hvcnERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(short_.Text(), "");
    EXPECT_EQ(needed, text->size() + 1);
  }
  return status;
}

bool Has(const std::string& words, const char* word) { return words.find(word) != std::string::npos; }

uint32_t MappingFlags(const std::string& words) {
  return (Has(words, "short") ? hvcnOR_SHORT_LABELS : 0u) | (Has(words, "imcea") ? hvcnOR_IMCEA : 0u);
}

uint32_t WriteFlags(const std::string& words) {
  uint32_t flags = 0;
  if (words.find("annexf") != std::string::npos) flags |= hvcnOR_ANNEXF;
  if (words.find("short") != std::string::npos) flags |= hvcnOR_SHORT_LABELS;
  if (words.find("long") != std::string::npos) flags |= hvcnOR_LONG_LABELS;
  if (words.find("escapes") != std::string::npos) flags |= hvcnOR_TELETEX_ESCAPES;
  return flags;
}

uint32_t ReadFlags(const std::string& form) {
  return form == "annexf" ? hvcnOR_FROM_ANNEXF : form == "stdor" ? hvcnOR_FROM_STDOR : hvcnOR_FROM_AUTO;
}

int32_t Read(hvcnFormat* f, const std::string& text, uint32_t flags = hvcnOR_FROM_AUTO) {
  Exact exact(text);
  return LIB(hvcnParseORAddress(exact.get(), f, flags));
}

std::string Format(hvcnFormat* f, uint32_t flags) {
  std::string text;
  EXPECT_EQ(Write([&](char* b, uint32_t n, uint32_t* need) { return LIB(hvcnFormatORAddress(f, b, n, need, flags)); }, &text),
            hvcnSUCCESS);
  return text;
}

const char* Gateway(const std::string& arg) { return arg == "-" ? nullptr : arg.c_str(); }

// A table's memory from its text, or empty (none, "-", or a text refused).
std::vector<uint8_t> TableOf(const std::string& text) {
  if (text == "-") return {};
  Exact exact(text);
  uint32_t needed = 0, line = 0;
  if (LIB(hvcnParseORTable(exact.get(), nullptr, 0, &needed, &line)) != hvcnERR_BUFFER_TOO_SMALL) return {};
  std::vector<uint8_t> memory(needed);
  EXPECT_EQ(LIB(hvcnParseORTable(exact.get(), memory.data(), needed, &needed, &line)), hvcnSUCCESS) << text;
  return memory;
}
const void* Data(const std::vector<uint8_t>& table) { return table.empty() ? nullptr : table.data(); }
uint32_t Size(const std::vector<uint8_t>& table) { return static_cast<uint32_t>(table.size()); }

// table: the size it needs, or the line at fault.
std::vector<std::string> ParseTable(const GoldenCase& c) {
  Exact text(c[2]);
  uint32_t needed = 0, line = 99;
  int32_t status = LIB(hvcnParseORTable(text.get(), nullptr, 0, &needed, &line));
  if (status != hvcnERR_BUFFER_TOO_SMALL) return {S(status), S(line)};
  std::vector<uint8_t> memory(needed + 8, 0x5A);
  EXPECT_EQ(LIB(hvcnParseORTable(text.get(), memory.data(), needed - 1, &needed, &line)), hvcnERR_BUFFER_TOO_SMALL);
  status = LIB(hvcnParseORTable(text.get(), memory.data(), needed, &needed, &line));
  EXPECT_EQ(std::vector<uint8_t>(memory.begin() + needed, memory.end()), std::vector<uint8_t>(8, 0x5A));
  if (status != hvcnSUCCESS) return {S(status), S(line)};
  return {S(status), S(needed)};
}

// to822: gateway table input status text. The address is read (auto) and
// written by hvcnORAddressToRFC822; what it writes maps back to the same
// values (through a table, the levels in the table's letter case).
std::vector<std::string> ToRfc822(const GoldenCase& c) {
  const std::vector<uint8_t> table = TableOf(c[2]);
  auto f = Ready();
  EXPECT_EQ(Read(f.get(), c[3]), hvcnSUCCESS) << "the address to write reads: " << f->errorDetail;
  std::string text;
  const int32_t written = Write([&](char* b, uint32_t n, uint32_t* need) {
    return LIB(hvcnORAddressToRFC822(f.get(), Gateway(c[1]), Data(table), Size(table), b, n, need, 0));
  }, &text);
  if (written != hvcnSUCCESS) return {S(written), f->errorDetail};
  auto g = Ready();
  EXPECT_EQ(LIB(hvcnRFC822ToORAddress(text.c_str(), g.get(), Gateway(c[1]), Data(table), Size(table))), hvcnSUCCESS)
      << g->errorDetail;
  EXPECT_EQ(Folded(HeldValues(*g, true)), Folded(HeldValues(*f, true))) << "the RFC 822 address maps back";
  return {S(written), text};
}


// op arg input status [values or detail] [out1] [out2]
std::vector<std::string> ORAddress(const GoldenCase& c) {
  const std::string& op = c[0];
  if (op == "table") return ParseTable(c);
  if (op == "to822") return ToRfc822(c);
  if (op == "domain") return {S(LIB(hvcnCheckGatewayDomain(c[2] == "NULL" ? nullptr : c[2].c_str())))};
  auto f = Ready(op == "typed" ? c[1] : "-");
  int32_t status;
  if (op == "typed") {
    Exact text(c[2]);
    status = LIB(hvcnParseName(text.get(), f.get(), 0, nullptr, 0, nullptr, hvcnPARSE_COMPLETE));
  } else if (op == "from822") {
    // from822: gateway table input status values stdor.
    const std::vector<uint8_t> table = TableOf(c[2]);
    Exact text(c[3]);
    status = LIB(hvcnRFC822ToORAddress(text.get(), f.get(), Gateway(c[1]), Data(table), Size(table)));
  } else if (op == "write" && Has(c[1], "typed")) {
    Exact text(c[2]);
    status = LIB(hvcnParseName(text.get(), f.get(), 0, nullptr, 0, nullptr, hvcnPARSE_COMPLETE));
  } else if (op == "write" && Has(c[1], "decoded")) {
    Exact text(c[2]);
    status = LIB(hvcnTranslateInternalFormat(f.get(), hvcnINTERNAL_GSRS, text.get(), 0, nullptr, 0, 0));
  } else {
    status = Read(f.get(), c[2], op == "read" ? ReadFlags(c[1]) : hvcnOR_FROM_AUTO);
  }
  if (op == "write" && Has(c[1], "gateway")) {
    // Through the gateway gw.example: the address maps back to the same values.
    EXPECT_EQ(status, hvcnSUCCESS) << "the name to write is read";
    std::string text;
    const int32_t written = Write([&](char* b, uint32_t n, uint32_t* need) {
      return LIB(hvcnORAddressToRFC822(f.get(), "gw.example", nullptr, 0, b, n, need, MappingFlags(c[1])));
    }, &text);
    if (written != hvcnSUCCESS) return {S(written), f->errorDetail};
    auto g = Ready();
    EXPECT_EQ(LIB(hvcnRFC822ToORAddress(text.c_str(), g.get(), "gw.example", nullptr, 0)), hvcnSUCCESS) << g->errorDetail;
    if (!Has(c[1], "typed")) {
      EXPECT_EQ(HeldValues(*g, true), HeldValues(*f, true)) << "the address maps back";
    }
    return {S(written), "-", text};
  }
  if (op == "write") {
    EXPECT_EQ(status, hvcnSUCCESS) << "the name to write is read";
    std::string text;
    const int32_t written = Write([&](char* b, uint32_t n, uint32_t* need) {
      return LIB(hvcnFormatORAddress(f.get(), b, n, need, WriteFlags(c[1])));
    }, &text);
    if (written != hvcnSUCCESS) return {S(written), f->errorDetail};
    // What is written reads back: the "/" form to the same values (a
    // typed name's held with their escapes aside).
    auto g = Ready();
    EXPECT_EQ(Read(g.get(), text), hvcnSUCCESS) << text << ": " << g->errorDetail;
    if (!Has(c[1], "annexf") && !Has(c[1], "typed")) {
      EXPECT_EQ(HeldValues(*g, true), HeldValues(*f, true)) << text;
    }
    return {S(written), "-", text};
  }
  if (status != hvcnSUCCESS) {
    EXPECT_FALSE(f->flags & hvcnFMT_NAME_HELD);
    return {S(status), f->errorDetail};
  }
  const std::string values = HeldValues(*f);
  const std::string stdOr = Format(f.get(), 0);
  if (op == "typed") {
    auto g = Ready(c[1]);
    EXPECT_EQ(Read(g.get(), stdOr), hvcnSUCCESS);
    Guarded typed(1100);
    EXPECT_EQ(LIB(hvcnFormatName(g.get(), typed.data(), typed.size(), hvcnFN_REFORMAT)), hvcnSUCCESS);
    return {S(status), values, stdOr, typed.Text()};
  }
  CheckReadName(f.get());
  if (op == "from822") return {S(status), values, stdOr};
  // read: the "/" form reads back to the same non-empty values, the ";"
  // form to the same ";" text.
  auto g = Ready();
  EXPECT_EQ(Read(g.get(), stdOr), hvcnSUCCESS);
  EXPECT_EQ(HeldValues(*g, true), HeldValues(*f, true)) << "the \"/\" form reads back";
  const std::string annexF = Format(f.get(), hvcnOR_ANNEXF);
  auto h = Ready();
  EXPECT_EQ(Read(h.get(), annexF), hvcnSUCCESS);
  EXPECT_EQ(Format(h.get(), hvcnOR_ANNEXF), annexF) << "the \";\" form reads back";
  return {S(status), values, stdOr, annexF};
}

}  // namespace

RowHandler ORAddressRows() { return ORAddress; }

void CheckReadName(hvcnFormat* f) {
  EXPECT_EQ(f->nameType, hvcnNAME_OR_ADDRESS);
  for (const hvcnAttribute& record : f->attributes) {
    if (record.id <= 0 || record.valueLength == hvcnVALUE_ABSENT) continue;
    Guarded value(1100);
    ASSERT_EQ(LIB(hvcnGetAttributeValue(f, record.id, value.data(), 1100)), hvcnSUCCESS) << record.id;
  }
  for (int32_t type = hvcnINTERNAL_GS; type <= hvcnINTERNAL_GSRS; ++type) {
    Guarded held(4096), encoded(4096);
    ASSERT_EQ(LIB(hvcnTranslateInternalFormat(f, 0, nullptr, type, held.data(), held.size(), hvcnTIF_HELD_NAME)),
              hvcnSUCCESS);
    ASSERT_EQ(LIB(hvcnTranslateInternalFormat(f, 0, nullptr, type, encoded.data(), encoded.size(),
                                              hvcnTIF_ALWAYS_ENCODE)),
              hvcnSUCCESS);
    EXPECT_EQ(held.Text(), encoded.Text()) << "type " << type;
    if (type == hvcnINTERNAL_GSRS) {
      auto g = Ready();
      ASSERT_EQ(LIB(hvcnTranslateInternalFormat(g.get(), type, encoded.raw(), 0, nullptr, 0, 0)), hvcnSUCCESS);
      EXPECT_EQ(HeldValues(*g), HeldValues(*f));
    }
  }
  Guarded text(4096);
  EXPECT_EQ(LIB(hvcnFormatName(f, text.data(), text.size(), 0)), hvcnSUCCESS);
}


}  // namespace hvcn::test
