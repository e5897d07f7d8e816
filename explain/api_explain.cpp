// The export of the explainer.
#include <cstring>

#include "api/hvcn.h"
#include "core/frame.h"
#include "core/text_sink.h"
#include "explain/explain.h"

using hvcn::ApiFrame;

extern "C" HVCN_API int32_t HVCN_CALL hvcnExplainStatus(const hvcnFormat* format, int32_t status, uint32_t call,
                                                        uint32_t how, const char* text, char* buffer, uint32_t size,
                                                        uint32_t* needed, uint32_t* column) noexcept {
  ApiFrame frame("hvcnExplainStatus", ApiFrame::ReturnLine::WithName,
                 "hvcnExplainStatus(%Fp, %d, %u, 0x%x, %Fp, %Fp, %u, %Fp, %Fp)", static_cast<const void*>(format),
                 status, call, how, static_cast<const void*>(text), static_cast<const void*>(buffer), size,
                 static_cast<const void*>(needed), static_cast<const void*>(column));
  if (needed) *needed = 0;
  if (column) *column = 0;
  if (!format || (!buffer && size != 0) || (!text && call != hvcnEXPLAIN_FORMAT_STRING) ||
      call < hvcnEXPLAIN_FORMAT_STRING || call > hvcnEXPLAIN_OR_ADDRESS) {
    ApiFrame::Fault("Format or text pointer is NULL, buffer NULL with a size, or no such call.");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  char explanation[hvcn::explain::kExplanationSize];
  uint32_t at = 0;
  const int32_t result = hvcn::explain::Explain(format, status, call, how, text, explanation, &at);
  if (result != hvcnSUCCESS) {
    if (buffer) buffer[0] = '\0';
    return frame.Finish(result);
  }
  if (column) *column = at;
  return frame.Finish(hvcn::WriteSized(buffer, size, needed, [&](hvcn::TextSink& out) {
    const size_t length = std::strlen(explanation);
    if (!out.Fits(length)) return int32_t{hvcnERR_BUFFER_TOO_SMALL};
    out.Append(explanation, length);
    out.Terminate();
    return int32_t{hvcnSUCCESS};
  }));
}
