// The trace lines of the format settings and of the format-string parser.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "format/format.h"
#include "format/format_info.h"
#include "model/tag_names.h"
#include "support/formats.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {


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
  EXPECT_STREQ(model::TagName(23), "abcdefghi");
  hvcnTagNameInfo dda = {hvcnATT_DDAT1, "ddattr."};
  EXPECT_EQ(format::SetFormatInfo(f.get(), &dda, hvcnINFO_TAG_NAME), hvcnSUCCESS);
  EXPECT_EQ(model::DdaPrefixLength(), 7u);
  model::SetTagName(23, "cn");
  model::SetTagName(15, "dd.");
  EXPECT_EQ(model::DdaPrefixLength(), 3u);
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
