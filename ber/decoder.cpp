// Reading an ORAddress, an ORName or an x400Address into the held name.
//
//   input        = ORAddress (0x30) / ORName (0x60) / x400Address (0xA3)
//   contents     = built-in-standard-attributes (0x30)
//                  [built-in-domain-defined-attributes (0x30)]
//                  [extension-attributes (0x31)]
//                  [directory-name (0xA0), of an ORName only: skipped]
//
// The components and the slots they fill are the rows of ber/components.h;
// one function reads each shape of value, one each kind of string. The
// walk descends only along that structure (its own depth), reads each byte
// of the input once but for the end of an indefinite length, which one
// extra pass finds, and stores the values as it goes: each value is written
// into nameBuffer in UTF-8 with a NUL after it and stored through
// SetAttributeValue, after the check hvcnValidateAttribute makes for the
// postal and network attributes, which that setter stores unchecked.
#include <cstring>

#include "ber/ber.h"
#include "ber/decoder.h"
#include "ber/components.h"
#include "ber/strings.h"
#include "core/ascii.h"
#include "core/frame.h"
#include "core/trace.h"
#include "format/format.h"
#include "model/held_value.h"
#include "model/validate.h"
#include "orname/labels.h"

namespace hvcn::ber {
namespace {

constexpr uint32_t kBufferSize = sizeof(hvcnFormat::nameBuffer);
constexpr size_t kMostLines = 6;                 // of an unformatted postal address
constexpr char kLineSeparator = '\x18';          // CAN, between the lines of the held value
constexpr uint32_t kMostTerminalType = 256;
constexpr uint32_t kMostType = 256;              // of an extension attribute

constexpr uint8_t kORNameTag = 0x60;                     // [APPLICATION 0]
constexpr uint8_t kX400AddressTag = tag::Context(3, true);  // [3] of GeneralName

constexpr const char* kDomainType = "domain-defined type";
constexpr const char* kDomainValue = "domain-defined value";
constexpr const char* kPartNames[] = {"surname", "given-name", "initials", "generation-qualifier"};
static_assert(std::size(kPartNames) == model::kPersonalSlots.size());

// The ASN.1 name of a universal tag, for details (" (PrintableString)").
const char* TagName(uint8_t tag) noexcept {
  switch (tag) {
    case tag::kInteger: return " (INTEGER)";
    case tag::kOctetString: return " (OCTET STRING)";
    case tag::kNumericString: return " (NumericString)";
    case tag::kPrintableString: return " (PrintableString)";
    case tag::kTeletexString: return " (TeletexString)";
    case tag::kUniversalString: return " (UniversalString)";
    case tag::kBmpString: return " (BMPString)";
    case tag::kSequence: return " (SEQUENCE)";
    case tag::kSet: return " (SET)";
    default: return "";
  }
}

bool IsAscii(const char* text) noexcept {
  for (; *text; ++text)
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  return true;
}

// The identifier octet of a string value standing alone.
constexpr uint8_t UntaggedTag(Text text) noexcept {
  switch (text) {
    case Text::Numeric: return tag::kNumericString;
    case Text::Teletex: return tag::kTeletexString;
    case Text::Universal: return tag::kSet;
    case Text::Printable:
    case Text::NumericOrPrintable:
    case Text::None: break;
  }
  return tag::kPrintableString;
}

// The identifier octet of a component's value: a built-in standard
// attribute's own tag; an extension attribute's value stands untagged.
constexpr uint8_t ValueTag(const Component& c) noexcept {
  if (c.place != Place::Extension) return c.code;
  switch (c.shape) {
    case Shape::Text: return UntaggedTag(c.text);
    case Shape::PersonalName:
    case Shape::PdsParameter:
    case Shape::Unformatted: return tag::kSet;
    case Shape::Units:
    case Shape::DomainDefined:
    case Shape::NetworkAddress: return tag::kSequence;
    case Shape::TerminalType: return tag::kInteger;
  }
  return 0;
}

// A built-in standard attribute by its identifier octet; an implicitly
// tagged string may come in the constructed form too.
constexpr std::array<uint8_t, 256> kStandardRow = [] {
  std::array<uint8_t, 256> rows = kRowOfStandardTag;
  for (size_t i = 0; i < kComponentCount; ++i) {
    const Component& c = kComponents[i];
    if (c.place == Place::Standard && !tag::IsConstructed(c.code)) rows[c.code | tag::kConstructed] = static_cast<uint8_t>(i);
  }
  return rows;
}();
static_assert([] {
  for (const Component& c : kComponents)
    if (c.place == Place::Standard && !tag::IsConstructed(c.code) &&
        kRowOfStandardTag[c.code | tag::kConstructed] != kNoComponent)
      return false;
  return true;
}(), "a constructed string's tag is no other attribute's");

}  // namespace

// ---------------------------------------------------------------------------
// Elements

bool Decoder::Refuse(ber::Fault fault, const char* component, uint32_t offset) noexcept {
  switch (fault) {
    case Fault::None: return true;
    case Fault::Truncated: return Fail(hvcnERR_BAD_X400, detail::kTruncated, component, offset);
    case Fault::LongLength: return Fail(hvcnERR_BAD_X400, detail::kLongLength, component, offset);
    case Fault::Indefinite: return Fail(hvcnERR_BAD_X400, detail::kIndefinite, component, offset);
    case Fault::Deep: return Fail(hvcnERR_BAD_X400, detail::kTooDeep, component, offset);
    case Fault::BadLength:
    case Fault::Primitive:
    case Fault::BadTag: break;
  }
  return Fail(hvcnERR_BAD_X400, detail::kBadHeader, component, offset);
}

bool Decoder::Mismatch(const Element& e, uint8_t expected, const char* component) noexcept {
  return Fail(hvcnERR_BAD_X400, detail::kWrongTag, component, e.offset, e.tag, TagName(e.tag), expected, TagName(expected));
}

// The one element a constructed element holds.
bool Decoder::Only(const Element& outer, Element* inner, const char* component) noexcept {
  Span in = outer.contents;
  if (in.empty()) return Fail(hvcnERR_BAD_X400, detail::kEmpty, component, outer.offset);
  return Next(in, inner, component) && End(in, component);
}

bool Decoder::End(const Span& in, const char* component) noexcept {
  return in.empty() || Fail(hvcnERR_BAD_X400, detail::kStrayBytes, component, in.offset());
}

// The members of a SET come in any order, each once; DER orders them by
// their tag numbers.
bool Decoder::InSetOrder(int* last, int number, const Element& e, const char* component) noexcept {
  if (der_ && number < *last) return Fail(hvcnERR_BAD_X400, detail::kOrder, component, e.offset);
  *last = number;
  return true;
}

// The octets of a string: its contents, or (BER) the contents of the
// primitive OCTET STRING pieces of its constructed form, put together. *at
// is where a character at fault is counted from.
bool Decoder::Octets(const Element& e, const char* component, std::string_view* octets, uint32_t* at) noexcept {
  if (!e.constructed()) {
    *octets = e.contents.text();
    *at = e.contents.offset();
    return true;
  }
  if (der_) return Fail(hvcnERR_BAD_X400, detail::kConstructed, component, e.offset);
  size_t n = 0;
  for (Span in = e.contents; !in.empty();) {
    Element piece;
    if (!Next(in, &piece, component)) return false;
    if (piece.tag == (tag::kOctetString | tag::kConstructed))
      return Fail(hvcnERR_BAD_X400, detail::kTooDeep, component, piece.offset);
    if (!Tagged(piece, tag::kOctetString, component)) return false;
    if (piece.contents.size() > kMostOctets - n) return Fail(hvcnERR_NAME_TOO_LONG, detail::kNameFull, component, e.offset);
    std::memcpy(pieces_ + n, piece.contents.begin(), piece.contents.size());
    n += piece.contents.size();
  }
  *octets = std::string_view(pieces_, n);
  *at = e.offset;
  return true;
}

// A non-negative INTEGER in its fewest octets, at most `most` (beyond it,
// the status `beyond`).
bool Decoder::Integer(const Element& e, const char* component, uint32_t most, uint32_t* value,
                      int32_t beyond) noexcept {
  const Span& c = e.contents;
  const uint8_t* p = c.begin();
  const bool minimal = !c.empty() && !(c.size() > 1 && ((p[0] == 0 && p[1] < 0x80) || (p[0] == 0xFF && p[1] >= 0x80)));
  uint64_t number = 0;
  for (size_t i = 0; minimal && i < c.size() && number <= most; ++i) number = number << 8 | p[i];
  if (!minimal || (p[0] & 0x80) || number > most)
    return Fail(minimal && !(p[0] & 0x80) ? beyond : hvcnERR_BAD_X400, detail::kBadInteger, component, e.offset, most);
  *value = static_cast<uint32_t>(number);
  return true;
}

// ---------------------------------------------------------------------------
// Values into the held name

// Converts a string value into nameBuffer after what is taken (no NUL): its
// tag is `expected` (or, for an implicitly tagged or untagged string, that
// tag's constructed form); a CHOICE of NumericString and PrintableString
// takes either tag; a UniversalOrBMPString is the SET holding one of its
// two encodings and, optionally, a language code (not kept).
bool Decoder::Append(const Element& e, uint8_t expected, ber::Text text, const char* component,
                     bool* printable) noexcept {
  const Element* value = &e;
  Element member;
  Charset charset = Charset::Printable;
  switch (text) {
    case Text::NumericOrPrintable: {
      const auto base = static_cast<uint8_t>(e.tag & ~tag::kConstructed);
      if (base != tag::kNumericString && base != tag::kPrintableString)
        return Fail(hvcnERR_BAD_X400, detail::kUnexpectedTag, component, e.offset, e.tag, TagName(e.tag));
      charset = base == tag::kNumericString ? Charset::Numeric : Charset::Printable;
      break;
    }
    case Text::Universal: {
      if (!Tagged(e, expected, component)) return false;
      bool found = false, language = false;
      int last = -1;
      for (Span in = e.contents; !in.empty();) {
        Element next;
        if (!Next(in, &next, component)) return false;
        const auto base = static_cast<uint8_t>(next.tag & ~tag::kConstructed);
        if (base == tag::kBmpString || base == tag::kUniversalString) {
          if (found) return Fail(hvcnERR_BAD_X400, detail::kUnexpectedTag, component, next.offset, next.tag, TagName(base));
          found = true;
          member = next;
          value = &member;
          charset = base == tag::kBmpString ? Charset::Bmp : Charset::Universal;
        } else if (base == tag::kPrintableString && !language) {
          language = true;
        } else {
          return Fail(hvcnERR_BAD_X400, detail::kUnexpectedTag, component, next.offset, next.tag, TagName(base));
        }
        if (!InSetOrder(&last, base, next, component)) return false;
      }
      if (!found) return Fail(hvcnERR_BAD_X400, detail::kMissingPart, component, e.offset, "character-encoding");
      break;
    }
    case Text::Numeric:
    case Text::Printable:
    case Text::Teletex:
    case Text::None:
      if (e.tag != (expected | tag::kConstructed) && !Tagged(e, expected, component)) return false;
      charset = text == Text::Numeric ? Charset::Numeric
                : text == Text::Teletex ? (latin1_ ? Charset::Latin1 : Charset::Teletex)
                                        : Charset::Printable;
      break;
  }
  std::string_view octets;
  uint32_t at = 0;
  if (!Octets(*value, component, &octets, &at)) return false;
  if (octets.empty()) return Fail(hvcnERR_BAD_X400, detail::kEmpty, component, value->offset);
  // Room is left for the NUL that ends the value.
  const size_t room = kBufferSize - 1 - length_;
  const t61::Result r = ReadText(charset, octets, f_->nameBuffer + length_, room);
  if (r.outcome == t61::Outcome::NoRoom) return Fail(hvcnERR_NAME_TOO_LONG, detail::kNameFull, component, e.offset);
  if (r.outcome == t61::Outcome::NoMapping) {
    const int32_t status = charset == Charset::Numeric     ? hvcnERR_NOT_NUMERIC
                           : charset == Charset::Printable ? hvcnERR_NOT_PRINTABLE
                                                           : hvcnERR_BAD_VALUE;
    const uint32_t where = value->constructed() ? at : at + static_cast<uint32_t>(r.at);
    return Fail(status, detail::kBadCharacter, component, value->offset, where);
  }
  length_ += static_cast<uint32_t>(r.written);
  if (printable) *printable = charset == Charset::Printable || charset == Charset::Numeric;
  return true;
}

bool Decoder::String(const Element& e, uint8_t expected, ber::Text text, int slot, const char* component,
                     bool rfc822) noexcept {
  const uint32_t start = length_;
  bool printable = false;
  return Append(e, expected, text, component, &printable) &&
         Store(slot, start, component, e.offset, rfc822, printable);
}

// Ends the value written from `start` with its NUL and stores it: checked,
// put in the slot (or in its twin), never over a value the slot holds. A
// value read from a PrintableString has had its characters checked.
bool Decoder::Store(int slot, uint32_t start, const char* component, uint32_t offset, bool rfc822,
                    bool printable) noexcept {
  char* value = f_->nameBuffer + start;
  f_->nameBuffer[length_] = '\0';
  uint32_t valueLength = length_ - start;
  if (model::HeldWithoutDots(slot)) {
    char* out = value;
    for (const char* p = value; *p; ++p)
      if (*p != '.') *out++ = *p;
    *out = '\0';
    valueLength = static_cast<uint32_t>(out - value);
  }
  // The spelling of an RFC 822 address gives ASCII characters only.
  if (rfc822) {
    if (!orname::UnspellRfc822(value) || !IsAscii(value))
      return Fail(hvcnERR_BAD_VALUE, detail::kValueRefused, component, offset);
    printable = false;
  }
  length_ += 1;
  const model::SlotRow& row = model::RowOf(slot);
  if (row.group == model::Group::Postal)
    if (int32_t status = model::ValidateById(value, 0, row.id))
      return Fail(status, detail::kValueRefused, component, offset);
  const int twin = model::OtherTwinOf(slot);
  const bool held = model::IsPresent(f_, slot), twinHeld = twin >= 0 && model::IsPresent(f_, twin);
  if (int32_t status = printable ? model::SetPrintableStringValue(f_, value, valueLength, start, slot)
                                 : model::SetAttributeValue(f_, value, start, slot))
    return Fail(status, detail::kValueRefused, component, offset);
  const hvcnAttribute& record = f_->attributes[slot];
  const bool inSlot = record.valueOffset == start && record.valueLength != hvcnVALUE_ABSENT;
  if (inSlot ? held : twinHeld) return Fail(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, component, offset);
  ++values_;
  return true;
}

// ---------------------------------------------------------------------------
// The address

int32_t Decoder::Run(Span input, uint32_t* used) noexcept {
  format::StartReadName(f_);
  Element top;
  if (!Next(input, &top, "O/R address")) return status_;
  if (top.tag != tag::kSequence && top.tag != kORNameTag && top.tag != kX400AddressTag)
    return Refused(hvcnERR_BAD_X400, detail::kNotAnAddress, top.tag);
  if (!used && !input.empty())
    return Refused(hvcnERR_BAD_X400, detail::kTrailing, static_cast<uint32_t>(input.size()), input.offset());
  if (!Address(top.contents, top.tag == kORNameTag)) return status_;
  if (values_ == 0) return Refused(hvcnERR_BAD_X400, detail::kNoAttribute);
  f_->flags |= hvcnFMT_NAME_HELD;
  if (used) *used = top.size;
  return hvcnSUCCESS;
}

bool Decoder::Address(Span in, bool orName) noexcept {
  Element e;
  if (!Next(in, &e, "built-in-standard-attributes") || !Tagged(e, tag::kSequence, "built-in-standard-attributes") ||
      !Standard(e))
    return false;
  const auto next = [&](uint8_t tag) noexcept { return !in.empty() && *in.begin() == tag; };
  const Component& domain = kComponents[kDomainRow];
  if (next(domain.code) && (!Next(in, &e, domain.name) || !Value(domain, e))) return false;
  if (next(tag::kSet) && (!Next(in, &e, "extension-attributes") || !Extensions(e))) return false;
  if (orName && next(tag::Context(0, true))) {
    if (!Next(in, &e, "directory-name")) return false;
    f_->flags |= hvcnFMT_DIRECTORY_NAME;
  }
  return End(in, orName ? "ORName" : "ORAddress");
}

// The built-in standard attributes, each at most once and in their order.
bool Decoder::Standard(const Element& e) noexcept {
  int last = -1;
  for (Span in = e.contents; !in.empty();) {
    Element a;
    if (!Next(in, &a, "built-in-standard-attributes")) return false;
    const uint8_t row = kStandardRow[a.tag];
    if (row == kNoComponent)
      return Fail(hvcnERR_BAD_X400, detail::kUnexpectedTag, "built-in-standard-attributes", a.offset, a.tag, TagName(a.tag));
    const Component& c = kComponents[row];
    if (row == last) return Fail(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, c.name, a.offset);
    if (row < last) return Fail(hvcnERR_BAD_X400, detail::kOrder, c.name, a.offset);
    last = row;
    if (!Value(c, a)) return false;
  }
  return true;
}

// The extension attributes, each type at most once; DER orders them by
// their encodings.
bool Decoder::Extensions(const Element& e) noexcept {
  constexpr const char* kName = "extension-attributes";
  bool seen[kLastType + 1] = {};
  const uint8_t* previous = nullptr;
  size_t previousSize = 0, count = 0;
  for (Span in = e.contents; !in.empty(); ++count) {
    const uint8_t* start = in.begin();
    Element a, type, value, inner;
    if (!Next(in, &a, kName) || !Tagged(a, tag::kSequence, kName)) return false;
    if (der_ && previous && DerBefore(start, a.size, previous, previousSize))
      return Fail(hvcnERR_BAD_X400, detail::kOrder, kName, a.offset);
    previous = start, previousSize = a.size;
    Span fields = a.contents;
    uint32_t number = 0;
    if (!Next(fields, &type, "extension-attribute-type") ||
        !Tagged(type, tag::Context(0, false), "extension-attribute-type") ||
        !Integer(type, "extension-attribute-type", kMostType, &number))
      return false;
    if (fields.empty()) return Fail(hvcnERR_BAD_X400, detail::kMissingPart, kName, a.offset, "extension-attribute-value");
    if (!Next(fields, &value, "extension-attribute-value") ||
        !Tagged(value, tag::Context(1, true), "extension-attribute-value") || !End(fields, kName))
      return false;
    const Component* c = ComponentOfType(number);
    if (!c) return Fail(hvcnERR_UNKNOWN_TAG, detail::kUnknownType, a.offset, number);
    if (seen[number]) return Fail(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, c->name, a.offset);
    seen[number] = true;
    if (!Only(value, &inner, c->name) || !Value(*c, inner)) return false;
  }
  return count > 0 || Fail(hvcnERR_BAD_X400, detail::kEmpty, kName, e.offset);
}

bool Decoder::Value(const Component& c, const Element& e) noexcept {
  switch (c.shape) {
    case Shape::Text: return Single(c, e);
    case Shape::PersonalName: return PersonalName(c, e);
    case Shape::Units: return Units(c, e);
    case Shape::DomainDefined: return Domain(c, e);
    case Shape::PdsParameter:
    case Shape::Unformatted: return PostalPair(c, e);
    case Shape::NetworkAddress: return NetworkAddress(c, e);
    case Shape::TerminalType: return TerminalType(c, e);
  }
  return false;
}

// One string; a built-in attribute whose type is a CHOICE wraps it in its
// explicit tag.
bool Decoder::Single(const Component& c, const Element& e) noexcept {
  if (c.place == Place::Standard && tag::IsConstructed(c.code)) {
    Element inner;
    return Tagged(e, c.code, c.name) && Only(e, &inner, c.name) && String(inner, 0, c.text, c.slot, c.name);
  }
  return String(e, ValueTag(c), c.text, c.slot, c.name);
}

bool Decoder::PersonalName(const Component& c, const Element& e) noexcept {
  if (!Tagged(e, ValueTag(c), c.name)) return false;
  bool seen[std::size(kPartNames)] = {};
  int last = -1;
  for (Span in = e.contents; !in.empty();) {
    Element part;
    if (!Next(in, &part, c.name)) return false;
    const unsigned number = part.tag & 0x1Fu;
    if ((part.tag & 0xC0) != 0x80 || number >= std::size(kPartNames))
      return Fail(hvcnERR_BAD_X400, detail::kUnexpectedTag, c.name, part.offset, part.tag, TagName(part.tag));
    if (seen[number]) return Fail(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, kPartNames[number], part.offset);
    seen[number] = true;
    if (!InSetOrder(&last, static_cast<int>(number), part, c.name) ||
        !String(part, tag::Context(number, c.text == Text::Universal), c.text,
                GroupSlot(c.shape, c.slot, number), kPartNames[number]))
      return false;
  }
  return seen[0] || Fail(hvcnERR_BAD_X400, detail::kMissingPart, c.name, e.offset, kPartNames[0]);
}

bool Decoder::Units(const Component& c, const Element& e) noexcept {
  if (!Tagged(e, ValueTag(c), c.name)) return false;
  size_t count = 0;
  for (Span in = e.contents; !in.empty(); ++count) {
    Element unit;
    if (!Next(in, &unit, c.name)) return false;
    if (count == model::kOrgUnitSlots.size()) return Fail(hvcnERR_TOO_MANY_OUS, detail::kFifthUnit, c.name, unit.offset);
    if (!String(unit, UntaggedTag(c.text), c.text, GroupSlot(c.shape, c.slot, count), c.name)) return false;
  }
  return count > 0 || Fail(hvcnERR_BAD_X400, detail::kEmpty, c.name, e.offset);
}

// The pairs: a type given twice (letter case ignored) is refused, as the
// standard forms refuse it; the value of a printable RFC-822 pair holds
// RFC 2156's spelling of the address, which is read.
bool Decoder::Domain(const Component& c, const Element& e) noexcept {
  if (!Tagged(e, ValueTag(c), c.name)) return false;
  std::string_view types[model::kDdaPairs.size()];
  size_t count = 0;
  for (Span in = e.contents; !in.empty(); ++count) {
    Element pair, type, value;
    if (!Next(in, &pair, c.name) || !Tagged(pair, tag::kSequence, c.name)) return false;
    if (count == model::kDdaPairs.size()) return Fail(hvcnERR_TOO_MANY_DDAS, detail::kFifthDomain, c.name, pair.offset);
    Span fields = pair.contents;
    const uint32_t typeStart = length_;
    if (!Next(fields, &type, kDomainType) ||
        !String(type, UntaggedTag(c.text), c.text, GroupSlot(c.shape, c.slot, 2 * count), kDomainType))
      return false;
    types[count] = std::string_view(f_->nameBuffer + typeStart);
    for (size_t k = 0; k < count; ++k)
      if (ascii::EqualNoCase(types[k], types[count]))
        return Fail(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, kDomainType, type.offset);
    if (fields.empty()) return Fail(hvcnERR_BAD_X400, detail::kMissingPart, c.name, pair.offset, "value");
    const bool rfc822 = c.text == Text::Printable && ascii::EqualNoCase(types[count], model::kForeignAddressType);
    if (!Next(fields, &value, kDomainValue) ||
        !String(value, UntaggedTag(c.text), c.text, GroupSlot(c.shape, c.slot, 2 * count + 1), kDomainValue, rfc822) ||
        !End(fields, c.name))
      return false;
  }
  return count > 0 || Fail(hvcnERR_BAD_X400, detail::kEmpty, c.name, e.offset);
}

// A postal attribute: its printable-string and its teletex-string; or the
// unformatted postal address: its printable lines, held as one value with
// CAN between them, and its teletex-string.
bool Decoder::PostalPair(const Component& c, const Element& e) noexcept {
  if (!Tagged(e, ValueTag(c), c.name)) return false;
  const bool lines = c.shape == Shape::Unformatted;
  const uint8_t printableTag = lines ? tag::kSequence : tag::kPrintableString;
  bool printable = false, teletex = false;
  int last = -1;
  for (Span in = e.contents; !in.empty();) {
    Element member;
    if (!Next(in, &member, c.name)) return false;
    const auto base = static_cast<uint8_t>(lines ? member.tag : member.tag & ~tag::kConstructed);
    bool* seen = base == printableTag ? &printable : base == tag::kTeletexString ? &teletex : nullptr;
    if (!seen) return Fail(hvcnERR_BAD_X400, detail::kUnexpectedTag, c.name, member.offset, member.tag, TagName(base));
    if (*seen) return Fail(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, c.name, member.offset);
    *seen = true;
    if (!InSetOrder(&last, base & 0x1F, member, c.name)) return false;
    if (seen == &teletex) {
      if (!String(member, base, Text::Teletex, model::VariantOf(c.slot), c.name)) return false;
    } else if (!lines) {
      if (!String(member, base, Text::Printable, c.slot, c.name)) return false;
    } else if (!Lines(c, member)) {
      return false;
    }
  }
  return true;
}

// The lines of an unformatted postal address, one value with CAN between.
bool Decoder::Lines(const Component& c, const Element& e) noexcept {
  const uint32_t start = length_;
  size_t count = 0;
  for (Span list = e.contents; !list.empty(); ++count) {
    Element line;
    if (!Next(list, &line, c.name)) return false;
    if (count == kMostLines) return Fail(hvcnERR_BAD_VALUE, detail::kTooMany, c.name, line.offset, kMostLines);
    if (count > 0) {
      if (length_ + 1 >= kBufferSize) return Fail(hvcnERR_NAME_TOO_LONG, detail::kNameFull, c.name, line.offset);
      f_->nameBuffer[length_++] = kLineSeparator;
    }
    if (!Append(line, tag::kPrintableString, Text::Printable, c.name)) return false;
  }
  if (count == 0) return Fail(hvcnERR_BAD_X400, detail::kEmpty, c.name, e.offset);
  return Store(c.slot, start, c.name, e.offset);
}

// The E.163/E.164 number and its sub-address; a PSAP address (a
// presentation address) has no place in the held name.
bool Decoder::NetworkAddress(const Component& c, const Element& e) noexcept {
  if (e.tag == tag::Context(0, true)) return Fail(hvcnERR_BAD_VALUE, detail::kPsapAddress, e.offset);
  if (!Tagged(e, ValueTag(c), c.name)) return false;
  Span in = e.contents;
  Element number, subaddress;
  if (!Next(in, &number, "number") ||
      !String(number, tag::Context(0, false), Text::Numeric, model::kE163Number, "number"))
    return false;
  if (in.empty()) return true;
  return Next(in, &subaddress, "sub-address") &&
         String(subaddress, tag::Context(1, false), Text::Numeric, model::kE163Subaddress, "sub-address") &&
         End(in, c.name);
}

// The terminal type: an INTEGER, held as its decimal digits.
bool Decoder::TerminalType(const Component& c, const Element& e) noexcept {
  uint32_t type = 0;
  if (!Tagged(e, ValueTag(c), c.name) ||
      !Integer(e, c.name, kMostTerminalType, &type, hvcnERR_BAD_TERMINAL_TYPE))
    return false;
  char digits[4];
  const size_t n = FormatText(digits, sizeof digits, "%u", type);
  if (length_ + n >= kBufferSize) return Fail(hvcnERR_NAME_TOO_LONG, detail::kNameFull, c.name, e.offset);
  const uint32_t start = length_;
  std::memcpy(f_->nameBuffer + start, digits, n);
  length_ += static_cast<uint32_t>(n);
  return Store(c.slot, start, c.name, e.offset);
}

int32_t DecodeORAddress(hvcnFormat* format, Span input, uint32_t flags, uint32_t* used) noexcept {
  Decoder decoder(format, flags);
  return decoder.Run(input, used);
}

}  // namespace hvcn::ber
