// The AMHS look-up tables as they lie in the caller's memory, and the view
// the conversions read them through.
//
// The table file has three kinds of row (one a line, fields separated by one
// TAB; amhs/table_reader.cpp reads them):
//     MD    key        C  ADMD  PRMD  scheme     key: 2, 4 or 7 letters or '*'
//     CAAS  location   C  ADMD  PRMD  O          location: 4 letters or '*'
//     USER  AF-Address MF-Address ("/" form)
//
// In memory (numbers in the machine's order, every record read and written
// with memcpy, so the memory needs no alignment):
//     header     "AMT1", the three row counts, where the text pool starts,
//                the bytes in all, and for each MD level and for the CAAS
//                locations the set of wildcard masks that some key has
//     directory  for each sorted array, where the rows of each bucket start
//     MD rows    sorted by level and key
//     CAAS rows  sorted by location, then domain (C, ADMD, PRMD; letter case
//                ignored)
//     USER rows  sorted by AF-Address
//     USER index the USER rows' numbers with the hash of their MF-Address's
//                comparison key (amhs/address.h), sorted by hash, then key
//     pool       the values, the USER rows' value lists and keys
// Keys and locations are held in upper case with '*' for a wildcard. A
// look-up is a binary search, within the bucket of its first two letters,
// for the AF-Address's letters with '*' put in the places of each mask the
// set names (the USER index: within the bucket of the hash's top bits). No
// look-up reads every row.
#pragma once

#include <bit>
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

// A set of wildcard masks: bit m set when some key has '*' in the places
// where m has bits (masks of up to 7 places).
struct MaskSet {
  uint64_t bits[2];

  void Add(uint32_t mask) noexcept { bits[mask / 64] |= uint64_t{1} << (mask % 64); }
  // Calls visit(mask) for each mask of the set, in increasing order.
  template <typename Visit>
  void ForEach(const Visit& visit) const noexcept {
    for (uint32_t word = 0; word < 2; ++word)
      for (uint64_t rest = bits[word]; rest != 0; rest &= rest - 1)
        visit(word * 64 + static_cast<uint32_t>(std::countr_zero(rest)));
  }
};

struct Header {
  char magic[4];
  uint32_t mdRows, caasRows, userRows;
  uint32_t pool;   // where the text pool starts
  uint32_t total;  // bytes in all
  // The wildcard masks of the MD keys of each level; masks[kLevelCount]
  // those of the CAAS locations.
  MaskSet masks[kLevelCount + 1];
};

// The directory: one list of bucket starts for each sorted array. A bucket
// holds the rows whose key starts with two given symbols ('*' or a letter),
// and its rows are rows start[b] to start[b + 1] - 1; the USER index's
// buckets are the top bits of the hashes.
inline constexpr uint32_t kSymbols = 27;  // '*', then A to Z: the order of their bytes
inline constexpr uint32_t kBuckets = kSymbols * kSymbols;
inline constexpr uint32_t kHashBits = 10;
inline constexpr uint32_t kHashBuckets = 1u << kHashBits;
enum DirectoryList : uint32_t {
  kListMd = 0,  // + level
  kListCaas = kLevelCount,
  kListUserAf,
  kListUserKey,  // the last, of kHashBuckets buckets
};
inline constexpr uint32_t kListStarts = kBuckets + 1;
inline constexpr size_t kDirectorySize = (kListUserKey * kListStarts + kHashBuckets + 1) * sizeof(uint32_t);

// The bucket of two symbols (upper-case letters or '*'; any other byte
// counts as '*', so that damaged tables never give a bucket out of range).
constexpr uint32_t BucketOf(const char* symbols) noexcept {
  const auto symbol = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<uint32_t>(c - 'A') + 1 : 0u; };
  return symbol(symbols[0]) * kSymbols + symbol(symbols[1]);
}
constexpr uint32_t HashBucketOf(uint64_t hash) noexcept { return static_cast<uint32_t>(hash >> (64 - kHashBits)); }

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
  Span values;  // the MF-Address's values as read (amhs/address.h: value lists)
  Span key;     // its comparison key
};

// An entry of the USER index: the hash of a row's key (HashOf), then the
// row.
inline constexpr size_t kKeyEntrySize = sizeof(uint64_t) + sizeof(uint32_t);

// A key's hash: eight bytes at a time (read as a little-endian number on
// every machine), each word mixed in by a multiplication, the whole mixed
// once more so that the top bits, which choose the bucket, depend on every
// byte. A byte at a time cost one multiplication's latency per byte, most
// of a conversion's look-up of its key.
constexpr uint64_t HashOf(std::string_view key) noexcept {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  uint64_t hash = 0x243F6A8885A308D3ull ^ key.size();
  for (size_t at = 0; at < key.size(); at += 8) {
    uint64_t word = 0;
    for (size_t k = 0; k < 8 && at + k < key.size(); ++k)
      word |= uint64_t{static_cast<unsigned char>(key[at + k])} << (8 * k);
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 29;
  }
  hash *= 0xBF58476D1CE4E5B9ull;
  return hash ^ (hash >> 32);
}

static_assert(sizeof(Header) + kDirectorySize == hvcnAMHS_TABLE_HEADER_SIZE);
static_assert(sizeof(MdRow) <= hvcnAMHS_TABLE_ROW_SIZE && sizeof(CaasRow) <= hvcnAMHS_TABLE_ROW_SIZE &&
              sizeof(UserRow) + kKeyEntrySize <= hvcnAMHS_TABLE_ROW_SIZE);
static_assert(sizeof(MdRow) == 40 && sizeof(CaasRow) == 44 && sizeof(UserRow) == 28);

inline constexpr char kMagic[4] = {'A', 'M', 'T', '2'};  // 2: the hash of HashOf

// Where each part starts, from the counts.
struct Layout {
  uint64_t directory, md, caas, user, index, pool;
};
constexpr Layout LayoutOf(uint64_t md, uint64_t caas, uint64_t user) noexcept {
  Layout l{};
  l.directory = sizeof(Header);
  l.md = l.directory + kDirectorySize;
  l.caas = l.md + md * sizeof(MdRow);
  l.user = l.caas + caas * sizeof(CaasRow);
  l.index = l.user + user * sizeof(UserRow);
  l.pool = l.index + user * kKeyEntrySize;
  return l;
}

// Eight (or four) bytes as one number that orders as the bytes do.
inline uint64_t Ordered8(const void* bytes) noexcept {
  uint64_t v;
  std::memcpy(&v, bytes, sizeof v);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  return v;
}
inline uint32_t Ordered4(const void* bytes) noexcept {
  uint32_t v;
  std::memcpy(&v, bytes, sizeof v);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  return v;
}
template <typename T>
int Order(T a, T b) noexcept {
  return a < b ? -1 : a > b ? 1 : 0;
}

// The index in [first, end) of the record that `order` finds equal
// (order(i) < 0: record i sorts before what is sought), or -1.
template <typename Order>
int64_t BinarySearch(uint32_t first, uint32_t end, const Order& order) noexcept {
  uint32_t low = first, high = end;
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
// a bucket is clipped to its array and every text a row names is checked
// against the pool when it is read (one outside it marks the tables
// damaged, and the conversions then refuse them), so damaged memory is
// never read past its size.
class TablesView {
 public:
  bool Open(const void* tables, uint32_t size) noexcept;

  const Header& header() const noexcept { return header_; }
  MdRow Md(uint32_t i) const noexcept { return Record<MdRow>(layout_.md, i); }
  CaasRow Caas(uint32_t i) const noexcept { return Record<CaasRow>(layout_.caas, i); }
  UserRow User(uint32_t i) const noexcept { return Record<UserRow>(layout_.user, i); }
  // The i-th USER row in the order of the index, and its hash.
  UserRow UserByKeyOrder(uint32_t i) const noexcept;
  uint64_t KeyHash(uint32_t i) const noexcept;

  // The text of a span; "" (and the tables damaged) outside the pool.
  std::string_view Text(const Span& span) const noexcept;
  bool damaged() const noexcept { return damaged_; }
  void Damage() const noexcept { damaged_ = true; }

  // The orders the rows are sorted in (by the reader) and searched by: a
  // row against what is sought, negative when the row comes first.
  int OrderCaas(const CaasRow& row, uint32_t location, std::string_view c, std::string_view admd,
                std::string_view prmd) const noexcept;
  int OrderUserKey(uint32_t i, uint64_t hash, std::string_view key) const noexcept {
    if (int order = Order(KeyHash(i), hash)) return order;
    return Text(UserByKeyOrder(i).key).compare(key);
  }

  // The MD row of an exact key (kind and letters as an MdRow holds them),
  // the key in its byte order (Ordered8).
  int64_t FindMd(uint32_t level, uint64_t key) const noexcept;
  // The CAAS row of a location (as a CaasRow holds it, in its byte order:
  // Ordered4) in a domain.
  int64_t FindCaas(uint32_t location, std::string_view c, std::string_view admd,
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
  // The rows [*first, *end) of a bucket, clipped to the `count` rows.
  void Bucket(uint32_t list, uint32_t bucket, uint32_t count, uint32_t* first, uint32_t* end) const noexcept;

  const uint8_t* base_ = nullptr;
  Header header_{};
  Layout layout_{};
  mutable bool damaged_ = false;
};

}  // namespace hvcn::amhs
