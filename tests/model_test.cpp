// The attribute catalogue, the special value checks, the setters, and the
// trace lines of the format settings and of the format-string parser.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "format/format.h"
#include "format/format_info.h"
#include "model/catalogue.h"
#include "model/tag_names.h"
#include "model/validate.h"
#include "support/formats.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {

// A format with the standard catalogue and no name, with extra flags.
std::unique_ptr<hvcnFormat> CatalogueFormat(uint16_t flags = 0) {
  auto f = test::ReadyFormat("%(CANON)");
  format::ResetName(f.get());
  f->flags = static_cast<uint16_t>(f->flags | flags);
  return f;
}

TEST(Catalogue, IdsAndSlots) {
  struct Case {
    int32_t id;
    int slot;
  };
  constexpr Case kCases[] = {{82, 73}, {51, 25}, {1, 0}, {25, 24}, {26, 43}, {44, 61}, {68, 42}, {70, 62},
                             {78, 70}, {80, 71}, {0, -1}, {45, -1}, {50, -1}, {69, -1}, {79, -1}, {83, -1}, {-2, -1}};
  for (const auto& c : kCases) EXPECT_EQ(model::SlotOfId(c.id), c.slot) << c.id;
  auto f = CatalogueFormat();
  EXPECT_EQ(model::IdOfSlot(f->attributes, 0), 1);
  EXPECT_EQ(model::IdOfSlot(f->attributes, 43), 26);
  EXPECT_STREQ(f->attributes[0].name, "1");
  EXPECT_EQ(model::IdOfSlot(f->attributes, 137), -1);  // a free user slot
  test::TraceCapture capture(0x0020);
  EXPECT_EQ(model::IdOfSlot(f->attributes, 138), -1);
  EXPECT_EQ(capture.Texts("ERROR________"), std::vector<std::string>{"GATNFI: 138 is too high"});
}

TEST(Catalogue, UserAttributes) {
  auto f = CatalogueFormat();
  int slot = -2;
  EXPECT_EQ(model::GetUserAttribute(f.get(), "ignored", 116, &slot), hvcnSUCCESS);
  EXPECT_EQ(slot, 74);
  EXPECT_STREQ(f->attributes[74].name, "116");  // named by its number
  EXPECT_EQ(f->attributes[74].id, 116);
  EXPECT_EQ(model::GetUserAttribute(f.get(), "Dept", 0, &slot), hvcnSUCCESS);
  EXPECT_EQ(slot, 75);
  EXPECT_EQ(f->attributes[75].id, -1);  // known by name only
  EXPECT_EQ(model::FindUserByName(f.get(), "DEPT"), 75);
  EXPECT_EQ(model::GetUserAttribute(f.get(), "dept", -1, &slot), hvcnSUCCESS);
  EXPECT_EQ(slot, 75);
  EXPECT_EQ(model::GetUserAttribute(f.get(), "abcdefghijklmnopqrstuvwxyz", 0, &slot), hvcnERR_TOKEN_NAME_TOO_LONG);
  EXPECT_EQ(slot, -1);
  EXPECT_EQ(f->attributes[76].id, 0);  // stays free
  EXPECT_EQ(model::GetUserAttribute(f.get(), "abcdefghijklmnopqrstuvwxy", 0, &slot), hvcnSUCCESS);
  EXPECT_EQ(model::FindSlotById(f.get(), 116), 74);
  EXPECT_EQ(model::FindSlotById(f.get(), 10), 9);

  for (int32_t id = 1000; model::FreeUserSlot(f.get()) >= 0; ++id)
    ASSERT_EQ(model::GetUserAttribute(f.get(), nullptr, id, &slot), hvcnSUCCESS);
  test::TraceCapture capture(0);
  EXPECT_EQ(model::GetUserAttribute(f.get(), nullptr, 5000, &slot), hvcnERR_TOO_MANY_USER_ATTRIBUTES);
  EXPECT_EQ(slot, -1);
  EXPECT_EQ(capture.Texts("ERROR________"),
            std::vector<std::string>{"GFUA: There are no more free slots for user attribute."});
}

TEST(Catalogue, AppendAttributeNameNeedsRoomForNameRsAndNul) {
  auto f = CatalogueFormat();
  bool marks[model::kSlotCount] = {};
  char out[16];
  // Slot 9 is named "10": n = 2.
  EXPECT_EQ(model::AppendAttributeName(f.get(), 9, marks, out, 4), -1);
  EXPECT_FALSE(marks[9]);
  EXPECT_EQ(model::AppendAttributeName(f.get(), 9, marks, out, 5), 3);
  EXPECT_EQ(std::string(out), "10\x1E");
  EXPECT_TRUE(marks[9]);
  std::strcpy(out, "same");
  EXPECT_EQ(model::AppendAttributeName(f.get(), 9, marks, out, 5), 0);
  EXPECT_STREQ(out, "same");
  EXPECT_EQ(model::AppendAttributeName(f.get(), 138, nullptr, out, 100), -1);
}

// The special checks: Q the generation qualifier (dot: it ends with a dot),
// I the initials (dot: all are dotted); then the result and the teletex flag.
TEST(ValueChecks, GenerationQualifierAndInitials) {
  struct Case {
    char check;
    const char* value;
    int32_t result;
    int32_t dot;
    int32_t teletex;
  };
  constexpr Case kCases[] = {
      {'Q', "Jr.", -3, 1, 0},  {'Q', "Jr", -2, 0, 0},      {'Q', ".", -1, 1, 0},     {'Q', "", 0, 0, 0},
      {'Q', "Jr.x", hvcnERR_BAD_VALUE, 1, 0},              {'Q', "Juni", hvcnERR_VALUE_TOO_LONG, 1, 0},
      {'Q', "III.", -4, 1, 0}, {'Q', "J\\.r", -4, 0, 0},   {'Q', "Jr\\", -3, 0, 0},  {'Q', "\xC3\xA9.", -3, 1, 1},
      {'Q', "a\tb", hvcnERR_BAD_VALUE, 1, 0},              {'Q', "ab..", hvcnERR_BAD_VALUE, 1, 0},
      {'I', "J.R.", -4, 1, 0}, {'I', "J.R", -3, 0, 0},     {'I', "JR", hvcnERR_BAD_VALUE, 1, 0},
      {'I', "", 0, 1, 0},      {'I', "J*", -2, 0, 0},      {'I', "J.*", -3, 0, 0},
      {'I', "A.B.C.D.E.", -10, 1, 0},                      {'I', "A.B.C.D.E.F.", hvcnERR_VALUE_TOO_LONG, 1, 0},
      {'I', "\xC3\xA9.", -3, 1, 1}, {'I', "\t.", hvcnERR_BAD_VALUE, 1, 0},
  };
  for (const auto& c : kCases) {
    int32_t dot = -1, teletex = -1;
    EXPECT_EQ(c.check == 'I' ? model::ValidateInitials(c.value, &dot, &teletex)
                             : model::ValidateGenerationQualifier(c.value, &dot, &teletex),
              c.result) << c.check << " " << c.value;
    EXPECT_EQ(dot, c.dot) << c.check << " " << c.value;
    EXPECT_EQ(teletex, c.teletex) << c.check << " " << c.value;
  }
}

// Where SetAttributeValue files a value: the slot, its teletex twin, or
// nowhere, by the value and the format's teletex flags.
TEST(Setters, SetAttributeValueChoosesTheSlot) {
  struct Case {
    int slot;
    const char* value;
    uint16_t flags;
    int32_t status;
    int stored;  // -1: nothing stored
  };
  constexpr uint16_t kPrefer = hvcnFMT_PREFER_TELETEX;
  constexpr uint16_t k7Bit = hvcnFMT_7BIT_ONLY;
  const Case kCases[] = {
      {0, "Smith", 0, hvcnSUCCESS, 0},
      {0, "M\xC3\xBCller", 0, hvcnSUCCESS, 25},
      {0, "M\xC3\xBCller", k7Bit, hvcnERR_BAD_VALUE, -1},
      {0, "Smith", kPrefer, hvcnSUCCESS, 25},
      {0, "Smith", kPrefer | k7Bit, hvcnERR_BAD_VALUE, -1},
      {0, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", 0, hvcnERR_VALUE_TOO_LONG, -1},
      {25, "Smith", 0, hvcnSUCCESS, 25},
      {4, "Sales", kPrefer, hvcnSUCCESS, 29},
      {9, "GB", kPrefer, hvcnSUCCESS, 9},
      {9, "GBR", 0, hvcnERR_BAD_COUNTRY, -1},
      {10, "M\xC3\xBCller", 0, hvcnERR_BAD_VALUE, -1},
      {10, "ADMD", kPrefer, hvcnERR_BAD_VALUE, -1},
      {12, "123", kPrefer, hvcnSUCCESS, 12},
      {12, "12a", 0, hvcnERR_NOT_NUMERIC, -1},
      {15, "fax", 0, hvcnSUCCESS, 15},
      {16, "caf\xC3\xA9", 0, hvcnSUCCESS, 35},
      {16, "caf\xC3\xA9", k7Bit, hvcnERR_BAD_VALUE, -1},
      {24, "caf\xC3\xA9", 0, hvcnSUCCESS, 24},
      {23, "x", kPrefer, hvcnSUCCESS, 42},
      {43, "any\x01thing", 0, hvcnSUCCESS, 43},  // postal attributes are not checked
      {80, "x", 0, hvcnERR_UNKNOWN_ATTRIBUTE, -1},  // a free user slot
      {138, "x", 0, hvcnERR_UNKNOWN_ATTRIBUTE, -1},
      {-1, "x", 0, hvcnERR_UNKNOWN_ATTRIBUTE, -1},
  };
  for (const auto& c : kCases) {
    auto f = CatalogueFormat(c.flags);
    std::strcpy(f->nameBuffer, "xx");
    std::strcpy(f->nameBuffer + 2, c.value);
    EXPECT_EQ(model::SetAttributeValue(f.get(), f->nameBuffer + 2, 2, c.slot), c.status) << c.slot << " " << c.value;
    for (int s = 0; s < model::kSlotCount; ++s) {
      if (s == c.stored) {
        EXPECT_EQ(f->attributes[s].valueOffset, 2u);
        EXPECT_EQ(f->attributes[s].valueLength, std::strlen(c.value));
      } else {
        EXPECT_EQ(f->attributes[s].valueLength, hvcnVALUE_ABSENT) << "slot " << s << " for " << c.value;
      }
    }
  }
}

TEST(Setters, InitialsAndGenerationQualifier) {
  struct Case {
    bool initials;
    const char* value;
    bool dotRequired;
    uint16_t flags;
    int32_t status;
    int stored;
  };
  const Case kCases[] = {
      {true, "J.R.", true, 0, hvcnSUCCESS, 2},
      {true, "J.R", true, 0, hvcnERR_BAD_VALUE, -1},
      {true, "J.R", false, 0, hvcnSUCCESS, 2},
      {true, "\xC3\x89.", true, 0, hvcnSUCCESS, 27},
      {true, "J.", false, hvcnFMT_PREFER_TELETEX, hvcnSUCCESS, 27},
      {true, "\xC3\x89.", true, hvcnFMT_7BIT_ONLY, hvcnERR_BAD_VALUE, -1},
      {true, "JR", false, 0, hvcnERR_BAD_VALUE, -1},
      {false, "Jr.", true, 0, hvcnSUCCESS, 3},
      {false, "Jr", true, 0, hvcnERR_BAD_VALUE, -1},
      {false, "Jr", false, 0, hvcnSUCCESS, 3},
      {false, "\xC3\xA9r", false, 0, hvcnSUCCESS, 28},
      {false, "Jr", false, hvcnFMT_PREFER_TELETEX | hvcnFMT_7BIT_ONLY, hvcnERR_BAD_VALUE, -1},
      {false, "Juni", false, 0, hvcnERR_VALUE_TOO_LONG, -1},
  };
  for (const auto& c : kCases) {
    auto f = CatalogueFormat(c.flags);
    std::strcpy(f->nameBuffer, c.value);
    int32_t status = c.initials ? model::SetInitials(f.get(), f->nameBuffer, 0, c.dotRequired)
                                : model::SetGenerationQualifier(f.get(), f->nameBuffer, 0, c.dotRequired);
    EXPECT_EQ(status, c.status) << c.value;
    for (int s : {2, 3, 27, 28})
      EXPECT_EQ(f->attributes[s].valueLength, s == c.stored ? std::strlen(c.value) : hvcnVALUE_ABSENT)
          << c.value << " slot " << s;
  }
}

TEST(Setters, RejectionsAreTraced) {
  auto f = CatalogueFormat(hvcnFMT_7BIT_ONLY);
  test::TraceCapture capture(0x0040 | 0x0020);
  std::strcpy(f->nameBuffer, "\xC3\xA9");
  model::SetAttributeValue(f.get(), f->nameBuffer, 0, 10);
  model::SetAttributeValue(f.get(), f->nameBuffer, 0, 0);
  model::SetInitials(f.get(), f->nameBuffer, 0, false);
  model::SetGenerationQualifier(f.get(), f->nameBuffer, 0, false);
  std::strcpy(f->nameBuffer, "a\tb");
  model::SetAttributeValue(f.get(), f->nameBuffer, 0, 0);
  std::strcpy(f->nameBuffer, "Jr\\");
  model::SetGenerationQualifier(f.get(), f->nameBuffer, 0, false);
  const std::vector<std::string> expected = {
      "INFORMATION__ Rejecting attribute since there is no TX version for 10",
      "INFORMATION__ Rejecting attribute since configured for 7-bit only.",
      "INFORMATION__ Rejecting initials since configured for 7-bit only.",
      "INFORMATION__ Rejecting GQ since configured for 7-bit only.",
      "ERROR________ Invalid character found - '0x9'",
      "INFORMATION__ VG: Trailing escape means incomplete GQ",
  };
  EXPECT_EQ(capture.TaggedTexts(), expected);
}

TEST(FormatInfoTrace, MessagesOfTheSetters) {
  auto f = test::ReadyFormat("%(CANON)");
  test::TraceCapture capture(0x0020 | 0x0040 | 0x0100);
  const int32_t badIds[] = {-98, 0};
  format::SetFormatInfo(f.get(), badIds, hvcnINFO_OUTPUT_TOKENS);
  const int32_t unknownUser[] = {999, 0};
  format::SetFormatInfo(f.get(), unknownUser, hvcnINFO_OUTPUT_TOKENS);
  const int32_t invalid[] = {-1, 0};
  format::SetFormatInfo(f.get(), invalid, hvcnINFO_OUTPUT_TOKENS);
  format::SetFormatInfo(f.get(), "116,,24", hvcnINFO_RECONFIGURED);
  int32_t mask = 50;
  format::SetFormatInfo(f.get(), &mask, hvcnINFO_X400_MASK);
  mask = 0;
  format::SetFormatInfo(f.get(), &mask, hvcnINFO_X400_MASK);
  format::SetFormatInfo(f.get(), "\t", hvcnINFO_COMMA_CHAR);
  format::SetFormatInfo(f.get(), "#", hvcnINFO_SLASH_CHAR);
  format::SetFormatInfo(f.get(), "1234567890123456", hvcnINFO_ESCAPE_LIST);
  format::SetFormatInfo(f.get(), "()", hvcnINFO_ESCAPE_LIST);
  uint32_t on = 1;
  format::SetFormatInfo(f.get(), &on, hvcnINFO_OU_TAGS);
  format::SetFormatInfo(f.get(), &on, 15);
  hvcnTagNameInfo tags[] = {{30, "x"}, {1, "abcdefghijk"}, {17, "x."}, {16, "dd"}, {1, "sn"}};
  for (const auto& info : tags) format::SetFormatInfo(f.get(), &info, hvcnINFO_TAG_NAME);
  char text[4];
  format::GetFormatInfo(f.get(), text, 2, hvcnINFO_ESCAPE_LIST);
  format::GetFormatInfo(f.get(), text, 3, hvcnINFO_RECONFIGURED);
  f->reconfigured[0] = -1;
  format::GetFormatInfo(f.get(), text, 1, hvcnINFO_RECONFIGURED);
  model::SetTagName(0, "s");

  const std::vector<std::string> expected = {
      "ERROR________ Requested token (2) is unused.",
      "ERROR________ Token ID 999 is not defined as a user token.",
      "ERROR________ The token ID -1 is invalid.",
      "INFORMATION__ GFUA call from SetFmtReconfigIDs returned 74",
      "INFORMATION__ Attribute number '2' has not been reconfigured.",
      "DATA_________ Set reconfigured attributes with '116,,24'",
      "ERROR________ X.400 mask too high (50). Reduced to 43",
      "DATA_________ X.400 directory mask set to 43",
      "ERROR________ Invalid X.400 mask value 0",
      "ERROR________ Comma character is invalid (9). Must be ASCII.",
      "DATA_________ Slash character set to '#'",
      "ERROR________ Too many escape characters in '1234567890123456'",
      "DATA_________ Set escape character list to '()'",
      "DATA_________ New format flags are 0x131",
      "ERROR________ Unknown data type supplied (15)",
      "ERROR________ Attribute ID out of range for changing name '30'",
      "ERROR________ New attribute name is too long 'abcdefghijk'",
      "ERROR________ Can't set tag name for DDAs except hvcnATT_DDAT1, not '17'",
      "ERROR________ Last charactrer of the DDA tag name must be a period. 'dd'",
      "DATA_________ Set new attribute name ID:1 to 'sn'",
      "ERROR________ Escape list '()' too long for buffer size 2",
      "ERROR________ Couldn't add '116' to reconfigured attributes list",
      "ERROR________ Couldn't add to reconfigured attributes list",
  };
  EXPECT_EQ(capture.TaggedTexts(), expected);
}

TEST(FormatInfoTrace, TagNamesOfTenCharactersAreCutToNine) {
  auto f = test::ReadyFormat("%(CANON)");
  hvcnTagNameInfo info = {hvcnATT_COMMON_NAME, "abcdefghij"};
  EXPECT_EQ(format::SetFormatInfo(f.get(), &info, hvcnINFO_TAG_NAME), hvcnSUCCESS);
  EXPECT_STREQ(model::TagNames()->Name(model::kCommonName), "abcdefghi");
  hvcnTagNameInfo dda = {hvcnATT_DDAT1, "ddattr."};
  EXPECT_EQ(format::SetFormatInfo(f.get(), &dda, hvcnINFO_TAG_NAME), hvcnSUCCESS);
  EXPECT_EQ(model::TagNames()->ddaLength, 7u);
  model::SetTagName(model::kCommonName, "cn");
  model::SetTagName(model::kDdaTagIndex, "dd.");
  EXPECT_EQ(model::TagNames()->ddaLength, 3u);
}

TEST(FormatParserTrace, UserRecordsAndInvalidNames) {
  auto f = test::ReadyFormat("%(CANON)");
  test::TraceCapture capture(0x0040);
  hvcnToken tokens[hvcnTOKEN_COUNT] = {};
  EXPECT_EQ(format::ParseFormatTokens("%(Dept)%(a\x7F)", f.get(), tokens), hvcnSUCCESS);
  EXPECT_EQ(format::ParseFormatTokens("%(\xC3\xA9)", f.get(), tokens), hvcnERR_BAD_TOKEN_NAME);
  const std::vector<std::string> expected = {
      "INFORMATION__ GFUA call from ParseFormatString returned 74",
      "INFORMATION__ GFUA call from ParseFormatString returned 75",
      "INFORMATION__ GTID: Invalid character in token 0xc3",
  };
  EXPECT_EQ(capture.TaggedTexts(), expected);
}

TEST(FormatParserTrace, NoTokensIsReportedAtAnyLevel) {
  auto f = test::ReadyFormat("%(CANON)");
  test::TraceCapture capture(0);
  hvcnToken tokens[hvcnTOKEN_COUNT] = {};
  EXPECT_EQ(format::ParseFormatTokens("", f.get(), tokens), hvcnSUCCESS);
  EXPECT_EQ(tokens[0].tokenFlags, hvcnTOK_LAST);
  EXPECT_EQ(capture.TaggedTexts(), std::vector<std::string>{"ERROR________ No tokens specified in format string."});
}

}  // namespace
}  // namespace hvcn
