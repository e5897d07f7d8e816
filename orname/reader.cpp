// Reading the two text forms of an O/R address into a held name.
//
//   the ";" form (F.401 Annex F, RFC 1685)
//       address   = [ "X.400:" ] item *( separator item ) [ separator ]
//       item      = label "=" value         blanks around items are dropped
//       separator = ";"  (or "/" for a text that starts with "/" and holds no ";")
//       a separator inside a value is written twice: "O=P;;Q" is P;Q
//
//   the "/" form (RFC 2156 std-or-address)
//       address   = 1*( "/" label "=" value ) [ "/" ]
//       "$" quotes the next character ("$/", "$=", "$$", "$*"); an unquoted
//       "=" inside a value is refused; the value of an attribute with a
//       teletex variant may be  printable "*" teletex,  the teletex part
//       holding "{ddd}" for the character of decimal code ddd
//
// Labels are matched without regard to letter case and items come in any
// order (the labels: orname/labels.h). A text may start with "X.400:" or
// "X400:", which is dropped. Control characters are refused wherever they
// stand.
#include <cstring>

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

const char* SkipPrefix(const char* p, const char* end) noexcept {
  for (std::string_view prefix : kPrefixes)
    if (static_cast<size_t>(end - p) >= prefix.size() && EqualNoCase({p, prefix.size()}, prefix))
      return SkipBlanks(p + prefix.size(), end);
  return p;
}

int32_t ReadAnnexF(NameBuilder& builder, const char* text, const char* begin, const char* end,
                   char separator) noexcept {
  for (const char* p = begin; p < end;) {
    p = SkipBlanks(p, end);
    if (p >= end) break;
    if (*p == separator) {  // an empty item
      ++p;
      continue;
    }
    const char* item = p;
    const char* equals = p;
    while (equals < end && *equals != '=' && *equals != separator) Next(equals, end);
    const std::string_view label = Span(item, TrimEnd(item, equals));
    if (equals >= end || *equals == separator || label.empty())
      return builder.Refuse(hvcnERR_BAD_X400, detail::kNotLabelValue,
                            {Span(item, TrimEnd(item, equals)), ColumnOf(text, item)});
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
    if (int32_t status = builder.Take({label, ColumnOf(text, item)}, label, value, TrimEnd(value, stop),
                                      Form::AnnexF, separator))
      return status;
    p = stop < end ? stop + 1 : end;
  }
  return hvcnSUCCESS;
}

}  // namespace

int32_t ReadStdOrComponents(NameBuilder& builder, const char* text, const char* begin, const char* end,
                            uint32_t columnBase) noexcept {
  for (const char* p = begin; p < end;) {
    if (*p == '/') {
      ++p;
      continue;
    }
    const char* item = p;
    // The label, unquoted, up to the first unquoted '='; blanks around it
    // are dropped unless quoted.
    char label[kLabelSize];
    size_t n = 0, kept = 0;
    const char* q = SkipBlanks(p, end);
    while (q < end && *q != '=' && *q != '/') {
      const bool quoted = *q == '$';
      if (quoted && ++q >= end)
        return builder.Refuse(hvcnERR_BAD_X400, detail::kBadQuoting, {Span(item, q), ColumnOf(text, item, columnBase)});
      const char* character = q;
      Next(q, end);
      for (; character < q; ++character)
        if (n < sizeof label - 1) label[n++] = *character;
      if (quoted) kept = n;
    }
    while (n > kept && IsBlank(label[n - 1])) --n;
    const std::string_view name(label, n);
    const uint32_t column = ColumnOf(text, item, columnBase);
    if (q >= end || *q == '/' || name.empty())
      return builder.Refuse(hvcnERR_BAD_X400, detail::kNotLabelValue, {Span(item, q), column});
    // The value, up to the next unquoted '/'.
    const char* value = q + 1;
    const char* stop = value;
    while (stop < end && *stop != '/') {
      if (*stop == '$' && stop + 1 < end) ++stop;
      Next(stop, end);
    }
    if (int32_t status = builder.Take({name, column}, name, value, stop, Form::StdOr, '/')) return status;
    p = stop;
  }
  return hvcnSUCCESS;
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
  const char* begin = SkipPrefix(SkipBlanks(text, end), end);
  end = TrimEnd(begin, end);

  const uint32_t form = flags & (hvcnOR_FROM_ANNEXF | hvcnOR_FROM_STDOR);
  const bool stdOr = form == hvcnOR_FROM_STDOR || (form == hvcnOR_FROM_AUTO && begin < end && *begin == '/');
  int32_t status;
  if (stdOr) {
    // The "/" form starts with its separator.
    if (begin < end && *begin != '/')
      return builder.Refuse(hvcnERR_BAD_X400, detail::kNotLabelValue, {Span(begin, end), ColumnOf(text, begin)});
    status = ReadStdOrComponents(builder, text, begin, end, 0);
  } else {
    const bool slashes = begin < end && *begin == '/' && !std::memchr(begin, ';', static_cast<size_t>(end - begin));
    status = ReadAnnexF(builder, text, begin, end, slashes ? '/' : ';');
  }
  return status != hvcnSUCCESS ? status : builder.Finish();
}

}  // namespace hvcn::orname
