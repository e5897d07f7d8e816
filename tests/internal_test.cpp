// The internal name types: values of typed names, trace lines, and a
// randomized bounds check of the decoders and encoders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "format/format.h"
#include "internal_form/internal_form.h"
#include "support/formats.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {


void Hold(hvcnFormat* f, int slot, uint32_t offset, uint32_t length) {
  f->attributes[slot].valueOffset = offset;
  f->attributes[slot].valueLength = length;
}

// A name as the parser leaves it: escapes, wildcards and dots still in.
TEST(StoredValues, TypedValuesLoseEscapesAndDotsWhenWritten) {
  auto f = test::ReadyFormat("%(1)%(CANON)%(Dept)");
  format::ResetName(f.get());
  std::strcpy(f->nameBuffer, "a\\.b J.R. Jr. Sm*th x.y");
  f->nameType = -1;
  f->flags |= hvcnFMT_NAME_HELD;
  Hold(f.get(), 0, 0, 4);    // a\.b
  Hold(f.get(), 2, 5, 4);    // J.R.
  Hold(f.get(), 3, 10, 3);   // Jr.
  Hold(f.get(), 23, 14, 5);  // Sm*th: the wildcard becomes US
  Hold(f.get(), 15, 0, hvcnVALUE_FOREIGN);
  Hold(f.get(), 74, 20, 3);  // x.y in the user attribute Dept
  char out[128];
  ASSERT_EQ(internal_form::EncodeGsRs(f.get(), out, sizeof out, 0), hvcnSUCCESS);
  EXPECT_STREQ(out, "1\x1d" "a.b\x1e" "3\x1dJR\x1e" "4\x1dJr\x1e" "16\x1dRFC-822\x1e" "24\x1dSm\x1fth\x1e" "Dept\x1dx.y");
  // Slots standing in for initials and qualifier lose their dots too.
  f->reconfigured[3] = 74;
  ASSERT_EQ(internal_form::EncodeGsRs(f.get(), out, sizeof out, 0), hvcnSUCCESS);
  EXPECT_STREQ(out, "1\x1d" "a.b\x1e" "3\x1dJR\x1e" "4\x1dJr\x1e" "16\x1dRFC-822\x1e" "24\x1dSm\x1fth\x1e" "Dept\x1dxy");
  // A decoded name keeps its bytes.
  f->nameType = 3;
  f->reconfigured[3] = -1;
  ASSERT_EQ(internal_form::EncodeGsRs(f.get(), out, sizeof out, 0), hvcnSUCCESS);
  EXPECT_STREQ(out, "1\x1d" "a\\.b\x1e" "3\x1dJ.R.\x1e" "4\x1dJr.\x1e" "16\x1dRFC-822\x1e" "24\x1dSm*th\x1e" "Dept\x1dx.y");
}

TEST(InternalTrace, TranslationFrameAndDump) {
  auto f = test::ReadyFormat("%(1)%(CANON)%(Dept)");
  test::TraceCapture capture(0x0001 | 0x0002 | 0x0100);
  char out[64];
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 1, "Smith\x1dJohn", 3, out, sizeof out, 0), hvcnSUCCESS);
  auto lines = capture.TaggedTexts();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0].rfind("API_ENTRY____ hvcnTranslateInternalFormat(", 0), 0u);
  EXPECT_NE(lines[0].find(", 1, \"Smith\x1dJohn\", 3, "), std::string::npos);
  EXPECT_EQ(lines[1].rfind("FUNCTION_IN__ TranslateInternalFormat(", 0), 0u);
  EXPECT_EQ(lines[2], "DATA_________ Start: Internal string ");
  EXPECT_EQ(lines[3], "DATA_________  1.Smith. 2.John");
  EXPECT_EQ(lines[4], "DATA_________ End: Internal string ");
  EXPECT_EQ(lines[5], "API_RETURN___ pDest=\"1\x1dSmith\x1e" "2\x1dJohn\"");
  EXPECT_EQ(lines[6], "API_RETURN___ 0 (hvcnTranslateInternalFormat)");
}

TEST(InternalTrace, FaultsAreWrittenAtAnyLevel) {
  auto f = test::ReadyFormat("%(1)%(CANON)%(Dept)");
  test::TraceCapture capture(0);
  char out[16];
  hvcnTranslateInternalFormat(nullptr, 1, "x", 1, out, sizeof out, 0);
  hvcnTranslateInternalFormat(f.get(), 1, "x", 1, nullptr, 0, 0);
  hvcnTranslateInternalFormat(f.get(), 0, nullptr, 1, out, sizeof out, 0);
  hvcnTranslateInternalFormat(f.get(), 3, "1\x1dSmith\x1e" "2", 0, nullptr, 0, 0);
  hvcnTranslateInternalFormat(f.get(), 3, "1\x1dGBRXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX", 0, nullptr, 0, 0);
  hvcnTranslateInternalFormat(f.get(), 1, std::string(1100, 'a').c_str(), 0, nullptr, 0, 0);
  hvcnTranslateInternalFormat(f.get(), 2, nullptr, 0, nullptr, 0, hvcnTIF_HELD_NAME);
  const std::vector<std::string> expected = {
      "ERROR________ Format pointer is NULL.",
      "ERROR________ Destination buffer is NULL or zero length and output was requested",
      "ERROR________ No name has been parsed. No data are available.",
      "ERROR________ DGSRS: GS character to terminate tag not found.",
      "ERROR________ TIF: Failed to decode internal format",
      "ERROR________ Internal name is too big for the data buffer.",
      "ERROR________ TIF: Failed to decode internal format",
      "ERROR________ No name has been parsed. No data are available.",
  };
  EXPECT_EQ(capture.TaggedTexts(), expected);
}

TEST(InternalTrace, DecoderAndEncoderMessages) {
  auto f = test::ReadyFormat("%(1)%(CANON)%(Dept)");
  test::TraceCapture capture(0x0020 | 0x0040 | 0x0100);
  internal_form::DecodeInternalName(f.get(), 1, std::string(25, '\x1d').append("beyond").c_str());
  internal_form::DecodeInternalName(f.get(), 2, "\x17\x17\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1djunk-data-here");
  internal_form::DecodeInternalName(f.get(), 2, "\x17\x17\x17\x17" "a\x1d" "b\x1d" "c\x17" "d");
  internal_form::DecodeInternalName(f.get(), 2, std::string(23, '\x1d').append("extra\x17x").c_str());
  internal_form::DecodeInternalName(f.get(), 2, std::string(9, '\x1d').append("GBRX").c_str());
  internal_form::DecodeInternalName(f.get(), 9, "x");
  internal_form::DecodeInternalName(f.get(), 3, "51\x1dM\xc3\xbcller");
  f->flags |= hvcnFMT_7BIT_ONLY;
  char out[64];
  internal_form::EncodeGsRs(f.get(), out, sizeof out, 0);
  const std::vector<std::string> expected = {
      "INFORMATION__ Ignoring data beyond the attribute 25",
      "ERROR________ Ignoring invalid data in address group 3",
      "DATA_________ Start: Invalid data (next 10 bytes) ",
      "DATA_________  junk-dat a-",
      "DATA_________ End: Invalid data (next 10 bytes) ",
      "INFORMATION__ GFUA call from GetUserAttribute returned 75  (tag=116)",
      "INFORMATION__ GFUA call from GetUserAttribute returned 76  (tag=167)",
      "INFORMATION__ Ignoring information beyond address group 5.",
      "INFORMATION__ Ignoring extra information in address group 1",
      "DATA_________ Start: Address information (next 10 bytes) ",
      "DATA_________  extra.x",
      "DATA_________ End: Address information (next 10 bytes) ",
      "INFORMATION__ SetAttribute failed for nIndex=9. (nResult=22)",
      "ERROR________ DIF: Invalid internal type specified (9)",
      "INFORMATION__ Skipping defined TX attribute 51",
  };
  EXPECT_EQ(capture.TaggedTexts(), expected);
}

TEST(InternalTrace, LookupMessages) {
  auto f = test::ReadyFormat("%(1)%(CANON)%(Dept)");
  ASSERT_EQ(internal_form::DecodeInternalName(f.get(), 3, "1\x1dSmith"), hvcnSUCCESS);
  test::TraceCapture capture(0x0020 | 0x0100);
  char buffer[32] = "";
  EXPECT_EQ(internal_form::GetAttributeValueCore(f.get(), 1, buffer, sizeof buffer), hvcnSUCCESS);
  EXPECT_EQ(internal_form::GetAttributeValueCore(f.get(), 500, buffer, sizeof buffer), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(internal_form::GetAttributeValueCore(f.get(), -96, buffer, sizeof buffer), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(internal_form::GetAttributeValueCore(f.get(), -98, buffer, sizeof buffer), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(internal_form::GetAttributeValueCore(f.get(), -100, buffer, sizeof buffer), hvcnERR_BAD_PARAMETER);
  const std::vector<std::string> expected = {
      "DATA_________ Attribute value is 'Smith'",
      "ERROR________ Attribute 500 is not listed",
      "ERROR________ Token 3 is not used.",
      "ERROR________ Token 1 is a multi-attribute token.",
      "ERROR________ Attribute does not identify a token position (-100 --> -1)",
  };
  EXPECT_EQ(capture.TaggedTexts(), expected);
}

// Random internal texts of up to 1024 bytes through every decoder and
// encoder, into exactly sized buffers: with AddressSanitizer this finds any
// read or write out of bounds.
TEST(InternalBounds, RandomTextsStayInBounds) {
  const std::string alphabet = "\x1d\x1e\x17\x1a\x1f[]\\.*abc019 GB\xc3\xa9\xff";
  std::mt19937 random(20261205);
  auto f = test::ReadyFormat("%(1)%(CANON)%(Dept)");
  const std::vector<int32_t> statuses = {hvcnSUCCESS,         hvcnERR_BAD_VALUE,    hvcnERR_VALUE_TOO_LONG,
                                         hvcnERR_NOT_NUMERIC, hvcnERR_BAD_COUNTRY,  hvcnERR_INTERNAL_DATA,
                                         hvcnERR_UNKNOWN_ATTRIBUTE, hvcnERR_TOO_MANY_USER_ATTRIBUTES,
                                         hvcnERR_TOKEN_NAME_TOO_LONG};
  for (int round = 0; round < 3000; ++round) {
    const size_t length = (round % 10 == 0) ? 1024 : random() % 200;
    std::string text(length, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    std::unique_ptr<char[]> exact(new char[length + 1]);
    std::memcpy(exact.get(), text.c_str(), length + 1);
    const int32_t type = 1 + round % 3;
    if (round % 50 == 0) f = test::ReadyFormat("%(1)%(CANON)%(Dept)");  // fresh user records
    int32_t status = internal_form::DecodeInternalName(f.get(), type, exact.get());
    ASSERT_NE(std::find(statuses.begin(), statuses.end(), status), statuses.end()) << status;
    for (int32_t out = 1; out <= 3; ++out) {
      const auto size = static_cast<uint32_t>(1 + random() % 1500);
      std::unique_ptr<char[]> buffer(new char[size]);
      int32_t written = out == 1   ? internal_form::EncodeGs(f.get(), buffer.get(), size)
                        : out == 2 ? internal_form::EncodeGsEtb(f.get(), buffer.get(), size)
                                   : internal_form::EncodeGsRs(f.get(), buffer.get(), size, 0);
      ASSERT_TRUE(written == hvcnSUCCESS || written == hvcnERR_BUFFER_TOO_SMALL);
      ASSERT_NE(std::memchr(buffer.get(), '\0', size), nullptr);
    }
  }
}

}  // namespace
}  // namespace hvcn
