// Exports of the internet-name checks and the RS lists. The two internet
// checks are pure tests: no format, no configuration, no trace lines; they
// answer 1 or 0.
#include <cstring>

#include "api/hvcn.h"
#include "core/frame.h"
#include "core/trace.h"
#include "internet/internet_name.h"
#include "internet/rs_list.h"

using hvcn::ApiFrame;

extern "C" {

HVCN_API uint32_t HVCN_CALL hvcnParseInternetName(const char* name, char* output) noexcept {
  return hvcn::ParseInternetName(name, output);
}

HVCN_API uint32_t HVCN_CALL hvcnIsGSETBInternetName(const char* name) noexcept {
  return hvcn::IsGsEtbInternetName(name);
}

HVCN_API int32_t HVCN_CALL hvcnGetRSList(hvcnFormat* format, char* buffer, uint32_t size) noexcept {
  ApiFrame frame("hvcnGetRSList", ApiFrame::ReturnLine::WithName, "hvcnGetRSList(%Fp, %Fp, %u)",
                 static_cast<const void*>(format), static_cast<const void*>(buffer), size);
  if (!format || !buffer || size == 0) {
    ApiFrame::Fault("Format ptr NULL or supplied buffer NULL or zero length");
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  }
  hvcn::ClearDetail(format);
  if (!(format->flags & hvcnFMT_READY)) return frame.Abort(hvcnERR_FORMAT_NOT_READY);
  if (hvcn::trace::On(hvcn::trace::kData)) hvcn::trace::DumpFormat(format);
  int32_t status = hvcn::internet::BuildRSList(format, buffer, size);
  if (status == hvcnSUCCESS && hvcn::trace::On(hvcn::trace::kData))
    hvcn::trace::DumpText(buffer, std::strlen(buffer), "RS list of attributes");
  return frame.Finish(status);
}

}  // extern "C"
