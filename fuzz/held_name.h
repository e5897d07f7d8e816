// The values a format holds, read from the public structure, for the
// fuzz targets that compare names.
#pragma once

#include <map>
#include <string>

#include "fuzz_support.h"

namespace hvcn::fuzz {

// Catalogue slot -> value, for every present value that is not empty.
using Values = std::map<int, std::string>;

inline Values NonEmptyValues(const hvcnFormat& f) {
  Values values;
  for (int slot = 0; slot < hvcnATTRIBUTE_COUNT; ++slot) {
    std::string_view text;
    if (f.attributes[slot].id != 0 && HeldValue(f, slot, &text) && !text.empty()) values[slot] = std::string(text);
  }
  return values;
}

// The slot of the record that is a standard record's teletex twin (as
// hvcnGetAttributeInfo names it), or the slot itself.
inline int TwinSlot(const hvcnFormat& f, int slot) {
  hvcnAttributeInfo info{};
  if (hvcnGetAttributeInfo(f.attributes[slot].id, &info, sizeof info) != hvcnSUCCESS || info.twinId == 0) return slot;
  for (int s = 0; s < hvcnATTRIBUTE_COUNT; ++s)
    if (f.attributes[s].id == info.twinId) return s;
  return slot;
}

// True when a value of the name holds one of the bytes.
inline bool AnyValueHolds(const Values& values, std::string_view bytes) {
  for (const auto& [slot, text] : values)
    if (text.find_first_of(bytes) != std::string::npos) return true;
  return false;
}

// True when every value is well-formed UTF-8 (RFC 3629).
inline bool ValidUtf8(const Values& values) {
  for (const auto& [slot, text] : values) {
    for (size_t i = 0; i < text.size();) {
      const auto c = static_cast<unsigned char>(text[i]);
      const size_t n = c < 0x80 ? 1 : (c >= 0xC2 && c < 0xE0) ? 2 : (c >= 0xE0 && c < 0xF0) ? 3 : (c >= 0xF0 && c < 0xF5) ? 4 : 0;
      if (n == 0 || i + n > text.size()) return false;
      for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
      i += n;
    }
  }
  return true;
}

inline std::string Describe(const Values& values) {
  std::string out;
  for (const auto& [slot, text] : values) out += std::to_string(slot) + "=" + text + "|";
  return out;
}

}  // namespace hvcn::fuzz
