// The export of the formatter.
#include "api/hvcn.h"
#include "core/frame.h"
#include "output/output.h"

using hvcn::ApiFrame;

extern "C" HVCN_API int32_t HVCN_CALL hvcnFormatName(hvcnFormat* format, char* name, uint32_t size,
                                                     uint16_t flags) noexcept {
  ApiFrame frame("hvcnFormatName", ApiFrame::ReturnLine::WithName, "hvcnFormatName(%Fp, %Fp, %u, 0x%x)",
                 static_cast<const void*>(format), static_cast<const void*>(name), size, flags);
  if (!ApiFrame::FormatAndBufferGiven(format, name, size)) return frame.Finish(hvcnERR_BAD_PARAMETER);
  return frame.Finish(hvcn::output::FormatName(format, name, size, flags));
}
