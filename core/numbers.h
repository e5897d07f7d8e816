// Numbers in text, read with std::from_chars and saturated at the bounds of
// a 32-bit integer.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "core/ascii.h"

namespace hvcn {

// The digits of a base at the start of [first, last), as a non-negative
// number; a number beyond INT32_MAX reads as INT32_MAX. *end (optional) is
// where the digits end (first when there are none).
inline int32_t ReadDigits(const char* first, const char* last, int base, const char** end = nullptr) noexcept {
  uint64_t magnitude = 0;
  auto [stop, error] = std::from_chars(first, last, magnitude, base);
  if (error == std::errc::result_out_of_range) magnitude = UINT64_MAX;
  if (end) *end = stop;
  return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}

// An integer at the start of text as the C library's strtol reads it:
// leading white space, an optional sign, then digits of the base; base 0
// takes "0x" before a hexadecimal digit as base 16 and a leading 0 as base
// 8. Saturates at INT32_MIN and INT32_MAX. *end (optional) is where the
// digits end, or text when there are none.
inline int32_t ReadInteger(const char* text, int base, const char** end = nullptr) noexcept {
  const char* p = text;
  while (ascii::IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (base == 0) {
    const bool hexDigit = (p[2] >= '0' && p[2] <= '9') || (ascii::Lower(p[2]) >= 'a' && ascii::Lower(p[2]) <= 'f');
    if (p[0] == '0' && ascii::Lower(p[1]) == 'x' && hexDigit) {
      base = 16;
      p += 2;
    } else {
      base = p[0] == '0' ? 8 : 10;
    }
  }
  uint64_t magnitude = 0;
  auto [stop, error] = std::from_chars(p, p + std::strlen(p), magnitude, base);
  if (error == std::errc::result_out_of_range) magnitude = UINT64_MAX;
  if (end) *end = stop == p ? text : stop;
  if (negative) return magnitude > uint64_t{INT32_MAX} + 1 ? INT32_MIN : static_cast<int32_t>(-static_cast<int64_t>(magnitude));
  return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}

}  // namespace hvcn
