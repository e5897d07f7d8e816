// The components of the binary O/R address and the catalogue slots they
// fill: one row each, read by the decoder and by the encoder alike, so a new
// attribute is one row. The slots come from model/slots.h; everything the
// code needs besides the rows is computed from them below and checked.
//
//   ORAddress ::= SEQUENCE {
//     built-in-standard-attributes        SEQUENCE { the Standard rows, in order },
//     built-in-domain-defined-attributes  SEQUENCE SIZE (1..4) OF SEQUENCE { type, value } OPTIONAL,
//     extension-attributes                SET SIZE (1..256) OF SEQUENCE {
//                                           extension-attribute-type  [0] IMPLICIT INTEGER,
//                                           extension-attribute-value [1] EXPLICIT (by type) } OPTIONAL }
//   ORName ::= [APPLICATION 0] IMPLICIT SEQUENCE { the same, directory-name [0] Name OPTIONAL }
//   x400Address ::= [3] IMPLICIT ORAddress          (a GeneralName of X.509)
//
// A value that needs teletex lives in the teletex variant of its slot (the
// teletex twin, or the variant of a postal attribute); the teletex-* and
// universal-* extension attributes both carry the variants: the encoder
// writes the teletex one when every character has a T.61 form, else the
// universal one (its `alternate`).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "model/slots.h"

namespace hvcn::ber {

// Where a component stands in the address.
enum class Place : uint8_t {
  Standard,   // a built-in standard attribute; `code` is its identifier octet
  Domain,     // the built-in domain-defined attributes
  Extension,  // an extension attribute; `code` is its type
};

// The shape of a component's value.
enum class Shape : uint8_t {
  Text,            // one string: `slot`
  PersonalName,    // SET { surname [0], given-name [1] OPTIONAL, initials [2] OPTIONAL,
                   //       generation-qualifier [3] OPTIONAL } (IMPLICIT): the personal slots
  Units,           // SEQUENCE SIZE (1..4) OF string: the organisational units
  DomainDefined,   // SEQUENCE SIZE (1..4) OF SEQUENCE { type, value }: the four pairs
  PdsParameter,    // SET { printable-string PrintableString OPTIONAL,
                   //       teletex-string TeletexString OPTIONAL }: `slot` and its variant
  Unformatted,     // SET { printable-address SEQUENCE SIZE (1..6) OF PrintableString OPTIONAL,
                   //       teletex-string TeletexString OPTIONAL }: the lines (CAN between
                   //       them) in `slot`, the teletex text in its variant
  NetworkAddress,  // CHOICE { e163-4-address SEQUENCE { number [0] IMPLICIT NumericString,
                   //   sub-address [1] IMPLICIT NumericString OPTIONAL },
                   //   psap-address [0] IMPLICIT PresentationAddress }
  TerminalType,    // INTEGER, held as its decimal digits
};

// The string type of the values.
enum class Text : uint8_t {
  Printable,           // PrintableString
  Numeric,             // NumericString
  NumericOrPrintable,  // CHOICE { NumericString, PrintableString }
  Teletex,             // TeletexString (T.61)
  Universal,           // UniversalOrBMPString: SET { CHOICE { BMPString, UniversalString },
                       //   iso-639-language-code PrintableString OPTIONAL }
  None,                // not a string (the INTEGER of the terminal type)
};

struct Component {
  const char* name;   // the ASN.1 name, as details show it
  Place place;
  uint8_t code;       // identifier octet (Standard) or extension-attribute type
  Shape shape;
  Text text;
  model::Slot slot;   // the slot of a Text; the first slot of a group; the base of a postal pair
  uint8_t alternate;  // the type that carries the same slots in the other string type; 0 none
};

inline constexpr uint8_t kNoAlternate = 0;

namespace table {
using model::Slot;
using P = Place;
using S = Shape;
using T = Text;
// clang-format off
inline constexpr Component kComponents[] = {
// name                                              place         code  shape                text                    slot                       alternate
  {"country-name",                                    P::Standard,  0x61, S::Text,             T::NumericOrPrintable,  model::kCountry,           0},
  {"administration-domain-name",                      P::Standard,  0x62, S::Text,             T::NumericOrPrintable,  model::kAdmd,              0},
  {"network-address",                                 P::Standard,  0x80, S::Text,             T::Numeric,             model::kX121,              0},
  {"terminal-identifier",                             P::Standard,  0x81, S::Text,             T::Printable,           model::kTerminalId,        0},
  {"private-domain-name",                             P::Standard,  0xA2, S::Text,             T::NumericOrPrintable,  model::kPrmd,              0},
  {"organization-name",                               P::Standard,  0x83, S::Text,             T::Printable,           model::kOrganization,      0},
  {"numeric-user-identifier",                         P::Standard,  0x84, S::Text,             T::Numeric,             model::kNumericId,         0},
  {"personal-name",                                   P::Standard,  0xA5, S::PersonalName,     T::Printable,           model::kSurname,           0},
  {"organizational-unit-names",                       P::Standard,  0xA6, S::Units,            T::Printable,           model::kOu1,               0},
  {"built-in-domain-defined-attributes",              P::Domain,    0x30, S::DomainDefined,    T::Printable,           model::kDdaType1,          0},
  {"common-name",                                     P::Extension,    1, S::Text,             T::Printable,           model::kCommonName,        0},
  {"teletex-common-name",                             P::Extension,    2, S::Text,             T::Teletex,             model::kCommonNameTx,     24},
  {"teletex-organization-name",                       P::Extension,    3, S::Text,             T::Teletex,             model::kOrganizationTx,   25},
  {"teletex-personal-name",                           P::Extension,    4, S::PersonalName,     T::Teletex,             model::kSurnameTx,        26},
  {"teletex-organizational-unit-names",               P::Extension,    5, S::Units,            T::Teletex,             model::kOu1Tx,            27},
  {"teletex-domain-defined-attributes",               P::Extension,    6, S::DomainDefined,    T::Teletex,             model::kDdaType1Tx,       28},
  {"pds-name",                                        P::Extension,    7, S::Text,             T::Printable,           model::kPdsName,           0},
  {"physical-delivery-country-name",                  P::Extension,    8, S::Text,             T::NumericOrPrintable,  model::kPdCountry,         0},
  {"postal-code",                                     P::Extension,    9, S::Text,             T::NumericOrPrintable,  model::kPostalCode,        0},
  {"physical-delivery-office-name",                   P::Extension,   10, S::PdsParameter,     T::Teletex,             model::kPdOfficeName,     29},
  {"physical-delivery-office-number",                 P::Extension,   11, S::PdsParameter,     T::Teletex,             model::kPdOfficeNumber,   30},
  {"extension-OR-address-components",                 P::Extension,   12, S::PdsParameter,     T::Teletex,             model::kExtOrComponents,  31},
  {"physical-delivery-personal-name",                 P::Extension,   13, S::PdsParameter,     T::Teletex,             model::kPdPersonalName,   32},
  {"physical-delivery-organization-name",             P::Extension,   14, S::PdsParameter,     T::Teletex,             model::kPdOrganization,   33},
  {"extension-physical-delivery-address-components",  P::Extension,   15, S::PdsParameter,     T::Teletex,             model::kExtPdComponents,  34},
  {"unformatted-postal-address",                      P::Extension,   16, S::Unformatted,      T::Teletex,             model::kUnformattedPostal, 35},
  {"street-address",                                  P::Extension,   17, S::PdsParameter,     T::Teletex,             model::kStreetAddress,    36},
  {"post-office-box-address",                         P::Extension,   18, S::PdsParameter,     T::Teletex,             model::kPoBox,            37},
  {"poste-restante-address",                          P::Extension,   19, S::PdsParameter,     T::Teletex,             model::kPosteRestante,    38},
  {"unique-postal-name",                              P::Extension,   20, S::PdsParameter,     T::Teletex,             model::kUniquePostalName, 39},
  {"local-postal-attributes",                         P::Extension,   21, S::PdsParameter,     T::Teletex,             model::kLocalPostal,      40},
  {"extended-network-address",                        P::Extension,   22, S::NetworkAddress,   T::Numeric,             model::kE163Number,        0},
  {"terminal-type",                                   P::Extension,   23, S::TerminalType,     T::None,                model::kTerminalType,      0},
  {"universal-common-name",                           P::Extension,   24, S::Text,             T::Universal,           model::kCommonNameTx,      2},
  {"universal-organization-name",                     P::Extension,   25, S::Text,             T::Universal,           model::kOrganizationTx,    3},
  {"universal-personal-name",                         P::Extension,   26, S::PersonalName,     T::Universal,           model::kSurnameTx,         4},
  {"universal-organizational-unit-names",             P::Extension,   27, S::Units,            T::Universal,           model::kOu1Tx,             5},
  {"universal-domain-defined-attributes",             P::Extension,   28, S::DomainDefined,    T::Universal,           model::kDdaType1Tx,        6},
  {"universal-physical-delivery-office-name",         P::Extension,   29, S::Text,             T::Universal,           model::kPdOfficeNameTx,   10},
  {"universal-physical-delivery-office-number",       P::Extension,   30, S::Text,             T::Universal,           model::kPdOfficeNumberTx, 11},
  {"universal-extension-OR-address-components",       P::Extension,   31, S::Text,             T::Universal,           model::kExtOrComponentsTx, 12},
  {"universal-physical-delivery-personal-name",       P::Extension,   32, S::Text,             T::Universal,           model::kPdPersonalNameTx, 13},
  {"universal-physical-delivery-organization-name",   P::Extension,   33, S::Text,             T::Universal,           model::kPdOrganizationTx, 14},
  {"universal-extension-physical-delivery-address-components", P::Extension, 34, S::Text,      T::Universal,           model::kExtPdComponentsTx, 15},
  {"universal-unformatted-postal-address",            P::Extension,   35, S::Text,             T::Universal,           model::kUnformattedPostalTx, 16},
  {"universal-street-address",                        P::Extension,   36, S::Text,             T::Universal,           model::kStreetAddressTx,  17},
  {"universal-post-office-box-address",               P::Extension,   37, S::Text,             T::Universal,           model::kPoBoxTx,          18},
  {"universal-poste-restante-address",                P::Extension,   38, S::Text,             T::Universal,           model::kPosteRestanteTx,  19},
  {"universal-unique-postal-name",                    P::Extension,   39, S::Text,             T::Universal,           model::kUniquePostalNameTx, 20},
  {"universal-local-postal-attributes",               P::Extension,   40, S::Text,             T::Universal,           model::kLocalPostalTx,    21},
};
// clang-format on
}  // namespace table

inline constexpr auto& kComponents = table::kComponents;
inline constexpr size_t kComponentCount = std::size(kComponents);
inline constexpr uint8_t kNoComponent = 0xFF;

// ---------------------------------------------------------------------------
// Computed from the rows.

// The slot of part `i` of a group whose first slot is `first`: the personal
// slots, the units or the domain-defined slots (type of pair k at 2k, its
// value at 2k + 1), or their teletex twins.
constexpr int GroupSlot(Shape shape, model::Slot first, size_t i) noexcept {
  const bool variant = model::IsTeletexVariant(first);
  int base = -1;
  if (shape == Shape::PersonalName && i < model::kPersonalSlots.size()) base = model::kPersonalSlots[i];
  if (shape == Shape::Units && i < model::kOrgUnitSlots.size()) base = model::kOrgUnitSlots[i];
  if (shape == Shape::DomainDefined && i < 2 * model::kDdaPairs.size())
    base = i % 2 == 0 ? model::kDdaPairs[i / 2].type : model::kDdaPairs[i / 2].value;
  return base < 0 || !variant ? base : model::OtherTwinOf(base);
}

// The parts of a group.
constexpr size_t GroupSize(Shape shape) noexcept {
  return shape == Shape::PersonalName ? model::kPersonalSlots.size()
         : shape == Shape::Units      ? model::kOrgUnitSlots.size()
         : shape == Shape::DomainDefined ? 2 * model::kDdaPairs.size()
                                        : 0;
}

// Row of each extension-attribute type, of each identifier octet of a
// built-in standard attribute (kNoComponent: none).
inline constexpr uint8_t kLastType = 40;
inline constexpr std::array<uint8_t, kLastType + 1> kRowOfType = [] {
  std::array<uint8_t, kLastType + 1> rows{};
  for (auto& row : rows) row = kNoComponent;
  for (size_t i = 0; i < kComponentCount; ++i)
    if (kComponents[i].place == Place::Extension) rows[kComponents[i].code] = static_cast<uint8_t>(i);
  return rows;
}();
inline constexpr std::array<uint8_t, 256> kRowOfStandardTag = [] {
  std::array<uint8_t, 256> rows{};
  for (auto& row : rows) row = kNoComponent;
  for (size_t i = 0; i < kComponentCount; ++i)
    if (kComponents[i].place == Place::Standard) rows[kComponents[i].code] = static_cast<uint8_t>(i);
  return rows;
}();

// The row of the built-in domain-defined attributes.
inline constexpr size_t kDomainRow = [] {
  size_t row = 0;
  while (row < kComponentCount && kComponents[row].place != Place::Domain) ++row;
  return row;
}();
static_assert(kDomainRow < kComponentCount);

constexpr const Component* ComponentOfType(uint32_t type) noexcept {
  return type <= kLastType && kRowOfType[type] != kNoComponent ? &kComponents[kRowOfType[type]] : nullptr;
}

// Every type 1 to 40 has its row, once; the built-in standard attributes
// come in their ASN.1 order (X.411's order: the two application tags, then
// the context tags [0] to [6]); the domain-defined row follows them.
static_assert([] {
  int types = 0, previousTag = -1;
  bool domain = false;
  for (const Component& c : kComponents) {
    if (c.place == Place::Extension) {
      if (c.code == 0 || c.code > kLastType || kRowOfType[c.code] != &c - kComponents) return false;
      ++types;
    } else if (c.place == Place::Standard) {
      const int tag = (c.code & 0xC0) == 0x40 ? (c.code & 0x1F) : 0x10 + (c.code & 0x1F);
      if (domain || tag <= previousTag) return false;
      previousTag = tag;
    } else {
      domain = true;
    }
  }
  return types == kLastType;
}());

// The rows stand in the order of the address: the standard attributes, the
// domain-defined ones, the extension attributes.
static_assert([] {
  for (size_t i = 1; i < kComponentCount; ++i)
    if (kComponents[i].place < kComponents[i - 1].place) return false;
  return true;
}());

// Each teletex-* row and its universal-* alternate carry the same slots:
// the same group, the same text slot, or (for the postal pairs) the variant
// that the teletex-string of the pair carries.
static_assert([] {
  for (const Component& c : kComponents) {
    if (c.alternate == kNoAlternate) continue;
    const Component* other = ComponentOfType(c.alternate);
    if (!other || other->alternate != c.code) return false;
    const Component& universal = c.text == Text::Universal ? c : *other;
    const Component& teletex = c.text == Text::Universal ? *other : c;
    if (universal.text != Text::Universal || teletex.text != Text::Teletex) return false;
    const bool pair = teletex.shape == Shape::PdsParameter || teletex.shape == Shape::Unformatted;
    if (pair ? universal.shape != Shape::Text || universal.slot != model::VariantOf(teletex.slot)
             : universal.shape != teletex.shape || universal.slot != teletex.slot)
      return false;
  }
  return true;
}());

// Teletex and universal text lands in teletex variants only, printable and
// numeric text in base slots only.
static_assert([] {
  for (const Component& c : kComponents) {
    const bool variantText = c.text == Text::Teletex || c.text == Text::Universal;
    const bool pair = c.shape == Shape::PdsParameter || c.shape == Shape::Unformatted;
    if (!pair && c.shape != Shape::TerminalType && model::IsTeletexVariant(c.slot) != variantText) return false;
    if (pair && (model::IsTeletexVariant(c.slot) || model::VariantOf(c.slot) == c.slot)) return false;
  }
  return true;
}());

// The rows reach every standard slot but ff (the library's own free-form
// slot) and the PSAP address (a presentation address, which no text holds).
static_assert([] {
  bool reached[model::kStandardSlots] = {};
  for (const Component& c : kComponents) {
    switch (c.shape) {
      case Shape::PersonalName:
      case Shape::Units:
      case Shape::DomainDefined:
        for (size_t i = 0; i < GroupSize(c.shape); ++i) reached[GroupSlot(c.shape, c.slot, i)] = true;
        break;
      case Shape::PdsParameter:
      case Shape::Unformatted:
        reached[c.slot] = reached[model::VariantOf(c.slot)] = true;
        break;
      case Shape::NetworkAddress:
        reached[model::kE163Number] = reached[model::kE163Subaddress] = true;
        break;
      case Shape::Text:
      case Shape::TerminalType:
        reached[c.slot] = true;
        break;
    }
  }
  for (int slot = 0; slot < model::kStandardSlots; ++slot)
    if (reached[slot] == (slot == model::kFf || slot == model::kPsapAddress)) return false;
  return true;
}());

}  // namespace hvcn::ber
