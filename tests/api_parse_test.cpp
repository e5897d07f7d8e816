// hvcnParseName through the shared library.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "hvcn.h"
#include "support/golden.h"
#include "support/names.h"

namespace {

using namespace hvcn::test;

TEST(ParseName, GoldenCases) {
  for (const auto& c : ReadGolden("parse_names.txt")) {
    SCOPED_TRACE(c.Where() + " " + c[3]);
    auto f = Parsed(FormatArgument(c[0]));
    uint32_t context = Hex(c[2]);
    auto name = Exact(c[3]);
    EXPECT_EQ(hvcnParseName(name.get(), f.get(), 0, nullptr, 0, &context, ParseFlags(c[1])), std::stoi(c[4]));
    EXPECT_EQ(HexText(context), c[5]);
    EXPECT_EQ(HexText(static_cast<uint32_t>(f->nameShape)), c[6]);
    EXPECT_EQ(HeldValues(*f), c[7]);
    EXPECT_EQ(std::string(f->errorDetail), c[8]);
    EXPECT_EQ(context & ~hvcnPARSE_CONTEXT_MASK, 0u);
  }
}

TEST(ParseName, ReadingsInTestOrder) {
  for (const auto& c : ReadGolden("readings.txt")) {
    SCOPED_TRACE(c.Where() + " " + c[2]);
    auto f = Parsed(FormatArgument(c[0]));
    std::string calls;
    uint32_t context = 0;
    for (int call = 0; call < 20; ++call) {
      int32_t status = hvcnParseName(c[2].c_str(), f.get(), 0, nullptr, 0, &context, ParseFlags(c[1]));
      if (status != hvcnSUCCESS) {
        calls += (calls.empty() ? "=> " : " => ") + std::to_string(status);
        break;
      }
      if (!calls.empty()) calls += " ; ";
      calls += HexText(static_cast<uint32_t>(f->nameShape)) + "/" + HexText(context) + " " + PersonalParts(*f);
      if ((context & 0x7FF0) == 0) {
        calls += " => 0";
        break;
      }
    }
    EXPECT_EQ(calls, c[3]);
  }
}

TEST(ParseName, ArgumentFaults) {
  auto f = Parsed("%(CANON)");
  auto fresh = std::make_unique<hvcnFormat>();
  char buffer[64];
  uint32_t context = 0;
  EXPECT_EQ(hvcnParseName(nullptr, f.get(), 0, nullptr, 0, &context, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseName(nullptr, f.get(), 0, nullptr, 0, &context, hvcnPARSE_REINTERPRET), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseName("a", nullptr, 0, nullptr, 0, &context, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseName("a", f.get(), 1, nullptr, 64, &context, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseName("a", f.get(), 0, buffer, 0, &context, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseName("a", f.get(), 4, buffer, 64, &context, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseName("a", f.get(), -1, buffer, 64, &context, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseName("a", f.get(), 0, nullptr, 0, nullptr, 0), hvcnSUCCESS);  // no context word
  EXPECT_EQ(hvcnParseName("a", fresh.get(), 0, nullptr, 0, &context, hvcnPARSE_REINTERPRET),
            hvcnERR_FORMAT_NOT_READY);
  // A format never readied gets the configured default format string.
  EXPECT_EQ(hvcnParseName("Smith/c=GB", fresh.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  EXPECT_STREQ(fresh->formatString, "%(CANON)%(EFA)%(X400)");
}

TEST(ParseName, TheNameLimitIs1024Bytes) {
  auto f = Parsed("%(1000)");
  uint32_t context = 0;
  ASSERT_EQ(hvcnParseName("held", f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  auto longest = Exact(std::string(1024, 'a'));
  EXPECT_EQ(hvcnParseName(longest.get(), f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  EXPECT_EQ(std::strlen(f->nameBuffer), 1024u);
  ASSERT_EQ(hvcnParseName("held", f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  auto tooLong = Exact(std::string(1025, 'a'));
  EXPECT_EQ(hvcnParseName(tooLong.get(), f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnERR_NAME_TOO_LONG);
  EXPECT_STREQ(f->nameBuffer, "held");  // untouched
}

TEST(ParseName, InternalOutputAndReinterpretation) {
  auto f = Parsed("%(CANON)%(EFA)%(X400)");
  uint32_t context = 0;
  char buffer[256];
  ASSERT_EQ(hvcnParseName("O\\'B\\.r, J.R. (x\\)y) /o=Org", f.get(), 3, buffer, sizeof buffer, &context,
                          hvcnPARSE_COMPLETE),
            hvcnSUCCESS);
  // Escapes go, and initials lose their dots, in the internal form.
  EXPECT_STREQ(buffer, "1\x1dO'B.r\x1e" "2\x1d\x1e" "3\x1dJR\x1e" "4\x1d\x1e" "9\x1dOrg\x1e" "16\x1dRFC-822\x1e" "17\x1dx)y");
  EXPECT_EQ(f->nameType, -1);
  EXPECT_TRUE(f->flags & hvcnFMT_NAME_HELD);
  // Reinterpreting with a context word of 0 only writes the output again.
  const uint32_t shape = static_cast<uint32_t>(f->nameShape);
  context = 0;
  ASSERT_EQ(hvcnParseName("ignored", f.get(), 1, buffer, sizeof buffer, &context, hvcnPARSE_REINTERPRET), hvcnSUCCESS);
  EXPECT_STREQ(buffer, "O'B.r\x1d\x1dJR\x1d\x1d\x1d\x1d\x1d\x1dOrg\x1d\x1d\x1d\x1d\x1d\x1d\x1dRFC-822\x1dx)y");
  EXPECT_EQ(static_cast<uint32_t>(f->nameShape), shape);
  // Reinterpreting with the context re-runs the parsers over the held
  // values: the foreign address is there already.
  context = 0x60;
  EXPECT_EQ(hvcnParseName("ignored", f.get(), 0, nullptr, 0, &context, hvcnPARSE_REINTERPRET),
            hvcnERR_DUPLICATE_ATTRIBUTE);
  // A buffer too small for the internal output.
  char small[8];
  context = 0;
  EXPECT_EQ(hvcnParseName("Smith, John", f.get(), 3, small, sizeof small, &context, hvcnPARSE_COMPLETE),
            hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_STREQ(small, "");
}

TEST(ParseName, ReconfiguredSlots) {
  auto f = Parsed("%(CANON)%(X400)");
  uint32_t context = 0;
  ASSERT_EQ(hvcnParseName("Smith/o=Org", f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), "24", hvcnINFO_RECONFIGURED), hvcnSUCCESS);
  context = 0;
  ASSERT_EQ(hvcnParseName("x", f.get(), 0, nullptr, 0, &context, hvcnPARSE_REINTERPRET), hvcnSUCCESS);
  EXPECT_EQ(HeldValues(*f), "2=|3=|4=|9=Org|24=Smith");  // the surname moved to the common name
  // A target that holds a value already.
  ASSERT_EQ(hvcnParseName("Smith/cn=CN", f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), "24", hvcnINFO_RECONFIGURED), hvcnSUCCESS);
  context = 0;
  EXPECT_EQ(hvcnParseName("x", f.get(), 0, nullptr, 0, &context, hvcnPARSE_REINTERPRET), hvcnERR_DUPLICATE_ATTRIBUTE);
  // With the teletex twin present, the twin is what moves.
  ASSERT_EQ(hvcnParseName("M\xc3\xbcller", f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), "24", hvcnINFO_RECONFIGURED), hvcnSUCCESS);
  context = 0;
  ASSERT_EQ(hvcnParseName("x", f.get(), 0, nullptr, 0, &context, hvcnPARSE_REINTERPRET), hvcnSUCCESS);
  EXPECT_EQ(HeldValues(*f), "2=|3=|4=|24=M\xc3\xbcller");
}

TEST(ParseName, ForeignAddressesInPiecesOf124Bytes) {
  auto f = Parsed("%(CANON)%(EFA)%(X400)");
  uint32_t context = 0;
  const std::string address(300, 'x');
  auto name = Exact("S (" + address + ")");
  ASSERT_EQ(hvcnParseName(name.get(), f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  const int lengths[] = {124, 124, 52};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(f->attributes[15 + 2 * k].valueLength, hvcnVALUE_FOREIGN);
    EXPECT_EQ(f->attributes[16 + 2 * k].valueLength, static_cast<uint32_t>(lengths[k]));
  }
  EXPECT_EQ(f->attributes[21].valueLength, hvcnVALUE_ABSENT);
  // A piece never separates a backslash from the character it escapes.
  auto escaped = Exact("S (" + std::string(123, 'x') + "\\)yy)");
  ASSERT_EQ(hvcnParseName(escaped.get(), f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  EXPECT_EQ(f->attributes[16].valueLength, 125u);
  EXPECT_EQ(f->attributes[18].valueLength, 2u);
  auto tooLong = Exact("S (" + std::string(497, 'x') + ")");
  EXPECT_EQ(hvcnParseName(tooLong.get(), f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnERR_TOO_MANY_DDAS);
  // A closed address as the last token completes the name.
  auto g = Parsed("%(1)%(EFA)");
  ASSERT_EQ(hvcnParseName("Smith(x)", g.get(), 0, nullptr, 0, &context, 0), hvcnSUCCESS);
  EXPECT_TRUE(g->flags & hvcnFMT_NAME_COMPLETE);
  ASSERT_EQ(hvcnParseName("Smith(x", g.get(), 0, nullptr, 0, &context, 0), hvcnSUCCESS);
  EXPECT_FALSE(g->flags & hvcnFMT_NAME_COMPLETE);
}

TEST(ParseName, TheSplitterMarksTheOpenEndedToken) {
  auto f = Parsed("%(CANON)%(EFA)%(X400)");
  uint32_t context = 0;
  ASSERT_EQ(hvcnParseName("Smith (ext", f.get(), 0, nullptr, 0, &context, 0), hvcnSUCCESS);
  EXPECT_FALSE(f->tokens[0].tokenFlags & hvcnTOK_OPEN_ENDED);
  EXPECT_TRUE(f->tokens[1].tokenFlags & hvcnTOK_OPEN_ENDED);
  EXPECT_EQ(f->tokens[2].valueLength, hvcnVALUE_ABSENT);
  ASSERT_EQ(hvcnParseName("Smith (ext", f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnERR_BAD_EFA);
  EXPECT_FALSE(f->tokens[1].tokenFlags & hvcnTOK_OPEN_ENDED);
  EXPECT_TRUE(f->tokens[2].tokenFlags & hvcnTOK_LAST);
}

}  // namespace
