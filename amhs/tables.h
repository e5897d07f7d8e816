// The AMHS look-up tables as they lie in the caller's memory, and the view
// the conversions read them through.
//
// The table file has three kinds of row (one a line, fields separated by one
// TAB; amhs/table_reader.cpp reads them):
//     MD    key        C  ADMD  PRMD  scheme     key: 2, 4 or 7 letters or '*'
//     CAAS  location   C  ADMD  PRMD  O          location: 4 letters or '*'
//     USER  AF-Address MF-Address ("/" form)
//
// In memory (all numbers 32-bit in the machine's order, every record read
// and written with memcpy, so the memory needs no alignment):
//     header   "AMT1", the three row counts, where the text pool starts, the
//              bytes in all, and for each MD level and for the CAAS
//              locations a bitmap of the wildcard masks that some key has
//     MD rows    sorted by level and key
//     CAAS rows  sorted by location, then domain (C, ADMD, PRMD; letter case
//                ignored)
//     USER rows  sorted by AF-Address
//     USER index the USER rows' numbers sorted by the comparison key of
//                their MF-Address (amhs/address_key.h)
//     pool       the values, the MF-Addresses as written, their keys
// Keys and locations are held in upper case with '*' for a wildcard, so a
// look-up is a binary search for the AF-Address's letters with '*' put in
// the places of each mask the bitmap names: no look-up reads every row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

#include "api/hvcn.h"
#include "core/ascii.h"

namespace hvcn::amhs {

inline constexpr uint32_t kAfLength = 8;        // an AF-Address: LLLLOOOD
inline constexpr uint32_t kLocationLength = 4;  // its location indicator
inline constexpr char kWildcard = '*';

// The four kinds of MD key, highest precedence first: which letters of the
// AF-Address a key of the kind compares.
struct Level {
  uint8_t count;
  uint8_t positions[7];
};
inline constexpr Level kLevels[] = {
    {7, {0, 1, 2, 3, 4, 5, 6}},  // characters 1-7
    {5, {0, 1, 4, 5, 6}},        // characters 1, 2, 5, 6, 7: written LF**AFR
    {4, {0, 1, 2, 3}},           // characters 1-4: the location
    {2, {0, 1}},                 // characters 1-2: the nationality letters
};
inline constexpr uint32_t kLevelCount = std::size(kLevels);

// An AF-Address: exactly eight letters A-Z, in any case; `out` (8 bytes)
// receives them in upper case.
inline bool ReadAfAddress(std::string_view text, char* out) noexcept {
  if (text.size() != kAfLength) return false;
  for (size_t i = 0; i < kAfLength; ++i) {
    const char c = ascii::Upper(text[i]);
    if (c < 'A' || c > 'Z') return false;
    out[i] = c;
  }
  return true;
}

// A domain's scheme, as the MD row gives it.
enum class Scheme : uint8_t { kXf = hvcnAMHS_XF, kCaas = hvcnAMHS_CAAS, kOther = 0x0F };

struct Span {
  uint32_t offset;
  uint32_t length;
};

struct Header {
  char magic[4];
  uint32_t mdRows, caasRows, userRows;
  uint32_t pool;   // where the text pool starts
  uint32_t total;  // bytes in all
  // Bit m of masks[level]: an MD key of that level has '*' where m has a
  // bit; masks[kLevelCount] for the CAAS locations.
  uint8_t masks[kLevelCount + 1][16];
};

struct MdRow {
  char key[8];  // '0' + level, then the key's letters and '*' (upper case), NUL-padded
  uint8_t scheme;
  uint8_t mask;  // bit i: place i of the key is '*'
  uint8_t unused[2];
  uint32_t line;
  Span c, admd, prmd;  // an empty PRMD: length 0
};

struct CaasRow {
  char location[kLocationLength];
  uint8_t mask;
  uint8_t unused[3];
  uint32_t line;
  Span c, admd, prmd, o;
};

struct UserRow {
  char af[kAfLength];
  uint32_t line;
  Span mf;   // as written in the table
  Span key;  // its comparison key
};

static_assert(sizeof(Header) == hvcnAMHS_TABLE_HEADER_SIZE);
static_assert(sizeof(MdRow) <= hvcnAMHS_TABLE_ROW_SIZE && sizeof(CaasRow) <= hvcnAMHS_TABLE_ROW_SIZE &&
              sizeof(UserRow) + sizeof(uint32_t) <= hvcnAMHS_TABLE_ROW_SIZE);
static_assert(sizeof(MdRow) == 40 && sizeof(CaasRow) == 44 && sizeof(UserRow) == 28);

inline constexpr char kMagic[4] = {'A', 'M', 'T', '1'};

// Where each array starts, from the counts.
struct Layout {
  uint64_t md, caas, user, index, pool;
};
constexpr Layout LayoutOf(uint64_t md, uint64_t caas, uint64_t user) noexcept {
  Layout l{};
  l.md = sizeof(Header);
  l.caas = l.md + md * sizeof(MdRow);
  l.user = l.caas + caas * sizeof(CaasRow);
  l.index = l.user + user * sizeof(UserRow);
  l.pool = l.index + user * sizeof(uint32_t);
  return l;
}

inline bool MaskPresent(const uint8_t (&bits)[16], uint32_t mask) noexcept {
  return (bits[mask / 8] >> (mask % 8)) & 1u;
}

// The index of the record that `order` finds equal (order(i) < 0: record i
// sorts before what is sought), or -1.
template <typename Order>
int64_t BinarySearch(uint32_t count, const Order& order) noexcept {
  uint32_t low = 0, high = count;
  while (low < high) {
    const uint32_t middle = low + (high - low) / 2;
    const int o = order(middle);
    if (o == 0) return middle;
    if (o < 0) low = middle + 1;
    else high = middle;
  }
  return -1;
}

// Tables in the caller's memory. Open checks the header in constant time;
// every text a row names is checked against the pool when it is read, and
// one outside it marks the tables damaged (the conversions then refuse
// them), so damaged memory is never read past its size.
class TablesView {
 public:
  bool Open(const void* tables, uint32_t size) noexcept;

  const Header& header() const noexcept { return header_; }
  MdRow Md(uint32_t i) const noexcept { return Record<MdRow>(layout_.md, i); }
  CaasRow Caas(uint32_t i) const noexcept { return Record<CaasRow>(layout_.caas, i); }
  UserRow User(uint32_t i) const noexcept { return Record<UserRow>(layout_.user, i); }
  // The i-th USER row in the order of the keys.
  UserRow UserByKeyOrder(uint32_t i) const noexcept;

  // The text of a span; "" (and the tables damaged) outside the pool.
  std::string_view Text(const Span& span) const noexcept;
  bool damaged() const noexcept { return damaged_; }

  // The orders the rows are sorted in (by the reader) and searched by: a
  // row against what is sought, negative when the row comes first.
  int OrderCaas(const CaasRow& row, const char* location, std::string_view c, std::string_view admd,
                std::string_view prmd) const noexcept;
  int OrderUserKey(const UserRow& row, std::string_view key) const noexcept { return Text(row.key).compare(key); }

  // The MD row of an exact key (kind and letters as an MdRow holds them).
  int64_t FindMd(const char (&key)[8]) const noexcept;
  // The CAAS row of a location (as a CaasRow holds it) in a domain.
  int64_t FindCaas(const char (&location)[kLocationLength], std::string_view c, std::string_view admd,
                   std::string_view prmd) const noexcept;
  // The USER row of an AF-Address (upper case), and of a comparison key.
  int64_t FindUser(const char* af) const noexcept;
  bool FindUserByKey(std::string_view key, UserRow* row) const noexcept;

 private:
  template <typename T>
  T Record(uint64_t at, uint32_t i) const noexcept {
    T record;
    std::memcpy(&record, base_ + at + uint64_t{i} * sizeof(T), sizeof record);
    return record;
  }

  const uint8_t* base_ = nullptr;
  Header header_{};
  Layout layout_{};
  mutable bool damaged_ = false;
};

}  // namespace hvcn::amhs
