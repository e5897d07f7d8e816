// One UTF-8 character at a time, as RFC 3629 defines the form: at most four
// bytes, no overlong form, no surrogate (U+D800 to U+DFFF), nothing above
// U+10FFFF. The character sets of the wire (T.61, BMPString,
// UniversalString) are converted to and from UTF-8 through these two.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hvcn::utf8 {

inline constexpr char32_t kMaxCodePoint = 0x10FFFF;

constexpr bool IsSurrogate(char32_t c) noexcept { return c >= 0xD800 && c <= 0xDFFF; }

// The character at p (at most `available` bytes): its byte count, and the
// code point in *c; 0 for a malformed or cut-short character.
constexpr size_t Decode(const char* p, size_t available, char32_t* c) noexcept {
  if (available == 0) return 0;
  const auto lead = static_cast<unsigned char>(p[0]);
  if (lead < 0x80) {
    *c = lead;
    return 1;
  }
  size_t n;
  char32_t value, least;
  if (lead >= 0xC2 && lead < 0xE0) {
    n = 2, value = lead & 0x1Fu, least = 0x80;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    n = 3, value = lead & 0x0Fu, least = 0x800;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    n = 4, value = lead & 0x07u, least = 0x10000;
  } else {
    return 0;
  }
  if (n > available) return 0;
  for (size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(p[i]);
    if ((b & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b & 0x3Fu);
  }
  if (value < least || value > kMaxCodePoint || IsSurrogate(value)) return 0;
  *c = value;
  return n;
}

// The bytes of a code point (not a surrogate, at most U+10FFFF) into out,
// which has room for four; returns their count.
constexpr size_t Encode(char32_t c, char* out) noexcept {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

}  // namespace hvcn::utf8
