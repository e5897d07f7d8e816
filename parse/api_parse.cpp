// The export of the name parser.
#include "api/hvcn.h"
#include "core/frame.h"
#include "core/trace.h"
#include "parse/parse.h"

namespace {

using hvcn::ApiFrame;
namespace trace = hvcn::trace;

// The lines of the way out: status text, dump, the internal output, the
// status text again and the return line.
int32_t Leave(const hvcnFormat* f, const char* buffer, uint32_t size, bool wrote, int32_t status) noexcept {
  const bool api = trace::On(trace::kApi);
  if (status != hvcnSUCCESS && api) trace::StatusText(status);
  if (trace::On(trace::kData)) trace::DumpFormat(f);
  if (api) {
    ApiFrame::ShowOutput("pBuffer", buffer, size, wrote);
    if (status != hvcnSUCCESS) trace::StatusText(status);
    trace::Line(trace::tag::kApiReturn, "%d (%s)", status, "hvcnParseName");
  }
  return status;
}

}  // namespace

extern "C" HVCN_API int32_t HVCN_CALL hvcnParseName(const char* name, hvcnFormat* f, int32_t internalType,
                                                    char* buffer, uint32_t bufferSize, uint32_t* context,
                                                    uint32_t flags) noexcept {
  uint32_t word = context ? *context : 0;
  ApiFrame frame("hvcnParseName", ApiFrame::ReturnLine::WithName, "hvcnParseName(\"%s\", %Fp, %d, %Fp, %u, 0x%lx, 0x%x)",
                 name, static_cast<const void*>(f), internalType, static_cast<const void*>(buffer), bufferSize, word,
                 flags & 0xFFFF);
  if (!name || !f || (!buffer && internalType != 0) || (bufferSize == 0 && buffer))
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  hvcn::ClearDetail(f);
  if (static_cast<uint32_t>(internalType) > hvcnINTERNAL_GSRS) {
    trace::If(trace::kError, trace::tag::kError, "Unknown internal name type (%d)", internalType);
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  }
  bool wrote = false;
  const int32_t status = hvcn::parse::ParseName(name, f, internalType, buffer, bufferSize, &word, flags, &wrote);
  if (context) *context = word;
  return Leave(f, buffer, bufferSize, wrote, status);
}
