// The character string types of the O/R address and UTF-8, the text of the
// held name: reading a value's octets into UTF-8, and writing UTF-8 text as
// a string type's octets.
//
//   NumericString     the digits and the blank
//   PrintableString   letters, digits, the blank and ' ( ) + , - . / : = ?
//   TeletexString     T.61 (core/t61.h); or, when the caller says so, Latin-1
//   BMPString         UCS-2, two octets a character, big-endian (a valid
//                     UTF-16 surrogate pair is read too, as some writers put one)
//   UniversalString   UCS-4, four octets a character, big-endian
//
// No control character (below 0x20, 0x7F, 0x80-0x9F) is read or written:
// no attribute value holds one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ber/der.h"
#include "core/t61.h"
#include "model/validate.h"

namespace hvcn::ber {

enum class Charset : uint8_t { Numeric, Printable, Teletex, Latin1, Bmp, Universal };

namespace strings {
// The octets NumericString and PrintableString take, one table each (every
// value read or written goes through one of them, octet by octet).
using OctetSet = std::array<bool, 256>;
template <typename Keeps>
constexpr OctetSet MakeOctetSet(Keeps keeps) noexcept {
  OctetSet set{};
  for (size_t c = 0; c < set.size(); ++c) set[c] = keeps(static_cast<unsigned char>(c));
  return set;
}
inline constexpr OctetSet kNumericOctets =
    MakeOctetSet([](unsigned char c) { return (c >= '0' && c <= '9') || c == ' '; });
inline constexpr OctetSet kPrintableOctets = MakeOctetSet(model::IsPrintableStringCharacter);

// Octets that stand for themselves, each in the set, copied into out.
inline t61::Result CopyChecked(std::string_view octets, char* out, size_t room, const OctetSet& keeps) noexcept {
  using t61::Outcome;
  for (size_t i = 0; i < octets.size(); ++i) {
    const char c = octets[i];
    if (!keeps[static_cast<unsigned char>(c)]) return {Outcome::NoMapping, i, 0};
    if (i < room) out[i] = c;
  }
  if (octets.size() > room) return {Outcome::NoRoom, 0, 0};
  return {Outcome::Done, octets.size(), octets.size()};
}
}  // namespace strings

// The character string type of an identifier octet (universal tags
// only); false for any other.
bool CharsetOfTag(uint8_t tag, Charset* charset) noexcept;
uint8_t TagOf(Charset charset) noexcept;

// A value's octets to UTF-8 into out (room bytes, no NUL added). NoMapping:
// `at` is the offset in `octets` of the character at fault (a BMPString or
// UniversalString of an odd size: its last whole character). ReadText
// copies the two one-octet types inline; ReadWideText does every type.
t61::Result ReadWideText(Charset charset, std::string_view octets, char* out, size_t room) noexcept;
inline t61::Result ReadText(Charset charset, std::string_view octets, char* out, size_t room) noexcept {
  if (charset == Charset::Printable) return strings::CopyChecked(octets, out, room, strings::kPrintableOctets);
  if (charset == Charset::Numeric) return strings::CopyChecked(octets, out, room, strings::kNumericOctets);
  return ReadWideText(charset, octets, out, room);
}

// True when every character of the UTF-8 text can be written in the type.
bool Writable(Charset charset, std::string_view text) noexcept;

// The narrowest of BMPString and UniversalString that carries the text.
Charset UniversalCharset(std::string_view text) noexcept;

// Writes the text as the type's octets; false (with what was written left
// in `out`) when a character cannot be written in the type.
bool WriteText(Charset charset, std::string_view text, Writer& out) noexcept;

}  // namespace hvcn::ber
