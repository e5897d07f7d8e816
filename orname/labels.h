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
  DdaPrefix,     // DDA:type, DD.type and the other spellings: a domain-defined attribute
  ForeignDda,    // RFC-822: a domain-defined attribute of that type
  PersonalName,  // PN: given.initials.surname
  PostalLine,    // PD-A1 to PD-A6: one line of the unformatted postal address
  DdaType,       // DDA.TYPE: the type of the domain-defined attribute whose
  DdaValue,      // DDA.VALUE follows (the split pair Exchange writes)
};

struct Label {
  std::string_view text;  // upper case; matched without regard to case
  LabelKind kind;
  Slot slot;              // for LabelKind::Slot
  uint8_t index = 0;      // PD-A1 ... (1-6); DD1. ... (1-4, 0 for the next free pair)
};

namespace table {
// clang-format off
inline constexpr Label kExtraLabels[] = {
  {"OU",              LabelKind::NextOrgUnit,  model::kNoSlot},
  {"RFC-822",         LabelKind::ForeignDda,   model::kNoSlot},
  {"PN",              LabelKind::PersonalName, model::kNoSlot},
  // F.401 Annex F, Table F.2 (physical delivery) and Table F.3 (other).
  {"PD-EA",           LabelKind::Slot,         model::kExtOrComponents},
  {"PD-ED",           LabelKind::Slot,         model::kExtPdComponents},
  {"PD-OFN",          LabelKind::Slot,         model::kPdOfficeNumber},
  {"PD-OF",           LabelKind::Slot,         model::kPdOfficeName},
  {"PD-S",            LabelKind::Slot,         model::kStreetAddress},
  {"PD-U",            LabelKind::Slot,         model::kUniquePostalName},
  {"PD-L",            LabelKind::Slot,         model::kLocalPostal},
  {"PD-R",            LabelKind::Slot,         model::kPosteRestante},
  {"PD-B",            LabelKind::Slot,         model::kPoBox},
  {"PD-PC",           LabelKind::Slot,         model::kPostalCode},
  {"PD-SN",           LabelKind::Slot,         model::kPdsName},
  {"PD-A1",           LabelKind::PostalLine,   model::kNoSlot, 1},
  {"PD-A2",           LabelKind::PostalLine,   model::kNoSlot, 2},
  {"PD-A3",           LabelKind::PostalLine,   model::kNoSlot, 3},
  {"PD-A4",           LabelKind::PostalLine,   model::kNoSlot, 4},
  {"PD-A5",           LabelKind::PostalLine,   model::kNoSlot, 5},
  {"PD-A6",           LabelKind::PostalLine,   model::kNoSlot, 6},
  {"X.121",           LabelKind::Slot,         model::kX121},
  {"ISDN",            LabelKind::Slot,         model::kE163Number},
  {"PSAP",            LabelKind::Slot,         model::kPsapAddress},
  // RFC 2156's alternative keywords.
  {"PD-A",            LabelKind::Slot,         model::kUnformattedPostal},
  {"PD-OFFICE NUMBER", LabelKind::Slot,        model::kPdOfficeNumber},
  {"PD-EXT-D",        LabelKind::Slot,         model::kExtPdComponents},
  {"E.164",           LabelKind::Slot,         model::kE163Number},
  // The split pair of Exchange: DDA.TYPE=id;DDA.VALUE=1234.
  {"DDA.TYPE",        LabelKind::DdaType,      model::kNoSlot},
  {"DDA.VALUE",       LabelKind::DdaValue,     model::kNoSlot},
  // Domain-defined attributes: a key and the type after it. DD and DDA
  // with '.' (RFC 2156's "/" form) or ':' (F.401 Annex F, RFC 2156's
  // input), "DDA\:" as Exchange escapes it, DD1-DD4 for a numbered pair.
  {"DDA\\:",          LabelKind::DdaPrefix,    model::kNoSlot},
  {"DDA:",            LabelKind::DdaPrefix,    model::kNoSlot},
  {"DDA.",            LabelKind::DdaPrefix,    model::kNoSlot},
  {"DD:",             LabelKind::DdaPrefix,    model::kNoSlot},
  {"DD.",             LabelKind::DdaPrefix,    model::kNoSlot},
  {"DD1.",            LabelKind::DdaPrefix,    model::kNoSlot, 1},
  {"DD2.",            LabelKind::DdaPrefix,    model::kNoSlot, 2},
  {"DD3.",            LabelKind::DdaPrefix,    model::kNoSlot, 3},
  {"DD4.",            LabelKind::DdaPrefix,    model::kNoSlot, 4},
  {"DD1:",            LabelKind::DdaPrefix,    model::kNoSlot, 1},
  {"DD2:",            LabelKind::DdaPrefix,    model::kNoSlot, 2},
  {"DD3:",            LabelKind::DdaPrefix,    model::kNoSlot, 3},
  {"DD4:",            LabelKind::DdaPrefix,    model::kNoSlot, 4},
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

// The label a text names, or nullptr. A whole label wins; else a
// domain-defined-attribute prefix may start the text (*rest is what
// follows it: the type).
inline const Label* FindLabel(std::string_view text, std::string_view* rest) noexcept {
  for (const Label& label : kLabels)
    if (label.kind != LabelKind::DdaPrefix && EqualNoCase(text, label.text)) return &label;
  for (const Label& label : kLabels)
    if (label.kind == LabelKind::DdaPrefix && text.size() >= label.text.size() &&
        EqualNoCase(text.substr(0, label.text.size()), label.text)) {
      *rest = text.substr(label.text.size());
      return &label;
    }
  return nullptr;
}

// Whether a text starts with a domain-defined-attribute key ("DDA:" ...).
inline bool StartsDdaLabel(std::string_view text) noexcept {
  std::string_view rest;
  const Label* label = FindLabel(text, &rest);
  return label && label->kind == LabelKind::DdaPrefix;
}

// Labels of X.500 directory names that no O/R address has: a text holding
// one (or a second CN) is a directory name, such as a legacy Exchange DN
// /O=Contoso/OU=.../CN=Recipients/CN=jsmith.
inline constexpr std::string_view kDirectoryLabels[] = {
    "DC", "L", "ST", "STREET", "UID", "SN", "E", "EMAIL", "EMAILADDRESS", "SERIALNUMBER", "TITLE",
};
inline bool IsDirectoryLabel(std::string_view label) noexcept {
  for (std::string_view known : kDirectoryLabels)
    if (EqualNoCase(label, known)) return true;
  return false;
}

// Whether a ";" form value holds what its reader takes for further items:
// "/label=" (an O/R address label: the "/" form written without its leading
// '/') or ",label=" (a label of a directory name, CN=x,OU=y). *directory
// says which.
inline bool HoldsFurtherItem(std::string_view value, bool* directory) noexcept {
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '/' && value[i] != ',') continue;
    size_t start = i + 1;
    while (start < value.size() && (value[start] == ' ' || value[start] == '\t')) ++start;
    size_t end = start;
    while (end < value.size() && value[end] != '=' && value[end] != '/' && value[end] != ',' && value[end] != ';') ++end;
    if (end >= value.size() || value[end] != '=') continue;
    std::string_view label = value.substr(start, end - start);
    while (!label.empty() && (label.back() == ' ' || label.back() == '\t')) label.remove_suffix(1);
    if (label.empty()) continue;
    std::string_view rest;
    const bool found = value[i] == '/' ? FindLabel(label, &rest) != nullptr
                                       : IsDirectoryLabel(label) || EqualNoCase(label, "CN") ||
                                             EqualNoCase(label, "OU") || EqualNoCase(label, "O") ||
                                             EqualNoCase(label, "C");
    if (found) {
      *directory = value[i] == ',';
      return true;
    }
  }
  return false;
}

// The terminal types F.401 Annex F (F.3.2.2) names: T-TY=tlx is type 3.
struct TerminalTypeName {
  std::string_view name;
  uint8_t type;
};
inline constexpr TerminalTypeName kTerminalTypeNames[] = {
    {"tlx", 3}, {"ttx", 4}, {"g3fax", 5}, {"g4fax", 6}, {"ia5", 7}, {"vtx", 8},
};


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

// The orders the writers follow. The ";" form: RFC 1685's (the personal
// name, common name, organisation and its units, the domains and country),
// then the network attributes; the domain-defined attributes come next
// (kDdaPairs in order), then the postal attributes. The "/" form: RFC
// 2156's, the most significant on the right: the units (written OU=, the
// fourth first) before the organisation, and the domain-defined attributes
// with the first last.
inline constexpr Slot kAnnexFOrder[] = {
    model::kGivenName, model::kInitials, model::kSurname,     model::kGeneration, model::kCommonName,
    model::kOrganization, model::kOu1,   model::kOu2,         model::kOu3,        model::kOu4,
    model::kPrmd,      model::kAdmd,     model::kCountry,     model::kX121,       model::kNumericId,
    model::kTerminalId, model::kTerminalType,
};
inline constexpr Slot kStdOrOrder[] = {
    model::kGivenName, model::kInitials, model::kSurname,     model::kGeneration, model::kCommonName,
    model::kOu4,       model::kOu3,      model::kOu2,         model::kOu1,        model::kOrganization,
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

// Every slot with a label of its own is written exactly once, and only
// those, in either form.
static_assert([] {
  int seen[model::kStandardSlots] = {}, seenStdOr[model::kStandardSlots] = {};
  for (Slot s : kAnnexFOrder) ++seen[s];
  for (Slot s : kStdOrOrder) ++seenStdOr[s];
  for (Slot s : kTrailingOrder) ++seen[s], ++seenStdOr[s];
  for (const model::SlotRow& row : model::kSlotRows)
    if (seen[row.slot] != (table::HasLabel(row) ? 1 : 0) || seenStdOr[row.slot] != seen[row.slot]) return false;
  return true;
}());

// The teletex partner of a slot: its teletex twin, or the teletex variant of
// a postal attribute; -1 when the slot has none (or is one itself).
constexpr int TeletexPartner(int slot) noexcept {
  const int variant = model::VariantOf(slot);
  return variant >= 0 && variant != slot ? variant : -1;
}

}  // namespace hvcn::orname
