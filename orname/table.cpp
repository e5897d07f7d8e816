// The RFC 2156 domain mapping table (the layout: orname/table.h).
#include "orname/table.h"

#include <cstring>

#include "core/ascii.h"
#include "core/heap_sort.h"
#include "model/catalogue.h"
#include "model/validate.h"
#include "orname/forms.h"
#include "orname/labels.h"
#include "orname/values.h"

namespace hvcn::orname {
namespace {

constexpr char kMagic[4] = {'O', 'R', 'T', '2'};
constexpr uint32_t kAbsent = 0xFFFFFFFFu;
constexpr size_t kScratch = sizeof(hvcnFormat::nameBuffer) + 1;

struct Header {
  char magic[4];
  uint32_t rows;
  uint32_t pool;
  uint32_t total;
};
struct Span32 {
  uint32_t offset;
  uint32_t length;
};
struct RowLayout {
  Span32 domain;
  uint32_t depth;
  uint32_t order;  // the index of the row that is this row's index-th in level order
  Span32 levels[kLevelCount];
};
static_assert(sizeof(Header) == hvcnOR_TABLE_HEADER_SIZE && sizeof(RowLayout) == hvcnOR_TABLE_ROW_SIZE);

int LevelOf(int slot) noexcept {
  for (uint32_t k = 0; k < kLevelCount; ++k)
    if (kLevels[k] == slot) return static_cast<int>(k);
  return -1;
}

// Texts in the order the table keeps them: letter case ignored.
int CompareNoCase(std::string_view a, std::string_view b) noexcept {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(ascii::Upper(a[i])), y = static_cast<unsigned char>(ascii::Upper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// The levels of a row, or of an address, as the level order compares them.
struct Levels {
  std::string_view text[kLevelCount];
  bool present[kLevelCount];
  uint32_t depth;
};

Levels LevelsOfRow(const uint8_t* base, const RowLayout& row) noexcept {
  Levels levels{};
  levels.depth = row.depth;
  for (uint32_t k = 0; k < kLevelCount; ++k) {
    levels.present[k] = row.levels[k].length != kAbsent;
    if (levels.present[k]) levels.text[k] = {reinterpret_cast<const char*>(base) + row.levels[k].offset, row.levels[k].length};
  }
  return levels;
}

int CompareLevels(const Levels& a, const Levels& b) noexcept {
  const uint32_t n = a.depth < b.depth ? a.depth : b.depth;
  for (uint32_t k = 0; k < n; ++k) {
    if (a.present[k] != b.present[k]) return a.present[k] ? 1 : -1;
    if (a.present[k])
      if (int order = CompareNoCase(a.text[k], b.text[k])) return order;
  }
  return a.depth == b.depth ? 0 : a.depth < b.depth ? -1 : 1;
}

// ---------------------------------------------------------------------------
// Reading a table's text

// One row as read: the domain and the unquoted level values (in `values`).
// It takes the items of the row's levels, read by the readers of the
// address forms: the '$' form as the ";" form with '$' for ';', the "/"
// form as itself.
struct ParsedRow final : ItemSink {
  std::string_view domain;
  std::string_view levels[kLevelCount];
  bool present[kLevelCount];
  uint32_t depth;
  char values[kScratch];
  uint32_t used;

  int32_t Take(const Item& item) noexcept override {
    std::string_view rest;
    const Label* found = FindLabel(item.label, &rest);
    int level = -1;
    if (found && found->kind == LabelKind::Slot) {
      level = LevelOf(found->slot);
    } else if (found && found->kind == LabelKind::NextOrgUnit) {
      for (level = LevelOf(model::kOu1); level < static_cast<int>(kLevelCount) && present[level];) ++level;
      if (level >= static_cast<int>(kLevelCount)) return hvcnERR_TOO_MANY_OUS;
    }
    if (level < 0) return hvcnERR_UNKNOWN_TAG;
    if (present[level]) return hvcnERR_DUPLICATE_ATTRIBUTE;
    Parts parts{};
    uint16_t detailId = 0;
    const uint32_t start = used;
    if (int32_t status = DecodeValue(item, false, {values, sizeof values, &used}, &parts, &detailId))
      return detailId ? status : hvcnERR_VALUE_TOO_LONG;
    std::string_view value(values + start, used - start - 1);
    if (kLevels[level] == model::kAdmd) value = AdmdText(value);
    if (int32_t check = CheckValue(kLevels[level], value)) return check;
    levels[level] = value;
    present[level] = true;
    if (static_cast<uint32_t>(level) + 1 > depth) depth = static_cast<uint32_t>(level) + 1;
    return hvcnSUCCESS;
  }
  int32_t Refuse(int32_t status, uint16_t, const Where&) noexcept override { return status; }
};

// A row of the table: domain "#" levels "#".
int32_t ParseRow(std::string_view line, ParsedRow* row) noexcept {
  row->depth = 0;
  row->used = 0;
  for (bool& present : row->present) present = false;
  const size_t first = line.find('#');
  if (first == std::string_view::npos) return hvcnERR_BAD_X400;
  row->domain = Trim(line.substr(0, first));
  if (!IsDomain(row->domain)) return hvcnERR_BAD_X400;
  std::string_view levels = line.substr(first + 1);
  const size_t second = levels.find('#');
  if (second != std::string_view::npos) {
    if (!Trim(levels.substr(second + 1)).empty()) return hvcnERR_BAD_X400;
    levels = levels.substr(0, second);
  }
  levels = Trim(levels);
  const char* begin = levels.data();
  const char* end = begin + levels.size();
  const int32_t status = !levels.empty() && levels.front() == '/' ? ReadStdOrComponents(*row, begin, begin, end, 0)
                                                                  : ReadAnnexFItems(*row, begin, begin, end, '$', 0);
  if (status != hvcnSUCCESS) return status;
  return row->depth == 0 ? hvcnERR_BAD_X400 : hvcnSUCCESS;
}

// The lines of a table's text, each with its number (counting from 1,
// staying at UINT32_MAX past it), comment and blank lines left out.
class Lines {
 public:
  explicit Lines(const char* text) noexcept : next_(text) {}
  // The next row's text (blanks and a CR at the end dropped); false at the
  // end. A control character refuses its line.
  bool Next(std::string_view* row, bool* bad) noexcept {
    while (*next_) {
      const char* end = next_;
      while (*end && *end != '\n') ++end;
      if (number_ < UINT32_MAX) ++number_;
      std::string_view content(next_, static_cast<size_t>(end - next_));
      next_ = *end ? end + 1 : end;
      if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
      *bad = false;
      for (char c : content)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) *bad = true;
      content = Trim(content);
      if (!*bad && (content.empty() || content.front() == '#')) continue;
      *row = content;
      return true;
    }
    return false;
  }
  uint32_t number() const noexcept { return number_; }

 private:
  const char* next_;
  uint32_t number_ = 0;
};

// Room the rows take, measured before anything is written: in 64 bits, so
// that a table past 4 GiB is refused rather than wrapped.
struct Measure {
  uint64_t rows = 0;
  uint64_t pool = 0;  // bytes of domains and values
  uint64_t Total() const noexcept { return hvcnOR_TABLE_HEADER_SIZE + rows * hvcnOR_TABLE_ROW_SIZE + pool; }
};

int32_t MeasureRows(const char* text, Measure* measure, uint32_t* line) noexcept {
  Lines lines(text);
  std::string_view content;
  bool bad = false;
  ParsedRow row;
  while (lines.Next(&content, &bad)) {
    *line = lines.number();
    if (bad) return hvcnERR_BAD_X400;
    if (int32_t status = ParseRow(content, &row)) return status;
    ++measure->rows;
    measure->pool += row.domain.size();
    for (uint32_t k = 0; k < kLevelCount; ++k)
      if (row.present[k]) measure->pool += row.levels[k].size();
  }
  *line = 0;
  return hvcnSUCCESS;
}

// The table memory being filled: rows, then their texts.
class TableWriter {
 public:
  TableWriter(uint8_t* base, uint32_t rows) noexcept
      : base_(base), rows_(rows), pool_(hvcnOR_TABLE_HEADER_SIZE + rows * hvcnOR_TABLE_ROW_SIZE), next_(pool_) {}

  // The rows of the text (measured before, so they fit), in text order.
  void PutRows(const char* text) noexcept {
    Lines lines(text);
    std::string_view content;
    bool bad = false;
    ParsedRow parsed;
    for (uint32_t i = 0; i < rows_ && lines.Next(&content, &bad); ++i) {
      ParseRow(content, &parsed);
      RowLayout row{};
      row.domain = Add(parsed.domain);
      row.depth = parsed.depth;
      row.order = i;
      for (uint32_t k = 0; k < kLevelCount; ++k)
        row.levels[k] = parsed.present[k] ? Add(parsed.levels[k]) : Span32{0, kAbsent};
      Store(i, row);
    }
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.rows = rows_;
    header.pool = pool_;
    header.total = next_;
    std::memcpy(base_, &header, sizeof header);
  }

  // Sorts the rows by domain; a domain given twice is refused with *line
  // the later of its lines (found in the text again).
  int32_t SortByDomain(const char* text, uint32_t* line) noexcept {
    HeapSort(
        rows_, [&](uint32_t i, uint32_t k) noexcept { return CompareNoCase(DomainOf(i), DomainOf(k)) < 0; },
        [&](uint32_t i, uint32_t k) noexcept {
          const RowLayout a = Load(i), b = Load(k);
          Store(i, b);
          Store(k, a);
        });
    for (uint32_t i = 1; i < rows_; ++i)
      if (CompareNoCase(DomainOf(i - 1), DomainOf(i)) == 0) {
        *line = SecondLineOf(text, DomainOf(i));
        return hvcnERR_DUPLICATE_ATTRIBUTE;
      }
    return hvcnSUCCESS;
  }

  // Sorts the level-order fields: each a row index, by the rows' levels.
  void SortByLevels() noexcept {
    for (uint32_t i = 0; i < rows_; ++i) SetOrder(i, i);
    HeapSort(
        rows_,
        [&](uint32_t i, uint32_t k) noexcept {
          const uint32_t a = Load(i).order, b = Load(k).order;
          const int order = CompareLevels(LevelsOf(a), LevelsOf(b));
          return order < 0 || (order == 0 && a < b);
        },
        [&](uint32_t i, uint32_t k) noexcept {
          const uint32_t a = Load(i).order;
          SetOrder(i, Load(k).order);
          SetOrder(k, a);
        });
  }

  uint32_t total() const noexcept { return next_; }

 private:
  Span32 Add(std::string_view text) noexcept {
    const Span32 span{next_, static_cast<uint32_t>(text.size())};
    if (!text.empty()) std::memcpy(base_ + next_, text.data(), text.size());
    next_ += static_cast<uint32_t>(text.size());
    return span;
  }
  uint8_t* RowBytes(uint32_t i) const noexcept {
    return base_ + hvcnOR_TABLE_HEADER_SIZE + uint64_t{i} * hvcnOR_TABLE_ROW_SIZE;
  }
  RowLayout Load(uint32_t i) const noexcept {
    RowLayout row;
    std::memcpy(&row, RowBytes(i), sizeof row);
    return row;
  }
  void Store(uint32_t i, const RowLayout& row) noexcept { std::memcpy(RowBytes(i), &row, sizeof row); }
  void SetOrder(uint32_t i, uint32_t order) noexcept {
    std::memcpy(RowBytes(i) + offsetof(RowLayout, order), &order, sizeof order);
  }
  std::string_view Text(const Span32& span) const noexcept {
    return {reinterpret_cast<const char*>(base_) + span.offset, span.length};
  }
  std::string_view DomainOf(uint32_t i) const noexcept { return Text(Load(i).domain); }
  Levels LevelsOf(uint32_t i) const noexcept { return LevelsOfRow(base_, Load(i)); }
  static uint32_t SecondLineOf(const char* text, std::string_view domain) noexcept {
    Lines lines(text);
    std::string_view content;
    bool bad = false, seen = false;
    ParsedRow row;
    while (lines.Next(&content, &bad)) {
      if (ParseRow(content, &row) != hvcnSUCCESS || CompareNoCase(row.domain, domain) != 0) continue;
      if (seen) return lines.number();
      seen = true;
    }
    return 0;
  }

  uint8_t* base_;
  uint32_t rows_;
  uint32_t pool_;
  uint32_t next_;
};

}  // namespace

struct TableView::Row {
  RowLayout layout;
};

int32_t BuildTable(const char* text, void* table, uint32_t size, uint32_t* needed, uint32_t* line) noexcept {
  // A text of 4 GiB or more is refused before it is read: the offsets and
  // line numbers of a table are 32 bits.
  if constexpr (sizeof(size_t) > sizeof(uint32_t))
    if (strnlen(text, UINT32_MAX) >= UINT32_MAX) return hvcnERR_NAME_TOO_LONG;
  // Once to check the rows and measure them, once to write them.
  Measure measure;
  if (int32_t status = MeasureRows(text, &measure, line)) return status;
  if (measure.Total() > UINT32_MAX) return hvcnERR_NAME_TOO_LONG;
  *needed = static_cast<uint32_t>(measure.Total());
  if (!table || size < *needed) return hvcnERR_BUFFER_TOO_SMALL;
  TableWriter writer(static_cast<uint8_t*>(table), static_cast<uint32_t>(measure.rows));
  writer.PutRows(text);
  if (int32_t status = writer.SortByDomain(text, line)) return status;
  writer.SortByLevels();
  return hvcnSUCCESS;
}

// ---------------------------------------------------------------------------
// Look-ups

bool TableView::Open(const void* table, uint32_t size) noexcept {
  base_ = static_cast<const uint8_t*>(table);
  if (!table || size < sizeof(Header)) return false;
  Header header;
  std::memcpy(&header, base_, sizeof header);
  if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.total > size) return false;
  const uint64_t rowsEnd = hvcnOR_TABLE_HEADER_SIZE + uint64_t{header.rows} * hvcnOR_TABLE_ROW_SIZE;
  if (rowsEnd > header.pool || header.pool > header.total) return false;
  rows_ = header.rows;
  pool_ = header.pool;
  total_ = header.total;
  return true;
}

bool TableView::ReadRow(uint32_t i, Row* row) const noexcept {
  if (i >= rows_) return false;
  std::memcpy(&row->layout, base_ + hvcnOR_TABLE_HEADER_SIZE + uint64_t{i} * hvcnOR_TABLE_ROW_SIZE, sizeof row->layout);
  const RowLayout& r = row->layout;
  auto inside = [&](const Span32& span) noexcept {
    return span.offset >= pool_ && uint64_t{span.offset} + span.length <= total_;
  };
  if (r.depth == 0 || r.depth > kLevelCount || r.domain.length == 0 || !inside(r.domain) || r.order >= rows_)
    return false;
  for (const Span32& level : r.levels)
    if (level.length != kAbsent && !inside(level)) return false;
  return true;
}

std::string_view TableView::Text(uint32_t offset, uint32_t length) const noexcept {
  return {reinterpret_cast<const char*>(base_) + offset, length};
}

int64_t TableView::FindDomain(std::string_view domain) const noexcept {
  uint32_t low = 0, high = rows_;
  Row row;
  while (low < high) {
    const uint32_t middle = low + (high - low) / 2;
    if (!ReadRow(middle, &row)) return -2;
    const int order = CompareNoCase(Text(row.layout.domain.offset, row.layout.domain.length), domain);
    if (order == 0) return middle;
    if (order < 0) low = middle + 1;
    else high = middle;
  }
  return -1;
}

int64_t TableView::FindLevels(const LevelKey& key) const noexcept {
  // The depths the address can match: down to its first teletex level.
  uint32_t deepest = 0;
  while (deepest < kLevelCount && !key.teletex[deepest]) ++deepest;
  Row row, target;
  for (uint32_t depth = deepest; depth > 0; --depth) {
    Levels wanted{};
    wanted.depth = depth;
    for (uint32_t k = 0; k < depth; ++k) {
      wanted.present[k] = key.present[k];
      wanted.text[k] = key.text[k];
    }
    // The first row in level order whose levels are not below the wanted.
    uint32_t low = 0, high = rows_;
    while (low < high) {
      const uint32_t middle = low + (high - low) / 2;
      if (!ReadRow(middle, &row) || !ReadRow(row.layout.order, &target)) return -2;
      if (CompareLevels(LevelsOfRow(base_, target.layout), wanted) < 0) low = middle + 1;
      else high = middle;
    }
    if (low == rows_) continue;
    if (!ReadRow(low, &row) || !ReadRow(row.layout.order, &target)) return -2;
    if (CompareLevels(LevelsOfRow(base_, target.layout), wanted) == 0) return row.layout.order;
  }
  return -1;
}

uint32_t TableView::Depth(uint32_t i) const noexcept {
  Row row;
  return ReadRow(i, &row) ? row.layout.depth : 0;
}

std::string_view TableView::Domain(uint32_t i) const noexcept {
  Row row;
  return ReadRow(i, &row) ? Text(row.layout.domain.offset, row.layout.domain.length) : std::string_view();
}

bool TableView::Level(uint32_t i, uint32_t level, std::string_view* value) const noexcept {
  Row row;
  if (level >= kLevelCount || !ReadRow(i, &row) || row.layout.levels[level].length == kAbsent) return false;
  *value = Text(row.layout.levels[level].offset, row.layout.levels[level].length);
  return true;
}

}  // namespace hvcn::orname
