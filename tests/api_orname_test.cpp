// The standard O/R address forms through the shared library: the golden
// cases of tests/data/orname.txt (reading, writing, typed names, the RFC 822
// mapping and its table), every written text checked in an exactly sized
// buffer and in one byte less, and the held name under the other exports.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "hvcn.h"
#include "support/golden.h"
#include "support/names.h"

namespace {

using namespace hvcn::test;
using Writer = std::function<int32_t(char*, uint32_t)>;

constexpr char kGuard = '\x5A';
constexpr size_t kGuardBytes = 8;

// One writer call into exactly `size` bytes with guard bytes behind.
int32_t Written(const Writer& write, uint32_t size, std::string* text) {
  std::string buffer(size + kGuardBytes, kGuard);
  const int32_t status = write(buffer.data(), size);
  EXPECT_EQ(buffer.substr(size), std::string(kGuardBytes, kGuard)) << "wrote past the size";
  EXPECT_NE(buffer.substr(0, size).find('\0'), std::string::npos) << "not terminated within the size";
  *text = buffer.c_str();
  return status;
}

// A writer's text, which must come out the same in a buffer of exactly its
// size, and as "" with status 1 in one byte less.
int32_t Write(const Writer& write, std::string* text) {
  const int32_t status = Written(write, 8192, text);
  if (status != hvcnSUCCESS) return status;
  std::string again;
  EXPECT_EQ(Written(write, static_cast<uint32_t>(text->size() + 1), &again), hvcnSUCCESS);
  EXPECT_EQ(again, *text);
  if (!text->empty()) {
    EXPECT_EQ(Written(write, static_cast<uint32_t>(text->size()), &again), hvcnERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(again, "");
  }
  return status;
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
  return hvcnParseORAddress(Exact(text).get(), f, flags);
}

std::string Format(hvcnFormat* f, uint32_t flags, int32_t expected = hvcnSUCCESS) {
  std::string text;
  EXPECT_EQ(Write([&](char* b, uint32_t n) { return hvcnFormatORAddress(f, b, n, flags); }, &text), expected);
  return text;
}

struct Table {
  std::vector<uint8_t> memory;
  const void* data() const { return memory.empty() ? nullptr : memory.data(); }
  uint32_t size() const { return static_cast<uint32_t>(memory.size()); }
};

const char* Gateway(const std::string& arg) { return arg == "-" ? nullptr : arg.c_str(); }

// The held name under the exports every name meets: each value through
// hvcnGetAttributeValue, each internal type encoded (never the held text
// handed back) with type 3 decoding to the same values, hvcnFormatName.
void CheckHeldName(hvcnFormat* f) {
  EXPECT_EQ(f->nameType, hvcnNAME_OR_ADDRESS);
  for (const hvcnAttribute& record : f->attributes) {
    if (record.id <= 0 || record.valueLength == hvcnVALUE_ABSENT) continue;
    char value[1100];
    ASSERT_EQ(hvcnGetAttributeValue(f, record.id, value, sizeof value), hvcnSUCCESS) << record.id;
    EXPECT_EQ(std::string(value), HeldText(*f, record));
  }
  for (int32_t type = hvcnINTERNAL_GS; type <= hvcnINTERNAL_GSRS; ++type) {
    char held[4096], encoded[4096];
    ASSERT_EQ(hvcnTranslateInternalFormat(f, 0, nullptr, type, held, sizeof held, hvcnTIF_HELD_NAME), hvcnSUCCESS);
    ASSERT_EQ(hvcnTranslateInternalFormat(f, 0, nullptr, type, encoded, sizeof encoded, hvcnTIF_ALWAYS_ENCODE),
              hvcnSUCCESS);
    EXPECT_STREQ(held, encoded) << "type " << type;
    if (type == hvcnINTERNAL_GSRS) {
      auto g = Parsed();
      ASSERT_EQ(hvcnTranslateInternalFormat(g.get(), type, encoded, 0, nullptr, 0, 0), hvcnSUCCESS);
      EXPECT_EQ(HeldValues(*g), HeldValues(*f));
    }
  }
  char text[4096];
  EXPECT_EQ(hvcnFormatName(f, text, sizeof text, 0), hvcnSUCCESS);
}

// What a name written in the "/" form and read back holds.
std::string StdOrRoundTrip(hvcnFormat* f) {
  auto g = Parsed();
  EXPECT_EQ(Read(g.get(), Format(f, 0)), hvcnSUCCESS);
  return HeldValues(*g, true);
}

TEST(ORAddresses, GoldenCases) {
  Table table;
  size_t rows = 0;
  for (const auto& c : ReadGolden("orname.txt")) {
    SCOPED_TRACE(c.Where() + " " + c[2]);
    ++rows;
    const std::string& op = c[0];
    const int32_t status = std::stoi(c[3]);
    auto f = Parsed(op == "typed" ? FormatArgument(c[1]) : "%(CANON)%(EFA)%(X400)");

    if (op == "table") {
      uint32_t needed = 0, line = 99;
      const auto text = Exact(c[2]);
      int32_t s = hvcnParseORTable(text.get(), nullptr, 0, &needed, &line);
      if (status == hvcnERR_DUPLICATE_ATTRIBUTE && s == hvcnERR_BUFFER_TOO_SMALL) {
        std::vector<uint8_t> memory(needed);
        s = hvcnParseORTable(text.get(), memory.data(), needed, &needed, &line);
      } else if (status == hvcnSUCCESS) {
        ASSERT_EQ(s, hvcnERR_BUFFER_TOO_SMALL);
        EXPECT_EQ(needed, std::stoul(c[4]));
        std::vector<uint8_t> memory(needed + kGuardBytes, kGuard);
        EXPECT_EQ(hvcnParseORTable(text.get(), memory.data(), needed - 1, &needed, &line), hvcnERR_BUFFER_TOO_SMALL);
        s = hvcnParseORTable(text.get(), memory.data(), needed, &needed, &line);
        EXPECT_EQ(std::vector<uint8_t>(memory.begin() + needed, memory.end()), std::vector<uint8_t>(kGuardBytes, kGuard));
        memory.resize(needed);
        table.memory = memory;
      }
      EXPECT_EQ(s, status);
      EXPECT_EQ(line, status == hvcnSUCCESS ? 0u : std::stoul(c[4]));
      continue;
    }

    int32_t s;
    if (op == "typed") {
      uint32_t context = 0;
      s = hvcnParseName(Exact(c[2]).get(), f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE);
    } else if (op == "from822") {
      s = hvcnRFC822ToORAddress(Exact(c[2]).get(), f.get(), Gateway(c[1]), table.data(), table.size());
    } else {
      s = Read(f.get(), c[2], op == "read" ? ReadFlags(c[1]) : hvcnOR_FROM_AUTO);
    }
    if (op == "to822") {
      ASSERT_EQ(s, hvcnSUCCESS);
    }
    if (op == "read" || op == "typed" || op == "from822") {
      ASSERT_EQ(s, status);
      if (status != hvcnSUCCESS) {
        EXPECT_EQ(std::string(f->errorDetail), c[4]);
        EXPECT_FALSE(f->flags & hvcnFMT_NAME_HELD);
        continue;
      }
      EXPECT_EQ(HeldValues(*f), c[4]);
      if (op != "typed") CheckHeldName(f.get());
    }

    if (op == "read") {
      EXPECT_EQ(Format(f.get(), 0), c[5]);
      EXPECT_EQ(StdOrRoundTrip(f.get()), HeldValues(*f, true));
      const std::string annexF = Format(f.get(), hvcnOR_ANNEXF);
      EXPECT_EQ(annexF, c[6]);
      auto g = Parsed();
      ASSERT_EQ(Read(g.get(), annexF), hvcnSUCCESS);
      EXPECT_EQ(Format(g.get(), hvcnOR_ANNEXF), annexF) << "the \";\" form reads back";
    } else if (op == "write") {
      const std::string text = Format(f.get(), WriteFlags(c[1]), status);
      EXPECT_EQ(status == hvcnSUCCESS ? text : std::string(f->errorDetail), status == hvcnSUCCESS ? c[5] : c[4]);
    } else if (op == "typed") {
      EXPECT_EQ(Format(f.get(), 0), c[5]);
      auto g = Parsed(FormatArgument(c[1]));
      ASSERT_EQ(Read(g.get(), c[5]), hvcnSUCCESS);
      char typed[1100];
      ASSERT_EQ(hvcnFormatName(g.get(), typed, sizeof typed, hvcnFN_REFORMAT), hvcnSUCCESS);
      EXPECT_EQ(std::string(typed), c[6]);
    } else if (op == "from822") {
      EXPECT_EQ(Format(f.get(), 0), c[5]);
    } else if (op == "to822") {
      std::string address;
      ASSERT_EQ(Write([&](char* b, uint32_t n) {
                  return hvcnORAddressToRFC822(f.get(), Gateway(c[1]), table.data(), table.size(), b, n, 0);
                }, &address),
                status);
      if (status != hvcnSUCCESS) {
        EXPECT_EQ(std::string(f->errorDetail), c[4]);
        continue;
      }
      EXPECT_EQ(address, c[4]);
      auto g = Parsed();
      ASSERT_EQ(hvcnRFC822ToORAddress(address.c_str(), g.get(), Gateway(c[1]), table.data(), table.size()),
                hvcnSUCCESS)
          << g->errorDetail;
      EXPECT_EQ(HeldValues(*g, true), HeldValues(*f, true)) << "the RFC 822 address maps back";
    } else {
      ADD_FAILURE() << "unknown operation " << op;
    }
  }
  EXPECT_GT(rows, 100u) << "the golden file was read";
}

// Arguments, readiness and the held name: the documented statuses.
TEST(ORAddresses, Arguments) {
  auto f = Parsed();
  char buffer[64];
  uint32_t needed = 0;
  EXPECT_EQ(hvcnParseORAddress(nullptr, f.get(), 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseORAddress("S=x", nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseORAddress("S=x", f.get(), hvcnOR_FROM_ANNEXF | hvcnOR_FROM_STDOR), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseORAddress("S=x", f.get(), 0x80), hvcnERR_BAD_PARAMETER);
  // No name held yet: nothing to write.
  EXPECT_EQ(hvcnFormatORAddress(f.get(), buffer, sizeof buffer, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), "gw.example", nullptr, 0, buffer, sizeof buffer, 0), hvcnERR_BAD_PARAMETER);
  ASSERT_EQ(Read(f.get(), "S=x;C=US"), hvcnSUCCESS);
  EXPECT_EQ(hvcnFormatORAddress(f.get(), buffer, 0, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnFormatORAddress(f.get(), nullptr, 8, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnFormatORAddress(f.get(), buffer, sizeof buffer, 0x100), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), nullptr, nullptr, 0, buffer, sizeof buffer, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), "a b", nullptr, 0, buffer, sizeof buffer, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), "", nullptr, 0, buffer, sizeof buffer, 0), hvcnERR_BAD_PARAMETER);
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
  auto f = Parsed();
  ASSERT_EQ(hvcnRFC822ToORAddress("Lee@acme.example", f.get(), nullptr, table.data(), needed), hvcnSUCCESS);
  EXPECT_EQ(hvcnRFC822ToORAddress("Lee@acme.example", f.get(), nullptr, table.data(), needed - 1),
            hvcnERR_BAD_PARAMETER);
  table[hvcnOR_TABLE_HEADER_SIZE] = 0xFF;  // the first row's domain offset
  EXPECT_EQ(hvcnRFC822ToORAddress("Lee@acme.example", f.get(), nullptr, table.data(), needed), hvcnERR_BAD_PARAMETER);
}

// The format's settings apply to the values read, and to what is written.
TEST(ORAddresses, FormatSettings) {
  auto f = Parsed();
  const uint32_t on = 1;
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), &on, hvcnINFO_PREFER_TELETEX), hvcnSUCCESS);
  ASSERT_EQ(Read(f.get(), "S=Smith;O=Acme"), hvcnSUCCESS);
  EXPECT_EQ(HeldValues(*f), "51=Smith|59=Acme");
  EXPECT_EQ(Format(f.get(), 0), "/S=*Smith/O=*Acme/");
  // An ADMD has no teletex variant, so preferring teletex refuses it, also
  // the blank one a country brings.
  EXPECT_EQ(Read(f.get(), "S=Smith;C=GB"), hvcnERR_BAD_VALUE);
  EXPECT_STREQ(f->errorDetail, "The value of 'ADMD' at column 9 is not acceptable for its attribute.");
  auto g = Parsed();
  ASSERT_EQ(hvcnSetFormatInfo(g.get(), &on, hvcnINFO_7BIT_ONLY), hvcnSUCCESS);
  EXPECT_EQ(Read(g.get(), "S=Müller"), hvcnERR_BAD_VALUE);
  EXPECT_EQ(Read(g.get(), "/S=a*b/"), hvcnERR_BAD_VALUE) << "a teletex part under 7-bit only";
  // A decoded name with its twin held: 7-bit only writes the base value.
  auto h = Parsed();
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

// The longest text a format holds is read; one byte more is refused.
TEST(ORAddresses, Lengths) {
  auto f = Parsed();
  const std::string address = "/PD-LOCAL=" + std::string(1013, 'a') + "/";
  ASSERT_EQ(address.size(), 1024u);
  EXPECT_EQ(Read(f.get(), address), hvcnSUCCESS);
  EXPECT_EQ(Read(f.get(), address + " "), hvcnERR_NAME_TOO_LONG);
}

}  // namespace
