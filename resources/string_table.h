// A string table as the posix builds carry it: the library's own table is
// compiled into libhvcn, and each tarnres library exports one under the C
// name hvcnStringTable. On Windows the same texts are STRINGTABLE resources.
// The tables are generated from resources/*.strings by tools/gen_strings.py.
#pragma once

#include <cstdint>

namespace hvcn {

struct StringEntry {
  uint16_t id;
  const char* text;
};

struct StringTable {
  uint32_t count;
  const StringEntry* entries;  // sorted by id
};

// The library's own (Italian) table.
extern const StringTable kOwnStringTable;

}  // namespace hvcn

// Symbol name under which a resource library exports its table.
#define HVCN_STRING_TABLE_SYMBOL "hvcnStringTable"
