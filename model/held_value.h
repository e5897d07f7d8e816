// The value a format holds for a catalogue slot. One place decides what a
// record's (valueOffset, valueLength) pair means: absent (0xFFFE), the
// foreign-address marker (0xFFFF, which reads as "RFC-822"), or bytes of
// nameBuffer, never reaching past it.
#pragma once

#include <cstdint>
#include <string_view>

#include "api/hvcn.h"
#include "model/slots.h"

namespace hvcn::model {

inline constexpr std::string_view kForeignAddressType = "RFC-822";

struct HeldValue {
  std::string_view text;  // empty for an absent value
  bool present = false;   // valueLength other than 0xFFFE
  bool foreign = false;   // the 0xFFFF marker

  bool empty() const noexcept { return text.empty(); }
};

inline HeldValue ValueOf(const hvcnFormat* format, int slot) noexcept {
  if (slot < 0 || slot >= kSlotCount) return {};
  const hvcnAttribute& record = format->attributes[slot];
  if (record.valueLength == hvcnVALUE_ABSENT) return {};
  if (record.valueLength == hvcnVALUE_FOREIGN) return {kForeignAddressType, true, true};
  constexpr uint32_t kBuffer = sizeof format->nameBuffer - 1;
  uint32_t offset = record.valueOffset < kBuffer ? record.valueOffset : kBuffer;
  uint32_t length = record.valueLength < kBuffer - offset ? record.valueLength : kBuffer - offset;
  return {std::string_view(format->nameBuffer + offset, length), true, false};
}

inline bool IsPresent(const hvcnFormat* format, int slot) noexcept {
  return slot >= 0 && slot < kSlotCount && format->attributes[slot].valueLength != hvcnVALUE_ABSENT;
}

}  // namespace hvcn::model
