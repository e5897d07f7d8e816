// The export of the formatter.
#include "api/hvcn.h"
#include "core/frame.h"
#include "core/text_sink.h"
#include "output/output.h"

using hvcn::ApiFrame;

extern "C" HVCN_API int32_t HVCN_CALL hvcnFormatName(hvcnFormat* format, char* name, uint32_t size,
                                                     uint16_t flags) noexcept {
  ApiFrame frame("hvcnFormatName", ApiFrame::ReturnLine::WithName, "hvcnFormatName(%Fp, %Fp, %u, 0x%x)",
                 static_cast<const void*>(format), static_cast<const void*>(name), size, flags);
  if (!ApiFrame::FormatAndBufferGiven(format, name, size)) return frame.Finish(hvcnERR_BAD_PARAMETER);
  hvcn::TextSink text(name, size);
  return frame.Finish(hvcn::output::FormatName(format, text, flags));
}

extern "C" HVCN_API int32_t HVCN_CALL hvcnFormatNameEx(hvcnFormat* format, char* name, uint32_t size, uint32_t* needed,
                                                       uint16_t flags) noexcept {
  ApiFrame frame("hvcnFormatNameEx", ApiFrame::ReturnLine::WithName, "hvcnFormatNameEx(%Fp, %Fp, %u, %Fp, 0x%x)",
                 static_cast<const void*>(format), static_cast<const void*>(name), size,
                 static_cast<const void*>(needed), flags);
  if (needed) *needed = 0;
  if (!format || (!name && size != 0)) {
    ApiFrame::Fault("Format pointer is NULL, or name buffer NULL with a size.");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  hvcn::ClearDetail(format);
  return frame.Finish(hvcn::WriteSized(name, size, needed, [format, flags](hvcn::TextSink& text) {
    return hvcn::output::FormatName(format, text, flags);
  }));
}
