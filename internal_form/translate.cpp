// Translation between internal types, and attribute lookup.
#include <cstring>

#include "core/frame.h"
#include "core/strings.h"
#include "core/trace.h"
#include "internal_form/internal_form.h"
#include "model/catalogue.h"
#include "model/held_value.h"

namespace hvcn::internal_form {
namespace {

int32_t Encode(hvcnFormat* format, int32_t type, TextSink& out, uint32_t flags) noexcept {
  switch (type) {
    case hvcnINTERNAL_GS: return EncodeGs(format, out);
    case hvcnINTERNAL_GSETB: return EncodeGsEtb(format, out);
    default: return EncodeGsRs(format, out, flags);
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
                          TextSink& destination, uint32_t flags, bool* wrote) noexcept {
  *wrote = false;
  trace::If(trace::kFunction, trace::tag::kFunctionIn, "TranslateInternalFormat(%Fp, %d, %Fp, %d, %Fp, %u, 0x%x)",
            static_cast<const void*>(format), sourceType, static_cast<const void*>(source), destinationType,
            static_cast<const void*>(destination.Text()), destination.Left(), flags & 0xFFFF);
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
    if (!destination.Fits(length)) return hvcnERR_BUFFER_TOO_SMALL;
    destination.Append(format->nameBuffer, length);
    destination.Terminate();
    *wrote = true;
    return hvcnSUCCESS;
  }
  *wrote = true;
  return Encode(format, destinationType, destination, flags);
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
  CopyBounded(buffer, size, value.text);
  trace::If(trace::kData, trace::tag::kData, "Attribute value is '%s'", buffer);
  return hvcnSUCCESS;
}

}  // namespace hvcn::internal_form

