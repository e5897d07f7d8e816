#include "core/t61.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "core/utf8.h"

namespace hvcn::t61 {
namespace {

// The signs and letters that are one byte of their own, beyond ASCII.
struct Single {
  uint8_t code;
  char16_t character;
};
// clang-format off
constexpr Single kSingles[] = {
  {0xA1, 0x00A1},  // ¡ inverted exclamation mark
  {0xA2, 0x00A2},  // ¢ cent sign
  {0xA3, 0x00A3},  // £ pound sign
  {0xA4, 0x0024},  // $ dollar sign (0x24 is the currency sign in the strict set)
  {0xA5, 0x00A5},  // ¥ yen sign
  {0xA6, 0x0023},  // # number sign
  {0xA7, 0x00A7},  // § section sign
  {0xA8, 0x00A4},  // ¤ currency sign
  {0xAB, 0x00AB},  // « left-pointing double angle quotation mark
  {0xB0, 0x00B0},  // ° degree sign
  {0xB1, 0x00B1},  // ± plus-minus sign
  {0xB2, 0x00B2},  // ² superscript two
  {0xB3, 0x00B3},  // ³ superscript three
  {0xB4, 0x00D7},  // × multiplication sign
  {0xB5, 0x00B5},  // µ micro sign
  {0xB6, 0x00B6},  // ¶ pilcrow sign
  {0xB7, 0x00B7},  // · middle dot
  {0xB8, 0x00F7},  // ÷ division sign
  {0xBB, 0x00BB},  // » right-pointing double angle quotation mark
  {0xBC, 0x00BC},  // ¼ vulgar fraction one quarter
  {0xBD, 0x00BD},  // ½ vulgar fraction one half
  {0xBE, 0x00BE},  // ¾ vulgar fraction three quarters
  {0xBF, 0x00BF},  // ¿ inverted question mark
  {0xE0, 0x2126},  // Ω ohm sign
  {0xE1, 0x00C6},  // Æ
  {0xE2, 0x00D0},  // Ð capital eth (also the capital D with stroke)
  {0xE3, 0x00AA},  // ª feminine ordinal indicator
  {0xE4, 0x0126},  // Ħ
  {0xE6, 0x0132},  // Ĳ
  {0xE7, 0x013F},  // Ŀ
  {0xE8, 0x0141},  // Ł
  {0xE9, 0x00D8},  // Ø
  {0xEA, 0x0152},  // Œ
  {0xEB, 0x00BA},  // º masculine ordinal indicator
  {0xEC, 0x00DE},  // Þ
  {0xED, 0x0166},  // Ŧ
  {0xEE, 0x014A},  // Ŋ
  {0xEF, 0x0149},  // ŉ
  {0xF0, 0x0138},  // ĸ
  {0xF1, 0x00E6},  // æ
  {0xF2, 0x0111},  // đ
  {0xF3, 0x00F0},  // ð
  {0xF4, 0x0127},  // ħ
  {0xF5, 0x0131},  // ı dotless i
  {0xF6, 0x0133},  // ĳ
  {0xF7, 0x0140},  // ŀ
  {0xF8, 0x0142},  // ł
  {0xF9, 0x00F8},  // ø
  {0xFA, 0x0153},  // œ
  {0xFB, 0x00DF},  // ß
  {0xFC, 0x00FE},  // þ
  {0xFD, 0x0167},  // ŧ
  {0xFE, 0x014B},  // ŋ
};

// The non-spacing marks: each goes before one of its letters, and before a
// blank stands for the spacing mark alone.
constexpr size_t kMostLetters = 25;
struct Accent {
  uint8_t code;
  std::string_view letters;      // the letters (and blank) it takes
  char16_t made[kMostLetters];  // the character of each, in the same order
};
constexpr Accent kAccents[] = {
  {0xC1, "AEIOUaeiou",                                                          // grave
   {0x00C0, 0x00C8, 0x00CC, 0x00D2, 0x00D9, 0x00E0, 0x00E8, 0x00EC, 0x00F2, 0x00F9}},
  {0xC2, " ACEILNORSUYZaceilnorsuyz",                                           // acute
   {0x00B4, 0x00C1, 0x0106, 0x00C9, 0x00CD, 0x0139, 0x0143, 0x00D3, 0x0154, 0x015A, 0x00DA, 0x00DD, 0x0179,
    0x00E1, 0x0107, 0x00E9, 0x00ED, 0x013A, 0x0144, 0x00F3, 0x0155, 0x015B, 0x00FA, 0x00FD, 0x017A}},
  {0xC3, "ACEGHIJOSUWYaceghijosuwy",                                            // circumflex
   {0x00C2, 0x0108, 0x00CA, 0x011C, 0x0124, 0x00CE, 0x0134, 0x00D4, 0x015C, 0x00DB, 0x0174, 0x0176,
    0x00E2, 0x0109, 0x00EA, 0x011D, 0x0125, 0x00EE, 0x0135, 0x00F4, 0x015D, 0x00FB, 0x0175, 0x0177}},
  {0xC4, "AINOUainou",                                                          // tilde
   {0x00C3, 0x0128, 0x00D1, 0x00D5, 0x0168, 0x00E3, 0x0129, 0x00F1, 0x00F5, 0x0169}},
  {0xC5, " AEIOUaeiou",                                                         // macron
   {0x00AF, 0x0100, 0x0112, 0x012A, 0x014C, 0x016A, 0x0101, 0x0113, 0x012B, 0x014D, 0x016B}},
  {0xC6, " AGUagu",                                                             // breve
   {0x02D8, 0x0102, 0x011E, 0x016C, 0x0103, 0x011F, 0x016D}},
  {0xC7, " CEGIZcegz",                                                          // dot above
   {0x02D9, 0x010A, 0x0116, 0x0120, 0x0130, 0x017B, 0x010B, 0x0117, 0x0121, 0x017C}},
  {0xC8, " AEIOUYaeiouy",                                                       // diaeresis
   {0x00A8, 0x00C4, 0x00CB, 0x00CF, 0x00D6, 0x00DC, 0x0178, 0x00E4, 0x00EB, 0x00EF, 0x00F6, 0x00FC, 0x00FF}},
  {0xCA, " AUau",                                                               // ring above
   {0x02DA, 0x00C5, 0x016E, 0x00E5, 0x016F}},
  {0xCB, " CGKLNRSTcgklnrst",                                                   // cedilla
   {0x00B8, 0x00C7, 0x0122, 0x0136, 0x013B, 0x0145, 0x0156, 0x015E, 0x0162,
    0x00E7, 0x0123, 0x0137, 0x013C, 0x0146, 0x0157, 0x015F, 0x0163}},
  {0xCD, " OUou",                                                               // double acute
   {0x02DD, 0x0150, 0x0170, 0x0151, 0x0171}},
  {0xCE, " AEIUaeiu",                                                           // ogonek
   {0x02DB, 0x0104, 0x0118, 0x012E, 0x0172, 0x0105, 0x0119, 0x012F, 0x0173}},
  {0xCF, " CDELNRSTZcdelnrstz",                                                 // caron
   {0x02C7, 0x010C, 0x010E, 0x011A, 0x013D, 0x0147, 0x0158, 0x0160, 0x0164, 0x017D,
    0x010D, 0x010F, 0x011B, 0x013E, 0x0148, 0x0159, 0x0161, 0x0165, 0x017E}},
};
// clang-format on

// The ASCII characters that T.61 writes elsewhere ('#', '$') or not at all.
constexpr std::string_view kAsciiOutside = "#$\\^`{}~";

// Every row lists as many characters as letters, and only characters that
// UTF-8 can carry.
static_assert([] {
  for (const Accent& accent : kAccents) {
    if (accent.letters.size() > kMostLetters) return false;
    for (size_t i = 0; i < kMostLetters; ++i)
      if ((accent.made[i] != 0) != (i < accent.letters.size()) || utf8::IsSurrogate(accent.made[i])) return false;
  }
  return true;
}());

// ---------------------------------------------------------------------------
// Reading: one table for the bytes that stand alone, one for the marks.

constexpr std::array<char16_t, 256> kByteCharacter = [] {
  std::array<char16_t, 256> table{};
  for (char32_t c = 0x20; c < 0x7F; ++c) table[c] = static_cast<char16_t>(c);
  for (const Single& single : kSingles) table[single.code] = single.character;
  return table;
}();

// The mark's row + 1 for each byte that is a mark, else 0.
constexpr std::array<uint8_t, 256> kAccentRow = [] {
  std::array<uint8_t, 256> table{};
  for (size_t row = 0; row < std::size(kAccents); ++row) table[kAccents[row].code] = static_cast<uint8_t>(row + 1);
  return table;
}();

// What each mark makes of each byte 0x20-0x7F after it (0: nothing).
constexpr size_t kFirstBase = 0x20, kBaseCount = 0x60;
using Composed = std::array<std::array<char16_t, kBaseCount>, std::size(kAccents)>;
constexpr Composed kComposed = [] {
  Composed table{};
  for (size_t row = 0; row < std::size(kAccents); ++row)
    for (size_t i = 0; i < kAccents[row].letters.size(); ++i)
      table[row][static_cast<unsigned char>(kAccents[row].letters[i]) - kFirstBase] = kAccents[row].made[i];
  return table;
}();

// The character at t61[i] and the bytes it takes; 0 when none.
char32_t CharacterAt(std::string_view t61, size_t i, size_t* bytes) noexcept {
  const auto b = static_cast<unsigned char>(t61[i]);
  *bytes = 1;
  const uint8_t row = kAccentRow[b];
  if (row == 0) return kByteCharacter[b];
  *bytes = 2;
  if (i + 1 >= t61.size()) return 0;
  const auto base = static_cast<unsigned char>(t61[i + 1]);
  return base >= kFirstBase && base < kFirstBase + kBaseCount ? kComposed[row - 1][base - kFirstBase] : 0;
}

// ---------------------------------------------------------------------------
// Writing: the T.61 form of each character below U+0300, the few above it
// from the rows. A form is the byte, or the mark in the high byte and the
// letter in the low one; 0 is none.

constexpr char32_t kTableEnd = 0x300;

constexpr std::array<uint16_t, kTableEnd> kForm = [] {
  std::array<uint16_t, kTableEnd> table{};
  for (char32_t c = 0x20; c < 0x7F; ++c)
    if (kAsciiOutside.find(static_cast<char>(c)) == std::string_view::npos) table[c] = static_cast<uint16_t>(c);
  for (const Single& single : kSingles)
    if (single.character < kTableEnd) table[single.character] = single.code;
  for (const Accent& accent : kAccents)
    for (size_t i = 0; i < accent.letters.size(); ++i)
      table[accent.made[i]] = static_cast<uint16_t>(accent.code << 8 | static_cast<unsigned char>(accent.letters[i]));
  return table;
}();

// Each character has one form, and reading it back gives the character.
static_assert([] {
  size_t forms = 0;
  for (char32_t c = 0; c < kTableEnd; ++c) {
    const uint16_t form = kForm[c];
    if (form == 0) continue;
    ++forms;
    const char text[2] = {static_cast<char>(form > 0xFF ? form >> 8 : form), static_cast<char>(form & 0xFF)};
    const auto first = static_cast<unsigned char>(text[0]);
    const char32_t back = form > 0xFF ? kComposed[kAccentRow[first] - 1][static_cast<unsigned char>(text[1]) - kFirstBase]
                                      : kByteCharacter[first];
    if (back != c) return false;
  }
  size_t expected = 0x7F - 0x20 - kAsciiOutside.size();
  for (const Single& single : kSingles) expected += single.character < kTableEnd ? 1 : 0;
  for (const Accent& accent : kAccents) expected += accent.letters.size();
  return forms == expected;
}());

uint16_t FormOf(char32_t c) noexcept {
  if (c < kTableEnd) return kForm[c];
  for (const Single& single : kSingles)
    if (single.character == c) return single.code;
  return 0;
}

// Appends n bytes to out (size bytes, `*written` used), or only counts them
// without an output; false when they do not fit.
bool Put(const char* bytes, size_t n, char* out, size_t size, size_t* written) noexcept {
  if (out) {
    if (n > size - *written) return false;
    std::memcpy(out + *written, bytes, n);
  }
  *written += n;
  return true;
}

}  // namespace

Result Decode(std::string_view t61, char* out, size_t size) noexcept {
  size_t written = 0;
  for (size_t i = 0; i < t61.size();) {
    size_t bytes = 0;
    const char32_t c = CharacterAt(t61, i, &bytes);
    if (c == 0) return {Outcome::NoMapping, i, written};
    char text[4];
    if (!Put(text, utf8::Encode(c, text), out, size, &written)) return {Outcome::NoRoom, i, written};
    i += bytes;
  }
  return {Outcome::Done, t61.size(), written};
}

Result Encode(std::string_view utf8, char* out, size_t size) noexcept {
  size_t written = 0;
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    const size_t bytes = utf8::Decode(utf8.data() + i, utf8.size() - i, &c);
    const uint16_t form = bytes ? FormOf(c) : 0;
    if (form == 0) return {Outcome::NoMapping, i, written};
    const char text[2] = {static_cast<char>(form > 0xFF ? form >> 8 : form), static_cast<char>(form & 0xFF)};
    if (!Put(text, form > 0xFF ? 2 : 1, out, size, &written)) return {Outcome::NoRoom, i, written};
    i += bytes;
  }
  return {Outcome::Done, utf8.size(), written};
}

bool HasT61Form(std::string_view utf8) noexcept { return Encode(utf8, nullptr, 0).outcome == Outcome::Done; }

}  // namespace hvcn::t61
