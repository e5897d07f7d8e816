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

// The standard slot that pairs with a slot as base and teletex twin
// (slots 0-8, 15-23 with 25-33, 34-42), or the slot itself.
inline int TwinPartner(int slot) {
  if (slot >= 0 && slot <= 8) return slot + 25;
  if (slot >= 25 && slot <= 33) return slot - 25;
  if (slot >= 15 && slot <= 23) return slot + 19;
  if (slot >= 34 && slot <= 42) return slot - 19;
  return slot;
}

// True when a value of the name holds one of the bytes.
inline bool AnyValueHolds(const Values& values, std::string_view bytes) {
  for (const auto& [slot, text] : values)
    if (text.find_first_of(bytes) != std::string::npos) return true;
  return false;
}

// True when every multi-byte character of every value is whole: the
// library measures a character by its lead byte alone, so a lead byte
// without its continuation bytes takes the bytes after it (a separator,
// say) into the character.
inline bool WholeCharacters(const Values& values) {
  for (const auto& [slot, text] : values) {
    for (size_t i = 0; i < text.size();) {
      const auto c = static_cast<unsigned char>(text[i]);
      const size_t n = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF8 ? 4 : c < 0xFC ? 5 : c < 0xFE ? 6 : 1;
      if (i + n > text.size()) return false;
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
