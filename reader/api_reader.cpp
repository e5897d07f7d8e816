// Exports of the reader of pasted text: argument checks, the call frame,
// one call into the subsystem.
#include "api/hvcn.h"
#include "core/frame.h"
#include "reader/reader.h"

using hvcn::ApiFrame;
namespace reader = hvcn::reader;

namespace {

constexpr uint32_t kFlags = hvcnREAD_STRICT;

// The checks both exports make: 0 to go on.
int32_t Checked(const char* text, hvcnFormat* f, uint32_t flags, int32_t* kind) noexcept {
  if (kind) *kind = hvcnKIND_NONE;
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return hvcnERR_BAD_PARAMETER;
  }
  hvcn::ClearDetail(f);
  if (!text || !kind || (flags & ~kFlags)) {
    ApiFrame::Fault("Text or kind pointer is NULL, or unknown flags");
    return hvcnERR_BAD_PARAMETER;
  }
  return hvcnSUCCESS;
}

}  // namespace

extern "C" {

HVCN_API int32_t HVCN_CALL hvcnClassifyAddress(const char* text, hvcnFormat* f, uint32_t flags, int32_t* kind) noexcept {
  ApiFrame frame("hvcnClassifyAddress", ApiFrame::ReturnLine::WithName, "hvcnClassifyAddress(\"%s\", %Fp, 0x%x)", text,
                 static_cast<const void*>(f), flags);
  if (int32_t status = Checked(text, f, flags, kind)) return frame.Finish(status);
  return frame.Finish(reader::Classify(f, text, flags, kind));
}

HVCN_API int32_t HVCN_CALL hvcnReadAddress(const char* text, hvcnFormat* f, uint32_t flags, int32_t* kind) noexcept {
  ApiFrame frame("hvcnReadAddress", ApiFrame::ReturnLine::WithName, "hvcnReadAddress(\"%s\", %Fp, 0x%x)", text,
                 static_cast<const void*>(f), flags);
  if (int32_t status = Checked(text, f, flags, kind)) return frame.Finish(status);
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  return frame.Finish(reader::Read(f, text, flags, kind));
}

}  // extern "C"
