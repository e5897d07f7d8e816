// Exports of the AMHS address conversion: argument checks, the call frame,
// one call into the subsystem.
#include "amhs/amhs.h"
#include "api/hvcn.h"
#include "core/frame.h"
#include "core/trace.h"

using hvcn::ApiFrame;
namespace amhs = hvcn::amhs;
namespace trace = hvcn::trace;

namespace {

constexpr uint32_t kEntryFlags = hvcnAMHS_ORIGINATOR | hvcnAMHS_KEEP_REVERSE;

}  // namespace

extern "C" {

HVCN_API int32_t HVCN_CALL hvcnParseAMHSTables(const char* text, void* tables, uint32_t size, uint32_t* needed,
                                               uint32_t* line) noexcept {
  ApiFrame frame("hvcnParseAMHSTables", ApiFrame::ReturnLine::WithName, "hvcnParseAMHSTables(%Fp, %Fp, %u)",
                 static_cast<const void*>(text), tables, size);
  if (line) *line = 0;
  if (!text || !needed || (!tables && size != 0)) {
    ApiFrame::Fault("Table text, tables or size pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  *needed = 0;
  uint32_t at = 0;
  char detail[sizeof(hvcnFormat::errorDetail)] = "";
  const int32_t status = amhs::BuildTables(text, tables, size, needed, &at, detail, sizeof detail);
  if (line) *line = at;
  if (status != hvcnSUCCESS && status != hvcnERR_BUFFER_TOO_SMALL) {
    trace::If(trace::kError, trace::tag::kError, "AMH: %s", detail);
    if (tables && size > 0) hvcn::CopyText(static_cast<char*>(tables), size, detail);
  }
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnAFTNToORAddress(const char* aftn, const void* tables, uint32_t size, hvcnFormat* f,
                                               uint32_t* scheme) noexcept {
  ApiFrame frame("hvcnAFTNToORAddress", ApiFrame::ReturnLine::WithName, "hvcnAFTNToORAddress(\"%s\", %Fp, %u, %Fp)",
                 aftn, tables, size, static_cast<const void*>(f));
  if (scheme) *scheme = 0;
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  hvcn::ClearDetail(f);
  if (!aftn || !tables) {
    ApiFrame::Fault("AF-Address or tables pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  return frame.Finish(amhs::ToORAddress(aftn, tables, size, f, scheme));
}

HVCN_API int32_t HVCN_CALL hvcnORAddressToAFTN(hvcnFormat* f, const void* tables, uint32_t size, char* aftn,
                                               uint32_t aftnSize, uint32_t* result) noexcept {
  ApiFrame frame("hvcnORAddressToAFTN", ApiFrame::ReturnLine::WithName,
                 "hvcnORAddressToAFTN(%Fp, %Fp, %u, %Fp, %u, 0x%x)", static_cast<const void*>(f), tables, size,
                 static_cast<const void*>(aftn), aftnSize, result ? *result : 0u);
  const uint32_t flags = result ? *result : 0;
  if (result) *result = 0;
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  hvcn::ClearDetail(f);
  if (!tables || (!aftn && aftnSize != 0) || (flags & ~kEntryFlags)) {
    ApiFrame::Fault("Tables or AF-Address buffer pointer is NULL, or unknown flags");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  if (!(f->flags & hvcnFMT_NAME_HELD)) {
    ApiFrame::Fault("No name has been parsed. No data are available.");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  const int32_t status = amhs::ToAftn(f, tables, size, aftn, aftnSize, flags, result);
  if (status == hvcnSUCCESS) trace::If(trace::kData, trace::tag::kData, "Output name: '%s'", aftn);
  return frame.Finish(status);
}

}  // extern "C"
