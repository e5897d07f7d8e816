// The exports of the internal name forms: translation and attribute lookup.
#include <cstring>

#include "api/hvcn.h"
#include "core/frame.h"
#include "core/text_sink.h"
#include "core/trace.h"
#include "internal_form/internal_form.h"

using hvcn::ApiFrame;

extern "C" {

HVCN_API int32_t HVCN_CALL hvcnTranslateInternalFormat(hvcnFormat* format, int32_t sourceType, const char* source,
                                                       int32_t destinationType, char* destination, uint32_t size,
                                                       uint32_t flags) noexcept {
  ApiFrame frame("hvcnTranslateInternalFormat", ApiFrame::ReturnLine::WithName,
                 "hvcnTranslateInternalFormat(%Fp, %d, \"%s\", %d, %Fp, %u, 0x%x)", static_cast<const void*>(format),
                 sourceType, source, destinationType, static_cast<const void*>(destination), size, flags & 0xFFFF);
  if (!format) {
    ApiFrame::Fault("Format pointer is NULL.");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  hvcn::ClearDetail(format);
  if (destinationType != 0 && (!destination || size == 0)) {
    ApiFrame::Fault("Destination buffer is NULL or zero length and output was requested");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  const bool nothingToDecode = !source || sourceType == 0 || (flags & hvcnTIF_HELD_NAME);
  if (nothingToDecode && !(format->flags & hvcnFMT_NAME_HELD)) {
    ApiFrame::Fault("No name has been parsed. No data are available.");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  bool wrote = false;
  hvcn::TextSink out(destination, size);
  int32_t status = hvcn::internal_form::TranslateInternal(format, sourceType, source, destinationType, out, flags, &wrote);
  if (status == hvcnSUCCESS && destination && wrote && hvcn::trace::On(hvcn::trace::kData))
    hvcn::trace::DumpText(destination, std::strlen(destination), "Internal string");
  ApiFrame::ShowOutput("pDest", destination, size, wrote);
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnTranslateInternalFormatEx(hvcnFormat* format, int32_t sourceType, const char* source,
                                                         int32_t destinationType, char* destination, uint32_t size,
                                                         uint32_t* needed, uint32_t flags) noexcept {
  ApiFrame frame("hvcnTranslateInternalFormatEx", ApiFrame::ReturnLine::WithName,
                 "hvcnTranslateInternalFormatEx(%Fp, %d, \"%s\", %d, %Fp, %u, %Fp, 0x%x)",
                 static_cast<const void*>(format), sourceType, source, destinationType,
                 static_cast<const void*>(destination), size, static_cast<const void*>(needed), flags & 0xFFFF);
  if (needed) *needed = 0;
  if (!format || (!destination && size != 0)) {
    ApiFrame::Fault("Format pointer is NULL, or destination buffer NULL with a size.");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  hvcn::ClearDetail(format);
  const bool nothingToDecode = !source || sourceType == 0 || (flags & hvcnTIF_HELD_NAME);
  if (nothingToDecode && !(format->flags & hvcnFMT_NAME_HELD)) {
    ApiFrame::Fault("No name has been parsed. No data are available.");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  // The source is decoded once; the held name is then written, or measured.
  hvcn::TextSink none(nullptr, 0);
  bool wrote = false;
  int32_t status = hvcnSUCCESS;
  if (!nothingToDecode)
    status = hvcn::internal_form::TranslateInternal(format, sourceType, source, 0, none, flags, &wrote);
  if (status == hvcnSUCCESS && destinationType != 0)
    status = hvcn::WriteSized(destination, size, needed, [&](hvcn::TextSink& text) {
      return hvcn::internal_form::TranslateInternal(format, 0, nullptr, destinationType, text,
                                                    flags | hvcnTIF_HELD_NAME, &wrote);
    });
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnGetAttributeValue(hvcnFormat* format, int32_t attributeId, char* buffer,
                                                 uint16_t size) noexcept {
  ApiFrame frame("hvcnGetAttributeValue", ApiFrame::ReturnLine::WithName, "hvcnGetAttributeValue(%Fp, %Fp, %d, %d)",
                 static_cast<const void*>(format), static_cast<const void*>(buffer), attributeId, size);
  if (!format || !buffer || size == 0) return frame.Finish(hvcnERR_BAD_PARAMETER);
  if (!(format->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  return frame.Finish(hvcn::internal_form::GetAttributeValueCore(format, attributeId, buffer, size));
}

}  // extern "C"
