// The binary O/R address exports beyond what a golden row shows: argument
// checks, the held name a decode leaves (a read name, its flags), the
// `used` out-parameter over a stream, the format's settings.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hvcn.h"

namespace {

// The 69-byte ORAddress of pyasn1-modules' RFC 5280 tests.
const std::vector<uint8_t> kAddress = {
    0x30, 0x43, 0x30, 0x2b, 0x61, 0x04, 0x13, 0x02, 0x47, 0x42, 0x62, 0x0a, 0x13, 0x08, 0x47, 0x4f, 0x4c, 0x44,
    0x20, 0x34, 0x30, 0x30, 0xa2, 0x07, 0x13, 0x05, 0x55, 0x4b, 0x2e, 0x41, 0x43, 0x83, 0x07, 0x53, 0x61, 0x6c,
    0x66, 0x6f, 0x72, 0x64, 0xa6, 0x05, 0x13, 0x03, 0x52, 0x2d, 0x44, 0x31, 0x14, 0x30, 0x12, 0x80, 0x01, 0x01,
    0xa1, 0x0d, 0x13, 0x0b, 0x53, 0x74, 0x65, 0x76, 0x65, 0x20, 0x4b, 0x69, 0x6c, 0x6c, 0x65};
// An ORName: C=GB, O=Isode and a directory name.
const std::vector<uint8_t> kORNameWithDirectory = {0x60, 0x23, 0x30, 0x0d, 0x61, 0x04, 0x13, 0x02, 0x47, 0x42, 0x83,
                                                   0x05, 0x49, 0x73, 0x6f, 0x64, 0x65, 0xa0, 0x12, 0x30, 0x10, 0x31,
                                                   0x0e, 0x30, 0x0c, 0x06, 0x03, 0x55, 0x04, 0x03, 0x13, 0x05, 0x53,
                                                   0x74, 0x65, 0x76, 0x65};

std::unique_ptr<hvcnFormat> Ready() {
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnParseFormatString(nullptr, f.get()), hvcnSUCCESS);
  return f;
}

int32_t Decode(hvcnFormat* f, const std::vector<uint8_t>& bytes, uint32_t flags = 0, uint32_t* used = nullptr) {
  return hvcnDecodeORAddress(bytes.data(), static_cast<uint32_t>(bytes.size()), f, flags, used);
}

std::string Value(hvcnFormat* f, int32_t id) {
  char text[256] = "";
  return hvcnGetAttributeValue(f, id, text, sizeof text) == hvcnSUCCESS ? text : "-";
}

TEST(BinaryORAddress, ArgumentsAreChecked) {
  auto f = Ready();
  hvcnFormat unready{};
  uint32_t used = 7;
  EXPECT_EQ(hvcnDecodeORAddress(kAddress.data(), 69, nullptr, 0, &used), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(hvcnDecodeORAddress(nullptr, 0, f.get(), 0, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnDecodeORAddress(kAddress.data(), 69, f.get(), 0x04, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnDecodeORAddress(kAddress.data(), 69, &unready, 0, nullptr), hvcnERR_FORMAT_NOT_READY);

  uint8_t buffer[8] = {};
  uint32_t length = 7;
  EXPECT_EQ(hvcnEncodeORAddress(nullptr, buffer, sizeof buffer, &length, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(hvcnEncodeORAddress(&unready, buffer, sizeof buffer, nullptr, 0), hvcnERR_FORMAT_NOT_READY);
  EXPECT_EQ(hvcnEncodeORAddress(f.get(), buffer, sizeof buffer, nullptr, 0), hvcnERR_BAD_PARAMETER) << "no name held";
  ASSERT_EQ(Decode(f.get(), kAddress), hvcnSUCCESS);
  EXPECT_EQ(hvcnEncodeORAddress(f.get(), nullptr, 8, nullptr, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnEncodeORAddress(f.get(), buffer, sizeof buffer, nullptr, hvcnBER_ORNAME | hvcnBER_X400ADDRESS),
            hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnEncodeORAddress(f.get(), buffer, sizeof buffer, nullptr, 0x01), hvcnERR_BAD_PARAMETER);
  // A buffer of size 0 is too small too; nothing is written.
  EXPECT_EQ(hvcnEncodeORAddress(f.get(), buffer, 0, &length, 0), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(length, 69u);

  uint32_t extension = 0x80;  // an unknown flag
  EXPECT_EQ(hvcnGetCertificateORAddress(kAddress.data(), 69, 0, f.get(), &extension), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(extension, 0u);
  EXPECT_EQ(hvcnGetCertificateORAddress(nullptr, 0, 0, f.get(), nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnGetCertificateORAddress(kAddress.data(), 69, 0, &unready, nullptr), hvcnERR_FORMAT_NOT_READY);
}

// A decode leaves a read name: nameType hvcnNAME_OR_ADDRESS and no token
// text of the typed name parsed before (a reinterpretation has nothing of
// this name to read again).
TEST(BinaryORAddress, LeavesAReadName) {
  auto f = Ready();
  ASSERT_EQ(hvcnParseName("Smith, John /o=Acme/c=US", f.get(), 0, nullptr, 0, nullptr, hvcnPARSE_COMPLETE),
            hvcnSUCCESS);
  ASSERT_EQ(Decode(f.get(), kAddress), hvcnSUCCESS);
  EXPECT_EQ(f->nameType, hvcnNAME_OR_ADDRESS);
  for (const hvcnToken& token : f->tokens) EXPECT_EQ(token.valueLength, hvcnVALUE_ABSENT);
  EXPECT_EQ(Value(f.get(), hvcnATT_SURNAME), "-") << "the typed surname is gone";
  EXPECT_EQ(Value(f.get(), hvcnATT_ORGANIZATION), "Salford");
}

// hvcnFMT_DIRECTORY_NAME says the last ORName decoded had one; every new
// name clears it.
TEST(BinaryORAddress, DirectoryNameFlag) {
  auto f = Ready();
  ASSERT_EQ(Decode(f.get(), kORNameWithDirectory), hvcnSUCCESS);
  EXPECT_TRUE(f->flags & hvcnFMT_DIRECTORY_NAME);
  ASSERT_EQ(Decode(f.get(), kAddress), hvcnSUCCESS);
  EXPECT_FALSE(f->flags & hvcnFMT_DIRECTORY_NAME);
  ASSERT_EQ(Decode(f.get(), kORNameWithDirectory), hvcnSUCCESS);
  ASSERT_EQ(hvcnParseORAddress("/S=x/C=GB/", f.get(), 0), hvcnSUCCESS);
  EXPECT_FALSE(f->flags & hvcnFMT_DIRECTORY_NAME);
  ASSERT_EQ(Decode(f.get(), kORNameWithDirectory), hvcnSUCCESS);
  ASSERT_EQ(hvcnParseName("Smith", f.get(), 0, nullptr, 0, nullptr, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  EXPECT_FALSE(f->flags & hvcnFMT_DIRECTORY_NAME);
  ASSERT_EQ(Decode(f.get(), kORNameWithDirectory), hvcnSUCCESS);
  EXPECT_EQ(Decode(f.get(), {0x30, 0x00}), hvcnERR_BAD_X400);
  EXPECT_FALSE(f->flags & (hvcnFMT_DIRECTORY_NAME | hvcnFMT_NAME_HELD)) << "a refusal holds no name";
}

// Addresses back to back: `used` gives where the next one starts.
TEST(BinaryORAddress, UsedWalksAStream) {
  std::vector<uint8_t> stream = kAddress;
  stream.insert(stream.end(), kORNameWithDirectory.begin(), kORNameWithDirectory.end());
  auto f = Ready();
  uint32_t used = 0;
  ASSERT_EQ(Decode(f.get(), stream, 0, &used), hvcnSUCCESS);
  EXPECT_EQ(used, kAddress.size());
  EXPECT_EQ(Decode(f.get(), stream), hvcnERR_BAD_X400) << "without used, nothing may follow";
  ASSERT_EQ(hvcnDecodeORAddress(stream.data() + used, static_cast<uint32_t>(stream.size() - used), f.get(), 0, &used),
            hvcnSUCCESS);
  EXPECT_EQ(used, kORNameWithDirectory.size());
  EXPECT_EQ(Value(f.get(), hvcnATT_ORGANIZATION), "Isode");
}

// The format's settings apply as to every stored value: the teletex
// preference puts values in their twins and so refuses the ADMD, which has
// none; 7-bit only leaves the twins out of what is written.
TEST(BinaryORAddress, FormatSettingsApply) {
  auto f = Ready();
  const uint32_t on = 1;
  ASSERT_EQ(hvcnSetFormatInfo(f.get(), &on, hvcnINFO_PREFER_TELETEX), hvcnSUCCESS);
  EXPECT_EQ(Decode(f.get(), kAddress), hvcnERR_BAD_VALUE);
  EXPECT_STREQ(f->errorDetail, "The administration-domain-name at byte 12 holds a value that its attribute does not accept.");

  auto g = Ready();
  ASSERT_EQ(hvcnParseORAddress("/S=Muller*M{200}uller/C=DE/", g.get(), 0), hvcnSUCCESS);
  uint32_t withTwin = 0, without = 0;
  EXPECT_EQ(hvcnEncodeORAddress(g.get(), nullptr, 0, &withTwin, 0), hvcnERR_BUFFER_TOO_SMALL);
  ASSERT_EQ(hvcnSetFormatInfo(g.get(), &on, hvcnINFO_7BIT_ONLY), hvcnSUCCESS);
  EXPECT_EQ(hvcnEncodeORAddress(g.get(), nullptr, 0, &without, 0), hvcnERR_BUFFER_TOO_SMALL);
  std::vector<uint8_t> der(without);
  ASSERT_EQ(hvcnEncodeORAddress(g.get(), der.data(), without, &without, 0), hvcnSUCCESS);
  EXPECT_LT(without, withTwin);
  auto h = Ready();
  ASSERT_EQ(Decode(h.get(), der), hvcnSUCCESS);
  EXPECT_EQ(Value(h.get(), hvcnATT_SURNAME), "Muller");
  EXPECT_EQ(Value(h.get(), hvcnATT_SURNAME_TX), "-");
}

// An encoding larger than the scratch it is written into first (2 KB):
// measured, then written again, with the same bytes as ever.
TEST(BinaryORAddress, EncodesBeyondTheScratch) {
  // Four teletex domain-defined values of 124 ASCII letters and one
  // character beyond U+FFFF: four octets a character in UniversalString.
  std::string text = "/CN=x*" + std::string(60, 'c') + "\xF0\x9D\x84\x9E";
  for (const char* type : {"a", "b", "c", "d"})
    text += std::string("/DD.") + type + "=v*" + std::string(124, 'v') + "\xF0\x9D\x84\x9E";
  text += "/C=DE/";
  auto f = Ready();
  ASSERT_EQ(hvcnParseORAddress(text.c_str(), f.get(), 0), hvcnSUCCESS) << f->errorDetail;
  uint32_t needed = 0;
  ASSERT_EQ(hvcnEncodeORAddress(f.get(), nullptr, 0, &needed, 0), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_GT(needed, 2048u);
  std::vector<uint8_t> der(needed + 4, 0xA5);
  EXPECT_EQ(hvcnEncodeORAddress(f.get(), der.data(), needed - 1, &needed, 0), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(der, std::vector<uint8_t>(needed + 4, 0xA5));
  ASSERT_EQ(hvcnEncodeORAddress(f.get(), der.data(), needed, &needed, 0), hvcnSUCCESS);
  EXPECT_EQ(std::vector<uint8_t>(der.end() - 4, der.end()), std::vector<uint8_t>(4, 0xA5));
  der.resize(needed);
  auto g = Ready();
  ASSERT_EQ(Decode(g.get(), der, hvcnBER_DER_ONLY), hvcnSUCCESS) << g->errorDetail;
  EXPECT_EQ(Value(g.get(), hvcnATT_DDAV4_TX), std::string(124, 'v') + "\xF0\x9D\x84\x9E");
  uint32_t again = 0;
  std::vector<uint8_t> second(needed);
  ASSERT_EQ(hvcnEncodeORAddress(g.get(), second.data(), needed, &again, 0), hvcnSUCCESS);
  EXPECT_EQ(second, der);
}

}  // namespace
