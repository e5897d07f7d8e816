// T.61 <-> UTF-8: the TeletexString repertoire as X.400 uses it (ITU-T
// T.61, the Latin primary and supplementary sets; glibc's T.61-8BIT charmap
// is the same table), converted into and out of a caller's buffer, without
// heap.
//
//   0x20-0x7E   the ASCII graphic characters, but for the eight T.61 gives
//               other places or none: '#' and '$' are written 0xA6 and 0xA4,
//               and \ ^ ` { } ~ have no T.61 form. Read back, every byte
//               0x20-0x7E is the ASCII character, as most writers mean it
//               (0x24 is '$', not the currency sign of the strict set).
//   0xA1-0xBF   signs of their own: 0xA3 '£', 0xA7 '§', 0xA8 '¤', 0xB4 '×' ...
//   0xC1-0xCF   non-spacing diacritical marks, written BEFORE the letter they
//               go on: 0xC2 'e' is 'é', 0xC8 'u' is 'ü', 0xCF 'S' is 'Š';
//               before a blank, the spacing mark (0xC2 0x20 is '´')
//   0xE0-0xFE   letters of their own: 0xE9 'Ø', 0xF9 'ø', 0xFB 'ß', 0xE8 'Ł' ...
//
// Control characters (0x00-0x1F, 0x7F, 0x80-0x9F) have no mapping: no
// attribute value may hold one. A mark before anything other than a letter
// it takes (or the blank) has no mapping either. Each character has exactly
// one T.61 form, so what Encode writes, Decode reads back to the same text.
#pragma once

#include <cstddef>
#include <string_view>

namespace hvcn::t61 {

enum class Outcome : unsigned char {
  Done,       // the whole input was converted
  NoMapping,  // `at` is the offset of the byte sequence or character without a mapping
  NoRoom,     // the output did not fit; `written` bytes were written
};

struct Result {
  Outcome outcome;
  size_t at;       // NoMapping: offset in the input of what has no mapping
  size_t written;  // bytes written (or counted, without an output)
};

// T.61 bytes to UTF-8 into out (size bytes; no NUL is added). With a null
// out (and size 0) nothing is written: `written` is the UTF-8 length.
Result Decode(std::string_view t61, char* out, size_t size) noexcept;

// UTF-8 text to T.61 into out (size bytes). A malformed UTF-8 sequence, or
// a character that has no T.61 form, is NoMapping at its offset. With a
// null out (and size 0) nothing is written: `written` is the T.61 length.
Result Encode(std::string_view utf8, char* out, size_t size) noexcept;

// True when every character of the UTF-8 text has a T.61 form.
bool HasT61Form(std::string_view utf8) noexcept;

}  // namespace hvcn::t61
