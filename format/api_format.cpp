// Exports of the formats: format strings and format information.
#include "api/hvcn.h"
#include "core/frame.h"
#include "format/format.h"
#include "format/format_info.h"

using hvcn::ApiFrame;
namespace format = hvcn::format;

namespace {

// The common checks of the two exports that change a ready format's tokens.
// Returns 0 to go on, else the status (its frame lines already written).
int32_t CheckChangeArguments(const ApiFrame& frame, const char* formatString, const hvcnFormat* f) noexcept {
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  }
  if (!formatString) {
    ApiFrame::Fault("Format string is NULL");
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) {
    ApiFrame::Fault("Havn't called hvcnParseFormatString");
    return frame.Abort(hvcnERR_FORMAT_NOT_READY);
  }
  return hvcnSUCCESS;
}

}  // namespace

extern "C" {

HVCN_API int32_t HVCN_CALL hvcnParseFormatString(const char* formatString, hvcnFormat* f) noexcept {
  return format::ParseFormatStringFramed(formatString, f);
}

HVCN_API int32_t HVCN_CALL hvcnChangeInputFormat(const char* formatString, hvcnFormat* f) noexcept {
  ApiFrame frame("hvcnChangeInputFormat", ApiFrame::ReturnLine::StatusOnly, "hvcnSetInputFormat(\"%s\", %Fp)",
                 formatString, static_cast<const void*>(f));
  if (int32_t status = CheckChangeArguments(frame, formatString, f)) return status;
  return frame.Finish(format::ChangeInputFormat(f, formatString));
}

HVCN_API int32_t HVCN_CALL hvcnChangeOutputFormat(const char* formatString, hvcnFormat* f) noexcept {
  ApiFrame frame("hvcnChangeOutputFormat", ApiFrame::ReturnLine::StatusOnly, "hvcnSetOutputFormat(\"%s\", %Fp)",
                 formatString, static_cast<const void*>(f));
  if (int32_t status = CheckChangeArguments(frame, formatString, f)) return status;
  return frame.Finish(format::ChangeOutputFormat(f, formatString));
}

HVCN_API int32_t HVCN_CALL hvcnGetFormatInfo(hvcnFormat* f, void* data, uint16_t size, uint16_t type) noexcept {
  ApiFrame frame("hvcnGetFormatInfo", ApiFrame::ReturnLine::WithName, "hvcnGetFormatInfo(%Fp, %Fp, %u)",
                 static_cast<const void*>(f), data, type);
  if (!f || !data) {
    ApiFrame::Fault("Format or data pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  format::GetResult result = format::GetFormatInfo(f, data, size, type);
  return result.silent ? result.status : frame.Finish(result.status);
}

HVCN_API int32_t HVCN_CALL hvcnSetFormatInfo(hvcnFormat* f, const void* data, uint16_t type) noexcept {
  ApiFrame frame("hvcnSetFormatInfo", ApiFrame::ReturnLine::WithName, "hvcnSetFormatInfo(%Fp, %Fp, %u)",
                 static_cast<const void*>(f), data, type);
  if (!f || !data) {
    ApiFrame::Fault("Format or data pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  return frame.Finish(format::SetFormatInfo(f, data, type));
}

}  // extern "C"
