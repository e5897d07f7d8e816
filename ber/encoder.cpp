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
// The encoding is written into a scratch buffer first (or, when larger,
// measured and written again), and copied into the caller's buffer only
// when it fits there, so a buffer too small is left untouched.
#include <bit>
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
constexpr size_t kQuickSize = 2048;  // the scratch an address is written into first
constexpr char kLineSeparator = '\x18';
constexpr uint32_t kMostTerminalType = 256;

// A set of standard slots.
struct SlotSet {
  uint64_t bits[2] = {};
  constexpr void Add(int slot) noexcept { bits[slot >> 6] |= uint64_t{1} << (slot & 63); }
  constexpr bool Has(int slot) const noexcept { return (bits[slot >> 6] >> (slot & 63)) & 1; }
};
static_assert(model::kStandardSlots <= 128);
static_assert(kComponentCount <= 64, "a row set is one word");

// The slots each row reads, and those of them that hold teletex text.
struct RowSlots {
  SlotSet all, variants;
};
inline constexpr std::array<RowSlots, kComponentCount> kRowSlots = [] {
  std::array<RowSlots, kComponentCount> rows{};
  for (size_t i = 0; i < kComponentCount; ++i) {
    const Component& c = kComponents[i];
    RowSlots& r = rows[i];
    const auto add = [&](int slot) {
      r.all.Add(slot);
      if (model::IsTeletexVariant(slot)) r.variants.Add(slot);
    };
    switch (c.shape) {
      case Shape::PersonalName:
      case Shape::Units:
      case Shape::DomainDefined:
        for (size_t k = 0; k < GroupSize(c.shape); ++k) add(GroupSlot(c.shape, c.slot, k));
        break;
      case Shape::PdsParameter:
      case Shape::Unformatted:
        add(c.slot);
        add(model::VariantOf(c.slot));
        break;
      case Shape::NetworkAddress:
        add(model::kE163Number), add(model::kE163Subaddress), add(model::kPsapAddress);
        break;
      case Shape::Text:
      case Shape::TerminalType:
        add(c.slot);
        break;
    }
  }
  return rows;
}();

// The rows that read each slot (a base slot its row, a teletex variant its
// teletex and its universal row).
inline constexpr std::array<uint64_t, model::kStandardSlots> kRowsOfSlot = [] {
  std::array<uint64_t, model::kStandardSlots> rows{};
  for (size_t i = 0; i < kComponentCount; ++i)
    for (int slot = 0; slot < model::kStandardSlots; ++slot)
      if (kRowSlots[i].all.Has(slot)) rows[static_cast<size_t>(slot)] |= uint64_t{1} << i;
  return rows;
}();

// The held name's texts as they are written, by slot (only those in
// `present` are set), and what each row writes.
struct Texts {
  struct {
    const char* data;
    size_t size;
  } of[model::kStandardSlots];       // left uninitialised: only those in `present` are read
  SlotSet present;                   // the slots of non-empty texts
  uint64_t rowsRead = 0;             // the rows that read a present slot
  bool inT61[kComponentCount];       // every character of the row's teletex texts has a T.61 form (rows read)
  uint8_t rows[kComponentCount];     // the rows that write, in table order
  size_t rowCount = 0;
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
  // The personal parts are the slots 0-3 (model/slots.h).
  int part[model::kPersonalSlots.size()];
  bool reconfigured = false;
  for (const model::Slot slot : model::kPersonalSlots) {
    part[slot] = internal_form::SourceSlot(f, slot);
    reconfigured = reconfigured || part[slot] != slot;
  }
  const bool sevenBit = (f->flags & hvcnFMT_7BIT_ONLY) != 0;
  size_t used = 0;
  for (int slot = 0; slot < model::kStandardSlots; ++slot) {
    const bool personal = slot < static_cast<int>(model::kPersonalSlots.size());
    const int from = personal ? part[slot] : slot;
    const uint32_t length = f->attributes[from].valueLength;
    if (length == hvcnVALUE_ABSENT || length == 0) continue;
    if (!personal && (slot == model::kFf || (sevenBit && model::IsTeletexVariant(slot)) ||
                      (reconfigured && [&] {
                        for (const model::Slot base : model::kPersonalSlots)
                          if (part[base] != base && slot == model::OtherTwinOf(base)) return true;
                        return false;
                      }())))
      continue;
    const std::string_view held = model::ValueOf(f, from).text;
    std::string_view text;
    if (f->nameType != -1 && !std::memchr(held.data(), hvcnCHAR_US, held.size())) {
      text = held;  // held as it is written
    } else {
      if (held.size() + 1 > kScratch - used) return hvcnERR_NAME_TOO_LONG;
      internal_form::HeldText(f, from, t->scratch + used, &text);
      used += text.size() + 1;
    }
    if (text.empty()) continue;
    t->of[slot] = {text.data(), text.size()};
    t->present.Add(slot);
    t->rowsRead |= kRowsOfSlot[static_cast<size_t>(slot)];
  }
  return hvcnSUCCESS;
}

std::string_view TextOf(const Texts& t, int slot) noexcept {
  return slot >= 0 && t.present.Has(slot) ? std::string_view(t.of[slot].data, t.of[slot].size) : std::string_view();
}

// Whether every character of the row's teletex texts has a T.61 form.
bool InT61(const Texts& t, const Component& c) noexcept {
  const SlotSet& variants = kRowSlots[static_cast<size_t>(&c - kComponents)].variants;
  for (int word = 0; word < 2; ++word)
    for (uint64_t bits = variants.bits[word] & t.present.bits[word]; bits != 0; bits &= bits - 1)
      if (!Writable(Charset::Teletex, TextOf(t, 64 * word + std::countr_zero(bits)))) return false;
  return true;
}

// What each row writes: a row with values writes them in its string type;
// the teletex texts go to the teletex row when all have a T.61 form, else
// to its universal alternate; a postal row writes its printable value
// either way.
void Plan(Texts* t) noexcept {
  for (uint64_t bits = t->rowsRead; bits != 0; bits &= bits - 1) {
    const auto i = static_cast<size_t>(std::countr_zero(bits));
    const Component& c = kComponents[i];
    bool writes = true;
    t->inT61[i] = true;
    if (c.text == Text::Teletex || c.text == Text::Universal) {
      t->inT61[i] = InT61(*t, c.text == Text::Universal ? *ComponentOfType(c.alternate) : c);
      const bool pair = c.shape == Shape::PdsParameter || c.shape == Shape::Unformatted;
      writes = c.text == Text::Universal ? !t->inT61[i] : t->inT61[i] || (pair && t->present.Has(c.slot));
    }
    if (writes) t->rows[t->rowCount++] = static_cast<uint8_t>(i);
  }
}

class Encoder {
 public:
  Encoder(hvcnFormat* format, const Texts& texts, Writer& out) noexcept : f_(format), t_(texts), out_(out) {}

  int32_t Address(uint8_t outer) noexcept;

 private:
  bool Row(const Component& c) noexcept;
  bool Extension(const Component& c) noexcept;

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


size_t Index(const Component& c) noexcept { return static_cast<size_t>(&c - kComponents); }

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
  const size_t mark = out_.Open(tag);
  const size_t inner = text == Text::Universal ? out_.Open(TagOf(charset)) : mark;
  if (!WriteText(charset, value, out_)) return Fail(detail::kCannotWrite, model::RowOf(slot).name, TypeName(charset));
  if (inner != mark) out_.Close(inner);
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

// The domain-defined attributes in their places: a pair is written in the
// built-in list when its value is printable; a pair whose value is teletex
// alone is written in the teletex list only (its printable type taken
// along), and so cannot stand before a printable one. Each pair written
// needs its type and its value.
bool Encoder::Domain(const Component& c) noexcept {
  const bool teletex = model::IsTeletexVariant(c.slot);
  const auto held = [&](size_t k, size_t part) noexcept { return !TextOf(t_, GroupSlot(c.shape, c.slot, 2 * k + part)).empty(); };
  size_t count = 0;
  for (size_t k = 0; k < model::kDdaPairs.size(); ++k) {
    if (held(k, 1) || (teletex && held(k, 0))) count = k + 1;
    else if (!teletex && held(k, 0) && TextOf(t_, model::OtherTwinOf(GroupSlot(c.shape, c.slot, 2 * k + 1))).empty())
      return Fail(detail::kMissingPartWritten, c.name, "value");
  }
  if (count == 0) return true;
  const uint8_t tag = c.text == Text::Universal ? tag::kSet : teletex ? tag::kTeletexString : tag::kPrintableString;
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
  if (!teletex.empty() && t_.inT61[Index(c)] &&
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
  size_t i = 0;
  for (; i < t_.rowCount && kComponents[t_.rows[i]].place == Place::Standard; ++i)
    if (!Row(kComponents[t_.rows[i]])) return hvcnERR_BAD_VALUE;
  out_.Close(standard);
  for (; i < t_.rowCount && kComponents[t_.rows[i]].place == Place::Domain; ++i)
    if (!Row(kComponents[t_.rows[i]])) return hvcnERR_BAD_VALUE;
  if (i < t_.rowCount) {
    size_t starts[kComponentCount], count = 0;
    const size_t set = out_.Open(tag::kSet);
    for (; i < t_.rowCount; ++i) {
      starts[count++] = out_.position();
      if (!Extension(kComponents[t_.rows[i]])) return hvcnERR_BAD_VALUE;
    }
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
  Plan(&texts);
  const uint8_t outer = (flags & hvcnBER_ORNAME) ? 0x60 : (flags & hvcnBER_X400ADDRESS) ? tag::Context(3, true)
                                                                                        : tag::kSequence;
  // Written first into a scratch buffer that holds the usual address; one
  // that does not fit there is measured by the same pass and written again.
  uint8_t quick[kQuickSize];
  Writer first(quick, sizeof quick);
  if (int32_t status = Encoder(format, texts, first).Address(outer)) return status;
  const size_t length = first.position();
  if (length > UINT32_MAX) return hvcnERR_NAME_TOO_LONG;
  if (needed) *needed = static_cast<uint32_t>(length);
  if (!buffer || size < length) return hvcnERR_BUFFER_TOO_SMALL;
  if (!first.overflow()) {
    std::memcpy(buffer, quick, length);
    return hvcnSUCCESS;
  }
  Writer out(buffer, size);
  return Encoder(format, texts, out).Address(outer);
}

}  // namespace hvcn::ber
