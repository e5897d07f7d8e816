// Translation between internal types, attribute lookup, and their exports.
#include <cstring>

#include "core/frame.h"
#include "core/strings.h"
#include "core/trace.h"
#include "internal/internal.h"
#include "model/catalogue.h"
#include "model/held_value.h"

namespace hvcn::internal {
namespace {

int32_t Encode(hvcnFormat* format, int32_t type, char* out, uint32_t size, uint32_t flags) noexcept {
  switch (type) {
    case hvcnINTERNAL_GS: return EncodeGs(format, out, size);
    case hvcnINTERNAL_GSETB: return EncodeGsEtb(format, out, size);
    default: return EncodeGsRs(format, out, size, flags);
  }
}

// The catalogue slot an attribute ID of a lookup names, or -1.
int LookupSlot(const hvcnFormat* format, int32_t id, const char* buffer, uint16_t size) noexcept {
  if (id > 0) {
    int slot = model::SlotOfId(id);
    return slot >= 0 ? slot : model::FindUserById(format, id);
  }
  if (id == 0) {
    size_t length = 0;
    while (length < size && buffer[length]) ++length;
    return model::FindUserByName(format, buffer, length);
  }
  const int64_t position = static_cast<int64_t>(id) - hvcnTOKEN_POSITION_FIRST;
  if (position < 0 || position >= hvcnTOKEN_COUNT) {
    trace::If(trace::kError, trace::tag::kError, "Attribute does not identify a token position (%d --> %d)", id,
              static_cast<int32_t>(position));
    return -2;
  }
  const hvcnToken& token = format->tokens[position];
  if (token.id == 0) {
    trace::If(trace::kError, trace::tag::kError, "Token %d is not used.", static_cast<int32_t>(position));
    return -2;
  }
  if (token.slot == hvcnSLOT_SECTION || token.slot >= static_cast<uint32_t>(model::kSlotCount)) {
    trace::If(trace::kError, trace::tag::kError, "Token %d is a multi-attribute token.", static_cast<int32_t>(position));
    return -2;
  }
  return static_cast<int>(token.slot);
}

}  // namespace

int32_t TranslateInternal(hvcnFormat* format, int32_t sourceType, const char* source, int32_t destinationType,
                          char* destination, uint32_t size, uint32_t flags, bool* wrote) noexcept {
  *wrote = false;
  trace::If(trace::kFunction, trace::tag::kFunctionIn, "TranslateInternalFormat(%Fp, %d, %Fp, %d, %Fp, %u, 0x%x)",
            static_cast<const void*>(format), sourceType, static_cast<const void*>(source), destinationType,
            static_cast<const void*>(destination), size, flags & 0xFFFF);
  if (sourceType != 0) {
    if (!source) {
      trace::WriteLine(trace::tag::kError, "TIF: The supplied pointer for the source is NULL.");
      return hvcnERR_BAD_PARAMETER;
    }
    if (int32_t status = DecodeInternalName(format, sourceType, source)) {
      trace::WriteLine(trace::tag::kError, "TIF: Failed to decode internal format");
      return status;
    }
  }
  if (destinationType == 0) return hvcnSUCCESS;
  if (destinationType < hvcnINTERNAL_GS || destinationType > hvcnINTERNAL_GSRS) {
    trace::If(trace::kError, trace::tag::kError, "TIF: Passed invalid internal type (%d)", destinationType);
    return hvcnERR_BAD_PARAMETER;
  }
  if (destinationType == format->nameType && !(flags & hvcnTIF_ALWAYS_ENCODE)) {
    // The held text is already of that type: hand it back unchanged.
    size_t length = std::strlen(format->nameBuffer);
    if (size <= length) return hvcnERR_BUFFER_TOO_SMALL;
    std::memcpy(destination, format->nameBuffer, length + 1);
    *wrote = true;
    return hvcnSUCCESS;
  }
  *wrote = true;
  return Encode(format, destinationType, destination, size, flags);
}

int32_t GetAttributeValueCore(hvcnFormat* format, int32_t id, char* buffer, uint16_t size) noexcept {
  const int slot = LookupSlot(format, id, buffer, size);
  if (slot < 0) {
    if (slot == -1) trace::If(trace::kError, trace::tag::kError, "Attribute %d is not listed", id);
    return hvcnERR_BAD_PARAMETER;
  }
  const model::HeldValue value = model::ValueOf(format, slot);
  if (!value.present) return hvcnERR_NO_VALUE;
  if (!value.empty() && size <= value.text.size()) return hvcnERR_BUFFER_TOO_SMALL;
  std::memcpy(buffer, value.text.data(), value.text.size());
  buffer[value.text.size()] = '\0';
  trace::If(trace::kData, trace::tag::kData, "Attribute value is '%s'", buffer);
  return hvcnSUCCESS;
}

}  // namespace hvcn::internal

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
  int32_t status =
      hvcn::internal::TranslateInternal(format, sourceType, source, destinationType, destination, size, flags, &wrote);
  if (status == hvcnSUCCESS && destination && wrote && hvcn::trace::On(hvcn::trace::kData))
    hvcn::trace::DumpText(destination, std::strlen(destination), "Internal string");
  if (hvcn::trace::On(hvcn::trace::kApi)) {
    // Only what the call wrote, and never past the size.
    char shown[hvcn::trace::kLineSize / 2] = "<NULL>";
    if (destination && wrote) {
      size_t n = 0;
      while (n < size && n < sizeof shown - 1 && destination[n]) ++n;
      std::memcpy(shown, destination, n);
      shown[n] = '\0';
    } else if (destination) {
      shown[0] = '\0';
    }
    hvcn::trace::Line(hvcn::trace::tag::kApiReturn, "pDest=\"%s\"", shown);
  }
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnGetAttributeValue(hvcnFormat* format, int32_t attributeId, char* buffer,
                                                 uint16_t size) noexcept {
  ApiFrame frame("hvcnGetAttributeValue", ApiFrame::ReturnLine::WithName, "hvcnGetAttributeValue(%Fp, %Fp, %d, %d)",
                 static_cast<const void*>(format), static_cast<const void*>(buffer), attributeId, size);
  if (!format || !buffer || size == 0) return frame.Finish(hvcnERR_BAD_PARAMETER);
  if (!(format->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  return frame.Finish(hvcn::internal::GetAttributeValueCore(format, attributeId, buffer, size));
}

}  // extern "C"
