// The name parser: the driver, the splitter that cuts a typed name into the
// texts of the format's tokens, and the section parsers of each kind of
// token. Every section parser gets the format, its token, whether the token
// is complete (the name does not end inside it), and, except the foreign-
// address parser, the caller's interpretation context word.
#pragma once

#include <cstdint>

#include "api/hvcn.h"
#include "model/validate.h"

namespace hvcn::parse {

// Context-word bits owned by the section parsers.
inline constexpr uint32_t kPersonalNameBits = 0x7FF0;      // untried readings
inline constexpr uint32_t kX400AsTagBit = 0x10000;          // first component as a tag
inline constexpr uint32_t kAttributeBits = 0x300000;        // attribute token group
inline constexpr uint32_t kAttributeTrimmedBit = 0x200000;  // reading without trailing blanks

// hvcnParseName after its argument checks: a fresh parse (or, with
// hvcnPARSE_REINTERPRET, another pass over the held name), the section
// parsers, the reconfigured list and the internal output. *wrote tells
// whether buffer was written to.
int32_t ParseName(const char* name, hvcnFormat* format, int32_t internalType, char* buffer, uint32_t bufferSize,
                  uint32_t* context, uint32_t flags, bool* wrote) noexcept;

// Cuts the held name into the texts of the tokens.
int32_t SplitNameByFormat(hvcnFormat* format) noexcept;

// The first unescaped character whose first byte is in the set, or the NUL.
const char* FindUnescapedCharOf(const char* text, const char* set) noexcept;

int32_t ParseCanonicalName(hvcnFormat* format, hvcnToken* token, bool complete, uint32_t* context) noexcept;
int32_t ParseNonCanonicalName(hvcnFormat* format, hvcnToken* token, bool complete, uint32_t* context) noexcept;
int32_t ParseX400Part(hvcnFormat* format, hvcnToken* token, bool complete, uint32_t* context) noexcept;
int32_t ParseForeignAddress(hvcnFormat* format, hvcnToken* token, bool complete) noexcept;
int32_t ParseAttributeToken(hvcnFormat* format, hvcnToken* token, bool complete, uint32_t* context) noexcept;

// Runs the section parser of every token that has text.
int32_t ParseSections(hvcnFormat* format, uint32_t* context) noexcept;

// Moves the personal-name values to their reconfigured slots.
int32_t ApplyReconfiguration(hvcnFormat* format) noexcept;

// A token's text in nameBuffer: [begin, end), and the end with unescaped
// trailing blanks left out.
struct TokenText {
  char* begin;
  char* end;
  char* trimmed;
};
TokenText TextOf(hvcnFormat* format, const hvcnToken* token) noexcept;
// The same without the trailing-blank walk (trimmed is the end).
TokenText RawTextOf(hvcnFormat* format, const hvcnToken* token) noexcept;


}  // namespace hvcn::parse
