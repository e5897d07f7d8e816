// The x400Address entries of an X.509 certificate: read, not trusted (no
// signature is checked).
//
//   Certificate     SEQUENCE { tbsCertificate, signatureAlgorithm, signature }
//   tbsCertificate  SEQUENCE { version [0], serialNumber, signature, issuer,
//                   validity, subject, subjectPublicKeyInfo, issuerUniqueID [1],
//                   subjectUniqueID [2], extensions [3] EXPLICIT SEQUENCE OF
//                   Extension }
//   Extension       SEQUENCE { extnID OBJECT IDENTIFIER, critical BOOLEAN
//                   DEFAULT FALSE, extnValue OCTET STRING }
//   subjectAltName (2.5.29.17) and issuerAltName (2.5.29.18): extnValue holds
//   GeneralNames, a SEQUENCE OF GeneralName, of which x400Address is [3]
//   IMPLICIT ORAddress (0xA3).
//
// The entries are counted through the subjectAltName, then the
// issuerAltName; the entry asked for is decoded as hvcnDecodeORAddress
// decodes it, its offsets counted from the start of the certificate. Bytes
// after the certificate are not looked at.
#include <cstring>

#include "ber/ber.h"
#include "ber/decoder.h"

namespace hvcn::ber {
namespace {

struct AltName {
  uint8_t oid[3];  // the contents of its OBJECT IDENTIFIER
  uint32_t extension;
};
constexpr AltName kAltNames[] = {
    {{0x55, 0x1D, 0x11}, hvcnCERT_SUBJECT_ALT_NAME},  // 2.5.29.17
    {{0x55, 0x1D, 0x12}, hvcnCERT_ISSUER_ALT_NAME},   // 2.5.29.18
};

constexpr uint8_t kExtensionsTag = tag::Context(3, true);
constexpr uint8_t kX400AddressTag = tag::Context(3, true);

}  // namespace

int32_t Decoder::Certificate(Span certificate, uint32_t index, uint32_t* extension) noexcept {
  StartReadName(f_);
  Element cert, tbs, field, extensions;
  if (!Next(certificate, &cert, "certificate") || !Tagged(cert, tag::kSequence, "certificate")) return status_;
  Span in = cert.contents;
  if (!Next(in, &tbs, "tbsCertificate") || !Tagged(tbs, tag::kSequence, "tbsCertificate")) return status_;
  bool found = false;
  for (Span fields = tbs.contents; !fields.empty() && !found;) {
    if (!Next(fields, &field, "tbsCertificate")) return status_;
    found = field.tag == kExtensionsTag;
  }
  uint32_t entries = 0;
  if (found && (!Only(field, &extensions, "extensions") || !Tagged(extensions, tag::kSequence, "extensions")))
    return status_;
  for (const AltName& alt : kAltNames) {
    for (Span list = found ? extensions.contents : Span(); !list.empty();) {
      Element ext, id, value, names;
      if (!Next(list, &ext, "extension") || !Tagged(ext, tag::kSequence, "extension")) return status_;
      Span parts = ext.contents;
      if (!Next(parts, &id, "extnID") || !Tagged(id, tag::kObjectIdentifier, "extnID")) return status_;
      if (id.contents.size() != sizeof alt.oid || std::memcmp(id.contents.begin(), alt.oid, sizeof alt.oid) != 0)
        continue;
      if (!Next(parts, &value, "extnValue")) return status_;
      if (value.tag == tag::kBoolean && !Next(parts, &value, "extnValue")) return status_;
      if (!Tagged(value, tag::kOctetString, "extnValue") || !End(parts, "extension")) return status_;
      Span octets = value.contents;
      if (!Next(octets, &names, "GeneralNames") || !Tagged(names, tag::kSequence, "GeneralNames") ||
          !End(octets, "extnValue"))
        return status_;
      for (Span each = names.contents; !each.empty();) {
        const Span at = each;
        Element name;
        if (!Next(each, &name, "GeneralName")) return status_;
        if (name.tag != kX400AddressTag) continue;
        if (entries++ != index) continue;
        uint32_t used = 0;
        const int32_t status = Run(Span(at.begin(), at.begin() + name.size, at.begin() - at.offset()), &used);
        if (status == hvcnSUCCESS && extension) *extension = alt.extension;
        return status;
      }
    }
  }
  Fail(hvcnERR_NO_MORE_INTERPRETATIONS, detail::kNoSuchEntry, entries, index);
  return status_;
}

int32_t CertificateORAddress(hvcnFormat* format, const uint8_t* certificate, uint32_t length, uint32_t index,
                             uint32_t flags, uint32_t* extension) noexcept {
  Decoder decoder(format, flags);
  return decoder.Certificate(Span(certificate, certificate + length, certificate), index, extension);
}

}  // namespace hvcn::ber
