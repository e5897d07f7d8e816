// Reading the text forms of an O/R address into a held name.
//
//   the ";" form (F.401 Annex F, RFC 1685)
//       address   = item *( separator item ) [ separator ]
//       item      = label "=" value         blanks around items are dropped
//       separator = ";"  (or "/" for a text that starts with "/" and holds no ";")
//       a separator inside a value is written twice: "O=P;;Q" is P;Q; in a
//       domain-defined type "==" is an '=' (DDA:a==b=c is the type a=b)
//   the "/" form (RFC 2156 std-or-address, as its input rules take it)
//       address   = 1*( sep label "=" value ) [ sep ]      sep = "/" or ";"
//       "$" quotes the next character ("$/", "$=", "$$", "$*"); an unquoted
//       "=" inside a value is refused; the value of an attribute with a
//       teletex variant may be  printable "*" teletex,  the teletex part
//       holding "{ddd}" T.61 codes (several may share a brace)
//
// Around either form: the brackets of an Exchange one-off address
// "[X400:...]", a prefix "X.400:" or "X400:", parentheses "(...)" after
// it; and the IMCEA encapsulation of Exchange, IMCEAX400-<address>@domain,
// in which "_" is '/' and "+XX" the byte of hexadecimal code XX.
//
// Labels are matched without regard to letter case and items come in any
// order (the labels: orname/labels.h). Control characters are refused
// wherever they stand. A ";" form value that holds further /label= items
// is the "/" form without its leading '/' when the text has no ';' (a
// gateway guide prints S=JS10/A=ATLAS/C=FR), and is refused otherwise; an
// X.500 directory name (a second CN, a label only directory names have,
// CN=x,OU=y) is refused with that reason.
#include <cstring>

#include "core/ascii.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "orname/forms.h"
#include "orname/labels.h"
#include "orname/text.h"

namespace hvcn::orname {
namespace {

constexpr size_t kMaxText = sizeof(hvcnFormat::nameBuffer) - 1;
constexpr size_t kLabelSize = 256;  // the longest label read, and its NUL

constexpr std::string_view kPrefixes[] = {"X.400:", "X400:"};
constexpr std::string_view kImcea = "IMCEA";
constexpr std::string_view kImceaX400 = "X400-";

bool StartsWith(const char* p, const char* end, std::string_view word) noexcept {
  return static_cast<size_t>(end - p) >= word.size() && EqualNoCase({p, word.size()}, word);
}

// The ";" form's label of an item: up to the first '=' (a domain-defined
// type may hold "==", an '=' of the type). `equals` is where the value
// starts after, or end.
const char* LabelEnd(const char* item, const char* end, char separator) noexcept {
  // Up to '=' or a separator that is not doubled (a doubled one is in the
  // label: a domain-defined type may hold it).
  auto scan = [&](const char* p) noexcept {
    while (p < end && *p != '=') {
      if (*p == separator) {
        if (p + 1 >= end || p[1] != separator) break;
        ++p;
      }
      Next(p, end);
    }
    return p;
  };
  const char* equals = scan(item);
  if (equals >= end || *equals != '=' || !StartsDdaLabel(Trim(Span(item, equals)))) return equals;
  while (equals < end && *equals == '=' && equals + 1 < end && equals[1] == '=') equals = scan(equals + 2);
  return equals;
}

}  // namespace

int32_t ReadAnnexFItems(ItemSink& sink, const char* text, const char* begin, const char* end, char separator,
                        uint32_t columnBase) noexcept {
  Columns columns(text, columnBase);
  for (const char* p = begin; p < end;) {
    p = SkipBlanks(p, end);
    if (p >= end) break;
    if (*p == separator) {  // an empty item
      ++p;
      continue;
    }
    const char* item = p;
    const char* equals = LabelEnd(item, end, separator);
    const std::string_view label = Span(item, TrimEnd(item, equals));
    const uint32_t column = columns.Of(item);
    if (equals >= end || *equals == separator || label.empty())
      return sink.Refuse(hvcnERR_BAD_X400, detail::kNotLabelValue, {label, column});
    const char* value = SkipBlanks(equals + 1, end);
    const char* stop = value;
    while (stop < end) {
      if (*stop == separator) {
        if (stop + 1 < end && stop[1] == separator) {
          stop += 2;
          continue;
        }
        break;
      }
      Next(stop, end);
    }
    if (int32_t status = sink.Take({label, value, TrimEnd(value, stop), column, Form::AnnexF, separator}))
      return status;
    p = stop < end ? stop + 1 : end;
  }
  return hvcnSUCCESS;
}

int32_t ReadStdOrComponents(ItemSink& sink, const char* text, const char* begin, const char* end,
                            uint32_t columnBase) noexcept {
  Columns columns(text, columnBase);
  auto separator = [](char c) noexcept { return c == '/' || c == ';'; };
  for (const char* p = begin; p < end;) {
    if (separator(*p)) {
      ++p;
      continue;
    }
    const char* item = p;
    // The label, unquoted, up to the first unquoted '='; blanks around it
    // are dropped unless quoted.
    char label[kLabelSize];
    size_t n = 0, kept = 0;
    const char* q = SkipBlanks(p, end);
    while (q < end && *q != '=' && !separator(*q)) {
      const bool quoted = *q == '$';
      if (quoted && ++q >= end)
        return sink.Refuse(hvcnERR_BAD_X400, detail::kBadQuoting, {Span(item, q), columns.Of(item)});
      const char* character = q;
      Next(q, end);
      for (; character < q; ++character)
        if (n < sizeof label - 1) label[n++] = *character;
      if (quoted) kept = n;
    }
    while (n > kept && IsBlank(label[n - 1])) --n;
    const std::string_view name(label, n);
    const uint32_t column = columns.Of(item);
    if (q >= end || separator(*q) || name.empty())
      return sink.Refuse(hvcnERR_BAD_X400, detail::kNotLabelValue, {Span(item, q), column});
    // The value, up to the next unquoted separator.
    const char* value = q + 1;
    const char* stop = value;
    while (stop < end && !separator(*stop)) {
      if (*stop == '$' && stop + 1 < end) ++stop;
      Next(stop, end);
    }
    if (int32_t status = sink.Take({name, value, stop, column, Form::StdOr, '/'})) return status;
    p = stop;
  }
  return hvcnSUCCESS;
}

namespace {

// A first look at the items, before any is read: an X.400 address is told
// from an X.500 directory name, and a ";" form value from the rest of a
// "/" form address written without its leading '/'.
class Probe final : public ItemSink {
 public:
  int32_t Take(const Item& item) noexcept override {
    const uint32_t column = item.column;
    if (EqualNoCase(item.label, "CN") && ++commonNames_ == 2) Mark(&directory_, item.label, column);
    if (IsDirectoryLabel(item.label)) Mark(&directory_, item.label, column);
    bool directory = false;
    if (item.form == Form::AnnexF && HoldsFurtherItem(Span(item.value, item.valueEnd), &directory))
      Mark(directory ? &directory_ : &slash_, item.label, column);
    return hvcnSUCCESS;
  }
  int32_t Refuse(int32_t status, uint16_t, const Where&) noexcept override { return status; }

  struct Found {
    bool found = false;
    char label[24];
    size_t length = 0;
    uint32_t column = 0;
    Where where() const noexcept { return {{label, length}, column}; }
  };
  const Found& directory() const noexcept { return directory_; }
  const Found& slash() const noexcept { return slash_; }

 private:
  static void Mark(Found* found, std::string_view label, uint32_t column) noexcept {
    if (found->found) return;
    found->found = true;
    found->length = label.size() < sizeof found->label ? label.size() : sizeof found->label;
    std::memcpy(found->label, label.data(), found->length);
    found->column = column;
  }
  int commonNames_ = 0;
  Found directory_, slash_;
};

// The brackets, prefix and parentheses around an address: [X400:...],
// X.400: ..., x400:(...).
void StripWrappers(const char*& begin, const char*& end) noexcept {
  begin = SkipBlanks(begin, end);
  end = TrimEnd(begin, end);
  if (end - begin >= 2 && *begin == '[' && end[-1] == ']') {
    begin = SkipBlanks(begin + 1, end - 1);
    end = TrimEnd(begin, end - 1);
  }
  for (std::string_view prefix : kPrefixes)
    if (StartsWith(begin, end, prefix)) {
      begin = SkipBlanks(begin + prefix.size(), end);
      break;
    }
  if (end - begin >= 2 && *begin == '(' && end[-1] == ')') {
    begin = SkipBlanks(begin + 1, end - 1);
    end = TrimEnd(begin, end - 1);
  }
}

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = ascii::Lower(c);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The address an IMCEA local part encapsulates, into out: '_' is '/',
// "+XX" the byte XX. False for a '+' without two hexadecimal digits, or a
// control character.
bool DecodeImcea(const char* p, const char* end, char* out, size_t* n) noexcept {
  *n = 0;
  for (; p < end; ++p) {
    char c = *p;
    if (c == '_') {
      c = '/';
    } else if (c == '+') {
      if (end - p < 3) return false;
      const int high = HexDigit(p[1]), low = HexDigit(p[2]);
      if (high < 0 || low < 0) return false;
      c = static_cast<char>(high * 16 + low);
      p += 2;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
    out[(*n)++] = c;
  }
  return true;
}

// The items of an address in the form the flags ask for (auto: "/" when it
// starts with '/', else ";", unless a value shows the "/" form without its
// leading '/'), after the probe found no directory name.
int32_t ReadForm(NameBuilder& builder, const char* text, const char* begin, const char* end, uint32_t form) noexcept {
  const bool stdOr = form == hvcnOR_FROM_STDOR || (form == hvcnOR_FROM_AUTO && begin < end && *begin == '/');
  if (stdOr) {
    // The "/" form starts with its separator.
    if (begin < end && *begin != '/' && *begin != ';')
      return builder.Refuse(hvcnERR_BAD_X400, detail::kNotLabelValue, {Span(begin, end), ColumnOf(text, begin)});
    Probe probe;
    ReadStdOrComponents(probe, text, begin, end, 0);
    if (probe.directory().found) return builder.Refuse(hvcnERR_BAD_X400, detail::kDirectoryName, probe.directory().where());
    return ReadStdOrComponents(builder, text, begin, end, 0);
  }
  const bool semicolons = std::memchr(begin, ';', static_cast<size_t>(end - begin)) != nullptr;
  const char separator = begin < end && *begin == '/' && !semicolons ? '/' : ';';
  Probe probe;
  ReadAnnexFItems(probe, text, begin, end, separator, 0);
  if (probe.directory().found) return builder.Refuse(hvcnERR_BAD_X400, detail::kDirectoryName, probe.directory().where());
  if (probe.slash().found && separator == ';') {
    if (form == hvcnOR_FROM_AUTO && !semicolons) {
      Probe again;
      ReadStdOrComponents(again, text, begin, end, 0);
      if (again.directory().found)
        return builder.Refuse(hvcnERR_BAD_X400, detail::kDirectoryName, again.directory().where());
      return ReadStdOrComponents(builder, text, begin, end, 0);
    }
    return builder.Refuse(hvcnERR_BAD_X400, detail::kSlashItems, probe.slash().where());
  }
  return ReadAnnexFItems(builder, text, begin, end, separator, 0);
}

}  // namespace

bool IsImcea(std::string_view text) noexcept {
  const char* begin = text.data();
  const char* end = begin + text.size();
  StripWrappers(begin, end);
  return StartsWith(begin, end, kImcea) && StartsWith(begin + kImcea.size(), end, kImceaX400);
}

int32_t ReadImcea(NameBuilder& builder, std::string_view localPart, uint32_t form) noexcept {
  const char* begin = localPart.data();
  const char* end = begin + localPart.size();
  StripWrappers(begin, end);
  const char* encoded = begin + kImcea.size() + kImceaX400.size();
  char decoded[kMaxText + 1];
  size_t n = 0;
  if (encoded > end || static_cast<size_t>(end - encoded) > kMaxText || !DecodeImcea(encoded, end, decoded, &n))
    return builder.Refuse(hvcnERR_BAD_X400, detail::kBadImcea, {localPart, 1});
  decoded[n] = '\0';
  const char* dBegin = decoded;
  const char* dEnd = decoded + n;
  StripWrappers(dBegin, dEnd);
  return ReadForm(builder, decoded, dBegin, dEnd, form);
}

std::string_view Unwrapped(std::string_view text) noexcept {
  const char* begin = text.data();
  const char* end = begin + text.size();
  StripWrappers(begin, end);
  return Span(begin, end);
}

bool IsDirectoryName(std::string_view text) noexcept {
  const std::string_view inner = Unwrapped(text);
  const char* begin = inner.data();
  const char* end = begin + inner.size();
  Probe probe;
  if (begin < end && *begin == '/') {
    ReadStdOrComponents(probe, begin, begin, end, 0);
  } else {
    ReadAnnexFItems(probe, begin, begin, end, ';', 0);
  }
  return probe.directory().found;
}

int32_t ReadORAddress(hvcnFormat* format, const char* text, uint32_t flags) noexcept {
  NameBuilder builder(format);
  const size_t length = strnlen(text, kMaxText + 1);
  if (length > kMaxText) {
    trace::WriteLine(trace::tag::kError, "ORN: The O/R address is too long for the data buffer.");
    return hvcnERR_NAME_TOO_LONG;
  }
  const char* end = text + length;
  for (const char* p = text; p < end; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte < 0x20 || byte == 0x7F)
      return builder.Refuse(hvcnERR_BAD_X400, detail::kControlCharacter, {{}, ColumnOf(text, p)});
  }
  const char* begin = text;
  StripWrappers(begin, end);
  const uint32_t form = flags & (hvcnOR_FROM_ANNEXF | hvcnOR_FROM_STDOR);
  int32_t status;
  if (IsImcea({begin, static_cast<size_t>(end - begin)})) {
    // IMCEAX400-<encoded>@domain: the address is the decoded local part.
    const char* at = end;
    while (at > begin && at[-1] != '@') --at;
    if (at == begin) return builder.Refuse(hvcnERR_BAD_X400, detail::kBadImcea, {Span(begin, end), 1});
    status = ReadImcea(builder, Span(begin, at - 1), form);
  } else {
    status = ReadForm(builder, text, begin, end, form);
  }
  return status != hvcnSUCCESS ? status : builder.Finish();
}

}  // namespace hvcn::orname
