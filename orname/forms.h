// The standard O/R address forms: the reader, the writer and the RFC 2156
// mapping to and from RFC 822 addresses. api_orname.cpp puts them behind
// the exports.
#pragma once

#include <cstdint>
#include <string_view>

#include "api/hvcn.h"
#include "orname/builder.h"
#include "orname/output.h"

namespace hvcn::orname {

// ---------------------------------------------------------------------------
// Reading

// Reads an O/R address in a standard form (hvcnOR_FROM_* in flags) into the
// held name of the format.
int32_t ReadORAddress(hvcnFormat* format, const char* text, uint32_t flags) noexcept;

// Cuts [begin, end) of an address in the "/" form (separators '/' and
// ';') into items for the sink; `text` and `columnBase` place them for the
// details of refusals.
int32_t ReadStdOrComponents(ItemSink& sink, const char* text, const char* begin, const char* end,
                            uint32_t columnBase) noexcept;

// Cuts [begin, end) of an address in the ";" form (items separated by
// `separator`, doubled in a value) into items for the sink.
int32_t ReadAnnexFItems(ItemSink& sink, const char* text, const char* begin, const char* end, char separator,
                        uint32_t columnBase) noexcept;

// The text inside the spellings around an address: the brackets of a
// one-off address, a prefix X.400: or X400:, parentheses after it.
std::string_view Unwrapped(std::string_view text) noexcept;

// Whether a text is an X.500 directory name rather than an O/R address (a
// second CN, a label only directory names have, CN=x,OU=y).
bool IsDirectoryName(std::string_view text) noexcept;

// An IMCEA encapsulation of an X.400 address, IMCEAX400-<address> (a local
// part, or a whole RFC 822 address), brackets or a prefix around it aside.
bool IsImcea(std::string_view text) noexcept;

// Reads the address an IMCEA local part encapsulates into the builder ('_'
// is '/', "+XX" the byte of hexadecimal code XX), in the form of `form`
// (hvcnOR_FROM_*).
int32_t ReadImcea(NameBuilder& builder, std::string_view localPart, uint32_t form) noexcept;

// ---------------------------------------------------------------------------
// Writing

struct WriteOptions {
  uint32_t flags = 0;          // hvcnOR_ANNEXF, hvcnOR_LONG_LABELS, ...
  const bool* skip = nullptr;  // catalogue slots to leave out, or null
  // A name of surname, given name and initials alone (printable) is written
  // given.initials.surname when that reads back the same.
  bool personalName = false;
};

// Writes the held name's components (nothing for a name without any).
// A value the form cannot carry is refused with hvcnERR_BAD_VALUE and its
// detail. A text that does not fit leaves `out` full (status 0), having
// counted the whole text.
int32_t WriteComponents(hvcnFormat* format, Output& out, const WriteOptions& options) noexcept;

// Writes the held name in a standard form into the caller's buffer;
// *needed (may be null) receives the size of the whole text.
int32_t WriteORAddress(hvcnFormat* format, char* buffer, uint32_t size, uint32_t* needed, uint32_t flags) noexcept;

// ---------------------------------------------------------------------------
// The RFC 822 mapping and its table

// A domain as the mapping takes it (a gateway, a table's domain, the domain
// of an RFC 822 address): letters, digits, '-' and '_' in labels separated
// by single dots. 0, or hvcnERR_BAD_VALUE for a text that is none.
int32_t CheckDomain(std::string_view domain) noexcept;
inline bool IsDomain(std::string_view domain) noexcept { return CheckDomain(domain) == hvcnSUCCESS; }

// The held name as an RFC 822 address through a gateway domain and/or a
// mapping table (either may be null; the table is size bytes).
int32_t MapToRfc822(hvcnFormat* format, const char* gateway, const void* table, uint32_t tableSize, char* buffer,
                    uint32_t size, uint32_t* needed, uint32_t flags) noexcept;

// An RFC 822 address read back into the held name.
int32_t MapFromRfc822(hvcnFormat* format, const char* address, const char* gateway, const void* table,
                      uint32_t tableSize) noexcept;

}  // namespace hvcn::orname
