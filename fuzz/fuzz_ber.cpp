// The binary O/R address: hvcnDecodeORAddress, hvcnEncodeORAddress and
// hvcnGetCertificateORAddress.
//
// Input: a selector (1 byte: 0x01 DER only, 0x02 teletex as Latin-1, 0x04
// pass `used`, 0x08 read the rest as a certificate, 0x10 write an ORName,
// 0x20 write an x400Address, 0x40 prefer teletex, 0x80 7-bit only), the
// certificate entry's index (1 byte), then the bytes.
// Properties: documented statuses; a refusal leaves no name held, a detail,
// `used` 0 and no extension; `used` never passes the input; what is read
// lies in nameBuffer and is hvcnNAME_OR_ADDRESS; decode -> encode -> decode
// gives the same values, and the DER written decodes (under DER only) and
// writes the same bytes again; the size query, one byte short (untouched)
// and the exact size agree, and nothing is written past a size.
#include <vector>

#include "held_name.h"

using namespace hvcn::fuzz;

namespace {

const std::initializer_list<int32_t> kReadStatuses = {
    hvcnSUCCESS,           hvcnERR_BAD_VALUE,   hvcnERR_VALUE_TOO_LONG,      hvcnERR_NOT_PRINTABLE,
    hvcnERR_NOT_NUMERIC,   hvcnERR_NAME_TOO_LONG, hvcnERR_BAD_COUNTRY,       hvcnERR_TOO_MANY_OUS,
    hvcnERR_UNKNOWN_TAG,   hvcnERR_DUPLICATE_ATTRIBUTE, hvcnERR_TOO_MANY_DDAS, hvcnERR_BAD_X400,
    hvcnERR_BAD_TERMINAL_TYPE};

struct Settings {
  uint32_t decodeFlags, encodeFlags;
  bool used, certificate, preferTeletex, sevenBit;
};

std::unique_ptr<hvcnFormat> Prepared(const Settings& s) { return PreparedFormat(s.preferTeletex, s.sevenBit); }

std::vector<uint8_t> Exact(std::string_view bytes) { return std::vector<uint8_t>(bytes.begin(), bytes.end()); }

// A read: a documented status; a name held exactly after success, a detail
// after a refusal.
void CheckRead(const hvcnFormat& f, int32_t status, const char* call) {
  CheckStatus(status, kReadStatuses, call);
  Check(FieldTerminated(f.errorDetail), "errorDetail terminated");
  Check(((f.flags & hvcnFMT_NAME_HELD) != 0) == (status == hvcnSUCCESS), "a name is held exactly after success");
  if (status != hvcnSUCCESS) {
    Check(f.errorDetail[0] != '\0', "a refusal explains");
    return;
  }
  Check(f.nameType == hvcnNAME_OR_ADDRESS, "the name is hvcnNAME_OR_ADDRESS");
  NonEmptyValues(f);  // checks every value lies in nameBuffer
}

// The held name as DER through the size protocol; empty on a refusal.
std::vector<uint8_t> Encoded(hvcnFormat* f, uint32_t flags) {
  uint32_t needed = 0;
  const int32_t query = hvcnEncodeORAddress(f, nullptr, 0, &needed, flags);
  CheckStatus(query, {hvcnERR_BUFFER_TOO_SMALL, hvcnERR_BAD_VALUE, hvcnERR_NAME_TOO_LONG}, "hvcnEncodeORAddress");
  if (query != hvcnERR_BUFFER_TOO_SMALL) {
    Check(needed == 0 && f->errorDetail[0] != '\0', "a refused encoding needs nothing and explains");
    return {};
  }
  Check(needed >= 4, "an encoding takes its header and the standard attributes");
  OutBuffer shorter(needed - 1), exact(needed);
  uint32_t length = 0;
  Check(hvcnEncodeORAddress(f, shorter.data(), needed - 1, &length, flags) == hvcnERR_BUFFER_TOO_SMALL &&
            length == needed && shorter.Untouched(),
        "one byte short: status 1, the size, nothing written");
  Check(hvcnEncodeORAddress(f, exact.data(), needed, &length, flags) == hvcnSUCCESS && length == needed,
        "the exact size is written");
  const auto* begin = reinterpret_cast<const uint8_t*>(exact.data());
  return std::vector<uint8_t>(begin, begin + needed);
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const uint8_t selector = in.Byte();
  const uint8_t index = in.Byte();
  const Settings s{selector & 0x03u, (selector & 0x10) ? hvcnBER_ORNAME : (selector & 0x20) ? hvcnBER_X400ADDRESS : 0u,
                   (selector & 0x04) != 0, (selector & 0x08) != 0, (selector & 0x40) != 0, (selector & 0x80) != 0};
  const std::vector<uint8_t> bytes = Exact(in.Rest());
  static const uint8_t kNone = 0;
  const uint8_t* data = bytes.empty() ? &kNone : bytes.data();
  const auto length = static_cast<uint32_t>(bytes.size());
  auto f = Prepared(s);

  int32_t status;
  if (s.certificate) {
    uint32_t extension = s.decodeFlags;
    status = hvcnGetCertificateORAddress(data, length, index, f.get(), &extension);
    if (status == hvcnERR_NO_MORE_INTERPRETATIONS) {
      Check(!(f->flags & hvcnFMT_NAME_HELD) && f->errorDetail[0] != '\0', "no such entry: no name, a detail");
      return;
    }
    CheckRead(*f, status, "hvcnGetCertificateORAddress");
    Check(status == hvcnSUCCESS ? extension == hvcnCERT_SUBJECT_ALT_NAME || extension == hvcnCERT_ISSUER_ALT_NAME
                                : extension == 0,
          "the extension is named exactly after success");
  } else {
    uint32_t used = 0xFFFFFFFF;
    status = hvcnDecodeORAddress(data, length, f.get(), s.decodeFlags, s.used ? &used : nullptr);
    CheckRead(*f, status, "hvcnDecodeORAddress");
    if (s.used) Check(status == hvcnSUCCESS ? used > 0 && used <= length : used == 0, "used lies in the input");
  }
  if (status != hvcnSUCCESS) return;

  // decode -> encode -> decode: the same values; the DER again the same.
  const Values values = NonEmptyValues(*f);
  const std::vector<uint8_t> der = Encoded(f.get(), s.encodeFlags);
  Check(!der.empty(), "a decoded name can be encoded", Describe(values));
  auto g = Prepared(s);
  uint32_t used = 0;
  // What is written is DER, its teletex in T.61 whatever the input held.
  const int32_t again = hvcnDecodeORAddress(der.data(), static_cast<uint32_t>(der.size()), g.get(), hvcnBER_DER_ONLY, &used);
  Check(again == hvcnSUCCESS && used == der.size(), "the DER written decodes", g->errorDetail);
  if (!s.sevenBit) Check(NonEmptyValues(*g) == values, "decode, encode, decode: the same values", Describe(NonEmptyValues(*g)));
  const std::vector<uint8_t> second = Encoded(g.get(), s.encodeFlags);
  Check(second == der, "the DER written is written the same again");
}
