// Value checks, format strings, format information and RS lists through the
// shared library (English resource library, default profile settings).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hvcn.h"
#include "support/golden.h"
#include "support/names.h"

namespace {

using namespace hvcn::test;

std::unique_ptr<hvcnFormat> NewFormat() { return std::make_unique<hvcnFormat>(); }  // zero-filled

// The tokens in use as "ID:LEAD:TRAIL:SLOT:FLAGS" joined by blanks.
std::string Tokens(const hvcnFormat& f) {
  std::string out;
  for (const auto& t : f.tokens) {
    if (t.id == 0) continue;
    if (!out.empty()) out += ' ';
    out += std::to_string(t.id) + ":" + std::to_string(t.leadSep) + ":" + std::to_string(t.trailSep) + ":" +
           (t.slot == hvcnSLOT_SECTION ? std::string("-") : std::to_string(t.slot)) + ":" +
           std::to_string(t.tokenFlags);
  }
  return out;
}

TEST(Validate, GoldenCases) {
  for (const auto& c : ReadGolden("validate.txt")) {
    SCOPED_TRACE(c.Where());
    auto value = Exact(c[2]);
    const int32_t maximum = std::stoi(c[1]);
    int32_t flag = -7;
    int32_t result;
    if (c[0] == "N") result = hvcnValidateNString(value.get(), maximum);
    else if (c[0] == "P") result = hvcnValidatePString(value.get(), maximum);
    else if (c[0] == "S") result = hvcnValidateString(value.get(), maximum, &flag);
    else if (c[0] == "T") result = hvcnValidateTeletexOrPString(value.get(), maximum, &flag);
    else result = hvcnValidateAttribute(value.get(), maximum, std::stoi(c[0]));
    EXPECT_EQ(result, std::stoi(c[3]));
    if (c[0] == "S" || c[0] == "T") {
      EXPECT_EQ(flag, std::stoi(c[4]));
    }
  }
}

TEST(Validate, NullPointersAreRefused) {
  int32_t flag;
  EXPECT_EQ(hvcnValidateNString(nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnValidatePString(nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnValidateString(nullptr, 0, &flag), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnValidateString("a", 0, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnValidateTeletexOrPString(nullptr, 0, &flag), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnValidateTeletexOrPString("a", 0, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnValidateAttribute(nullptr, 0, hvcnATT_SURNAME), hvcnERR_BAD_PARAMETER);
}

TEST(FormatStrings, GoldenCases) {
  for (const auto& c : ReadGolden("format_strings.txt")) {
    SCOPED_TRACE(c.Where() + " " + c[0]);
    auto f = NewFormat();
    EXPECT_EQ(hvcnParseFormatString(c[0].c_str(), f.get()), std::stoi(c[1]));
    EXPECT_EQ(Tokens(*f), c[2]);
    EXPECT_STREQ(f->errorDetail, c[3].c_str());
    EXPECT_EQ((f->flags & hvcnFMT_READY) != 0, c[1] == "0");
  }
}

TEST(FormatStrings, DefaultsOfANewFormat) {
  auto f = Parsed(nullptr);  // the configured default format string
  EXPECT_STREQ(f->formatString, "%(CANON)%(EFA)%(X400)");
  EXPECT_EQ(f->slashChar, '/');
  EXPECT_EQ(f->commaChar, ',');
  EXPECT_STREQ(f->wildcardChar, "*");
  EXPECT_EQ(f->x400Mask, 43);
  EXPECT_EQ(f->flags, hvcnFMT_READY | hvcnFMT_RS_USER_ONLY | hvcnFMT_COMPLEX);
  EXPECT_EQ(f->nameType, 0);
  for (int32_t entry : f->reconfigured) EXPECT_EQ(entry, -1);
  // The standard records carry their IDs and names; user records are free.
  EXPECT_EQ(f->attributes[0].id, hvcnATT_SURNAME);
  EXPECT_STREQ(f->attributes[0].name, "1");
  EXPECT_EQ(f->attributes[43].id, hvcnATT_E163_NUMBER);
  EXPECT_STREQ(f->attributes[73].name, "82");
  EXPECT_EQ(f->attributes[74].id, 0);
  auto empty = Parsed("");
  EXPECT_STREQ(empty->formatString, "%(CANON)%(EFA)%(X400)");
}

TEST(FormatStrings, ATokenNamedByNumberIsFoundAgain) {
  auto f = Parsed("%(116)");
  EXPECT_EQ(f->attributes[74].id, 116);
  EXPECT_STREQ(f->attributes[74].name, "116");
  ASSERT_EQ(hvcnChangeInputFormat("%(1)/%(116)", f.get()), hvcnSUCCESS);
  EXPECT_EQ(Tokens(*f), "1:0:47:0:0 116:47:0:74:2");
  EXPECT_EQ(f->attributes[75].id, 0);  // no second record
}

TEST(FormatStrings, ChangeInputFormatKeepsTheSettings) {
  auto f = Parsed("%(CANON)");
  uint32_t off = 0;
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), &off, hvcnINFO_COMPLEX), hvcnSUCCESS);
  EXPECT_EQ(hvcnChangeInputFormat("%(X400)%(1)", f.get()), hvcnERR_BAD_FORMAT_STRING);
  EXPECT_STREQ(f->errorDetail, "Without complex formats the X.400 token needs a terminator or must be last.");
  EXPECT_TRUE(f->flags & hvcnFMT_READY);  // a failed change leaves the format usable
  EXPECT_FALSE(f->flags & hvcnFMT_COMPLEX);
  EXPECT_EQ(hvcnChangeInputFormat("%(1)", f.get()), hvcnSUCCESS);
  EXPECT_STREQ(f->formatString, "%(1)");
}

// Regression: format string kept with 256 characters. Both exports that
// take a caller's format string keep at most 255 of its characters.
TEST(FormatStrings, RegressionFormatStringKeptWith256Characters) {
  std::string text;
  for (char c = 'a'; c < 'j'; ++c) text += "%(" + std::string(25, c) + ")";
  text += "%(a)";  // its ")" is character 256
  ASSERT_EQ(text.size(), 256u);
  auto f = NewFormat();
  EXPECT_EQ(hvcnParseFormatString(text.c_str(), f.get()), hvcnERR_BAD_FORMAT_STRING);
  EXPECT_EQ(std::strlen(f->formatString), 255u);
  auto g = Parsed("%(CANON)");
  EXPECT_EQ(hvcnChangeInputFormat(text.c_str(), g.get()), hvcnERR_BAD_FORMAT_STRING);
  EXPECT_EQ(std::string(g->formatString), text.substr(0, 255));
}

TEST(FormatStrings, ChangeOutputFormat) {
  auto f = Parsed("%(CANON)%(X400)");
  ASSERT_EQ(hvcnChangeOutputFormat("%(X400)%(24)", f.get()), hvcnSUCCESS);
  const int32_t expected[10] = {hvcnTOKEN_X400, hvcnATT_COMMON_NAME, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(f->outputTokenIds, expected, sizeof expected), 0);
  EXPECT_EQ(hvcnChangeOutputFormat("%(x", f.get()), hvcnERR_BAD_FORMAT_STRING);
  EXPECT_EQ(std::memcmp(f->outputTokenIds, expected, sizeof expected), 0);  // unchanged
  EXPECT_EQ(Tokens(*f), "-2:0:1:-:0 -4:47:0:-:2");                        // input untouched
  // User attributes the string names are created even when it fails.
  EXPECT_EQ(hvcnChangeOutputFormat("%(Dept)%(x", f.get()), hvcnERR_BAD_FORMAT_STRING);
  EXPECT_STREQ(f->attributes[74].name, "Dept");
}

TEST(FormatStrings, ArgumentFaults) {
  auto ready = Parsed("%(CANON)");
  auto fresh = NewFormat();
  EXPECT_EQ(hvcnParseFormatString("%(1)", nullptr), hvcnERR_BAD_PARAMETER);
  for (auto change : {&hvcnChangeInputFormat, &hvcnChangeOutputFormat}) {
    EXPECT_EQ(change("%(1)", nullptr), hvcnERR_BAD_PARAMETER);
    EXPECT_EQ(change(nullptr, ready.get()), hvcnERR_BAD_PARAMETER);
    EXPECT_EQ(change("%(1)", fresh.get()), hvcnERR_FORMAT_NOT_READY);
  }
}

TEST(FormatStrings, UserAttributesRunOutAtThe65th) {
  auto f = Parsed("%(CANON)");
  for (int i = 0; i < 64; ++i) {
    std::string token = "%(" + std::to_string(200 + i) + ")";
    ASSERT_EQ(hvcnChangeOutputFormat(token.c_str(), f.get()), hvcnSUCCESS) << i;
  }
  EXPECT_EQ(hvcnChangeOutputFormat("%(300)", f.get()), hvcnERR_TOO_MANY_USER_ATTRIBUTES);
  EXPECT_EQ(hvcnChangeOutputFormat("%(207)", f.get()), hvcnSUCCESS);  // found again
  // A name token takes its position ID, so the next string's first name
  // finds the record that position ID already names.
  auto g = Parsed("%(Dept)");
  ASSERT_EQ(hvcnChangeOutputFormat("%(Room)", g.get()), hvcnSUCCESS);
  EXPECT_EQ(g->attributes[75].id, 0);
}

std::vector<int32_t> OutputIds(hvcnFormat* f, uint16_t size, int32_t* status) {
  std::vector<int32_t> ids(16, 12345);
  *status = hvcnGetFormatInfo(f, ids.data(), size, hvcnINFO_OUTPUT_TOKENS);
  while (!ids.empty() && ids.back() == 12345) ids.pop_back();
  return ids;
}

TEST(FormatInfo, OutputTokenIds) {
  auto f = Parsed("%(CANON)%(EFA)%(X400)%(24)");
  int32_t status;
  EXPECT_EQ(OutputIds(f.get(), 44, &status), (std::vector<int32_t>{-2, -5, -4, 24, 0}));
  EXPECT_EQ(status, hvcnSUCCESS);
  EXPECT_EQ(OutputIds(f.get(), 8, &status), (std::vector<int32_t>{-2, -5}));
  EXPECT_EQ(status, hvcnERR_BUFFER_TOO_SMALL);

  const int32_t good[] = {24, hvcnTOKEN_X400, 0};
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), good, hvcnINFO_OUTPUT_TOKENS), hvcnSUCCESS);
  EXPECT_EQ(OutputIds(f.get(), 44, &status), (std::vector<int32_t>{24, -4, 0}));
  const int32_t position[] = {-96, -99, 0};
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), position, hvcnINFO_OUTPUT_TOKENS), hvcnSUCCESS);
  for (const auto& bad : std::vector<std::vector<int32_t>>{{-1, 0}, {-95, 0}, {-100, 0}, {-89, 0}, {999, 0}}) {
    EXPECT_EQ(hvcnSetFormatInfo(f.get(), bad.data(), hvcnINFO_OUTPUT_TOKENS), hvcnERR_BAD_PARAMETER) << bad[0];
  }
  const int32_t partly[] = {hvcnTOKEN_CANON, -1, 0};
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), partly, hvcnINFO_OUTPUT_TOKENS), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(OutputIds(f.get(), 44, &status), (std::vector<int32_t>{-2, 0}));  // stored up to the fault
  const int32_t eleven[] = {-2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2};
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), eleven, hvcnINFO_OUTPUT_TOKENS), hvcnERR_TOO_MANY_TOKENS);
  const int32_t ten[] = {-2, -2, -2, -2, -2, -2, -2, -2, -2, -2, 0};
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), ten, hvcnINFO_OUTPUT_TOKENS), hvcnSUCCESS);
  EXPECT_EQ(OutputIds(f.get(), 44, &status).size(), 11u);  // ten IDs and a 0
}

TEST(FormatInfo, ReconfiguredAttributes) {
  auto f = Parsed("%(CANON)");
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), "116,,24", hvcnINFO_RECONFIGURED), hvcnSUCCESS);
  EXPECT_EQ(f->reconfigured[0], 74);
  EXPECT_EQ(f->reconfigured[1], -1);
  EXPECT_EQ(f->reconfigured[2], 23);
  EXPECT_EQ(f->reconfigured[3], -1);
  EXPECT_EQ(f->attributes[74].id, 116);
  EXPECT_STREQ(f->attributes[74].name, "116");
  char text[64];
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), text, sizeof text, hvcnINFO_RECONFIGURED), hvcnSUCCESS);
  EXPECT_STREQ(text, "116,,24");
  // Room: each name with its comma and the NUL; the text is cut after the
  // last name that fitted.
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), text, 10, hvcnINFO_RECONFIGURED), hvcnSUCCESS);
  // The comma of the fourth, empty entry must fit although it is cut off.
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), text, 9, hvcnINFO_RECONFIGURED), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_STREQ(text, "116,,24");
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), text, 8, hvcnINFO_RECONFIGURED), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_STREQ(text, "116");
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), text, 4, hvcnINFO_RECONFIGURED), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_STREQ(text, "");
  // Names, in any letter case, and an empty text that changes nothing.
  const char names[] = "Dept,dept,26,a-very-long-attribute-name-here";
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), names, hvcnINFO_RECONFIGURED), hvcnSUCCESS);
  EXPECT_STREQ(names, "Dept,dept,26,a-very-long-attribute-name-here");  // never written to
  EXPECT_EQ(f->reconfigured[0], 75);
  EXPECT_EQ(f->reconfigured[1], 75);
  EXPECT_EQ(f->reconfigured[2], 43);
  EXPECT_EQ(f->attributes[75].id, -1);
  EXPECT_STREQ(f->attributes[76].name, "a-very-long-attribute-na");  // 24 characters
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), "", hvcnINFO_RECONFIGURED), hvcnSUCCESS);
  EXPECT_EQ(f->reconfigured[0], 75);
}

TEST(FormatInfo, CharactersMaskEscapeListAndFlags) {
  auto f = Parsed("%(CANON)");
  int32_t mask = 50;
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), &mask, hvcnINFO_X400_MASK), hvcnSUCCESS);
  EXPECT_EQ(f->x400Mask, 43);
  mask = 0;
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), &mask, hvcnINFO_X400_MASK), hvcnERR_BAD_PARAMETER);
  mask = 9;
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), &mask, hvcnINFO_X400_MASK), hvcnSUCCESS);
  int32_t read = 0;
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), &read, 4, hvcnINFO_X400_MASK), hvcnSUCCESS);
  EXPECT_EQ(read, 9);
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), &read, 3, hvcnINFO_X400_MASK), hvcnERR_BUFFER_TOO_SMALL);

  for (uint16_t type : {uint16_t{hvcnINFO_SLASH_CHAR}, uint16_t{hvcnINFO_COMMA_CHAR}}) {
    EXPECT_EQ(hvcnSetFormatInfo(f.get(), "\t", type), hvcnERR_BAD_PARAMETER);
    EXPECT_EQ(hvcnSetFormatInfo(f.get(), "\xE9", type), hvcnERR_BAD_PARAMETER);
    EXPECT_EQ(hvcnSetFormatInfo(f.get(), "#", type), hvcnSUCCESS);
    char c = 0;
    EXPECT_EQ(hvcnGetFormatInfo(f.get(), &c, 1, type), hvcnSUCCESS);
    EXPECT_EQ(c, '#');
  }

  EXPECT_EQ(hvcnSetFormatInfo(f.get(), "123456789012345", hvcnINFO_ESCAPE_LIST), hvcnSUCCESS);
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), "1234567890123456", hvcnINFO_ESCAPE_LIST), hvcnERR_BAD_PARAMETER);
  char list[32];
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), list, 16, hvcnINFO_ESCAPE_LIST), hvcnSUCCESS);
  EXPECT_STREQ(list, "123456789012345");
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), list, 15, hvcnINFO_ESCAPE_LIST), hvcnERR_BUFFER_TOO_SMALL);

  struct FlagType {
    uint16_t type;
    uint16_t flag;
  };
  const FlagType kFlags[] = {{8, hvcnFMT_7BIT_ONLY},       {9, hvcnFMT_RS_USER_ONLY},  {10, hvcnFMT_COMPLEX},
                             {11, hvcnFMT_NO_RECONFIG},    {12, hvcnFMT_OU_TAGS},       {13, hvcnFMT_X400_PERSONAL},
                             {14, hvcnFMT_PREFER_TELETEX}, {17, hvcnFMT_NO_FOREIGN}};
  for (const auto& ft : kFlags) {
    for (uint32_t value : {7u, 0u}) {
      EXPECT_EQ(hvcnSetFormatInfo(f.get(), &value, ft.type), hvcnSUCCESS);
      EXPECT_EQ((f->flags & ft.flag) != 0, value != 0) << ft.type;
      uint32_t got = 99;
      EXPECT_EQ(hvcnGetFormatInfo(f.get(), &got, 4, ft.type), hvcnSUCCESS);
      EXPECT_EQ(got, value ? 1u : 0u);
      EXPECT_EQ(hvcnGetFormatInfo(f.get(), &got, 3, ft.type), hvcnERR_BUFFER_TOO_SMALL);
    }
  }
  EXPECT_TRUE(f->flags & hvcnFMT_READY);
}

TEST(FormatInfo, WildcardIsProcessWide) {
  auto f = Parsed("%(CANON)");
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), "?", hvcnINFO_WILDCARD_CHAR), hvcnSUCCESS);
  auto later = Parsed("%(CANON)");
  EXPECT_STREQ(later->wildcardChar, "?");
  char c = 0;
  EXPECT_EQ(hvcnGetFormatInfo(later.get(), &c, 1, hvcnINFO_WILDCARD_CHAR), hvcnSUCCESS);
  EXPECT_EQ(c, '?');
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), "*", hvcnINFO_WILDCARD_CHAR), hvcnSUCCESS);
}

TEST(FormatInfo, TagNames) {
  auto f = Parsed("%(CANON)");
  struct Case {
    uint32_t id;
    const char* name;
    int32_t status;
  };
  const Case kCases[] = {
      {16, "dd.", hvcnSUCCESS}, {16, "dd", hvcnERR_BAD_PARAMETER},   {16, "", hvcnERR_BAD_PARAMETER},
      {18, "x.", hvcnERR_BAD_PARAMETER}, {23, "x.", hvcnERR_BAD_PARAMETER}, {26, "x", hvcnERR_BAD_PARAMETER},
      {0, "x", hvcnERR_BAD_PARAMETER},  {1, "abcdefghijk", hvcnERR_BAD_PARAMETER}, {1, "s", hvcnSUCCESS},
      {1, nullptr, hvcnERR_BAD_PARAMETER},
  };
  for (const auto& c : kCases) {
    hvcnTagNameInfo info = {c.id, c.name};
    EXPECT_EQ(hvcnSetFormatInfo(f.get(), &info, hvcnINFO_TAG_NAME), c.status) << c.id << " " << (c.name ? c.name : "");
  }
  char data[16];
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), data, sizeof data, hvcnINFO_TAG_NAME), hvcnERR_BAD_PARAMETER);
}

// Renamed tags are what the X.400 part is read with, in any letter case;
// the old names are unknown then.
TEST(FormatInfo, RenamedTagsAreReadByTheParser) {
  auto f = Parsed("%(X400)");
  auto rename = [&](uint32_t id, const char* name) {
    hvcnTagNameInfo info = {id, name};
    ASSERT_EQ(hvcnSetFormatInfo(f.get(), &info, hvcnINFO_TAG_NAME), hvcnSUCCESS);
  };
  rename(hvcnATT_SURNAME, "Nom");
  rename(hvcnATT_DDAT1, "xx.");
  struct Case {
    const char* name;
    int32_t status;
  };
  const Case kCases[] = {
      {"/NOM=Lee/c=US", hvcnSUCCESS}, {"/xx.k=v", hvcnSUCCESS}, {"/xX.k=v/c=US", hvcnSUCCESS},
      {"/s=Lee", hvcnERR_UNKNOWN_TAG}, {"/dd.k=v", hvcnERR_UNKNOWN_TAG},
  };
  for (const auto& c : kCases) {
    uint32_t context = 0;
    EXPECT_EQ(hvcnParseName(c.name, f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), c.status) << c.name;
  }
  char value[16];
  ASSERT_EQ(hvcnParseName("/nom=Lee/xx.k=v", f.get(), 0, nullptr, 0, nullptr, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  ASSERT_EQ(hvcnGetAttributeValue(f.get(), hvcnATT_SURNAME, value, sizeof value), hvcnSUCCESS);
  EXPECT_STREQ(value, "Lee");
  ASSERT_EQ(hvcnGetAttributeValue(f.get(), hvcnATT_DDAT1, value, sizeof value), hvcnSUCCESS);
  EXPECT_STREQ(value, "k");
  rename(hvcnATT_SURNAME, "s");
  rename(hvcnATT_DDAT1, "dd.");
}

TEST(FormatInfo, TypesSizesAndReadiness) {
  auto f = Parsed("%(CANON)");
  auto fresh = NewFormat();
  char data[64];
  for (uint16_t type : {uint16_t{0}, uint16_t{15}, uint16_t{18}, uint16_t{200}}) {
    EXPECT_EQ(hvcnGetFormatInfo(f.get(), data, sizeof data, type), hvcnERR_BAD_PARAMETER) << type;
    EXPECT_EQ(hvcnSetFormatInfo(f.get(), data, type), hvcnERR_BAD_PARAMETER) << type;
  }
  for (uint16_t type = 0; type < 20; ++type) {
    EXPECT_EQ(hvcnGetFormatInfo(f.get(), data, 0, type), hvcnERR_BUFFER_TOO_SMALL) << type;
    EXPECT_EQ(hvcnGetFormatInfo(fresh.get(), data, 0, type), hvcnERR_FORMAT_NOT_READY) << type;
  }
  EXPECT_EQ(hvcnSetFormatInfo(fresh.get(), "#", hvcnINFO_SLASH_CHAR), hvcnERR_FORMAT_NOT_READY);
  EXPECT_EQ(hvcnGetFormatInfo(nullptr, data, 4, 3), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), nullptr, 4, 3), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnSetFormatInfo(nullptr, data, 3), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnSetFormatInfo(f.get(), nullptr, 3), hvcnERR_BAD_PARAMETER);
}

TEST(FormatInfo, AFreshParseStartsFromTheDefaultsAgain) {
  auto f = Parsed("%(CANON)");
  uint32_t on = 1;
  hvcnSetFormatInfo(f.get(), &on, hvcnINFO_7BIT_ONLY);
  hvcnSetFormatInfo(f.get(), "#", hvcnINFO_SLASH_CHAR);
  hvcnChangeOutputFormat("%(X400)", f.get());
  ASSERT_EQ(hvcnParseFormatString("%(CANON)", f.get()), hvcnSUCCESS);
  EXPECT_FALSE(f->flags & hvcnFMT_7BIT_ONLY);
  EXPECT_EQ(f->slashChar, '/');
  EXPECT_EQ(f->outputTokenIds[0], 0);
}

TEST(RsList, GoldenCases) {
  for (const auto& c : ReadGolden("rs_lists.txt")) {
    SCOPED_TRACE(c.Where() + " " + c[0]);
    auto f = Parsed(c[0].c_str());
    uint32_t userOnly = c[1] == "user";
    uint32_t sevenBit = c[1] == "7bit";
    hvcnSetFormatInfo(f.get(), &userOnly, hvcnINFO_RS_USER_ONLY);
    hvcnSetFormatInfo(f.get(), &sevenBit, hvcnINFO_7BIT_ONLY);
    const uint32_t size = static_cast<uint32_t>(std::stoul(c[2]));
    std::string buffer(size + 8, '\x5A');
    EXPECT_EQ(hvcnGetRSList(f.get(), buffer.data(), size), std::stoi(c[3]));
    EXPECT_EQ(std::string(buffer.c_str()), c[4]);
    EXPECT_EQ(buffer.substr(size), std::string(8, '\x5A')) << "wrote past the size";
  }
}

TEST(RsList, ArgumentFaultsLeaveTheBufferUntouched) {
  auto f = Parsed("%(CANON)");
  auto fresh = NewFormat();
  char buffer[16] = "untouched";
  EXPECT_EQ(hvcnGetRSList(fresh.get(), buffer, sizeof buffer), hvcnERR_FORMAT_NOT_READY);
  EXPECT_EQ(hvcnGetRSList(nullptr, buffer, sizeof buffer), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnGetRSList(f.get(), buffer, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnGetRSList(f.get(), nullptr, 16), hvcnERR_BAD_PARAMETER);
  EXPECT_STREQ(buffer, "untouched");
}

}  // namespace
