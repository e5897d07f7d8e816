// The RFC 2156 mapping between O/R addresses and RFC 822 addresses.
//
// Through a gateway domain the whole O/R address becomes the local part:
//     "/G=John/S=Smith/O=Acme/PRMD=Acme/ADMD= /C=US/"@x400.example.com
// With a table (orname/table.h), the part of the address that a row covers
// becomes the row's domain, each further level of the hierarchy C, ADMD,
// PRMD, O, OU1-OU4 that the address holds (down to the first it lacks or
// that is no domain label) one more domain label in front, and what is left
// the local part: a personal name alone as given.initials.surname, anything
// else in the "/" form:
//     John.Smith@acme.example.com      /G=John/S=Smith/OU1=R&D/@acme.example.com
// The deepest row that matches an O/R address wins, and the row with the
// longest domain that ends an RFC 822 domain. The local part is quoted when
// RFC 822 needs it.
#include <cstring>

#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "internal_form/internal_form.h"
#include "model/held_value.h"
#include "orname/forms.h"
#include "orname/labels.h"
#include "orname/table.h"
#include "orname/text.h"

namespace hvcn::orname {
namespace {

constexpr size_t kScratch = sizeof(hvcnFormat::nameBuffer) + 1;

// A value that can stand as one label of a domain: letters, digits and
// inner hyphens, at most 63.
bool DomainLabel(std::string_view value) noexcept {
  if (value.empty() || value.size() > 63 || value.front() == '-' || value.back() == '-') return false;
  for (char c : value)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')) return false;
  return true;
}

// ---------------------------------------------------------------------------
// O/R address to RFC 822

// The held values of the levels, as they are to be written.
struct LevelValues {
  LevelKey key;
  char buffer[kScratch + kLevelCount];
};

void ReadLevels(const hvcnFormat* f, LevelValues* levels) noexcept {
  char* next = levels->buffer;
  LevelKey& key = levels->key;
  for (uint32_t k = 0; k < kLevelCount; ++k) {
    const int partner = TeletexPartner(kLevels[k]);
    key.teletex[k] = partner >= 0 && !(f->flags & hvcnFMT_7BIT_ONLY) && !model::ValueOf(f, partner).empty();
    key.text[k] = {};
    if (internal_form::HeldText(f, kLevels[k], next, &key.text[k])) next += key.text[k].size() + 1;
    key.present[k] = !key.text[k].empty() || key.teletex[k];
  }
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

// IMCEA's spelling of a byte of the encapsulated address: letters, digits,
// '-' and '=' as they are, '/' as '_', any other byte as "+XX", its
// hexadecimal code.
class ImceaSpeller final : public OutputSpeller {
 public:
  size_t Spell(char c, char* out) noexcept override;
};

size_t ImceaSpeller::Spell(char c, char* out) noexcept {
  const auto b = static_cast<unsigned char>(c);
  if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' || b == '=') {
    out[0] = c;
    return 1;
  }
  if (b == '/') {
    out[0] = '_';
    return 1;
  }
  constexpr char kHex[] = "0123456789ABCDEF";
  out[0] = '+', out[1] = kHex[b >> 4], out[2] = kHex[b & 0xF];
  return 3;
}

// The held name through the gateway as Exchange encapsulates an X.400
// address: IMCEAX400-<the ";" form, IMCEA-spelled>@gateway.
int32_t MapToImcea(hvcnFormat* format, const char* gateway, Output& out, uint32_t* needed) noexcept {
  out.Put("IMCEAX400-");
  const uint64_t start = out.length();
  ImceaSpeller speller;
  out.Spell(&speller);
  WriteOptions options;
  options.flags = hvcnOR_ANNEXF;
  const int32_t status = WriteComponents(format, out, options);
  out.Spell(nullptr);
  if (status == hvcnSUCCESS && out.length() == start) RecordDetail(format, detail::kEmptyLocalPart);
  if (status != hvcnSUCCESS || out.length() == start) {
    out.Empty();
    return status != hvcnSUCCESS ? status : hvcnERR_NOT_AN_ADDRESS;
  }
  out.Put('@');
  out.Put(std::string_view(gateway));
  return out.Finish(needed);
}

// A table whose header or a row looked at is not as hvcnParseORTable wrote
// it (the caller's memory changed since, or is no table).
int32_t DamagedTable() noexcept {
  trace::WriteLine(trace::tag::kError, "ORN: The mapping table is not one that hvcnParseORTable wrote.");
  return hvcnERR_BAD_PARAMETER;
}

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

int32_t MapToRfc822(hvcnFormat* format, const char* gateway, const void* table, uint32_t tableSize, char* buffer,
                    uint32_t size, uint32_t* needed, uint32_t flags) noexcept {
  Output out(buffer, size);
  if (needed) *needed = 0;
  if (flags & hvcnOR_IMCEA) return MapToImcea(format, gateway, out, needed);
  TableView view;
  if (table && !view.Open(table, tableSize)) return DamagedTable();
  LevelValues levels;
  ReadLevels(format, &levels);
  const int64_t best = table ? view.FindLevels(levels.key) : -1;
  if (best == -2) return DamagedTable();
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
    depth = covered = view.Depth(static_cast<uint32_t>(best));
    const LevelKey& key = levels.key;
    while (covered < kLevelCount && key.present[covered] && !key.teletex[covered] && DomainLabel(key.text[covered]))
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
      out.Put(levels.key.text[k - 1]);
      out.Put('.');
    }
    out.Put(view.Domain(static_cast<uint32_t>(best)));
  } else {
    out.Put(std::string_view(gateway));
  }
  return out.Finish(needed);
}

int32_t MapFromRfc822(hvcnFormat* format, const char* address, const char* gateway, const void* table,
                      uint32_t tableSize) noexcept {
  NameBuilder builder(format);
  TableView view;
  if (table && !view.Open(table, tableSize)) return DamagedTable();
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
    // At the gateway the local part is the whole O/R address, in the "/"
    // form or IMCEA-encapsulated.
    if (IsImcea({local, parts.localLength})) {
      if (int32_t status = ReadImcea(builder, {local, parts.localLength}, hvcnOR_FROM_AUTO)) return status;
      return builder.Finish();
    }
    if (*local != '/') return builder.Refuse(hvcnERR_NOT_AN_ADDRESS, detail::kLocalPartNotOr, {gateway, 0});
    if (int32_t status = ReadStdOrComponents(builder, local, local, localEnd, parts.localColumn - 1)) return status;
    return builder.Finish();
  }

  // The row with the longest domain that ends the address's domain: the
  // domain itself, then without its first label, and so on.
  int64_t best = -1;
  size_t bestLength = 0;
  for (std::string_view rest = parts.domain; table && best < 0 && !rest.empty();) {
    best = view.FindDomain(rest);
    if (best == -2) return DamagedTable();
    bestLength = rest.size();
    const size_t dot = rest.find('.');
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
  }
  if (best < 0)
    return builder.Refuse(hvcnERR_NOT_AN_ADDRESS, detail::kDomainNotMapped, {parts.domain, parts.domainColumn});

  const auto row = static_cast<uint32_t>(best);
  for (uint32_t k = 0; k < kLevelCount; ++k)
    if (std::string_view value; view.Level(row, k, &value))
      if (int32_t status = builder.TakeText({LevelLabel(k), parts.domainColumn}, kLevels[k], value)) return status;
  // The labels in front of the row's domain, from the right: the levels
  // below the row's.
  std::string_view labels = parts.domain.substr(0, parts.domain.size() - bestLength);
  if (!labels.empty()) labels.remove_suffix(1);  // the dot before the row's domain
  uint32_t level = view.Depth(row);
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
