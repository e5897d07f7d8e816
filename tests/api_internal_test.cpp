// The internal name types through hvcnTranslateInternalFormat and
// hvcnGetAttributeValue.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "hvcn.h"
#include "support/golden.h"
#include "support/names.h"

namespace {

using namespace hvcn::test;

// Writes the held name in a type into exactly `size` bytes plus guards.
int32_t Encode(hvcnFormat* f, int32_t type, uint32_t size, std::string* text) {
  std::string buffer(size + 8, '\x5A');
  int32_t status = hvcnTranslateInternalFormat(f, 0, nullptr, type, buffer.data(), size, hvcnTIF_ALWAYS_ENCODE);
  EXPECT_EQ(buffer.substr(size), std::string(8, '\x5A')) << "wrote past the size";
  *text = buffer.c_str();
  return status;
}

// Each name decoded, then written in each type into the smallest buffer that
// holds it (one byte less is too small); the types of the roundtrip column
// carry every non-empty value back unchanged.
TEST(InternalNames, GoldenCases) {
  for (const auto& c : ReadGolden("internal_names.txt")) {
    SCOPED_TRACE(c.Where());
    auto f = Parsed();
    const int32_t type = std::stoi(c[0]);
    auto text = Exact(c[1]);
    ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), type, text.get(), 0, nullptr, 0, 0), hvcnSUCCESS);
    EXPECT_EQ(f->nameType, type);
    EXPECT_TRUE(f->flags & hvcnFMT_NAME_HELD);
    EXPECT_EQ(HeldValues(*f), c[2]);
    std::istringstream sizes(c[6]);
    for (int32_t out = 1; out <= 3; ++out) {
      SCOPED_TRACE("type " + std::to_string(out));
      uint32_t minimum = 0;
      sizes >> minimum;
      std::string encoded;
      EXPECT_EQ(Encode(f.get(), out, minimum, &encoded), hvcnSUCCESS);
      EXPECT_EQ(encoded, c[2 + static_cast<size_t>(out)]);
      if (c[7].find(static_cast<char>('0' + out)) != std::string::npos) {
        auto g = Parsed();
        ASSERT_EQ(hvcnTranslateInternalFormat(g.get(), out, encoded.c_str(), 0, nullptr, 0, 0), hvcnSUCCESS);
        EXPECT_EQ(HeldValues(*g, true), HeldValues(*f, true)) << "round trip";
      }
      if (minimum > 1) {
        EXPECT_EQ(Encode(f.get(), out, minimum - 1, &encoded), hvcnERR_BUFFER_TOO_SMALL);
        EXPECT_EQ(encoded, "");
      }
    }
  }
}

TEST(InternalNames, DecodeFailures) {
  struct Case {
    int32_t type;
    std::string text;
    int32_t status;
  };
  const Case kCases[] = {
      {1, "Smith\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1dGBRX", hvcnERR_BAD_COUNTRY},  // type 2 skips this field
      {3, "10\x1dGBRX", hvcnERR_BAD_COUNTRY},
      {3, "1\x1d" + std::string(41, 'a'), hvcnERR_VALUE_TOO_LONG},
      {3, "\x1dvalue", hvcnERR_INTERNAL_DATA},
      {3, "abcdefghijklmnopqrstuvwxyz\x1dvalue", hvcnERR_TOKEN_NAME_TOO_LONG},
      {1, std::string(1025, 'a'), hvcnERR_NAME_TOO_LONG},
      {4, "x", hvcnERR_BAD_PARAMETER},
      {-1, "x", hvcnERR_BAD_PARAMETER},
  };
  for (const auto& c : kCases) {
    auto f = Parsed();
    auto text = Exact(c.text);
    EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), c.type, text.get(), 0, nullptr, 0, 0), c.status) << c.text;
    EXPECT_FALSE(f->flags & hvcnFMT_NAME_HELD);
    char out[64];
    EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 1, out, sizeof out, 0), hvcnERR_BAD_PARAMETER);
  }
  auto f = Parsed();
  auto longest = Exact(std::string(1024, 'a'));
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 3, longest.get(), 0, nullptr, 0, 0), hvcnSUCCESS);
}

TEST(InternalNames, UserAttributesRunOut) {
  auto f = Parsed();
  std::string text;
  for (int i = 0; i < 65; ++i) text += std::to_string(1000 + i) + "\x1dv\x1e";
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 3, text.c_str(), 0, nullptr, 0, 0), hvcnERR_TOO_MANY_USER_ATTRIBUTES);
}

TEST(InternalNames, TheHeldTextIsHandedBackUnchanged) {
  auto f = Parsed();
  const char source[] = "Smith\x1dJohn\x1d\x1d";
  char out[64];
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 1, source, 1, out, sizeof out, 0), hvcnSUCCESS);
  EXPECT_STREQ(out, source);  // trailing separators included
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 1, source, 1, out, sizeof out, hvcnTIF_ALWAYS_ENCODE), hvcnSUCCESS);
  EXPECT_STREQ(out, "Smith\x1dJohn");
  std::strcpy(out, "untouched");
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 1, out, sizeof source - 1, 0), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_STREQ(out, "untouched");
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 1, out, sizeof source, 0), hvcnSUCCESS);
  // The held name serves flag 0x01 too.
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 3, out, sizeof out, hvcnTIF_HELD_NAME), hvcnSUCCESS);
  EXPECT_STREQ(out, "1\x1dSmith\x1e""2\x1dJohn\x1e""3\x1d\x1e""4\x1d");
}

TEST(InternalNames, SevenBitOutputLeavesTheTeletexTwinsOut) {
  auto f = Parsed();
  const char source[] = "1\x1dSmith\x1e""51\x1dM\xc3\xbcller\x1e""25\x1d""ff\x1e""10\x1dUS";
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 3, source, 0, nullptr, 0, 0), hvcnSUCCESS);
  uint32_t on = 1;
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), &on, hvcnINFO_7BIT_ONLY), hvcnSUCCESS);
  char out[128];
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 1, out, sizeof out, 0), hvcnSUCCESS);
  EXPECT_STREQ(out, "Smith\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1dUS\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d""ff");
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 3, out, sizeof out, 0), hvcnSUCCESS);
  EXPECT_STREQ(out, source);  // the held text, as it came
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 3, out, sizeof out, hvcnTIF_ALWAYS_ENCODE), hvcnSUCCESS);
  EXPECT_STREQ(out, "1\x1dSmith\x1e""10\x1dUS");  // 51 and ff (25) left out
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 2, out, sizeof out, 0), hvcnSUCCESS);
  EXPECT_STREQ(out, "Smith\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1d\x1dUS\x17\x17M\xc3\xbcller\x17\x17""ff");
  // And decoding a teletex value into a 7-bit format fails.
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 3, "51\x1dM\xc3\xbcller", 0, nullptr, 0, 0), hvcnERR_BAD_VALUE);
}

TEST(InternalNames, EmptyValuesLeftOutOfType3OnRequest) {
  auto f = Parsed();
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 1, "Smith\x1d\x1dJ.", 0, nullptr, 0, 0), hvcnSUCCESS);
  char out[64];
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 3, out, sizeof out, hvcnTIF_SKIP_EMPTY), hvcnSUCCESS);
  EXPECT_STREQ(out, "1\x1dSmith\x1e""3\x1dJ.");
}

TEST(InternalNames, ArgumentFaults) {
  auto f = Parsed();
  char out[16];
  EXPECT_EQ(hvcnTranslateInternalFormat(nullptr, 1, "a", 1, out, sizeof out, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 1, "a", 1, nullptr, 16, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 1, "a", 1, out, 0, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, 1, out, sizeof out, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 1, nullptr, 0, nullptr, 0, 0), hvcnERR_BAD_PARAMETER);
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 1, "a", 0, nullptr, 0, 0), hvcnSUCCESS);  // a pure decode
  EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 1, nullptr, 0, nullptr, 0, 0), hvcnERR_BAD_PARAMETER);
  for (int32_t bad : {4, -1, 99}) {
    std::strcpy(out, "untouched");
    EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), 0, nullptr, bad, out, sizeof out, 0), hvcnERR_BAD_PARAMETER);
    EXPECT_STREQ(out, "untouched");
  }
}

TEST(AttributeValues, Lookups) {
  auto f = Parsed("%(1)%(CANON)%(Dept)");
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 3, "1\x1dSmith\x1e""10\x1dUS\x1e""Dept\x1dSales\x1e""99\x1d\x1e""2\x1d",
                                        0, nullptr, 0, 0),
            hvcnSUCCESS);
  struct Case {
    int32_t id;
    const char* buffer;  // the user attribute name for ID 0
    uint16_t size;
    int32_t status;
    const char* value;
  };
  const Case kCases[] = {
      {hvcnATT_COUNTRY, "", 16, hvcnSUCCESS, "US"},
      {hvcnATT_SURNAME, "", 6, hvcnSUCCESS, "Smith"},
      {hvcnATT_SURNAME, "", 5, hvcnERR_BUFFER_TOO_SMALL, nullptr},
      {hvcnATT_GIVEN_NAME, "", 1, hvcnSUCCESS, ""},  // present but empty
      {hvcnATT_ORGANIZATION, "", 16, hvcnERR_NO_VALUE, nullptr},
      {99, "", 16, hvcnSUCCESS, ""},
      {116, "", 16, hvcnERR_BAD_PARAMETER, nullptr},  // no such user attribute
      {0, "dEPT", 16, hvcnSUCCESS, "Sales"},
      {0, "Room", 16, hvcnERR_BAD_PARAMETER, nullptr},
      {-99, "", 16, hvcnSUCCESS, "Smith"},   // token 0: %(1)
      {-97, "", 16, hvcnSUCCESS, "Sales"},   // token 2: %(Dept)
      {-98, "", 16, hvcnERR_BAD_PARAMETER, nullptr},  // CANON covers several attributes
      {-96, "", 16, hvcnERR_BAD_PARAMETER, nullptr},  // no token 3
      {-100, "", 16, hvcnERR_BAD_PARAMETER, nullptr},
      {-89, "", 16, hvcnERR_BAD_PARAMETER, nullptr},
      {45, "", 16, hvcnERR_BAD_PARAMETER, nullptr},
  };
  for (const auto& c : kCases) {
    std::string buffer(64, '\x5A');
    std::strcpy(buffer.data(), c.buffer);
    EXPECT_EQ(hvcnGetAttributeValue(f.get(), c.id, buffer.data(), c.size), c.status) << c.id;
    if (c.value) {
      EXPECT_STREQ(buffer.c_str(), c.value) << c.id;
    }
    EXPECT_EQ(buffer[c.size], '\x5A') << c.id;
  }
  // A foreign-address marker reads as "RFC-822".
  f->attributes[15].valueLength = hvcnVALUE_FOREIGN;
  char text[8];
  EXPECT_EQ(hvcnGetAttributeValue(f.get(), hvcnATT_DDAT1, text, 7), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(hvcnGetAttributeValue(f.get(), hvcnATT_DDAT1, text, 8), hvcnSUCCESS);
  EXPECT_STREQ(text, "RFC-822");
}

TEST(AttributeValues, ArgumentFaults) {
  auto f = Parsed();
  auto fresh = std::make_unique<hvcnFormat>();
  char buffer[16];
  EXPECT_EQ(hvcnGetAttributeValue(nullptr, 1, buffer, sizeof buffer), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnGetAttributeValue(f.get(), 1, nullptr, sizeof buffer), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnGetAttributeValue(f.get(), 1, buffer, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnGetAttributeValue(fresh.get(), 1, buffer, sizeof buffer), hvcnERR_FORMAT_NOT_READY);
}

}  // namespace
