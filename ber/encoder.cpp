// Writing the held name as DER.
//
//   ORAddress    SEQUENCE { built-in-standard-attributes (the Standard rows
//                present, in their order), built-in-domain-defined-attributes
//                when a pair has a printable value, extension-attributes
//                when a row has something to write, ordered by encoding }
//   ORName       the same under [APPLICATION 0], without a directory name
//   x400Address  the same under [3]
//
// Each row of ber/components.h writes the slots it reads: the base values
// in their printable or numeric types (a CHOICE of both: NumericString for
// digits alone), the teletex variants in the teletex-* row when every
// character of the row's variants has a T.61 form, else in its universal-*
// alternate (BMPString, or UniversalString for a character beyond U+FFFF).
// A value X.400 requires (the surname of a personal name, the type and the
// value of a domain-defined attribute) missing from a teletex part is taken
// from the printable part; parts are written in their places, so a part
// left empty before a later one cannot be written. Empty values are left
// out. DER throughout: the shortest lengths, SET members in tag order, the
// extension attributes in the order of their encodings.
//
// The encoding is measured first, then written into the caller's buffer
// when it fits, so a buffer too small is left untouched.
#include <cstring>

#include "ber/ber.h"
#include "ber/components.h"
#include "ber/strings.h"
#include "core/ascii.h"
#include "core/frame.h"
#include "core/trace.h"
#include "internal_form/internal_form.h"
#include "model/held_value.h"
#include "orname/labels.h"

namespace hvcn::ber {
namespace {

constexpr size_t kScratch = 2 * sizeof(hvcnFormat::nameBuffer) + model::kStandardSlots;
constexpr size_t kMostLines = 6;
constexpr char kLineSeparator = '\x18';
constexpr uint32_t kMostTerminalType = 256;

// The held name's texts as they are written, by slot: empty for a value
// left out.
struct Texts {
  std::string_view of[model::kStandardSlots];
  char scratch[kScratch];
};

const char* TypeName(Charset charset) noexcept {
  switch (charset) {
    case Charset::Numeric: return "NumericString";
    case Charset::Printable: return "PrintableString";
    case Charset::Teletex:
    case Charset::Latin1: return "TeletexString";
    case Charset::Bmp: return "BMPString";
    case Charset::Universal: return "UniversalString";
  }
  return "";
}

bool AllDigits(std::string_view text) noexcept {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return !text.empty();
}

// The texts of the standard slots: a personal part reconfigured into a
// user attribute is written from there (and its twin not at all, as the
// standard forms do); twins are left out under hvcnFMT_7BIT_ONLY.
int32_t Gather(const hvcnFormat* f, Texts* t) noexcept {
  bool skip[model::kStandardSlots] = {};
  if (f->flags & hvcnFMT_7BIT_ONLY)
    for (int slot = 0; slot < model::kStandardSlots; ++slot) skip[slot] = model::IsTeletexVariant(slot);
  for (const model::Slot part : model::kPersonalSlots)
    if (internal_form::SourceSlot(f, part) != part) skip[model::OtherTwinOf(part)] = true;
  size_t used = 0;
  for (int slot = 0; slot < model::kStandardSlots; ++slot) {
    t->of[slot] = {};
    const int source = internal_form::SourceSlot(f, slot);
    if (skip[slot] || slot == model::kFf || !model::IsPresent(f, source)) continue;
    if (model::ValueOf(f, source).text.size() + 1 > kScratch - used) return hvcnERR_NAME_TOO_LONG;
    internal_form::HeldText(f, source, t->scratch + used, &t->of[slot]);
    used += t->of[slot].size() + 1;
  }
  return hvcnSUCCESS;
}

class Encoder {
 public:
  Encoder(hvcnFormat* format, const Texts& texts, Writer& out) noexcept : f_(format), t_(texts), out_(out) {}

  int32_t Address(uint8_t outer) noexcept;

 private:
  bool Row(const Component& c) noexcept;
  bool Extension(const Component& c) noexcept;
  bool HasValue(const Component& c) noexcept;
  bool Writes(const Component& c) noexcept;
  bool VariantsInT61(const Component& c) noexcept;

  bool Single(const Component& c) noexcept;
  bool PersonalName(const Component& c) noexcept;
  bool Units(const Component& c) noexcept;
  bool Domain(const Component& c) noexcept;
  bool PostalPair(const Component& c) noexcept;
  bool NetworkAddress(const Component& c) noexcept;
  bool TerminalType(const Component& c) noexcept;

  bool String(uint8_t tag, Text text, int slot, std::string_view value) noexcept;
  bool Rfc822(int slot, std::string_view value) noexcept;
  std::string_view Part(const Component& c, size_t i) const noexcept;

  template <typename... A>
  bool Fail(uint16_t id, const A&... args) noexcept {
    RecordDetailWith(f_, id, args...);
    trace::If(trace::kError, trace::tag::kError, "BER: %s", f_->errorDetail);
    return false;
  }

  hvcnFormat* f_;
  const Texts& t_;
  Writer& out_;
};

std::string_view TextOf(const Texts& t, int slot) noexcept { return slot >= 0 ? t.of[slot] : std::string_view(); }

// The value of part i of a group: in a teletex group, the twin's text or,
// for a part X.400 requires, the printable part's.
std::string_view Encoder::Part(const Component& c, size_t i) const noexcept {
  const int slot = GroupSlot(c.shape, c.slot, i);
  const std::string_view value = TextOf(t_, slot);
  const bool required = c.shape != Shape::PersonalName || i == 0;  // the units keep their places
  if (!value.empty() || !required || !model::IsTeletexVariant(slot)) return value;
  const model::Slot first = c.shape == Shape::PersonalName ? model::kPersonalSlots[0]
                            : c.shape == Shape::Units      ? model::kOrgUnitSlots[0]
                                                           : model::kDdaPairs[0].type;
  return TextOf(t_, GroupSlot(c.shape, first, i));
}

// Whether every character of the variants a teletex row (or the teletex
// row of a universal one) carries has a T.61 form.
bool Encoder::VariantsInT61(const Component& c) noexcept {
  const Component& teletex = c.text == Text::Universal ? *ComponentOfType(c.alternate) : c;
  const auto fits = [&](int slot) noexcept { return Writable(Charset::Teletex, TextOf(t_, slot)); };
  switch (teletex.shape) {
    case Shape::PersonalName:
    case Shape::Units:
    case Shape::DomainDefined:
      for (size_t i = 0; i < GroupSize(teletex.shape); ++i)
        if (!fits(GroupSlot(teletex.shape, teletex.slot, i))) return false;
      return true;
    case Shape::PdsParameter:
    case Shape::Unformatted: return fits(model::VariantOf(teletex.slot));
    default: return fits(teletex.slot);
  }
}

// Whether any slot of the row holds a value.
bool Encoder::HasValue(const Component& c) noexcept {
  switch (c.shape) {
    case Shape::PersonalName:
    case Shape::Units:
    case Shape::DomainDefined:
      for (size_t i = 0; i < GroupSize(c.shape); ++i)
        if (!TextOf(t_, GroupSlot(c.shape, c.slot, i)).empty()) return true;
      return false;
    case Shape::PdsParameter:
    case Shape::Unformatted: return !TextOf(t_, c.slot).empty() || !TextOf(t_, model::VariantOf(c.slot)).empty();
    case Shape::NetworkAddress:
      return !TextOf(t_, model::kE163Number).empty() || !TextOf(t_, model::kE163Subaddress).empty() ||
             !TextOf(t_, model::kPsapAddress).empty();
    case Shape::Text:
    case Shape::TerminalType: return !TextOf(t_, c.slot).empty();
  }
  return false;
}

// Whether the row has something to write: values, in its string type.
bool Encoder::Writes(const Component& c) noexcept {
  if (!HasValue(c)) return false;
  if (c.text == Text::Universal) return !VariantsInT61(c);
  if (c.text != Text::Teletex) return true;
  if (c.shape == Shape::PdsParameter || c.shape == Shape::Unformatted)
    return !TextOf(t_, c.slot).empty() || VariantsInT61(c);
  return VariantsInT61(c);
}

// A string of `tag`: Teletex and the CHOICE of numeric and printable choose
// their type from the text; a universal one is the SET that holds it.
bool Encoder::String(uint8_t tag, ber::Text text, int slot, std::string_view value) noexcept {
  Charset charset = Charset::Printable;
  switch (text) {
    case Text::Numeric: charset = Charset::Numeric; break;
    case Text::Teletex: charset = Charset::Teletex; break;
    case Text::NumericOrPrintable:
      charset = AllDigits(value) ? Charset::Numeric : Charset::Printable;
      tag = TagOf(charset);
      break;
    case Text::Universal: charset = UniversalCharset(value); break;
    case Text::Printable:
    case Text::None: break;
  }
  if (!Writable(charset, value)) return Fail(detail::kCannotWrite, model::RowOf(slot).name, TypeName(charset));
  const size_t mark = out_.Open(tag);
  if (text == Text::Universal) {
    const size_t inner = out_.Open(TagOf(charset));
    WriteText(charset, value, out_);
    out_.Close(inner);
  } else {
    WriteText(charset, value, out_);
  }
  out_.Close(mark);
  return true;
}

// The printable value of an RFC-822 domain-defined attribute: RFC 2156's
// spelling of the address.
bool Encoder::Rfc822(int slot, std::string_view value) noexcept {
  const size_t mark = out_.Open(tag::kPrintableString);
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return Fail(detail::kCannotWrite, model::RowOf(slot).name, "PrintableString");
    char spelled[5];
    if (orname::SpelledInRfc822(byte)) out_.Put(spelled, orname::SpellRfc822(byte, spelled));
    else out_.Put(byte);
  }
  out_.Close(mark);
  return true;
}

bool Encoder::Single(const Component& c) noexcept {
  const std::string_view value = TextOf(t_, c.slot);
  if (c.place == Place::Standard && tag::IsConstructed(c.code)) {
    const size_t mark = out_.Open(c.code);  // the explicit tag of a CHOICE
    if (!String(0, c.text, c.slot, value)) return false;
    out_.Close(mark);
    return true;
  }
  const uint8_t tag = c.place == Place::Standard ? c.code
                      : c.text == Text::Universal ? tag::kSet
                                                  : TagOf(c.text == Text::Teletex ? Charset::Teletex : Charset::Printable);
  return String(tag, c.text, c.slot, value);
}

bool Encoder::PersonalName(const Component& c) noexcept {
  if (Part(c, 0).empty()) return Fail(detail::kMissingPartWritten, c.name, "surname");
  const size_t mark = out_.Open(c.place == Place::Standard ? c.code : tag::kSet);
  for (size_t i = 0; i < GroupSize(c.shape); ++i) {
    const std::string_view value = Part(c, i);
    if (!value.empty() &&
        !String(tag::Context(static_cast<unsigned>(i), c.text == Text::Universal), c.text, GroupSlot(c.shape, c.slot, i), value))
      return false;
  }
  out_.Close(mark);
  return true;
}

// The units in their places: none may be left empty before a later one.
bool Encoder::Units(const Component& c) noexcept {
  size_t count = 0;
  for (size_t i = 0; i < GroupSize(c.shape); ++i)
    if (!TextOf(t_, GroupSlot(c.shape, c.slot, i)).empty()) count = i + 1;
  const size_t mark = out_.Open(c.place == Place::Standard ? c.code : tag::kSequence);
  const uint8_t tag = c.text == Text::Universal ? tag::kSet : c.text == Text::Teletex ? tag::kTeletexString
                                                                                         : tag::kPrintableString;
  for (size_t i = 0; i < count; ++i) {
    const std::string_view value = Part(c, i);
    if (value.empty()) return Fail(detail::kGap, c.name, static_cast<uint32_t>(i + 1));
    if (!String(tag, c.text, GroupSlot(c.shape, c.slot, i), value)) return false;
  }
  out_.Close(mark);
  return true;
}

bool Encoder::Domain(const Component& c) noexcept {
  size_t count = 0;
  for (size_t i = 0; i < GroupSize(c.shape); ++i)
    if (!TextOf(t_, GroupSlot(c.shape, c.slot, i)).empty()) count = i / 2 + 1;
  const uint8_t tag = c.text == Text::Universal ? tag::kSet : c.text == Text::Teletex ? tag::kTeletexString
                                                                                         : tag::kPrintableString;
  const size_t mark = out_.Open(tag::kSequence);
  for (size_t k = 0; k < count; ++k) {
    const std::string_view type = Part(c, 2 * k), value = Part(c, 2 * k + 1);
    if (type.empty() && value.empty()) return Fail(detail::kGap, c.name, static_cast<uint32_t>(k + 1));
    if (type.empty() || value.empty()) return Fail(detail::kMissingPartWritten, c.name, type.empty() ? "type" : "value");
    const int valueSlot = GroupSlot(c.shape, c.slot, 2 * k + 1);
    const size_t pair = out_.Open(tag::kSequence);
    if (!String(tag, c.text, GroupSlot(c.shape, c.slot, 2 * k), type)) return false;
    const bool spelled = c.text == Text::Printable && ascii::EqualNoCase(type, model::kForeignAddressType);
    if (!(spelled ? Rfc822(valueSlot, value) : String(tag, c.text, valueSlot, value))) return false;
    out_.Close(pair);
  }
  out_.Close(mark);
  return true;
}

// A postal attribute, SET { printable-string PrintableString, teletex-string }
// in tag order, or the unformatted postal address, SET { printable-address
// SEQUENCE OF PrintableString (the lines held with CAN between them),
// teletex-string }; the teletex text goes to the universal alternate when it
// has no T.61 form.
bool Encoder::PostalPair(const Component& c) noexcept {
  const std::string_view printable = TextOf(t_, c.slot), teletex = TextOf(t_, model::VariantOf(c.slot));
  const size_t mark = out_.Open(tag::kSet);
  if (!printable.empty() && c.shape == Shape::PdsParameter &&
      !String(tag::kPrintableString, Text::Printable, c.slot, printable))
    return false;
  if (!printable.empty() && c.shape == Shape::Unformatted) {
    const size_t list = out_.Open(tag::kSequence);
    size_t count = 0;
    for (size_t start = 0; start <= printable.size(); ++count) {
      size_t end = printable.find(kLineSeparator, start);
      if (end == std::string_view::npos) end = printable.size();
      if (end == start || count == kMostLines) return Fail(detail::kPostalLines);
      if (!String(tag::kPrintableString, Text::Printable, c.slot, printable.substr(start, end - start))) return false;
      start = end + 1;
    }
    out_.Close(list);
  }
  if (!teletex.empty() && VariantsInT61(c) &&
      !String(tag::kTeletexString, Text::Teletex, model::VariantOf(c.slot), teletex))
    return false;
  out_.Close(mark);
  return true;
}

bool Encoder::NetworkAddress(const Component& c) noexcept {
  if (!TextOf(t_, model::kPsapAddress).empty()) return Fail(detail::kPsapNotWritten);
  const std::string_view number = TextOf(t_, model::kE163Number), subaddress = TextOf(t_, model::kE163Subaddress);
  if (number.empty()) return Fail(detail::kMissingPartWritten, c.name, "number");
  const size_t mark = out_.Open(tag::kSequence);
  if (!String(tag::Context(0, false), Text::Numeric, model::kE163Number, number) ||
      (!subaddress.empty() && !String(tag::Context(1, false), Text::Numeric, model::kE163Subaddress, subaddress)))
    return false;
  out_.Close(mark);
  return true;
}

bool Encoder::TerminalType(const Component& c) noexcept {
  const std::string_view digits = TextOf(t_, c.slot);
  uint32_t type = 0;
  for (const char d : digits) type = type < 1000 ? type * 10 + static_cast<uint32_t>(d - '0') : type;
  if (!AllDigits(digits) || type > kMostTerminalType) return Fail(detail::kCannotWrite, model::RowOf(c.slot).name, "INTEGER");
  const size_t mark = out_.Open(tag::kInteger);
  if (type >= 0x80) out_.Put(static_cast<uint8_t>(type >> 8));  // a leading zero keeps 128 to 255 positive
  out_.Put(static_cast<uint8_t>(type & 0xFF));
  out_.Close(mark);
  return true;
}

bool Encoder::Row(const Component& c) noexcept {
  switch (c.shape) {
    case Shape::Text: return Single(c);
    case Shape::PersonalName: return PersonalName(c);
    case Shape::Units: return Units(c);
    case Shape::DomainDefined: return Domain(c);
    case Shape::PdsParameter:
    case Shape::Unformatted: return PostalPair(c);
    case Shape::NetworkAddress: return NetworkAddress(c);
    case Shape::TerminalType: return TerminalType(c);
  }
  return false;
}

// ExtensionAttribute ::= SEQUENCE { [0] IMPLICIT INTEGER, [1] EXPLICIT value }
bool Encoder::Extension(const Component& c) noexcept {
  const size_t mark = out_.Open(tag::kSequence);
  const size_t type = out_.Open(tag::Context(0, false));
  out_.Put(c.code);
  out_.Close(type);
  const size_t value = out_.Open(tag::Context(1, true));
  if (!Row(c)) return false;
  out_.Close(value);
  out_.Close(mark);
  return true;
}

int32_t Encoder::Address(uint8_t outer) noexcept {
  const size_t top = out_.Open(outer);
  const size_t standard = out_.Open(tag::kSequence);
  for (const Component& c : kComponents)
    if (c.place == Place::Standard && Writes(c) && !Row(c)) return hvcnERR_BAD_VALUE;
  out_.Close(standard);
  for (const Component& c : kComponents)
    if (c.place == Place::Domain && Writes(c) && !Row(c)) return hvcnERR_BAD_VALUE;
  size_t starts[kComponentCount], count = 0;
  size_t set = 0;
  for (const Component& c : kComponents) {
    if (c.place != Place::Extension || !Writes(c)) continue;
    if (count == 0) set = out_.Open(tag::kSet);
    starts[count++] = out_.position();
    if (!Extension(c)) return hvcnERR_BAD_VALUE;
  }
  if (count > 0) {
    out_.SortSetOf(starts, count);
    out_.Close(set);
  }
  out_.Close(top);
  return hvcnSUCCESS;
}

}  // namespace

int32_t EncodeORAddress(hvcnFormat* format, uint8_t* buffer, uint32_t size, uint32_t* needed,
                        uint32_t flags) noexcept {
  Texts texts;
  if (int32_t status = Gather(format, &texts)) return status;
  const uint8_t outer = (flags & hvcnBER_ORNAME) ? 0x60 : (flags & hvcnBER_X400ADDRESS) ? tag::Context(3, true)
                                                                                        : tag::kSequence;
  Writer measure(nullptr, 0);
  if (int32_t status = Encoder(format, texts, measure).Address(outer)) return status;
  const size_t length = measure.position();
  if (length > UINT32_MAX) return hvcnERR_NAME_TOO_LONG;
  if (needed) *needed = static_cast<uint32_t>(length);
  if (!buffer || size < length) return hvcnERR_BUFFER_TOO_SMALL;
  Writer out(buffer, size);
  return Encoder(format, texts, out).Address(outer);
}

}  // namespace hvcn::ber
