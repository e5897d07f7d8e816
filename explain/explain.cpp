#include "explain/explain.h"

#include <cstring>
#include <string_view>

#include "core/platform/chars.h"
#include "core/refusal_note.h"
#include "core/strings.h"
#include "core/text_format.h"
#include "format/format.h"
#include "internal_form/internal_form.h"
#include "model/catalogue.h"
#include "orname/forms.h"
#include "parse/parse.h"

namespace hvcn::explain {
namespace {

// The texts of the explanations (resources/*.strings, 2100-2199).
enum Text : uint16_t {
  kAtColumn = 2100,          // "%s at column %d"
  kTooLong = 2101,           // status 13
  kNotPrintable = 2102,      // 14
  kNotNumeric = 2103,        // 15
  kNotCountry = 2104,        // 22
  kRefused = 2105,           // 12, and any other refusal of a value
  kNotTerminalType = 2106,   // 30
  kUnknownTag = 2110,
  kEmptyComponent = 2111,
  kNotTagValue = 2112,
  kNoTag = 2113,
  kX400GoesWrong = 2114,
  kOneUnitTooMany = 2115,
  kAttributeTwice = 2116,
  kOneDdaTooMany = 2117,
  kTheComponent = 2118,
  kWordsAfterComma = 2120,
  kWords = 2121,
  kNoTokenStartsSo = 2122,
  kNoTokenLeft = 2123,
  kBadSlash = 2130,
};

constexpr size_t kNameSize = sizeof(hvcnFormat::nameBuffer);
constexpr size_t kShownMost = 128;  // characters of a component shown

using Out = char (&)[kExplanationSize];

// A piece of a text: [begin, end) in bytes.
struct Piece {
  size_t begin;
  size_t end;
};

// Loads text `id` and formats it with the arguments into out; false (out
// empty) when the text is missing.
template <typename... A>
bool Say(Out out, uint16_t id, const A&... args) noexcept {
  char pattern[512];
  out[0] = '\0';
  if (!LoadLocalString(id, pattern, static_cast<int32_t>(sizeof pattern))) return false;
  FormatText(out, sizeof out, pattern, args...);
  return true;
}

// The column (from 1) of byte `offset` of the text, in characters.
uint32_t ColumnAt(std::string_view text, size_t offset) noexcept {
  uint32_t column = 1;
  const char* const end = text.data() + (offset < text.size() ? offset : text.size());
  for (const char* p = text.data(); p < end && *p; Step(p)) ++column;
  return column;
}

// A piece of a text in quotes, control characters as \xHH, cut after
// kShownMost characters ("...").
struct Quoted {
  char text[kShownMost * 4 + 8];
  Quoted(std::string_view whole, Piece piece) noexcept {
    constexpr char kHex[] = "0123456789abcdef";
    size_t n = 0;
    text[n++] = '\'';
    const char* p = whole.data() + (piece.begin < whole.size() ? piece.begin : whole.size());
    const char* const end = whole.data() + (piece.end < whole.size() ? piece.end : whole.size());
    for (size_t shown = 0; p < end; ++shown) {
      if (shown == kShownMost) {
        std::memcpy(text + n, "...", 3);
        n += 3;
        break;
      }
      const auto byte = static_cast<unsigned char>(*p);
      if (byte < 0x20 || byte == 0x7F) {
        text[n++] = '\\';
        text[n++] = 'x';
        text[n++] = kHex[byte >> 4];
        text[n++] = kHex[byte & 15];
        ++p;
        continue;
      }
      const char* next = p;
      Step(next);
      if (next > end || next == p || next - p > 4) next = p + 1;
      while (p < next) text[n++] = *p++;
    }
    text[n++] = '\'';
    text[n] = '\0';
  }
};

size_t SkipBlanks(std::string_view text, size_t at, size_t end) noexcept {
  while (at < end && text[at] == ' ') ++at;
  return at;
}

// The pieces of text[begin, end) between unescaped separators (a backslash
// escapes the character after it), one at a time.
class Pieces {
 public:
  Pieces(std::string_view text, size_t begin, size_t end, char separator) noexcept
      : text_(text), next_(begin), end_(end), separator_(separator) {}

  bool Next(Piece* piece) noexcept {
    if (done_) return false;
    const size_t start = next_;
    for (size_t i = start; i < end_; ++i) {
      if (text_[i] == '\\') {
        ++i;
      } else if (text_[i] == separator_) {
        *piece = {start, i};
        next_ = i + 1;
        return true;
      }
    }
    *piece = {start, end_};
    done_ = true;
    return true;
  }

 private:
  std::string_view text_;
  size_t next_;
  size_t end_;
  char separator_;
  bool done_ = false;
};

// The section of the token `tokenId` in the failed format's name, or false
// when it holds none.
bool Section(const hvcnFormat& f, int32_t tokenId, std::string_view name, Piece* piece) noexcept {
  for (const hvcnToken& token : f.tokens) {
    if (token.id != tokenId || token.valueLength == hvcnVALUE_ABSENT) continue;
    if (token.valueOffset > name.size() || token.valueLength > name.size() - token.valueOffset) return false;
    *piece = {token.valueOffset, token.valueOffset + token.valueLength};
    return true;
  }
  return false;
}

// A format of the explainer's own, set up from the failed format's format
// string, on which names are read again; it takes the refusal note.
class Probe {
 public:
  Probe(const hvcnFormat& failed, uint32_t flags) noexcept : flags_(flags & ~hvcnPARSE_REINTERPRET) {
    std::memset(&format_, 0, sizeof format_);
    char formatString[sizeof failed.formatString];
    CopyText(formatString, sizeof formatString, failed.formatString);
    ready_ = format::SetUpFormatFrom(&format_, formatString) == hvcnSUCCESS;
  }

  bool Ready() const noexcept { return ready_; }

  // The status of text[0, length) read as a typed name; 0 (nothing to
  // learn) when the probe has no format.
  int32_t Parse(std::string_view text) noexcept {
    if (!Hold(text)) return hvcnSUCCESS;
    uint32_t context = 0;
    bool wrote = false;
    return parse::ParseName(copy_, &format_, 0, nullptr, 0, &context, flags_, &wrote);
  }

  // The status of an internal name of a type decoded.
  int32_t Decode(std::string_view text, int32_t type) noexcept {
    if (!Hold(text)) return hvcnSUCCESS;
    return internal_form::DecodeInternalName(&format_, type, copy_);
  }

  // The status of an O/R address read in a standard form.
  int32_t ReadORAddress(std::string_view text, uint32_t flags) noexcept {
    if (!Hold(text)) return hvcnSUCCESS;
    return orname::ReadORAddress(&format_, copy_, flags);
  }

  const hvcnFormat& Format() const noexcept { return format_; }

 private:
  bool Hold(std::string_view text) noexcept {
    if (!ready_ || text.size() >= sizeof copy_) return false;
    std::memcpy(copy_, text.data(), text.size());
    copy_[text.size()] = '\0';
    ArmRefusalNote(&format_);
    return true;
  }

  hvcnFormat format_;
  char copy_[kNameSize];
  uint32_t flags_;
  bool ready_ = false;
};

// The attribute of a slot for people: "country (c)", "surname-tx", or a
// user attribute's name.
struct AttributeName {
  char text[sizeof(hvcnAttributeInfo::name) + sizeof(hvcnAttributeInfo::tag) + 4];
  AttributeName(const hvcnFormat& f, int slot) noexcept {
    hvcnAttributeInfo info;
    const int32_t id = slot >= 0 && slot < hvcnATTRIBUTE_COUNT ? f.attributes[slot].id : 0;
    if (model::IsStandardSlot(slot) && model::DescribeAttribute(id, &info) == hvcnSUCCESS) {
      if (info.tag[0]) FormatText(text, sizeof text, "%s (%s)", info.name, info.tag);
      else CopyText(text, sizeof text, info.name);
    } else {
      CopyBounded(text, sizeof text, model::NameOf(f.attributes[slot]));
    }
  }
};

bool IsValueRefusal(int32_t status) noexcept {
  switch (status) {
    case hvcnERR_BAD_VALUE:
    case hvcnERR_VALUE_TOO_LONG:
    case hvcnERR_NOT_PRINTABLE:
    case hvcnERR_NOT_NUMERIC:
    case hvcnERR_BAD_COUNTRY:
    case hvcnERR_BAD_TERMINAL_TYPE: return true;
    default: return false;
  }
}

// A value refused by its check, named by the probe's note: which attribute
// and why, at which column of the text when it is the text's own.
int32_t RefusedValue(const Probe& probe, int32_t status, std::string_view text, bool columns, Out out,
                     uint32_t* column) noexcept {
  const RefusalNote note = ReadRefusalNote(&probe.Format());
  if (note.slot < 0) return hvcnERR_NO_VALUE;
  const AttributeName attribute(probe.Format(), note.slot);
  char where[sizeof attribute.text + 64];
  CopyText(where, sizeof where, attribute.text);
  if (columns) {
    *column = ColumnAt(text, note.offset);
    char pattern[64];
    if (LoadLocalString(kAtColumn, pattern, static_cast<int32_t>(sizeof pattern)))
      FormatText(where, sizeof where, pattern, attribute.text, *column);
  }
  hvcnAttributeInfo info{};
  model::DescribeAttribute(probe.Format().attributes[note.slot].id, &info);
  switch (status) {
    case hvcnERR_VALUE_TOO_LONG: Say(out, kTooLong, where, info.maxLength); break;
    case hvcnERR_NOT_PRINTABLE: Say(out, kNotPrintable, where); break;
    case hvcnERR_NOT_NUMERIC: Say(out, kNotNumeric, where); break;
    case hvcnERR_BAD_COUNTRY: Say(out, kNotCountry, where); break;
    case hvcnERR_BAD_TERMINAL_TYPE: Say(out, kNotTerminalType, where); break;
    default: Say(out, kRefused, where); break;
  }
  return out[0] ? hvcnSUCCESS : hvcnERR_NO_VALUE;
}

// The X.400 tags in force, each once, the domain-defined prefix as
// "dd.TYPE": "s g i q o1 ...".
void KnownTags(char* out, size_t size) noexcept {
  size_t n = 0;
  out[0] = '\0';
  for (int32_t id = 1; id <= hvcnATTRIBUTE_ID_LAST; ++id) {
    hvcnAttributeInfo info;
    if (model::DescribeAttribute(id, &info) != hvcnSUCCESS || !info.tag[0]) continue;
    char tag[sizeof info.tag + 8];
    FormatText(tag, sizeof tag, "%s%s", info.tag, (info.flags & hvcnAINFO_DDA_TYPE) ? "TYPE" : "");
    bool seen = false;
    for (const char* p = out; *p && !seen;) {  // the words written so far
      const size_t length = std::strcspn(p, " ");
      seen = length == std::strlen(tag) && std::memcmp(p, tag, length) == 0;
      p += length + (p[length] == ' ');
    }
    if (seen) continue;
    n += FormatText(out + n, size - n, "%s%s", n ? " " : "", tag);
  }
}

// The component of the X.400 part where the name first fails the same way:
// the name is read again cut after each component in turn.
int32_t X400Fault(const hvcnFormat& failed, Probe& probe, std::string_view name, int32_t status, Out out,
                  uint32_t* column) noexcept {
  Piece part{};
  if (!Section(failed, hvcnTOKEN_X400, name, &part)) return hvcnERR_NO_VALUE;
  size_t begin = SkipBlanks(name, part.begin, part.end);
  if (begin < part.end && name[begin] == failed.slashChar) ++begin;
  Pieces pieces(name, begin, part.end, failed.slashChar);
  Piece piece{}, before{};
  for (bool first = true; pieces.Next(&piece); first = false, before = piece) {
    if (probe.Parse(name.substr(0, piece.end)) != status) continue;
    if (IsValueRefusal(status) && RefusedValue(probe, status, name, true, out, column) == hvcnSUCCESS)
      return hvcnSUCCESS;
    // An empty component fails only once another follows it.
    Piece at = piece;
    if (status == hvcnERR_BAD_X400 && !first && SkipBlanks(name, before.begin, before.end) == before.end) at = before;
    at.begin = SkipBlanks(name, at.begin, at.end);
    *column = ColumnAt(name, at.begin);
    const std::string_view text = name.substr(at.begin, at.end - at.begin);
    const size_t equals = text.find('=');
    const Quoted quoted(name, at);
    switch (status) {
      case hvcnERR_UNKNOWN_TAG: {
        char tags[512];
        KnownTags(tags, sizeof tags);
        const Quoted tag(name, {at.begin, equals == std::string_view::npos ? at.end : at.begin + equals});
        Say(out, kUnknownTag, tag.text, *column, tags);
        break;
      }
      case hvcnERR_BAD_X400:
        if (text.empty()) Say(out, kEmptyComponent, *column);
        else if (equals == std::string_view::npos) Say(out, kNotTagValue, quoted.text, *column);
        else if (equals == 0) Say(out, kNoTag, quoted.text, *column);
        else Say(out, kX400GoesWrong, quoted.text, *column);
        break;
      case hvcnERR_TOO_MANY_OUS: Say(out, kOneUnitTooMany, quoted.text, *column); break;
      case hvcnERR_DUPLICATE_ATTRIBUTE: Say(out, kAttributeTwice, quoted.text, *column); break;
      case hvcnERR_TOO_MANY_DDAS: Say(out, kOneDdaTooMany, quoted.text, *column); break;
      default: Say(out, kTheComponent, quoted.text, *column); break;
    }
    return out[0] ? hvcnSUCCESS : hvcnERR_NO_VALUE;
  }
  return hvcnERR_NO_VALUE;
}

// A personal name of more words than its reading takes: how many were
// read and how many fit, found by reading the name again with one-letter
// words in place of its words.
int32_t TooManyWords(const hvcnFormat& failed, Probe& probe, std::string_view name, Out out,
                     uint32_t* column) noexcept {
  Piece section{};
  const bool canonical = Section(failed, hvcnTOKEN_CANON, name, &section);
  if (!canonical && !Section(failed, hvcnTOKEN_NONCANON, name, &section)) return hvcnERR_NO_VALUE;
  size_t wordsFrom = section.begin;
  if (canonical) {
    Pieces halves(name, section.begin, section.end, failed.commaChar);
    Piece surname{}, rest{};
    if (!halves.Next(&surname) || !halves.Next(&rest)) return hvcnERR_NO_VALUE;
    wordsFrom = rest.begin;
  }
  size_t words = 0;
  Pieces all(name, wordsFrom, section.end, ' ');
  for (Piece word{}; all.Next(&word);) words += word.end > word.begin;
  // The name with `count` one-letter words in place of its words.
  char text[kNameSize];
  auto withWords = [&](size_t count) noexcept {
    const std::string_view after = name.substr(section.end);
    if (wordsFrom + 2 * count + after.size() >= sizeof text) return std::string_view();
    size_t n = wordsFrom;
    std::memcpy(text, name.data(), wordsFrom);
    for (size_t i = 0; i < count; ++i) {
      if (i || canonical) text[n++] = ' ';
      text[n++] = 'a';
    }
    std::memcpy(text + n, after.data(), after.size());
    return std::string_view(text, n + after.size());
  };
  const std::string_view detail(failed.errorDetail, strnlen(failed.errorDetail, sizeof failed.errorDetail));
  auto sameDetail = [&](size_t count) noexcept {
    const std::string_view probed = withWords(count);
    if (probed.empty()) return true;
    probe.Parse(probed);
    const char* again = probe.Format().errorDetail;
    return detail == std::string_view(again, strnlen(again, sizeof probe.Format().errorDetail));
  };
  if (withWords(words).empty() || !sameDetail(words)) return hvcnERR_NO_VALUE;  // not the number of words
  for (size_t fit = words; fit-- > 1;) {
    if (sameDetail(fit)) continue;
    // The column of the first word that does not fit.
    Pieces again(name, wordsFrom, section.end, ' ');
    size_t index = 0;
    for (Piece word{}; again.Next(&word);) {
      if (word.end == word.begin) continue;
      if (index++ == fit) *column = ColumnAt(name, word.begin);
    }
    Say(out, canonical ? kWordsAfterComma : kWords, words, fit);
    return out[0] ? hvcnSUCCESS : hvcnERR_NO_VALUE;
  }
  return hvcnERR_NO_VALUE;
}

// A name the format cannot split: the text after the last token that took
// some, and the separators the tokens after it start with.
int32_t NoTokenFor(const hvcnFormat& failed, std::string_view name, Out out, uint32_t* column) noexcept {
  // The token the splitter stopped in: the last with a text of its own (a
  // token passed over keeps an empty text at offset 0).
  int last = -1;
  for (int k = 0; k < hvcnTOKEN_COUNT && failed.tokens[k].id != 0; ++k) {
    const hvcnToken& token = failed.tokens[k];
    if (token.valueLength != hvcnVALUE_ABSENT && (k == 0 || token.valueOffset != 0 || token.valueLength != 0))
      last = k;
  }
  if (last < 0) return hvcnERR_NO_VALUE;
  const hvcnToken& token = failed.tokens[last];
  if (token.valueOffset > name.size() || token.valueLength > name.size() - token.valueOffset) return hvcnERR_NO_VALUE;
  size_t rest = token.valueOffset + token.valueLength + 1;  // after the separator that stopped it
  if (rest < name.size() && name[rest] == ' ') ++rest;
  if (rest >= name.size()) return hvcnERR_NO_VALUE;
  char expected[hvcnTOKEN_COUNT * 5 + 1];
  size_t n = 0;
  for (int k = last + 1; k < hvcnTOKEN_COUNT && failed.tokens[k].id != 0; ++k) {
    const uint8_t lead = failed.tokens[k].leadSep;
    if (lead <= 1 || std::memchr(expected, lead, n)) continue;
    if (n) expected[n++] = ',';
    expected[n++] = '\'';
    expected[n++] = static_cast<char>(lead);
    expected[n++] = '\'';
  }
  expected[n] = '\0';
  *column = ColumnAt(name, rest);
  const Quoted quoted(name, {rest, name.size()});
  if (n) Say(out, kNoTokenStartsSo, quoted.text, *column, expected);
  else Say(out, kNoTokenLeft, quoted.text, *column);
  return out[0] ? hvcnSUCCESS : hvcnERR_NO_VALUE;
}

int32_t ExplainName(const hvcnFormat& failed, int32_t status, uint32_t flags, std::string_view name, Out out,
                    uint32_t* column) noexcept {
  if (name.size() >= kNameSize) return hvcnERR_NO_VALUE;
  Probe probe(failed, flags);
  if (!probe.Ready()) return hvcnERR_NO_VALUE;
  switch (status) {
    case hvcnERR_NAME_DOES_NOT_FIT:
      return failed.errorDetail[0] ? TooManyWords(failed, probe, name, out, column) : NoTokenFor(failed, name, out, column);
    case hvcnERR_TOO_MANY_OUS:
    case hvcnERR_UNKNOWN_TAG:
    case hvcnERR_DUPLICATE_ATTRIBUTE:
    case hvcnERR_TOO_MANY_DDAS:
    case hvcnERR_BAD_X400: return X400Fault(failed, probe, name, status, out, column);
    default: break;
  }
  if (!IsValueRefusal(status)) return hvcnERR_NO_VALUE;
  // A value refused: the note of the whole name read again names it; a
  // component of the X.400 part is found in parts when it does not.
  if (probe.Parse(name) == status && RefusedValue(probe, status, name, true, out, column) == hvcnSUCCESS)
    return hvcnSUCCESS;
  return X400Fault(failed, probe, name, status, out, column);
}

// A value of an internal name refused when it was decoded.
int32_t ExplainDecode(const hvcnFormat& failed, int32_t status, int32_t type, std::string_view text, Out out,
                      uint32_t* column) noexcept {
  if (!IsValueRefusal(status) || type < hvcnINTERNAL_GS || type > hvcnINTERNAL_GSRS) return hvcnERR_NO_VALUE;
  Probe probe(failed, 0);
  if (probe.Decode(text, type) != status) return hvcnERR_NO_VALUE;
  return RefusedValue(probe, status, text, false, out, column);
}

// A standard O/R address form: the detail names the component; the
// column comes from reading it again.
int32_t ExplainORAddress(const hvcnFormat& failed, int32_t status, uint32_t flags, std::string_view text, Out out,
                         uint32_t* column) noexcept {
  if (!failed.errorDetail[0]) return hvcnERR_NO_VALUE;
  Probe probe(failed, 0);
  if (probe.ReadORAddress(text, flags) == status) *column = ReadRefusalNote(&probe.Format()).column;
  CopyBounded(out, sizeof out, std::string_view(failed.errorDetail, strnlen(failed.errorDetail, sizeof failed.errorDetail)));
  return hvcnSUCCESS;
}

// A format string refused because of the configured slash: a bad
// SlashCharacter leaves none, and every format string then fails.
int32_t ExplainFormatString(const hvcnFormat& failed, int32_t status, Out out) noexcept {
  const auto slash = static_cast<unsigned char>(failed.slashChar);
  if (status != hvcnERR_BAD_FORMAT_STRING || (slash > 0x20 && slash < 0x7F)) return hvcnERR_NO_VALUE;
  char key[64], section[64];
  LoadLocalString(kSettingSlash, key, static_cast<int32_t>(sizeof key));
  LoadLocalString(kSectionNameParsing, section, static_cast<int32_t>(sizeof section));
  Say(out, kBadSlash, slash, key, section, kProfileFile);
  return out[0] ? hvcnSUCCESS : hvcnERR_NO_VALUE;
}

}  // namespace

int32_t Explain(const hvcnFormat* failed, int32_t status, uint32_t call, uint32_t how, const char* text, Out out,
                uint32_t* column) noexcept {
  out[0] = '\0';
  *column = 0;
  const std::string_view given = text ? std::string_view(text, strnlen(text, kNameSize)) : std::string_view();
  int32_t result = hvcnERR_NO_VALUE;
  switch (call) {
    case hvcnEXPLAIN_FORMAT_STRING: result = ExplainFormatString(*failed, status, out); break;
    case hvcnEXPLAIN_NAME: result = ExplainName(*failed, status, how, given, out, column); break;
    case hvcnEXPLAIN_INTERNAL:
      result = ExplainDecode(*failed, status, static_cast<int32_t>(how), given, out, column);
      break;
    case hvcnEXPLAIN_OR_ADDRESS: result = ExplainORAddress(*failed, status, how, given, out, column); break;
    default: break;
  }
  if (result != hvcnSUCCESS) {
    out[0] = '\0';
    *column = 0;
  }
  return result;
}

}  // namespace hvcn::explain
