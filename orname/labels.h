// The labels of the standard O/R address forms, and the order they are
// written in.
//
// A slot's own labels are the `label` (RFC 2156) and `shortLabel` columns of
// its catalogue row; this file adds only the spellings that are not one
// slot's: a repeated OU, the domain-defined-attribute prefixes, RFC-822, the
// personal name PN, and older spellings still met in the wild.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/ascii.h"
#include "model/slots.h"
#include "model/validate.h"

namespace hvcn::orname {

using model::Slot;

// What a label stands for.
enum class LabelKind : uint8_t {
  Slot,          // one catalogue slot
  NextOrgUnit,   // OU: the next organisational unit
  DdaPrefix,     // DDA:type or DD.type, a domain-defined attribute
  ForeignDda,    // RFC-822: a domain-defined attribute of that type
  PersonalName,  // PN: given.initials.surname
};

struct Label {
  std::string_view text;  // upper case; matched without regard to case
  LabelKind kind;
  Slot slot;  // for LabelKind::Slot
};

namespace table {
// clang-format off
inline constexpr Label kExtraLabels[] = {
  {"OU",              LabelKind::NextOrgUnit,  model::kNoSlot},
  {"DDA:",            LabelKind::DdaPrefix,    model::kNoSlot},  // the ";" form
  {"DD.",             LabelKind::DdaPrefix,    model::kNoSlot},  // the "/" form
  {"RFC-822",         LabelKind::ForeignDda,   model::kNoSlot},
  {"PN",              LabelKind::PersonalName, model::kNoSlot},
  {"X.121",           LabelKind::Slot,         model::kX121},
  {"PD-S",            LabelKind::Slot,         model::kStreetAddress},
  {"PD-R",            LabelKind::Slot,         model::kPosteRestante},
  {"PD-EXT-D",        LabelKind::Slot,         model::kExtPdComponents},
};
// clang-format on

constexpr bool HasLabel(const model::SlotRow& row) noexcept {
  return row.label[0] != '\0' && row.group != model::Group::DdaType;
}

constexpr size_t CountLabels() noexcept {
  size_t n = std::size(kExtraLabels);
  for (const model::SlotRow& row : model::kSlotRows)
    if (HasLabel(row)) n += row.shortLabel[0] ? 2 : 1;
  return n;
}
}  // namespace table

// Every label the readers know: the catalogue's, then the extra spellings.
inline constexpr auto kLabels = [] {
  std::array<Label, table::CountLabels()> labels{};
  size_t n = 0;
  for (const model::SlotRow& row : model::kSlotRows) {
    if (!table::HasLabel(row)) continue;
    labels[n++] = {row.label, LabelKind::Slot, row.slot};
    if (row.shortLabel[0]) labels[n++] = {row.shortLabel, LabelKind::Slot, row.slot};
  }
  for (const Label& extra : table::kExtraLabels) labels[n++] = extra;
  return labels;
}();

using ascii::EqualNoCase;
using ascii::Upper;

// No spelling twice, all in upper case, and every label fits the label
// fields of hvcnAttributeInfo.
static_assert([] {
  for (size_t i = 0; i < kLabels.size(); ++i) {
    for (char c : kLabels[i].text)
      if (c != Upper(c)) return false;
    for (size_t k = i + 1; k < kLabels.size(); ++k)
      if (EqualNoCase(kLabels[i].text, kLabels[k].text)) return false;
  }
  for (const model::SlotRow& row : model::kSlotRows)
    if (std::string_view(row.label).size() >= 16 || std::string_view(row.shortLabel).size() >= 8) return false;
  return true;
}());

// The label a text names, or nullptr. The domain-defined-attribute prefixes
// match the start of the text (*rest is what follows them).
inline const Label* FindLabel(std::string_view text, std::string_view* rest) noexcept {
  for (const Label& label : kLabels) {
    if (label.kind == LabelKind::DdaPrefix) {
      if (text.size() >= label.text.size() && EqualNoCase(text.substr(0, label.text.size()), label.text)) {
        *rest = text.substr(label.text.size());
        return &label;
      }
    } else if (EqualNoCase(text, label.text)) {
      return &label;
    }
  }
  return nullptr;
}

// The lines of an unformatted postal address are held separated by CAN and
// written separated by '|'.
inline constexpr char kPostalLineSeparator = '\x18';
inline constexpr char kPostalLineMark = '|';

// RFC 2156's spelling of the characters of an RFC 822 address that
// PrintableString lacks, in an RFC-822 domain-defined attribute: "(a)" for
// '@' and so on; any other such character is "(ddd)", its decimal code.
struct Rfc822Letter {
  char letter;
  char character;
};
inline constexpr Rfc822Letter kRfc822Letters[] = {
    {'a', '@'}, {'p', '%'}, {'b', '!'}, {'q', '"'}, {'u', '_'}, {'l', '('}, {'r', ')'},
};

// The bytes an RFC-822 value spells: those PrintableString lacks, and the
// parentheses the spelling uses.
constexpr bool SpelledInRfc822(unsigned char c) noexcept {
  return !model::IsPrintableStringCharacter(c) || c == '(' || c == ')';
}

// The spelling of one byte into out (room for 5): "(a)" and the other
// letters, else "(ddd)", its decimal code. Returns its length.
size_t SpellRfc822(unsigned char c, char* out) noexcept;

// Reads the spelling in place (a '(' that starts no spelling stands for
// itself); false on a "(ddd)" that names a control character or no
// character.
bool UnspellRfc822(char* text) noexcept;

// The order the writers follow (RFC 1685's, then the remaining attributes):
// the personal name, common name, organisation and its units, the domains
// and country, the network attributes; the domain-defined attributes come
// next (kDdaPairs), then the postal attributes.
inline constexpr Slot kLeadingOrder[] = {
    model::kGivenName, model::kInitials, model::kSurname,     model::kGeneration, model::kCommonName,
    model::kOrganization, model::kOu1,   model::kOu2,         model::kOu3,        model::kOu4,
    model::kPrmd,      model::kAdmd,     model::kCountry,     model::kX121,       model::kNumericId,
    model::kTerminalId, model::kTerminalType,
};
inline constexpr Slot kTrailingOrder[] = {
    model::kPdsName,         model::kPdCountry,        model::kPostalCode,       model::kPdOfficeName,
    model::kPdOfficeNumber,  model::kExtOrComponents,  model::kPdPersonalName,   model::kPdOrganization,
    model::kExtPdComponents, model::kUnformattedPostal, model::kStreetAddress,   model::kPoBox,
    model::kPosteRestante,   model::kUniquePostalName, model::kLocalPostal,      model::kE163Number,
    model::kE163Subaddress,  model::kPsapAddress,
};

// Every slot with a label of its own is written exactly once, and only those.
static_assert([] {
  int seen[model::kStandardSlots] = {};
  for (Slot s : kLeadingOrder) ++seen[s];
  for (Slot s : kTrailingOrder) ++seen[s];
  for (const model::SlotRow& row : model::kSlotRows)
    if (seen[row.slot] != (table::HasLabel(row) ? 1 : 0)) return false;
  return true;
}());

// The teletex partner of a slot: its teletex twin, or the teletex variant of
// a postal attribute; -1 when the slot has none (or is one itself).
constexpr int TeletexPartner(int slot) noexcept {
  const int variant = model::VariantOf(slot);
  return variant >= 0 && variant != slot ? variant : -1;
}

}  // namespace hvcn::orname
