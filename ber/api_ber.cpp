// Exports of the binary O/R address: argument checks, the call frame, one
// call into the subsystem.
#include "api/hvcn.h"
#include "ber/ber.h"
#include "core/frame.h"

using hvcn::ApiFrame;
namespace ber = hvcn::ber;

namespace {

constexpr uint32_t kDecodeFlags = hvcnBER_DER_ONLY | hvcnBER_TELETEX_LATIN1;
constexpr uint32_t kForms = hvcnBER_ORNAME | hvcnBER_X400ADDRESS;

// A format given and ready (its detail then cleared): 0 to go on.
int32_t CheckFormat(hvcnFormat* f) noexcept {
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return hvcnERR_BAD_PARAMETER;
  }
  hvcn::ClearDetail(f);
  return (f->flags & hvcnFMT_READY) ? hvcnSUCCESS : hvcnERR_FORMAT_NOT_READY;
}

const uint8_t* Bytes(const void* data) noexcept { return static_cast<const uint8_t*>(data); }

}  // namespace

extern "C" {

HVCN_API int32_t HVCN_CALL hvcnDecodeORAddress(const void* data, uint32_t length, hvcnFormat* f, uint32_t flags,
                                               uint32_t* used) noexcept {
  ApiFrame frame("hvcnDecodeORAddress", ApiFrame::ReturnLine::WithName, "hvcnDecodeORAddress(%Fp, %u, %Fp, 0x%x, %Fp)",
                 data, length, static_cast<const void*>(f), flags, static_cast<const void*>(used));
  if (used) *used = 0;
  if (int32_t status = CheckFormat(f); status == hvcnERR_BAD_PARAMETER) return frame.Finish(status);
  if (!data || (flags & ~kDecodeFlags)) {
    ApiFrame::Fault("Data pointer is NULL, or unknown flags");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  return frame.Finish(ber::DecodeORAddress(f, ber::Span(Bytes(data), Bytes(data) + length, Bytes(data)), flags, used));
}

HVCN_API int32_t HVCN_CALL hvcnEncodeORAddress(hvcnFormat* f, void* buffer, uint32_t size, uint32_t* length,
                                               uint32_t flags) noexcept {
  ApiFrame frame("hvcnEncodeORAddress", ApiFrame::ReturnLine::WithName, "hvcnEncodeORAddress(%Fp, %Fp, %u, %Fp, 0x%x)",
                 static_cast<const void*>(f), buffer, size, static_cast<const void*>(length), flags);
  if (length) *length = 0;
  if (int32_t status = CheckFormat(f); status == hvcnERR_BAD_PARAMETER) return frame.Finish(status);
  if ((!buffer && size != 0) || (flags & ~kForms) || (flags & kForms) == kForms) {
    ApiFrame::Fault("Buffer pointer is NULL with a size, or unknown flags");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  if (!(f->flags & hvcnFMT_NAME_HELD)) {
    ApiFrame::Fault("No name has been parsed. No data are available.");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  return frame.Finish(ber::EncodeORAddress(f, static_cast<uint8_t*>(buffer), size, length, flags));
}

HVCN_API int32_t HVCN_CALL hvcnGetCertificateORAddress(const void* certificate, uint32_t length, uint32_t index,
                                                       hvcnFormat* f, uint32_t* extension) noexcept {
  const uint32_t flags = extension ? *extension : 0;
  ApiFrame frame("hvcnGetCertificateORAddress", ApiFrame::ReturnLine::WithName,
                 "hvcnGetCertificateORAddress(%Fp, %u, %u, %Fp, 0x%x)", certificate, length, index,
                 static_cast<const void*>(f), flags);
  if (extension) *extension = 0;
  if (int32_t status = CheckFormat(f); status == hvcnERR_BAD_PARAMETER) return frame.Finish(status);
  if (!certificate || (flags & ~kDecodeFlags)) {
    ApiFrame::Fault("Certificate pointer is NULL, or unknown flags in *extension");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  return frame.Finish(ber::CertificateORAddress(f, Bytes(certificate), length, index, flags, extension));
}

}  // extern "C"
