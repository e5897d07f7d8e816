// Reading the AMHS tables' text into the caller's memory (the layout:
// amhs/tables.h).
//
//   text     = *( line LF )                a CR before the LF is dropped
//   line     = blank | "#" comment | row   blank: nothing but blanks and TABs
//   row      = "MD"   TAB key      TAB C TAB ADMD TAB PRMD TAB scheme
//            | "CAAS" TAB location TAB C TAB ADMD TAB PRMD TAB O
//            | "USER" TAB AF-Address TAB MF-Address
//   key      = 2, 4 or 7 of ( letter | "*" ); seven with "**" in places 3-4
//              are characters 1, 2, 5, 6, 7 (those two '*' are notation)
//   location = 4 of ( letter | "*" )
//   PRMD     = value | "-" (no PRMD)
//   scheme   = "CAAS" | "XF" | "OTHER"
//   MF-Address = an O/R address in the "/" form (RFC 2156)
// Fields are separated by exactly one TAB; kinds, schemes, keys, locations
// and AF-Addresses are read in any letter case and held in upper case;
// values pass their attribute's check and keep their case.
//
// The text is read twice: once to check it and measure what it takes, once
// to write the rows; then each array is sorted, its duplicates refused and
// its list of buckets written to the directory.
#include <cstring>
#include <iterator>

#include "amhs/address.h"
#include "amhs/amhs.h"
#include "amhs/tables.h"
#include "core/ascii.h"
#include "core/copy.h"
#include "core/frame.h"
#include "core/heap_sort.h"
#include "model/slots.h"
#include "model/validate.h"
#include "orname/builder.h"

namespace hvcn::amhs {
namespace {

constexpr size_t kShown = 40;  // bytes of a field that a detail text shows
constexpr uint32_t kMaxFields = 6;

enum class Kind : uint8_t { kMd, kCaas, kUser };
struct RowKind {
  const char* name;
  Kind kind;
  uint32_t fields;
};
constexpr RowKind kRowKinds[] = {{"MD", Kind::kMd, 6}, {"CAAS", Kind::kCaas, 6}, {"USER", Kind::kUser, 3}};

struct SchemeName {
  std::string_view name;
  Scheme scheme;
};
constexpr SchemeName kSchemes[] = {{"XF", Scheme::kXf}, {"CAAS", Scheme::kCaas}, {"OTHER", Scheme::kOther}};

// The fields of MD and CAAS rows that hold values: the label a detail
// names, and the attribute whose check the value passes.
struct ValueField {
  const char* label;
  model::Slot slot;
};
constexpr ValueField kDomainFields[] = {{"C", model::kCountry}, {"ADMD", model::kAdmd}, {"PRMD", model::kPrmd}};
constexpr ValueField kOrganizationField = {"O", model::kOrganization};
constexpr std::string_view kNoPrmd = "-";

bool IsLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

// A field cut for a detail text.
struct Shown {
  explicit Shown(std::string_view field) noexcept { CopyBounded(text, sizeof text, field); }
  char text[kShown + 1];
};

// A refusal: its status, its line and its detail text. Every text of the
// reader starts with the line.
struct Fault {
  int32_t status = hvcnSUCCESS;
  uint32_t line = 0;
  char detail[sizeof(hvcnFormat::errorDetail)] = {};

  template <typename... A>
  int32_t Set(int32_t s, uint32_t at, uint16_t id, const A&... args) noexcept {
    status = s;
    line = at;
    FormatDetail(detail, sizeof detail, id, at, args...);
    return s;
  }
};

// A key as the table file writes it, from its row.
struct KeyText {
  explicit KeyText(const MdRow& row) noexcept {
    const uint32_t level = static_cast<uint32_t>(row.key[0] - '0') % kLevelCount;
    char* out = text;
    for (uint32_t i = 0; i < kLevels[level].count; ++i) {
      if (level == 1 && i == 2) {
        *out++ = kWildcard;
        *out++ = kWildcard;
      }
      *out++ = row.key[1 + i];
    }
    *out = '\0';
  }
  char text[8];
};

// Letters and '*' into upper case; the mask has bit i where place i is '*'.
bool ReadPattern(std::string_view text, const Level& places, char* out, uint8_t* mask) noexcept {
  *mask = 0;
  for (uint32_t i = 0; i < places.count; ++i) {
    const char c = text[places.positions[i]];
    if (c == kWildcard) *mask = static_cast<uint8_t>(*mask | (1u << i));
    else if (!IsLetter(c)) return false;
    out[i] = ascii::Upper(c);
  }
  for (char c : text)
    if (c != kWildcard && !IsLetter(c)) return false;
  return true;
}

// The level of a key's text, or -1.
int LevelOfKey(std::string_view key) noexcept {
  switch (key.size()) {
    case 7: return key[2] == kWildcard && key[3] == kWildcard ? 1 : 0;
    case 4: return 2;
    case 2: return 3;
    default: return -1;
  }
}


// One pass over the text: with memory, the rows and the pool are written
// where the layout puts them; without, they are only counted and measured.
class Reader {
 public:
  using Masks = MaskSet[kLevelCount + 1];

  Reader(uint8_t* base, const Layout& layout) noexcept : base_(base), layout_(layout), pool_(layout.pool) {
    PrepareScratch(&scratch_);
  }

  int32_t ReadAll(const char* text, Fault* fault) noexcept;

  uint32_t md() const noexcept { return md_; }
  uint32_t caas() const noexcept { return caas_; }
  uint32_t user() const noexcept { return user_; }
  uint64_t end() const noexcept { return pool_; }
  const Masks& masks() const noexcept { return masks_; }

 private:
  int32_t ReadRow(std::string_view line, uint32_t number, Fault* fault) noexcept;
  int32_t ReadMd(const std::string_view* fields, uint32_t number, Fault* fault) noexcept;
  int32_t ReadCaas(const std::string_view* fields, uint32_t number, Fault* fault) noexcept;
  int32_t ReadUser(const std::string_view* fields, uint32_t number, Fault* fault) noexcept;
  int32_t ReadValue(std::string_view field, const ValueField& rule, const char* kind, uint32_t number, Span* out,
                    Fault* fault) noexcept;
  template <typename Row>
  int32_t ReadDomain(const std::string_view* fields, const char* kind, uint32_t number, Row* row,
                     Fault* fault) noexcept;
  template <typename Row>
  void Keep(uint64_t at, uint32_t* count, const Row& row, MaskSet* masks) noexcept {
    if (row.mask) masks->Add(row.mask);
    Put(at, (*count)++, row);
  }

  Span Add(std::string_view text) noexcept {
    const Span span{static_cast<uint32_t>(pool_), static_cast<uint32_t>(text.size())};
    if (base_ && !text.empty()) std::memcpy(base_ + pool_, text.data(), text.size());
    pool_ += text.size();
    return span;
  }
  template <typename T>
  void Put(uint64_t at, uint32_t index, const T& row) noexcept {
    if (base_) std::memcpy(base_ + at + uint64_t{index} * sizeof row, &row, sizeof row);
  }

  uint8_t* base_;
  Layout layout_;
  uint64_t pool_;
  uint32_t md_ = 0, caas_ = 0, user_ = 0;
  Masks masks_ = {};
  hvcnFormat scratch_;
};

int32_t Reader::ReadAll(const char* text, Fault* fault) noexcept {
  uint32_t number = 0;
  for (const char* p = text; *p;) {
    const char* newline = std::strchr(p, '\n');
    const char* end = newline ? newline : p + std::strlen(p);
    ++number;
    std::string_view line(p, static_cast<size_t>(end - p));
    p = newline ? newline + 1 : end;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (first == line.size() || line[first] == '#') continue;
    if (int32_t status = ReadRow(line, number, fault)) return status;
  }
  return hvcnSUCCESS;
}

int32_t Reader::ReadRow(std::string_view line, uint32_t number, Fault* fault) noexcept {
  for (const char& c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F)
      return fault->Set(hvcnERR_BAD_X400, number, detail::kControlCharacter,
                        orname::ColumnOf(line.data(), &c));
  }
  std::string_view fields[kMaxFields + 1];
  uint32_t count = 0;
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    if (count <= kMaxFields) fields[count] = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
    ++count;
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  for (const RowKind& kind : kRowKinds) {
    if (!ascii::EqualNoCase(fields[0], kind.name)) continue;
    if (count != kind.fields)
      return fault->Set(hvcnERR_BAD_X400, number, detail::kFieldCount, kind.name, kind.fields, count);
    switch (kind.kind) {
      case Kind::kMd: return ReadMd(fields, number, fault);
      case Kind::kCaas: return ReadCaas(fields, number, fault);
      case Kind::kUser: return ReadUser(fields, number, fault);
    }
  }
  return fault->Set(hvcnERR_BAD_X400, number, detail::kNotARow, Shown(fields[0]).text);
}

int32_t Reader::ReadValue(std::string_view field, const ValueField& rule, const char* kind, uint32_t number,
                          Span* out, Fault* fault) noexcept {
  char value[256];
  int32_t status = field.empty() ? hvcnERR_BAD_VALUE : field.size() >= sizeof value ? hvcnERR_VALUE_TOO_LONG : 0;
  if (status == hvcnSUCCESS) {
    CopyBounded(value, sizeof value, field);
    status = model::ValidateById(value, 0, model::RowOf(rule.slot).id);
  }
  if (status != hvcnSUCCESS)
    return fault->Set(status, number, detail::kBadValue, rule.label, Shown(field).text, kind);
  // An all-blank ADMD is the blank one, as the O/R address readers hold it.
  if (rule.slot == model::kAdmd && field.find_first_not_of(' ') == std::string_view::npos) field = " ";
  *out = Add(field);
  return hvcnSUCCESS;
}

// C, ADMD and PRMD of an MD or CAAS row, from the row's third field on.
template <typename Row>
int32_t Reader::ReadDomain(const std::string_view* fields, const char* kind, uint32_t number, Row* row,
                           Fault* fault) noexcept {
  Span* const out[] = {&row->c, &row->admd, &row->prmd};
  static_assert(std::size(out) == std::size(kDomainFields));
  row->line = number;
  for (size_t k = 0; k < std::size(kDomainFields); ++k) {
    const std::string_view field = fields[2 + k];
    if (kDomainFields[k].slot == model::kPrmd && field == kNoPrmd) *out[k] = Add({});
    else if (int32_t status = ReadValue(field, kDomainFields[k], kind, number, out[k], fault)) return status;
  }
  return hvcnSUCCESS;
}

int32_t Reader::ReadMd(const std::string_view* fields, uint32_t number, Fault* fault) noexcept {
  MdRow row{};
  const int level = LevelOfKey(fields[1]);
  if (level < 0 || !ReadPattern(fields[1], kLevels[level], row.key + 1, &row.mask))
    return fault->Set(hvcnERR_BAD_VALUE, number, detail::kBadKey, Shown(fields[1]).text);
  row.key[0] = static_cast<char>('0' + level);
  const SchemeName* scheme = nullptr;
  for (const SchemeName& s : kSchemes)
    if (ascii::EqualNoCase(fields[5], s.name)) scheme = &s;
  if (!scheme) return fault->Set(hvcnERR_BAD_VALUE, number, detail::kBadScheme, Shown(fields[5]).text);
  row.scheme = static_cast<uint8_t>(scheme->scheme);
  if (int32_t status = ReadDomain(fields, "MD", number, &row, fault)) return status;
  Keep(layout_.md, &md_, row, &masks_[level]);
  return hvcnSUCCESS;
}

int32_t Reader::ReadCaas(const std::string_view* fields, uint32_t number, Fault* fault) noexcept {
  CaasRow row{};
  if (fields[1].size() != kLocationLength || !ReadPattern(fields[1], kLevels[2], row.location, &row.mask))
    return fault->Set(hvcnERR_BAD_VALUE, number, detail::kBadLocation, Shown(fields[1]).text);
  if (int32_t status = ReadDomain(fields, "CAAS", number, &row, fault)) return status;
  if (int32_t status = ReadValue(fields[5], kOrganizationField, "CAAS", number, &row.o, fault)) return status;
  Keep(layout_.caas, &caas_, row, &masks_[kLevelCount]);
  return hvcnSUCCESS;
}

int32_t Reader::ReadUser(const std::string_view* fields, uint32_t number, Fault* fault) noexcept {
  UserRow row{};
  if (!ReadAfAddress(fields[1], row.af))
    return fault->Set(hvcnERR_BAD_VALUE, number, detail::kBadUserAf, Shown(fields[1]).text);
  orname::NameBuilder builder(&scratch_);
  KeyBuilder key;
  int32_t status = ReadMfAddress(builder, fields[2]);
  if (status == hvcnSUCCESS && !ReadHeldAddress(&scratch_, &key, nullptr)) status = hvcnERR_NAME_TOO_LONG;
  if (status != hvcnSUCCESS) return fault->Set(status, number, detail::kBadMf, scratch_.errorDetail);
  char values[kValueListMax];
  row.line = number;
  row.values = Add({values, WriteValueList(&scratch_, values)});
  row.key = Add(key.Finish());
  Put(layout_.user, user_++, row);
  return hvcnSUCCESS;
}

// An entry of the USER index, as bytes.
struct KeyEntry {
  uint8_t bytes[kKeyEntrySize];
};

// The written tables: each array sorted, and a key given twice refused.
class Sorter {
 public:
  Sorter(uint8_t* base, const TablesView& view) noexcept : base_(base), view_(view) {
    const Header& h = view.header();
    layout_ = LayoutOf(h.mdRows, h.caasRows, h.userRows);
  }

  int32_t SortAll(Fault* fault) noexcept {
    const Header& h = view_.header();
    const auto mdOrder = [&](const MdRow& a, const MdRow& b) { return Order(Ordered8(a.key), Ordered8(b.key)); };
    const auto caasOrder = [&](const CaasRow& a, const CaasRow& b) {
      return view_.OrderCaas(a, Ordered4(b.location), view_.Text(b.c), view_.Text(b.admd), view_.Text(b.prmd));
    };
    const auto userOrder = [&](const UserRow& a, const UserRow& b) { return Order(Ordered8(a.af), Ordered8(b.af)); };
    const auto keyOrder = [&](uint32_t a, uint32_t b) {
      return view_.OrderUserKey(a, view_.KeyHash(b), view_.Text(view_.UserByKeyOrder(b).key));
    };
    const auto md = [&](uint32_t i) { return view_.Md(i); };
    const auto caas = [&](uint32_t i) { return view_.Caas(i); };
    const auto user = [&](uint32_t i) { return view_.User(i); };
    const auto byKey = [](uint32_t i) { return i; };

    Sort<MdRow>(layout_.md, h.mdRows, md, mdOrder);
    for (uint32_t level = 0, first = 0; level < kLevelCount; ++level) {
      uint32_t end = first;
      while (end < h.mdRows && md(end).key[0] == static_cast<char>('0' + level)) ++end;
      WriteList(kListMd + level, kBuckets, first, end, [&](uint32_t i) { return BucketOf(md(i).key + 1); });
      first = end;
    }
    if (const int64_t i = Repeated(h.mdRows, md, mdOrder); i > 0)
      return Twice(fault, md, i, detail::kDuplicateMd, KeyText(md(static_cast<uint32_t>(i))).text);
    Sort<CaasRow>(layout_.caas, h.caasRows, caas, caasOrder);
    WriteList(kListCaas, kBuckets, 0, h.caasRows, [&](uint32_t i) { return BucketOf(caas(i).location); });
    if (const int64_t i = Repeated(h.caasRows, caas, caasOrder); i > 0)
      return Twice(fault, caas, i, detail::kDuplicateCaas,
                   Shown({caas(static_cast<uint32_t>(i)).location, kLocationLength}).text);
    Sort<UserRow>(layout_.user, h.userRows, user, userOrder);
    WriteList(kListUserAf, kBuckets, 0, h.userRows, [&](uint32_t i) { return BucketOf(user(i).af); });
    if (const int64_t i = Repeated(h.userRows, user, userOrder); i > 0)
      return Twice(fault, user, i, detail::kDuplicateUserAf, Shown({user(static_cast<uint32_t>(i)).af, kAfLength}).text);
    // The index, over the rows in their final places.
    for (uint32_t i = 0; i < h.userRows; ++i) {
      uint8_t* entry = base_ + layout_.index + uint64_t{i} * kKeyEntrySize;
      const uint64_t hash = HashOf(view_.Text(user(i).key));
      std::memcpy(entry, &hash, sizeof hash);
      std::memcpy(entry + sizeof hash, &i, sizeof i);
    }
    Sort<KeyEntry>(layout_.index, h.userRows, byKey, keyOrder);
    WriteList(kListUserKey, kHashBuckets, 0, h.userRows, [&](uint32_t i) { return HashBucketOf(view_.KeyHash(i)); });
    if (const int64_t i = Repeated(h.userRows, byKey, keyOrder); i > 0)
      return Twice(fault, [&](uint32_t k) { return view_.UserByKeyOrder(k); }, i, detail::kDuplicateUserMf);
    return hvcnSUCCESS;
  }

 private:
  // Sorts the records of type T at `at` by the order of what row(i) reads.
  template <typename T, typename Row, typename Order>
  void Sort(uint64_t at, uint32_t count, const Row& row, const Order& order) noexcept {
    HeapSort(
        count, [&](uint32_t i, uint32_t k) { return order(row(i), row(k)) < 0; },
        [&](uint32_t i, uint32_t k) {
          uint8_t* x = base_ + at + uint64_t{i} * sizeof(T);
          uint8_t* y = base_ + at + uint64_t{k} * sizeof(T);
          T a, b;
          std::memcpy(&a, x, sizeof a);
          std::memcpy(&b, y, sizeof b);
          std::memcpy(x, &b, sizeof b);
          std::memcpy(y, &a, sizeof a);
        });
  }

  // Writes a list of the directory: where the bucket of each number b from 0
  // to `buckets` - 1 starts among the sorted rows [first, end), whose
  // buckets bucketOf(i) never decrease.
  template <typename BucketOfRow>
  void WriteList(uint32_t list, uint32_t buckets, uint32_t first, uint32_t end, const BucketOfRow& bucketOf) noexcept {
    uint8_t* starts = base_ + layout_.directory + uint64_t{list} * kListStarts * sizeof(uint32_t);
    uint32_t i = first;
    for (uint32_t b = 0; b <= buckets; ++b) {
      while (i < end && bucketOf(i) < b) ++i;
      const uint32_t start = b == buckets ? end : i;
      std::memcpy(starts + uint64_t{b} * sizeof start, &start, sizeof start);
    }
  }

  // The first sorted record equal to the one before it, or -1.
  template <typename Row, typename Order>
  static int64_t Repeated(uint32_t count, const Row& row, const Order& order) noexcept {
    for (uint32_t i = 1; i < count; ++i)
      if (order(row(i - 1), row(i)) == 0) return i;
    return -1;
  }

  // A row given twice: the later of the two lines is at fault, and its text
  // names the earlier one.
  template <typename Row, typename... A>
  static int32_t Twice(Fault* fault, const Row& row, int64_t i, uint16_t id, const A&... args) noexcept {
    const uint32_t one = row(static_cast<uint32_t>(i - 1)).line, other = row(static_cast<uint32_t>(i)).line;
    const uint32_t later = one > other ? one : other, earlier = one > other ? other : one;
    return fault->Set(hvcnERR_DUPLICATE_ATTRIBUTE, later, id, args..., earlier);
  }

  uint8_t* base_;
  const TablesView& view_;
  Layout layout_;
};

// A text whose length needs more than 32 bits cannot be held: the check
// comes before anything else reads it.
bool TextFitsTables(const char* text) noexcept {
  if constexpr (sizeof(size_t) > sizeof(uint32_t)) return strnlen(text, size_t{UINT32_MAX} + 1) <= UINT32_MAX;
  return true;
}

}  // namespace

int32_t BuildTables(const char* text, void* tables, uint32_t size, uint32_t* needed, uint32_t* line, char* detail,
                    uint32_t detailSize) noexcept {
  Fault fault;
  const auto refuse = [&](int32_t status) {
    *line = fault.line;
    CopyText(detail, detailSize, fault.detail);
    return status;
  };
  if (!TextFitsTables(text)) return refuse(fault.Set(hvcnERR_NAME_TOO_LONG, 0, detail::kTooLarge));
  Reader measure(nullptr, LayoutOf(0, 0, 0));
  if (int32_t status = measure.ReadAll(text, &fault)) return refuse(status);
  const Layout layout = LayoutOf(measure.md(), measure.caas(), measure.user());
  const uint64_t total = layout.pool + (measure.end() - LayoutOf(0, 0, 0).pool);
  if (total > UINT32_MAX) return refuse(fault.Set(hvcnERR_NAME_TOO_LONG, 0, detail::kTooLarge));
  *needed = static_cast<uint32_t>(total);
  if (!tables || size < total) return hvcnERR_BUFFER_TOO_SMALL;

  auto* base = static_cast<uint8_t*>(tables);
  Reader writer(base, layout);
  writer.ReadAll(text, &fault);
  Header header{};
  std::memcpy(header.magic, kMagic, sizeof kMagic);
  header.mdRows = writer.md();
  header.caasRows = writer.caas();
  header.userRows = writer.user();
  header.pool = static_cast<uint32_t>(layout.pool);
  header.total = static_cast<uint32_t>(total);
  std::memcpy(header.masks, writer.masks(), sizeof header.masks);
  std::memcpy(base, &header, sizeof header);
  TablesView view;
  view.Open(base, header.total);
  if (int32_t status = Sorter(base, view).SortAll(&fault)) return refuse(status);
  return hvcnSUCCESS;
}

}  // namespace hvcn::amhs
