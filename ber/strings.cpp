#include "ber/strings.h"

#include <array>
#include <cstring>

#include "core/utf8.h"
#include "model/validate.h"

namespace hvcn::ber {
namespace {

using t61::Outcome;
using t61::Result;
using strings::CopyChecked;
using strings::kNumericOctets;
using strings::kPrintableOctets;
using strings::OctetSet;

constexpr bool IsControl(char32_t c) noexcept { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

struct CharsetTag {
  Charset charset;
  uint8_t tag;
};
constexpr CharsetTag kTags[] = {
    {Charset::Numeric, tag::kNumericString}, {Charset::Printable, tag::kPrintableString},
    {Charset::Teletex, tag::kTeletexString}, {Charset::Latin1, tag::kTeletexString},
    {Charset::Bmp, tag::kBmpString},         {Charset::Universal, tag::kUniversalString},
};

// Characters of `width` octets (1, 2 or 4), big-endian, to UTF-8.
Result Widen(std::string_view octets, size_t width, char* out, size_t room) noexcept {
  size_t written = 0;
  const auto at = [&](size_t i) noexcept { return static_cast<unsigned char>(octets[i]); };
  for (size_t i = 0; i < octets.size();) {
    if (octets.size() - i < width) return {Outcome::NoMapping, i, written};
    char32_t c = 0;
    for (size_t k = 0; k < width; ++k) c = c << 8 | at(i + k);
    size_t used = width;
    // UTF-16's surrogate pair in a BMPString.
    if (width == 2 && c >= 0xD800 && c < 0xDC00 && octets.size() - i >= 4) {
      const char32_t low = static_cast<char32_t>(at(i + 2) << 8 | at(i + 3));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        used = 4;
      }
    }
    if (c > utf8::kMaxCodePoint || utf8::IsSurrogate(c) || IsControl(c)) return {Outcome::NoMapping, i, written};
    char bytes[4];
    const size_t n = utf8::Encode(c, bytes);
    if (n > room - written) return {Outcome::NoRoom, i, written};
    std::memcpy(out + written, bytes, n);
    written += n;
    i += used;
  }
  return {Outcome::Done, octets.size(), written};
}

// Calls `each` with every character of well-formed UTF-8 text; false on a
// malformed one or when `each` says no.
template <typename Each>
bool EachCharacter(std::string_view text, Each each) noexcept {
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const size_t n = utf8::Decode(text.data() + i, text.size() - i, &c);
    if (n == 0 || !each(c)) return false;
    i += n;
  }
  return true;
}

}  // namespace

bool CharsetOfTag(uint8_t tag, Charset* charset) noexcept {
  for (const CharsetTag& entry : kTags)
    if (entry.tag == tag) {
      *charset = entry.charset;
      return true;
    }
  return false;
}

uint8_t TagOf(Charset charset) noexcept {
  for (const CharsetTag& entry : kTags)
    if (entry.charset == charset) return entry.tag;
  return 0;
}

Result ReadWideText(Charset charset, std::string_view octets, char* out, size_t room) noexcept {
  switch (charset) {
    case Charset::Numeric: return CopyChecked(octets, out, room, kNumericOctets);
    case Charset::Printable: return CopyChecked(octets, out, room, kPrintableOctets);
    case Charset::Teletex: return t61::Decode(octets, out, room);
    case Charset::Latin1: return Widen(octets, 1, out, room);
    case Charset::Bmp: return Widen(octets, 2, out, room);
    case Charset::Universal: return Widen(octets, 4, out, room);
  }
  return {Outcome::NoMapping, 0, 0};
}

bool Writable(Charset charset, std::string_view text) noexcept {
  const auto all = [&](const OctetSet& keeps) noexcept {
    for (char c : text)
      if (!keeps[static_cast<unsigned char>(c)]) return false;
    return true;
  };
  switch (charset) {
    case Charset::Numeric: return all(kNumericOctets);
    case Charset::Printable: return all(kPrintableOctets);
    case Charset::Teletex: return t61::HasT61Form(text);
    case Charset::Bmp: return EachCharacter(text, [](char32_t c) { return c < 0x10000 && !IsControl(c); });
    case Charset::Universal: return EachCharacter(text, [](char32_t c) { return !IsControl(c); });
    case Charset::Latin1: break;
  }
  return false;
}

Charset UniversalCharset(std::string_view text) noexcept {
  return Writable(Charset::Bmp, text) ? Charset::Bmp : Charset::Universal;
}

bool WriteText(Charset charset, std::string_view text, Writer& out) noexcept {
  switch (charset) {
    case Charset::Teletex: {
      const t61::Result measured = t61::Encode(text, nullptr, 0);
      if (measured.outcome != Outcome::Done) return false;
      if (uint8_t* room = out.Room(measured.written)) t61::Encode(text, reinterpret_cast<char*>(room), measured.written);
      out.Advance(measured.written);
      return true;
    }
    case Charset::Bmp:
    case Charset::Universal: {
      const size_t width = charset == Charset::Bmp ? 2 : 4;
      return EachCharacter(text, [&](char32_t c) noexcept {
        if (IsControl(c) || (width == 2 && c >= 0x10000)) return false;
        for (size_t k = width; k-- > 0;) out.Put(static_cast<uint8_t>(c >> (8 * k)));
        return true;
      });
    }
    case Charset::Numeric:
    case Charset::Printable: {
      const OctetSet& keeps = charset == Charset::Numeric ? kNumericOctets : kPrintableOctets;
      uint8_t* room = out.Room(text.size());
      for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!keeps[c]) return false;
        if (room) room[i] = c;
      }
      out.Advance(text.size());
      return true;
    }
    case Charset::Latin1: break;
  }
  return false;
}

}  // namespace hvcn::ber
