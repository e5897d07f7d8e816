// The RFC 2156 domain mapping table: its text, its layout in the caller's
// memory, and the two look-ups the mapping makes.
//
// A table's text, one row a line ('#' starts a comment line):
//     domain "#" level *( "$" level ) "#"      acme.example.com#PRMD=Acme$ADMD=ATTMAIL$C=US#
//     level = label "=" value                  labels C, ADMD/A, PRMD/P, O, OU, OU1-OU4;
//                                              "$$" is a '$' in a value
// The levels may also be written in the "/" form (/PRMD=Acme/ADMD=ATTMAIL/C=US/).
//
// The table in the caller's memory (all numbers 32-bit, in the machine's
// order, read and written with memcpy so the memory needs no alignment):
//     header   "ORT2", rows, offset of the text pool, bytes in all
//     rows     domain (offset, length), depth (levels down to the deepest
//              given), level order (see below), then per level (offset,
//              length; absent: length 0xFFFFFFFF); sorted by domain, letter
//              case ignored (a domain given twice is refused)
//     pool     the domains and the unquoted values
// The level-order fields of the rows, read in row order, are the rows'
// indexes sorted by their levels (absent before any value, values compared
// without regard to letter case, a shorter row before a longer one it
// begins, equal rows by index). Both look-ups are binary searches: a domain
// takes one per label, an O/R address one per depth. Everything is checked
// once, when the table is read; a look-up checks the header and each row it
// touches against the memory's size, nothing more.
#pragma once

#include <cstdint>
#include <string_view>

#include "api/hvcn.h"
#include "model/slots.h"

namespace hvcn::orname {

// The hierarchy the table maps, from the top.
inline constexpr model::Slot kLevels[] = {model::kCountry, model::kAdmd, model::kPrmd, model::kOrganization,
                                          model::kOu1,     model::kOu2,  model::kOu3,  model::kOu4};
inline constexpr uint32_t kLevelCount = std::size(kLevels);

// Reads a table's text into the caller's memory (see hvcnParseORTable for
// the statuses): *needed is its size, *line the line at fault.
int32_t BuildTable(const char* text, void* table, uint32_t size, uint32_t* needed, uint32_t* line) noexcept;

// Values of the levels of an O/R address, as a look-up compares them.
struct LevelKey {
  std::string_view text[kLevelCount];
  bool present[kLevelCount];
  bool teletex[kLevelCount];  // a teletex value, which no row holds
};

// A table in the caller's memory.
class TableView {
 public:
  // False when the memory holds no table hvcnParseORTable wrote, or less
  // than its size.
  bool Open(const void* table, uint32_t size) noexcept;

  // The row whose domain is `domain` (letter case ignored), -1 when none,
  // -2 when a row touched is damaged.
  int64_t FindDomain(std::string_view domain) const noexcept;

  // The deepest row whose every level down to its depth is the address's
  // (absent where the address has none); -1 when none, -2 when a row
  // touched is damaged.
  int64_t FindLevels(const LevelKey& key) const noexcept;

  uint32_t Depth(uint32_t row) const noexcept;
  std::string_view Domain(uint32_t row) const noexcept;
  // The value of a level of a row; false when absent.
  bool Level(uint32_t row, uint32_t level, std::string_view* value) const noexcept;

 private:
  struct Row;
  bool ReadRow(uint32_t i, Row* row) const noexcept;
  std::string_view Text(uint32_t offset, uint32_t length) const noexcept;

  const uint8_t* base_ = nullptr;
  uint32_t rows_ = 0, pool_ = 0, total_ = 0;
};

}  // namespace hvcn::orname
