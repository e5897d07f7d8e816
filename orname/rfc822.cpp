// The RFC 2156 mapping between O/R addresses and RFC 822 addresses, and its
// domain mapping table.
//
// Through a gateway domain the whole O/R address becomes the local part:
//     "/G=John/S=Smith/O=Acme/PRMD=Acme/ADMD= /C=US/"@x400.example.com
// With a table, the part of the address that a row covers becomes the
// row's domain, each further level of the hierarchy C, ADMD, PRMD, O,
// OU1-OU4 that the address holds (down to the first it lacks or that is no
// domain label) one more domain label in front, and what is left the local
// part: a personal name alone as given.initials.surname, anything else in
// the "/" form:
//     John.Smith@acme.example.com      /G=John/S=Smith/OU1=R&D/@acme.example.com
// The deepest row that matches an O/R address wins, and the row with the
// longest domain that ends an RFC 822 domain. The local part is quoted when
// RFC 822 needs it.
//
// A table's text, one row a line ('#' starts a comment line):
//     domain "#" level *( "$" level ) "#"      acme.example.com#PRMD=Acme$ADMD=ATTMAIL$C=US#
//     level = label "=" value                  labels C, ADMD/A, PRMD/P, O, OU, OU1-OU4;
//                                              "$$" is a '$' in a value
// The levels may also be written in the "/" form (/PRMD=Acme/ADMD=ATTMAIL/C=US/).
//
// The table in the caller's memory (all numbers 32-bit, in the machine's
// order, read and written with memcpy so the memory needs no alignment):
//     header   "ORT1", rows, offset of the text pool, bytes in all
//     rows     domain (offset, length), depth (levels down to the deepest
//              given), the row's line in the text, then per level (offset,
//              length; absent: length 0xFFFFFFFF); sorted by domain, letter
//              case ignored, so that a domain is found by binary search (a
//              domain given twice is refused when the rows are written)
//     pool     the domains and the unquoted values
// Finding the row of an RFC 822 domain takes a binary search per label of
// the domain; finding the row of an O/R address, one pass over the rows.
#include <cstring>

#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "internal_form/internal_form.h"
#include "model/catalogue.h"
#include "model/held_value.h"
#include "model/validate.h"
#include "orname/forms.h"
#include "orname/labels.h"

namespace hvcn::orname {
namespace {

// The hierarchy the table maps, from the top.
constexpr Slot kLevels[] = {model::kCountry, model::kAdmd, model::kPrmd, model::kOrganization,
                            model::kOu1,     model::kOu2,  model::kOu3,  model::kOu4};
constexpr uint32_t kLevelCount = std::size(kLevels);
static_assert(model::kOrgUnitSlots[0] == model::kOu1 && model::kOrgUnitSlots[3] == model::kOu4);

constexpr char kMagic[4] = {'O', 'R', 'T', '1'};
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
struct Row {
  Span32 domain;
  uint32_t depth;
  uint32_t line;  // of the table's text
  Span32 levels[kLevelCount];
};
static_assert(sizeof(Header) == hvcnOR_TABLE_HEADER_SIZE && sizeof(Row) == hvcnOR_TABLE_ROW_SIZE);

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

int LevelOf(int slot) noexcept {
  for (uint32_t k = 0; k < kLevelCount; ++k)
    if (kLevels[k] == slot) return static_cast<int>(k);
  return -1;
}


// A value that can stand as one label of a domain: letters, digits and
// inner hyphens, at most 63.
bool DomainLabel(std::string_view value) noexcept {
  if (value.empty() || value.size() > 63 || value.front() == '-' || value.back() == '-') return false;
  for (char c : value)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')) return false;
  return true;
}

// Domains in the order the table keeps its rows: letter case ignored.
int CompareDomains(std::string_view a, std::string_view b) noexcept {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(Upper(a[i])), y = static_cast<unsigned char>(Upper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// ---------------------------------------------------------------------------
// Reading a table's text

// One row as read: the domain and the unquoted level values (in `values`).
struct ParsedRow {
  std::string_view domain;
  std::string_view levels[kLevelCount];
  bool present[kLevelCount];
  uint32_t depth;
  char values[kScratch];
  size_t used;
};

// One level "label=value" of a row (the value still quoted as written).
int32_t TakeLevel(std::string_view label, std::string_view raw, ParsedRow* row) noexcept {
  std::string_view rest;
  const Label* found = FindLabel(Trim(label), &rest);
  int level = -1;
  if (found && found->kind == LabelKind::Slot) {
    level = LevelOf(found->slot);
  } else if (found && found->kind == LabelKind::NextOrgUnit) {
    for (level = LevelOf(model::kOu1); level < static_cast<int>(kLevelCount) && row->present[level];) ++level;
    if (level >= static_cast<int>(kLevelCount)) return hvcnERR_TOO_MANY_OUS;
  }
  if (level < 0) return hvcnERR_UNKNOWN_TAG;
  if (row->present[level]) return hvcnERR_DUPLICATE_ATTRIBUTE;
  // The value unquoted: "$x" in the "/" form, "$$" in the '$' form, both
  // a '$' and what follows it.
  char* value = row->values + row->used;
  size_t n = 0;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '$') {
      if (++i >= raw.size()) return hvcnERR_BAD_X400;
    }
    if (row->used + n + 1 >= sizeof row->values) return hvcnERR_VALUE_TOO_LONG;
    value[n++] = raw[i];
  }
  value[n] = '\0';
  if (kLevels[level] == model::kAdmd && Trim({value, n}).empty()) {
    value[0] = ' ';
    value[1] = '\0';
    n = 1;
  }
  const int32_t check = model::ValidateById(value, 0, model::RowOf(kLevels[level]).id);
  if (check != hvcnSUCCESS) return check;
  row->levels[level] = {value, n};
  row->present[level] = true;
  row->used += n + 1;
  if (static_cast<uint32_t>(level) + 1 > row->depth) row->depth = static_cast<uint32_t>(level) + 1;
  return hvcnSUCCESS;
}

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
  const bool slashes = !levels.empty() && levels.front() == '/';
  const char separator = slashes ? '/' : '$';
  // Items end at an unquoted separator: in the "/" form '$' quotes the next
  // character, in the '$' form "$$" is a '$'.
  size_t start = slashes ? 1 : 0;
  while (start < levels.size()) {
    size_t end = start;
    while (end < levels.size()) {
      if (levels[end] == '$' && (slashes || (end + 1 < levels.size() && levels[end + 1] == '$'))) {
        end += 2;
        continue;
      }
      if (levels[end] == separator) break;
      ++end;
    }
    const std::string_view item = levels.substr(start, end - start);
    if (!Trim(item).empty()) {
      const size_t equals = item.find('=');
      if (equals == std::string_view::npos) return hvcnERR_BAD_X400;
      if (int32_t status = TakeLevel(item.substr(0, equals), item.substr(equals + 1), row)) return status;
    }
    start = end + 1;
  }
  return row->depth == 0 ? hvcnERR_BAD_X400 : hvcnSUCCESS;
}


// The table memory being filled (or, with no memory, measured).
class TableWriter {
 public:
  TableWriter(uint8_t* base, uint32_t rows) noexcept
      : base_(base), pool_(hvcnOR_TABLE_HEADER_SIZE + rows * hvcnOR_TABLE_ROW_SIZE), next_(pool_) {}

  Span32 Add(std::string_view text) noexcept {
    const Span32 span{next_, static_cast<uint32_t>(text.size())};
    if (base_ && !text.empty()) std::memcpy(base_ + next_, text.data(), text.size());
    next_ += static_cast<uint32_t>(text.size());
    return span;
  }
  void PutRow(uint32_t index, const ParsedRow& parsed, uint32_t line) noexcept {
    Row row{};
    row.domain = Add(parsed.domain);
    row.depth = parsed.depth;
    row.line = line;
    for (uint32_t k = 0; k < kLevelCount; ++k) row.levels[k] = parsed.present[k] ? Add(parsed.levels[k]) : Span32{0, kAbsent};
    if (base_) std::memcpy(base_ + hvcnOR_TABLE_HEADER_SIZE + index * hvcnOR_TABLE_ROW_SIZE, &row, sizeof row);
  }
  void PutHeader(uint32_t rows) noexcept {
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.rows = rows;
    header.pool = pool_;
    header.total = next_;
    if (base_) std::memcpy(base_, &header, sizeof header);
  }
  uint32_t total() const noexcept { return next_; }

  // Sorts the rows by domain (a heap sort in place), so that a domain is
  // found by binary search. A domain given twice is refused: *line is the
  // later of its lines.
  int32_t SortRows(uint32_t rows, uint32_t* line) noexcept {
    for (uint32_t i = rows / 2; i-- > 0;) SiftDown(i, rows);
    for (uint32_t end = rows; end-- > 1;) {
      Swap(0, end);
      SiftDown(0, end);
    }
    for (uint32_t i = 1; i < rows; ++i) {
      const Row a = RowAt(i - 1), b = RowAt(i);
      if (CompareDomains(Text(a.domain), Text(b.domain)) == 0) {
        *line = a.line > b.line ? a.line : b.line;
        return hvcnERR_DUPLICATE_ATTRIBUTE;
      }
    }
    return hvcnSUCCESS;
  }

 private:
  uint8_t* RowBytes(uint32_t i) const noexcept { return base_ + hvcnOR_TABLE_HEADER_SIZE + i * hvcnOR_TABLE_ROW_SIZE; }
  Row RowAt(uint32_t i) const noexcept {
    Row row;
    std::memcpy(&row, RowBytes(i), sizeof row);
    return row;
  }
  std::string_view Text(const Span32& span) const noexcept {
    return {reinterpret_cast<const char*>(base_) + span.offset, span.length};
  }
  bool Less(uint32_t i, uint32_t k) const noexcept {
    return CompareDomains(Text(RowAt(i).domain), Text(RowAt(k).domain)) < 0;
  }
  void Swap(uint32_t i, uint32_t k) noexcept {
    const Row a = RowAt(i), b = RowAt(k);
    std::memcpy(RowBytes(i), &b, sizeof b);
    std::memcpy(RowBytes(k), &a, sizeof a);
  }
  void SiftDown(uint32_t i, uint32_t end) noexcept {
    for (;;) {
      uint32_t largest = i;
      const uint32_t left = 2 * i + 1, right = left + 1;
      if (left < end && Less(largest, left)) largest = left;
      if (right < end && Less(largest, right)) largest = right;
      if (largest == i) return;
      Swap(i, largest);
      i = largest;
    }
  }

  uint8_t* base_;
  uint32_t pool_;
  uint32_t next_;
};

// Reads every row of the text into the writer (null: counts the rows).
int32_t ReadRows(const char* text, TableWriter* writer, uint32_t* rows, uint32_t* line) noexcept {
  ParsedRow row;
  *rows = 0;
  *line = 0;
  for (const char* p = text; *p;) {
    const char* end = p;
    while (*end && *end != '\n') ++end;
    ++*line;
    std::string_view content(p, static_cast<size_t>(end - p));
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    p = *end ? end + 1 : end;
    for (char c : content)
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) return hvcnERR_BAD_X400;
    content = Trim(content);
    if (content.empty() || content.front() == '#') continue;
    if (int32_t status = ParseRow(content, &row)) return status;
    if (writer) writer->PutRow(*rows, row, *line);
    ++*rows;
  }
  *line = 0;
  return hvcnSUCCESS;
}

// A table in the caller's memory, every offset checked against its size.
class TableView {
 public:
  bool Open(const void* table, uint32_t size) noexcept {
    base_ = static_cast<const uint8_t*>(table);
    if (!table || size < sizeof(Header)) return false;
    std::memcpy(&header_, base_, sizeof header_);
    if (std::memcmp(header_.magic, kMagic, sizeof kMagic) != 0 || header_.total > size) return false;
    const uint64_t rowsEnd = hvcnOR_TABLE_HEADER_SIZE + uint64_t{header_.rows} * hvcnOR_TABLE_ROW_SIZE;
    if (rowsEnd > header_.pool || header_.pool > header_.total) return false;
    for (uint32_t i = 0; i < header_.rows; ++i) {
      const Row row = RowAt(i);
      if (row.depth == 0 || row.depth > kLevelCount || !Inside(row.domain) || row.domain.length == 0) return false;
      for (const Span32& level : row.levels)
        if (level.length != kAbsent && !Inside(level)) return false;
      if (i > 0 && CompareDomains(Text(RowAt(i - 1).domain), Text(row.domain)) >= 0) return false;
    }
    return true;
  }
  // The row of a domain (letter case ignored), or -1.
  int64_t Find(std::string_view domain) const noexcept {
    uint32_t low = 0, high = header_.rows;
    while (low < high) {
      const uint32_t middle = low + (high - low) / 2;
      const int order = CompareDomains(Text(RowAt(middle).domain), domain);
      if (order == 0) return middle;
      if (order < 0) low = middle + 1;
      else high = middle;
    }
    return -1;
  }
  uint32_t rows() const noexcept { return header_.rows; }
  Row RowAt(uint32_t i) const noexcept {
    Row row;
    std::memcpy(&row, base_ + hvcnOR_TABLE_HEADER_SIZE + uint64_t{i} * hvcnOR_TABLE_ROW_SIZE, sizeof row);
    return row;
  }
  std::string_view Text(const Span32& span) const noexcept {
    return {reinterpret_cast<const char*>(base_) + span.offset, span.length};
  }

 private:
  bool Inside(const Span32& span) const noexcept {
    return span.offset >= header_.pool && uint64_t{span.offset} + span.length <= header_.total;
  }
  const uint8_t* base_ = nullptr;
  Header header_{};
};

// ---------------------------------------------------------------------------
// O/R address to RFC 822

// The held values of the levels, as they are to be written.
struct LevelValues {
  std::string_view text[kLevelCount];
  bool present[kLevelCount];   // a value, printable or teletex
  bool teletex[kLevelCount];   // a teletex value (which no domain carries)
  char buffer[kScratch + kLevelCount];
};

void ReadLevels(const hvcnFormat* f, LevelValues* levels) noexcept {
  char* next = levels->buffer;
  const char wildcard = ProcessWildcard();
  for (uint32_t k = 0; k < kLevelCount; ++k) {
    const int partner = TeletexPartner(kLevels[k]);
    levels->teletex[k] = partner >= 0 && !(f->flags & hvcnFMT_7BIT_ONLY) && !model::ValueOf(f, partner).empty();
    // As it is to be written: a typed name's value without its escapes.
    char* end = internal_form::CopyStoredValue(f, kLevels[k], next, nullptr);
    for (char* p = next; p < end; ++p)
      if (*p == hvcnCHAR_US) *p = wildcard;
    levels->text[k] = {next, static_cast<size_t>(end - next)};
    next = end + 1;
    levels->present[k] = !levels->text[k].empty() || levels->teletex[k];
  }
}

// The deepest row whose every level down to its depth is the address's
// (absent where the address has none); -1 when none.
int64_t BestRow(const TableView& table, const LevelValues& levels) noexcept {
  int64_t best = -1;
  uint32_t bestDepth = 0;
  for (uint32_t i = 0; i < table.rows(); ++i) {
    const Row row = table.RowAt(i);
    if (row.depth <= bestDepth) continue;
    bool match = true;
    for (uint32_t k = 0; k < row.depth && match; ++k) {
      const bool inRow = row.levels[k].length != kAbsent;
      match = inRow == levels.present[k] &&
              (!inRow || (!levels.teletex[k] && EqualNoCase(table.Text(row.levels[k]), levels.text[k])));
    }
    if (match) {
      best = i;
      bestDepth = row.depth;
    }
  }
  return best;
}

// Watches a local part being written: whether it is RFC 822 atoms
// separated by single dots (no specials, blanks or controls), and how many
// characters quoting would escape.
class LocalPartShape final : public OutputWatcher {
 public:
  void See(char c) noexcept override {
    const auto b = static_cast<unsigned char>(c);
    if (length_++ == 0 && c == '.') dotAtom_ = false;
    if (b <= 0x20 || b >= 0x7F || std::strchr("()<>@,;:\\\".[]", c) != nullptr)
      if (c != '.' || last_ == '.') dotAtom_ = false;
    escapes_ += c == '"' || c == '\\';
    last_ = c;
  }
  bool DotAtom() const noexcept { return length_ > 0 && dotAtom_ && last_ != '.'; }
  uint32_t escapes() const noexcept { return escapes_; }
  uint64_t length() const noexcept { return length_; }

 private:
  uint64_t length_ = 0;
  uint32_t escapes_ = 0;
  char last_ = 0;
  bool dotAtom_ = true;
};

// Quotes the local part written from `start` (the text's position when it
// began) where RFC 822 needs it: in place when it is all in the buffer,
// else only counted.
void QuoteLocalPart(Output& out, char* start, const LocalPartShape& shape) noexcept {
  if (shape.DotAtom()) return;
  const bool stored = !out.full();
  char* end = out.pos();
  if (!out.Grow(shape.escapes() + 2) || !stored) return;
  char* to = out.pos();
  *--to = '"';
  for (char* from = end; from > start;) {
    const char c = *--from;
    *--to = c;
    if (c == '"' || c == '\\') *--to = '\\';
  }
  *--to = '"';
}

// ---------------------------------------------------------------------------
// RFC 822 to O/R address

struct Rfc822Parts {
  char local[kScratch];  // the local part, unquoted
  size_t localLength;
  uint32_t localColumn;  // column of the local part in the address
  std::string_view domain;
  uint32_t domainColumn;
};

// Splits a bare address (or "phrase <address>") into its unquoted local part
// and its domain.
bool SplitAddress(const char* address, Rfc822Parts* parts) noexcept {
  std::string_view text = Trim(address);
  if (!text.empty() && text.back() == '>') {
    const size_t open = text.rfind('<');
    if (open == std::string_view::npos) return false;
    text = Trim(text.substr(open + 1, text.size() - open - 2));
  }
  size_t at;
  parts->localLength = 0;
  if (!text.empty() && text.front() == '"') {
    size_t i = 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      parts->local[parts->localLength++] = text[i];
    }
    if (i >= text.size() || i + 1 >= text.size() || text[i + 1] != '@') return false;
    at = i + 1;
  } else {
    at = text.rfind('@');
    if (at == std::string_view::npos) return false;
    for (size_t i = 0; i < at; ++i) {
      if (IsBlank(text[i])) return false;
      parts->local[parts->localLength++] = text[i];
    }
  }
  parts->local[parts->localLength] = '\0';
  parts->domain = Trim(text.substr(at + 1));
  parts->localColumn = ColumnOf(address, text.data() + (text.front() == '"' ? 1 : 0));
  parts->domainColumn = ColumnOf(address, parts->domain.data());
  return parts->localLength > 0 && IsDomain(parts->domain);
}

std::string_view LevelLabel(uint32_t level) noexcept { return model::RowOf(kLevels[level]).label; }

}  // namespace

int32_t CheckDomain(std::string_view domain) noexcept {
  if (domain.empty() || domain.front() == '.' || domain.back() == '.') return hvcnERR_BAD_VALUE;
  char previous = 0;
  for (char c : domain) {
    const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letterOrDigit && c != '-' && c != '_' && !(c == '.' && previous != '.')) return hvcnERR_BAD_VALUE;
    previous = c;
  }
  return hvcnSUCCESS;
}

int32_t BuildTable(const char* text, void* table, uint32_t size, uint32_t* needed, uint32_t* line) noexcept {
  // Once to check the rows and measure their texts, once to write them.
  uint32_t rows = 0;
  TableWriter measure(nullptr, 0);
  if (int32_t status = ReadRows(text, &measure, &rows, line)) return status;
  const uint64_t total = hvcnOR_TABLE_HEADER_SIZE + uint64_t{rows} * hvcnOR_TABLE_ROW_SIZE +
                         (measure.total() - hvcnOR_TABLE_HEADER_SIZE);
  if (total > UINT32_MAX) return hvcnERR_NAME_TOO_LONG;
  *needed = static_cast<uint32_t>(total);
  if (!table || size < total) return hvcnERR_BUFFER_TOO_SMALL;
  TableWriter writer(static_cast<uint8_t*>(table), rows);
  ReadRows(text, &writer, &rows, line);
  writer.PutHeader(rows);
  return writer.SortRows(rows, line);
}

int32_t MapToRfc822(hvcnFormat* format, const char* gateway, const void* table, uint32_t tableSize, char* buffer,
                    uint32_t size, uint32_t* needed, uint32_t flags) noexcept {
  Output out(buffer, size);
  if (needed) *needed = 0;
  TableView view;
  if (table && !view.Open(table, tableSize)) {
    trace::WriteLine(trace::tag::kError, "ORN: The mapping table is not one that hvcnParseORTable wrote.");
    return hvcnERR_BAD_PARAMETER;
  }
  LevelValues levels;
  ReadLevels(format, &levels);
  const int64_t best = table ? BestRow(view, levels) : -1;
  if (best < 0 && !gateway) {
    RecordDetail(format, detail::kNoMapping);
    out.Empty();
    return hvcnERR_NOT_AN_ADDRESS;
  }

  // What the domain covers: the row's levels and the levels below it that
  // are domain labels, down to the first that is not.
  bool skip[model::kStandardSlots] = {};
  uint32_t depth = 0, covered = 0;
  if (best >= 0) {
    depth = covered = view.RowAt(static_cast<uint32_t>(best)).depth;
    while (covered < kLevelCount && levels.present[covered] && !levels.teletex[covered] &&
           DomainLabel(levels.text[covered]))
      ++covered;
    for (uint32_t k = 0; k < covered; ++k) {
      skip[kLevels[k]] = true;
      if (TeletexPartner(kLevels[k]) >= 0) skip[TeletexPartner(kLevels[k])] = true;
    }
  }

  char* local = out.pos();
  LocalPartShape shape;
  out.Watch(&shape);
  WriteOptions options;
  options.flags = (flags & ~uint32_t{hvcnOR_ANNEXF}) | hvcnOR_TELETEX_ESCAPES;
  options.skip = skip;
  options.personalName = best >= 0 && !(flags & hvcnOR_NO_PERSONAL_LOCAL);
  const int32_t status = WriteComponents(format, out, options);
  out.Watch(nullptr);
  if (status == hvcnSUCCESS && shape.length() == 0) RecordDetail(format, detail::kEmptyLocalPart);
  if (status != hvcnSUCCESS || shape.length() == 0) {
    out.Empty();
    return status != hvcnSUCCESS ? status : hvcnERR_NOT_AN_ADDRESS;
  }
  QuoteLocalPart(out, local, shape);
  out.Put('@');
  if (best >= 0) {
    // The deepest label first.
    for (uint32_t k = covered; k > depth; --k) {
      out.Put(levels.text[k - 1]);
      out.Put('.');
    }
    out.Put(view.Text(view.RowAt(static_cast<uint32_t>(best)).domain));
  } else {
    out.Put(std::string_view(gateway));
  }
  return out.Finish(needed);
}

int32_t MapFromRfc822(hvcnFormat* format, const char* address, const char* gateway, const void* table,
                      uint32_t tableSize) noexcept {
  NameBuilder builder(format);
  TableView view;
  if (table && !view.Open(table, tableSize)) {
    trace::WriteLine(trace::tag::kError, "ORN: The mapping table is not one that hvcnParseORTable wrote.");
    return hvcnERR_BAD_PARAMETER;
  }
  const size_t length = strnlen(address, kScratch);
  if (length >= kScratch) return hvcnERR_NAME_TOO_LONG;
  Rfc822Parts parts;
  if (!SplitAddress(address, &parts))
    return builder.Refuse(hvcnERR_NOT_AN_ADDRESS, detail::kNotAnAddress, {{address, length}, 0});
  const char* local = parts.local;
  const char* localEnd = local + parts.localLength;
  for (const char* p = local; p < localEnd; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte < 0x20 || byte == 0x7F)
      return builder.Refuse(hvcnERR_BAD_X400, detail::kControlCharacter, {{}, ColumnOf(local, p, parts.localColumn - 1)});
  }

  if (gateway && EqualNoCase(parts.domain, gateway)) {
    // At the gateway the local part is the whole O/R address.
    if (*local != '/') return builder.Refuse(hvcnERR_NOT_AN_ADDRESS, detail::kLocalPartNotOr, {gateway, 0});
    if (int32_t status = ReadStdOrComponents(builder, local, local, localEnd, parts.localColumn - 1)) return status;
    return builder.Finish();
  }

  // The row with the longest domain that ends the address's domain: the
  // domain itself, then without its first label, and so on.
  int64_t best = -1;
  size_t bestLength = 0;
  for (std::string_view rest = parts.domain; table && best < 0 && !rest.empty();) {
    best = view.Find(rest);
    bestLength = rest.size();
    const size_t dot = rest.find('.');
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
  }
  if (best < 0)
    return builder.Refuse(hvcnERR_NOT_AN_ADDRESS, detail::kDomainNotMapped, {parts.domain, parts.domainColumn});

  const Row row = view.RowAt(static_cast<uint32_t>(best));
  for (uint32_t k = 0; k < kLevelCount; ++k)
    if (row.levels[k].length != kAbsent)
      if (int32_t status = builder.TakeText({LevelLabel(k), parts.domainColumn}, kLevels[k], view.Text(row.levels[k])))
        return status;
  // The labels in front of the row's domain, from the right: the levels
  // below the row's.
  std::string_view labels = parts.domain.substr(0, parts.domain.size() - bestLength);
  if (!labels.empty()) labels.remove_suffix(1);  // the dot before the row's domain
  uint32_t level = row.depth;
  while (!labels.empty()) {
    const size_t dot = labels.rfind('.');
    const std::string_view label = dot == std::string_view::npos ? labels : labels.substr(dot + 1);
    if (level >= kLevelCount)
      return builder.Refuse(hvcnERR_NOT_AN_ADDRESS, detail::kTooManyLabels, {parts.domain, parts.domainColumn});
    if (label.empty()) return builder.Refuse(hvcnERR_NOT_AN_ADDRESS, detail::kNotAnAddress, {{address, length}, 0});
    if (int32_t status = builder.TakeText({LevelLabel(level), ColumnOf(address, label.data())}, kLevels[level], label))
      return status;
    ++level;
    labels = dot == std::string_view::npos ? std::string_view() : labels.substr(0, dot);
  }
  // The local part: an O/R address in the "/" form, or a personal name.
  int32_t status = *local == '/'
                       ? ReadStdOrComponents(builder, local, local, localEnd, parts.localColumn - 1)
                       : builder.TakePersonalName({{local, parts.localLength}, parts.localColumn}, {local, parts.localLength});
  return status != hvcnSUCCESS ? status : builder.Finish();
}

}  // namespace hvcn::orname
