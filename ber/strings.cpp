#include "ber/strings.h"

#include <array>
#include <cstring>

#include "core/utf8.h"
#include "model/validate.h"

namespace hvcn::ber {
namespace {

using t61::Outcome;
using t61::Result;

constexpr bool IsControl(char32_t c) noexcept { return c < 0x20 || (c >= 0x7F && c < 0xA0); }
constexpr bool IsNumericCharacter(unsigned char c) noexcept { return (c >= '0' && c <= '9') || c == ' '; }

// The octets NumericString and PrintableString take, one table each (every
// value read goes through one of them, octet by octet).
using OctetSet = std::array<bool, 256>;
template <typename Keeps>
constexpr OctetSet MakeOctetSet(Keeps keeps) noexcept {
  OctetSet set{};
  for (size_t c = 0; c < set.size(); ++c) set[c] = keeps(static_cast<unsigned char>(c));
  return set;
}
constexpr OctetSet kNumericOctets = MakeOctetSet(IsNumericCharacter);
constexpr OctetSet kPrintableOctets = MakeOctetSet(model::IsPrintableStringCharacter);

struct CharsetTag {
  Charset charset;
  uint8_t tag;
};
constexpr CharsetTag kTags[] = {
    {Charset::Numeric, tag::kNumericString}, {Charset::Printable, tag::kPrintableString},
    {Charset::Teletex, tag::kTeletexString}, {Charset::Latin1, tag::kTeletexString},
    {Charset::Bmp, tag::kBmpString},         {Charset::Universal, tag::kUniversalString},
};

// Octets that stand for themselves: each must be in the set.
Result CopyChecked(std::string_view octets, char* out, size_t room, const OctetSet& keeps) noexcept {
  for (size_t i = 0; i < octets.size(); ++i)
    if (!keeps[static_cast<unsigned char>(octets[i])]) return {Outcome::NoMapping, i, 0};
  if (octets.size() > room) return {Outcome::NoRoom, 0, 0};
  if (!octets.empty()) std::memcpy(out, octets.data(), octets.size());
  return {Outcome::Done, octets.size(), octets.size()};
}

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

Result ReadText(Charset charset, std::string_view octets, char* out, size_t room) noexcept {
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

void WriteText(Charset charset, std::string_view text, Writer& out) noexcept {
  switch (charset) {
    case Charset::Teletex: {
      const size_t n = t61::Encode(text, nullptr, 0).written;
      if (uint8_t* room = out.Room(n)) t61::Encode(text, reinterpret_cast<char*>(room), n);
      out.Advance(n);
      return;
    }
    case Charset::Bmp:
    case Charset::Universal: {
      const size_t width = charset == Charset::Bmp ? 2 : 4;
      EachCharacter(text, [&](char32_t c) noexcept {
        for (size_t k = width; k-- > 0;) out.Put(static_cast<uint8_t>(c >> (8 * k)));
        return true;
      });
      return;
    }
    case Charset::Numeric:
    case Charset::Printable:
    case Charset::Latin1:
      out.Put(text.data(), text.size());
      return;
  }
}

}  // namespace hvcn::ber
