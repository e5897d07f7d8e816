// The golden kind of the binary O/R address (tests/data/ber.txt): decoding,
// encoding and certificates. Every address decoded is encoded again: the
// size query, a buffer one byte short (left untouched) and one of exactly
// the size; what is written decodes to the same values and writes the same
// bytes again; and the held name meets the other exports as a read name.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "kinds.h"

#define LIB(call) ::hvcn::test::Library([&] { return call; })

namespace hvcn::test {
namespace {

std::string S(int64_t n) { return std::to_string(n); }

std::vector<uint8_t> FromHex(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::string digits;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    else if (c != ' ' && c != ':') throw std::invalid_argument("not hex: " + text);
  if (digits.size() % 2) throw std::invalid_argument("odd hex: " + text);
  for (size_t i = 0; i < digits.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string ToHex(const uint8_t* bytes, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < n; ++i) hex += {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 15]};
  return hex;
}

std::unique_ptr<hvcnFormat> Ready() {
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(LIB(hvcnParseFormatString("%(CANON)%(EFA)%(X400)", f.get())), hvcnSUCCESS);
  return f;
}

// Words of the flags column: der, latin1 (decoding); orname, x400 (encoding).
uint32_t Flags(const std::string& words) {
  uint32_t flags = 0;
  if (words.find("der") != std::string::npos) flags |= hvcnBER_DER_ONLY;
  if (words.find("latin1") != std::string::npos) flags |= hvcnBER_TELETEX_LATIN1;
  if (words.find("orname") != std::string::npos) flags |= hvcnBER_ORNAME;
  if (words.find("x400") != std::string::npos) flags |= hvcnBER_X400ADDRESS;
  return flags;
}

// The input in a heap block of exactly its size.
int32_t Decode(hvcnFormat* f, const std::vector<uint8_t>& bytes, uint32_t flags, uint32_t* used) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + 1]);
  if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
  return LIB(hvcnDecodeORAddress(exact.get(), static_cast<uint32_t>(bytes.size()), f, flags, used));
}

// The held name as DER, through the size protocol: the size query, one byte
// short (untouched), the exact size (guard bytes behind it untouched).
int32_t Encode(hvcnFormat* f, uint32_t flags, std::vector<uint8_t>* der) {
  uint32_t needed = 77;
  const int32_t query = LIB(hvcnEncodeORAddress(f, nullptr, 0, &needed, flags));
  if (query != hvcnERR_BUFFER_TOO_SMALL) {
    EXPECT_EQ(needed, 0u) << "a refusal needs no size";
    return query;
  }
  EXPECT_GE(needed, 4u);
  std::vector<uint8_t> buffer(needed + 8, 0xA5);
  uint32_t length = 0;
  EXPECT_EQ(LIB(hvcnEncodeORAddress(f, buffer.data(), needed - 1, &length, flags)), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(length, needed);
  EXPECT_EQ(buffer, std::vector<uint8_t>(needed + 8, 0xA5)) << "a buffer too small is left untouched";
  const int32_t status = LIB(hvcnEncodeORAddress(f, buffer.data(), needed, &length, flags));
  EXPECT_EQ(length, needed);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + needed, buffer.end()), std::vector<uint8_t>(8, 0xA5));
  buffer.resize(needed);
  *der = buffer;
  return status;
}

// The outer form of an encoding, as the encoder's flags name it.
uint32_t FormOf(const std::vector<uint8_t>& der) {
  return der.empty() ? 0 : der[0] == 0x60 ? hvcnBER_ORNAME : der[0] == 0xA3 ? hvcnBER_X400ADDRESS : 0;
}

// What is written decodes under DER (for a decoded name: to the same
// values) and writes the same bytes again.
void CheckWritten(const hvcnFormat* decoded, const std::vector<uint8_t>& der, uint32_t flags) {
  auto g = Ready();
  uint32_t used = 0;
  ASSERT_EQ(Decode(g.get(), der, hvcnBER_DER_ONLY, &used), hvcnSUCCESS) << g->errorDetail;
  EXPECT_EQ(used, der.size());
  if (decoded) {
    EXPECT_EQ(HeldValues(*g, true), HeldValues(*decoded, true)) << "what is written decodes to the same values";
  }
  std::vector<uint8_t> again;
  ASSERT_EQ(Encode(g.get(), flags, &again), hvcnSUCCESS);
  EXPECT_EQ(ToHex(again.data(), again.size()), ToHex(der.data(), der.size())) << "DER is written the same again";
}

std::string StdOr(hvcnFormat* f) {
  Guarded text(4096);
  EXPECT_EQ(LIB(hvcnFormatORAddress(f, text.data(), text.size(), nullptr, 0)), hvcnSUCCESS) << f->errorDetail;
  return text.Text();
}

// decode FLAGS HEX -> status values|detail der stdor. The values end with
// " [used N]" when asked for, " [directory name]" when the flag is set.
std::vector<std::string> DecodeRow(const GoldenCase& c) {
  const std::vector<uint8_t> input = FromHex(c[2]);
  const bool wantUsed = c[1].find("used") != std::string::npos;
  auto f = Ready();
  uint32_t used = 99;
  const int32_t status = Decode(f.get(), input, Flags(c[1]), wantUsed ? &used : nullptr);
  if (status != hvcnSUCCESS) {
    EXPECT_FALSE(f->flags & hvcnFMT_NAME_HELD);
    if (wantUsed) {
      EXPECT_EQ(used, 0u);
    }
    return {S(status), f->errorDetail};
  }
  std::string values = HeldValues(*f);
  if (wantUsed) values += " [used " + S(used) + "]";
  if (f->flags & hvcnFMT_DIRECTORY_NAME) values += " [directory name]";
  CheckReadName(f.get());
  std::vector<uint8_t> der;
  const uint32_t form = FormOf(input);
  const int32_t written = Encode(f.get(), form, &der);
  if (written != hvcnSUCCESS) return {S(status), values, S(written) + " " + f->errorDetail, StdOr(f.get())};
  CheckWritten(f.get(), der, form);
  return {S(status), values, ToHex(der.data(), der.size()), StdOr(f.get())};
}

// encode FLAGS SOURCE -> status der|detail values: the source is read by
// hvcnParseORAddress ("text:"), decoded from internal type 3 ("type3:") or
// parsed as a typed name ("typed:"); the values are those of the DER read
// back.
std::vector<std::string> EncodeRow(const GoldenCase& c) {
  auto f = Ready();
  const std::string& source = c[2];
  const size_t colon = source.find(':');
  const std::string how = source.substr(0, colon), text = source.substr(colon + 1);
  Exact exact(text);
  int32_t read = -1;
  if (how == "text") read = LIB(hvcnParseORAddress(exact.get(), f.get(), 0));
  else if (how == "type3") read = LIB(hvcnTranslateInternalFormat(f.get(), hvcnINTERNAL_GSRS, exact.get(), 0, nullptr, 0, 0));
  else if (how == "typed") read = LIB(hvcnParseName(exact.get(), f.get(), 0, nullptr, 0, nullptr, hvcnPARSE_COMPLETE));
  else throw std::invalid_argument("source " + how);
  EXPECT_EQ(read, hvcnSUCCESS) << "the source reads: " << f->errorDetail;
  const uint32_t flags = Flags(c[1]);
  std::vector<uint8_t> der;
  const int32_t status = Encode(f.get(), flags, &der);
  if (status != hvcnSUCCESS) return {S(status), f->errorDetail};
  CheckWritten(nullptr, der, flags);
  auto g = Ready();
  EXPECT_EQ(Decode(g.get(), der, hvcnBER_DER_ONLY, nullptr), hvcnSUCCESS);
  return {S(status), ToHex(der.data(), der.size()), HeldValues(*g)};
}

// cert INDEX[,FLAGS] HEX -> status values|detail extension
std::vector<std::string> CertificateRow(const GoldenCase& c) {
  const std::vector<uint8_t> cert = FromHex(c[2]);
  const size_t comma = c[1].find(',');
  const uint32_t index = static_cast<uint32_t>(Int(c[1].substr(0, comma)));
  uint32_t extension = comma == std::string::npos ? 0 : Flags(c[1].substr(comma + 1));
  auto f = Ready();
  std::unique_ptr<uint8_t[]> exact(new uint8_t[cert.size()]);
  std::memcpy(exact.get(), cert.data(), cert.size());
  const int32_t status =
      LIB(hvcnGetCertificateORAddress(exact.get(), static_cast<uint32_t>(cert.size()), index, f.get(), &extension));
  if (status != hvcnSUCCESS) {
    EXPECT_EQ(extension, 0u);
    EXPECT_FALSE(f->flags & hvcnFMT_NAME_HELD);
    return {S(status), f->errorDetail, S(extension)};
  }
  CheckReadName(f.get());
  return {S(status), HeldValues(*f), S(extension)};
}

std::vector<std::string> BerRow(const GoldenCase& c) {
  if (c[0] == "decode") return DecodeRow(c);
  if (c[0] == "encode") return EncodeRow(c);
  if (c[0] == "cert") return CertificateRow(c);
  throw std::invalid_argument("op " + c[0]);
}

}  // namespace

RowHandler BerRows() { return BerRow; }

}  // namespace hvcn::test
