// The address model in one table: a row for each standard catalogue slot
// of a format (the records 0-73 of hvcnFormat::attributes), with every fact
// the library knows of the attribute that lives there. Every other table of
// slots - IDs to slots, tags to slots, teletex twins, the internal layouts,
// the X.400 output order, the RS-list sections, the value checks - is
// computed from these rows below, and checked with static_asserts.
//
// Slots 0-24 are the base attributes of an X.400 O/R address, 25-42 their
// teletex twins, 43-61 the postal and extension attributes, 62-73 the
// teletex variants of those, 74-137 user attributes (no row: a format
// string, the reconfigured list or an internal name makes them).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace hvcn::model {

enum Slot : uint8_t {
  kSurname, kGivenName, kInitials, kGeneration,                          // 0-3
  kOu1, kOu2, kOu3, kOu4, kOrganization,                                 // 4-8
  kCountry, kAdmd, kPrmd, kX121, kNumericId, kTerminalId,                // 9-14
  kDdaType1, kDdaValue1, kDdaType2, kDdaValue2,                          // 15-18
  kDdaType3, kDdaValue3, kDdaType4, kDdaValue4,                          // 19-22
  kCommonName, kFf,                                                      // 23-24
  kSurnameTx, kGivenNameTx, kInitialsTx, kGenerationTx,                  // 25-28
  kOu1Tx, kOu2Tx, kOu3Tx, kOu4Tx, kOrganizationTx,                       // 29-33
  kDdaType1Tx, kDdaValue1Tx, kDdaType2Tx, kDdaValue2Tx,                  // 34-37
  kDdaType3Tx, kDdaValue3Tx, kDdaType4Tx, kDdaValue4Tx,                  // 38-41
  kCommonNameTx,                                                         // 42
  kE163Number, kE163Subaddress, kPsapAddress, kTerminalType,             // 43-46
  kPdsName, kPdCountry, kPostalCode, kPdOfficeName, kPdOfficeNumber,     // 47-51
  kPdPersonalName, kPdOrganization, kStreetAddress, kPoBox,              // 52-55
  kUniquePostalName, kLocalPostal, kUnformattedPostal, kPosteRestante,   // 56-59
  kExtOrComponents, kExtPdComponents,                                    // 60-61
  kPdOfficeNameTx, kPdOfficeNumberTx, kPdPersonalNameTx,                 // 62-64
  kPdOrganizationTx, kUnformattedPostalTx, kStreetAddressTx, kPoBoxTx,   // 65-68
  kUniquePostalNameTx, kLocalPostalTx, kPosteRestanteTx,                 // 69-71
  kExtOrComponentsTx, kExtPdComponentsTx,                                // 72-73
  kStandardSlots,                                                        // 74
  kOwnTwin = 0xFE,  // in the rows below only: the slot is its own teletex variant
  kNoSlot = 0xFF,
};

inline constexpr int kFirstUserSlot = kStandardSlots;
inline constexpr int kSlotCount = 138;  // standard and user records of a format
inline constexpr int kMaxStandardId = 82;
inline constexpr int kTagCount = 43;    // X.400 tag-name indexes 0-42
inline constexpr int8_t kNoTag = -1;

// What part of a name a slot belongs to; the section tokens of a format
// (CANON, NONCANON, EFA, X400) and the X.400 writer go by it.
enum class Group : uint8_t {
  Personal,   // surname, given name, initials, generation qualifier
  OrgUnit,    // organisational units 1-4
  Address,    // organisation, country, ADMD, PRMD, X.121, numeric id, terminal id
  DdaType,    // the type of a domain-defined attribute
  DdaValue,   // its value
  Extra,      // common name, ff: written in the X.400 part, listed by no section
  Postal,     // postal and extension attributes
};

// The check a value of the attribute gets (hvcnValidateAttribute by ID).
enum class Check : uint8_t {
  None,                // every value is refused
  Printable,
  Numeric,
  String,
  StringAscii,         // String, and a non-ASCII value is refused
  TeletexOrPrintable,
  Country,             // two letters or three digits
  TerminalType,        // up to three digits, below 257
  PrintableList,       // lines separated by CAN, each Printable of at most 30
};

// Row flags.
inline constexpr uint8_t kSkippedWithoutForeign = 0x01;  // hvcnFMT_NO_FOREIGN leaves it out of the X.400 part

inline constexpr uint8_t kNotInX400 = 0xFF;

struct SlotRow {
  Slot slot;
  int8_t id;               // the attribute ID callers use
  const char* name;        // the attribute's name for people (the hvcn tool)
  Group group;
  Check check;             // by ID
  int16_t maximum;         // default maximum of the check (0: the check has its own rule)
  Slot twin;               // teletex variant; the slot itself for a variant (and ff); kNoSlot
  int8_t tag;              // X.400 tag-name index; kNoTag
  uint8_t x400;            // place in the X.400 part's writing order; kNotInX400
  uint8_t gsEtbGroup;      // internal type 2 position of a base attribute: group 1, 2 or 5 ...
  uint8_t gsEtbField;      // ... and field (from 1); a teletex variant sits two groups later
  const char* label;       // standard O/R address label (RFC 2156); "" when none
  const char* shortLabel;  // the short label of the ";" form where it differs; "" when none
  const char* alias;       // another tag the X.400 part reader accepts; "" when none
  uint8_t flags;
};

namespace table {
using C = Check;
using G = Group;
// clang-format off
// The rows, in slot order.
inline constexpr SlotRow kSlotRowsInput[kStandardSlots] = {
// slot                 id  name                     group           check                  max  twin               tag x400 t2g t2f label             short   alias   flags
  {kSurname,             1, "surname",               G::Personal,   C::Printable,           40, kSurnameTx,          0, 16,  1,  1, "S",              "",     "e",    0},
  {kGivenName,           2, "given-name",            G::Personal,   C::Printable,           16, kGivenNameTx,        1, 17,  1,  2, "G",              "",     "f",    0},
  {kInitials,            3, "initials",              G::Personal,   C::Printable,            5, kInitialsTx,         2, 18,  1,  3, "I",              "",     "",     0},
  {kGeneration,          4, "generation",            G::Personal,   C::Printable,            3, kGenerationTx,       3, 19,  1,  4, "GQ",             "Q",    "g",    0},
  {kOu1,                 5, "ou1",                   G::OrgUnit,    C::Printable,           32, kOu1Tx,              4,  0,  1,  5, "OU1",            "",     "",     0},
  {kOu2,                 6, "ou2",                   G::OrgUnit,    C::Printable,           32, kOu2Tx,              5,  1,  1,  6, "OU2",            "",     "",     0},
  {kOu3,                 7, "ou3",                   G::OrgUnit,    C::Printable,           32, kOu3Tx,              6,  2,  1,  7, "OU3",            "",     "",     0},
  {kOu4,                 8, "ou4",                   G::OrgUnit,    C::Printable,           32, kOu4Tx,              7,  3,  1,  8, "OU4",            "",     "",     0},
  {kOrganization,        9, "organization",          G::Address,    C::Printable,           64, kOrganizationTx,     8,  4,  1,  9, "O",              "",     "",     0},
  {kCountry,            10, "country",               G::Address,    C::Country,              0, kNoSlot,             9,  5,  1, 10, "C",              "",     "l",    0},
  {kAdmd,               11, "admd",                  G::Address,    C::Printable,           16, kNoSlot,            10,  6,  1, 11, "ADMD",           "A",    "",     0},
  {kPrmd,               12, "prmd",                  G::Address,    C::Printable,           16, kNoSlot,            11,  7,  1, 12, "PRMD",           "P",    "",     0},
  {kX121,               13, "x121",                  G::Address,    C::Numeric,             15, kNoSlot,            12, 20,  1, 13, "X121",           "",     "",     0},
  {kNumericId,          14, "numeric-id",            G::Address,    C::Numeric,             32, kNoSlot,            13, 21,  1, 14, "UA-ID",          "N-ID", "",     kSkippedWithoutForeign},
  {kTerminalId,         15, "terminal-id",           G::Address,    C::Printable,           24, kNoSlot,            14, 22,  1, 15, "T-ID",           "",     "",     kSkippedWithoutForeign},
  {kDdaType1,           16, "ddat1",                 G::DdaType,    C::Printable,            8, kDdaType1Tx,        15,  8,  1, 16, "DDA",            "",     "",     kSkippedWithoutForeign},
  {kDdaValue1,          17, "ddav1",                 G::DdaValue,   C::StringAscii,        128, kDdaValue1Tx,   kNoTag,  9,  1, 17, "",               "",     "",     kSkippedWithoutForeign},
  {kDdaType2,           18, "ddat2",                 G::DdaType,    C::Printable,            8, kDdaType2Tx,    kNoTag, 10,  1, 18, "DDA",            "",     "",     kSkippedWithoutForeign},
  {kDdaValue2,          19, "ddav2",                 G::DdaValue,   C::StringAscii,        128, kDdaValue2Tx,   kNoTag, 11,  1, 19, "",               "",     "",     kSkippedWithoutForeign},
  {kDdaType3,           20, "ddat3",                 G::DdaType,    C::Printable,            8, kDdaType3Tx,    kNoTag, 12,  1, 20, "DDA",            "",     "",     kSkippedWithoutForeign},
  {kDdaValue3,          21, "ddav3",                 G::DdaValue,   C::StringAscii,        128, kDdaValue3Tx,   kNoTag, 13,  1, 21, "",               "",     "",     kSkippedWithoutForeign},
  {kDdaType4,           22, "ddat4",                 G::DdaType,    C::Printable,            8, kDdaType4Tx,    kNoTag, 14,  1, 22, "DDA",            "",     "",     kSkippedWithoutForeign},
  {kDdaValue4,          23, "ddav4",                 G::DdaValue,   C::StringAscii,        128, kDdaValue4Tx,   kNoTag, 15,  1, 23, "",               "",     "",     kSkippedWithoutForeign},
  {kCommonName,         24, "common-name",           G::Extra,      C::Printable,           64, kCommonNameTx,      23, 23,  2,  1, "CN",             "",     "an",   0},
  {kFf,                 25, "ff",                    G::Extra,      C::String,             128, kOwnTwin,        24, 24,  5,  1, "",               "",     "",     0},
  {kSurnameTx,          51, "surname-tx",            G::Personal,   C::TeletexOrPrintable,  40, kOwnTwin,        25, 25,  0,  0, "",               "",     "e-tx", 0},
  {kGivenNameTx,        52, "given-name-tx",         G::Personal,   C::TeletexOrPrintable,  16, kOwnTwin,        26, 26,  0,  0, "",               "",     "f-tx", 0},
  {kInitialsTx,         53, "initials-tx",           G::Personal,   C::TeletexOrPrintable,   5, kOwnTwin,        27, 27,  0,  0, "",               "",     "",     0},
  {kGenerationTx,       54, "generation-tx",         G::Personal,   C::TeletexOrPrintable,   3, kOwnTwin,        28, 28,  0,  0, "",               "",     "",     0},
  {kOu1Tx,              55, "ou1-tx",                G::OrgUnit,    C::TeletexOrPrintable,  32, kOwnTwin,        29, 29,  0,  0, "",               "",     "",     0},
  {kOu2Tx,              56, "ou2-tx",                G::OrgUnit,    C::TeletexOrPrintable,  32, kOwnTwin,        30, 30,  0,  0, "",               "",     "",     0},
  {kOu3Tx,              57, "ou3-tx",                G::OrgUnit,    C::TeletexOrPrintable,  32, kOwnTwin,        31, 31,  0,  0, "",               "",     "",     0},
  {kOu4Tx,              58, "ou4-tx",                G::OrgUnit,    C::TeletexOrPrintable,  32, kOwnTwin,        32, 32,  0,  0, "",               "",     "",     0},
  {kOrganizationTx,     59, "organization-tx",       G::Address,    C::TeletexOrPrintable,  64, kOwnTwin,        33, 33,  0,  0, "",               "",     "",     0},
  {kDdaType1Tx,         60, "ddat1-tx",              G::DdaType,    C::TeletexOrPrintable,   8, kOwnTwin,    kNoTag, 34,  0,  0, "",               "",     "",     0},
  {kDdaValue1Tx,        61, "ddav1-tx",              G::DdaValue,   C::String,             128, kOwnTwin,    kNoTag, 35,  0,  0, "",               "",     "",     0},
  {kDdaType2Tx,         62, "ddat2-tx",              G::DdaType,    C::TeletexOrPrintable,   8, kOwnTwin,    kNoTag, 36,  0,  0, "",               "",     "",     0},
  {kDdaValue2Tx,        63, "ddav2-tx",              G::DdaValue,   C::String,             128, kOwnTwin,    kNoTag, 37,  0,  0, "",               "",     "",     0},
  {kDdaType3Tx,         64, "ddat3-tx",              G::DdaType,    C::TeletexOrPrintable,   8, kOwnTwin,    kNoTag, 38,  0,  0, "",               "",     "",     0},
  {kDdaValue3Tx,        65, "ddav3-tx",              G::DdaValue,   C::String,             128, kOwnTwin,    kNoTag, 39,  0,  0, "",               "",     "",     0},
  {kDdaType4Tx,         66, "ddat4-tx",              G::DdaType,    C::TeletexOrPrintable,   8, kOwnTwin,    kNoTag, 40,  0,  0, "",               "",     "",     0},
  {kDdaValue4Tx,        67, "ddav4-tx",              G::DdaValue,   C::String,             128, kOwnTwin,    kNoTag, 41,  0,  0, "",               "",     "",     0},
  {kCommonNameTx,       68, "common-name-tx",        G::Extra,      C::TeletexOrPrintable,  64, kOwnTwin,        42, 42,  0,  0, "",               "",     "",     0},
  {kE163Number,         26, "e163-number",           G::Postal,     C::Printable,           15, kNoSlot,        kNoTag, kNotInX400, 2,  2, "NET-NUM",  "",     "",     0},
  {kE163Subaddress,     27, "e163-subaddress",       G::Postal,     C::Printable,           40, kNoSlot,        kNoTag, kNotInX400, 2,  3, "NET-SUB",  "",     "",     0},
  {kPsapAddress,        28, "psap-address",          G::Postal,     C::None,                 0, kNoSlot,        kNoTag, kNotInX400, 2,  4, "NET-PSAP", "",     "",     0},
  {kTerminalType,       29, "terminal-type",         G::Postal,     C::TerminalType,         0, kNoSlot,        kNoTag, kNotInX400, 2,  5, "T-TY",     "",     "",     0},
  {kPdsName,            30, "pds-name",              G::Postal,     C::Printable,           16, kNoSlot,        kNoTag, kNotInX400, 2,  6, "PD-SERVICE", "",   "",     0},
  {kPdCountry,          31, "pd-country",            G::Postal,     C::Printable,            3, kNoSlot,        kNoTag, kNotInX400, 2,  7, "PD-C",     "",     "",     0},
  {kPostalCode,         32, "postal-code",           G::Postal,     C::Printable,           16, kNoSlot,        kNoTag, kNotInX400, 2,  8, "PD-CODE",  "",     "",     0},
  {kPdOfficeName,       33, "pd-office-name",        G::Postal,     C::Printable,           30, kPdOfficeNameTx,     kNoTag, kNotInX400, 2,  9, "PD-OFFICE", "", "",     0},
  {kPdOfficeNumber,     34, "pd-office-number",      G::Postal,     C::Printable,           30, kPdOfficeNumberTx,   kNoTag, kNotInX400, 2, 10, "PD-OFFICE-NUM", "", "", 0},
  {kPdPersonalName,     35, "pd-personal-name",      G::Postal,     C::Printable,           30, kPdPersonalNameTx,   kNoTag, kNotInX400, 2, 12, "PD-PN",  "",     "",     0},
  {kPdOrganization,     36, "pd-organization",       G::Postal,     C::Printable,           30, kPdOrganizationTx,   kNoTag, kNotInX400, 2, 13, "PD-O",   "",     "",     0},
  {kStreetAddress,      37, "street-address",        G::Postal,     C::Printable,           30, kStreetAddressTx,    kNoTag, kNotInX400, 2, 16, "PD-STREET", "",     "",     0},
  {kPoBox,              38, "po-box",                G::Postal,     C::Printable,           30, kPoBoxTx,            kNoTag, kNotInX400, 2, 17, "PD-BOX", "",     "",     0},
  {kUniquePostalName,   39, "unique-postal-name",    G::Postal,     C::Printable,           30, kUniquePostalNameTx, kNoTag, kNotInX400, 2, 19, "PD-UNIQUE", "", "",     0},
  {kLocalPostal,        40, "local-postal",          G::Postal,     C::Printable,           30, kLocalPostalTx,      kNoTag, kNotInX400, 2, 20, "PD-LOCAL", "",  "",     0},
  {kUnformattedPostal,  41, "unformatted-postal",    G::Postal,     C::PrintableList,        0, kUnformattedPostalTx, kNoTag, kNotInX400, 2, 15, "PD-ADDRESS", "", "",   0},
  {kPosteRestante,      42, "poste-restante",        G::Postal,     C::Printable,           30, kPosteRestanteTx,    kNoTag, kNotInX400, 2, 18, "PD-RESTANTE", "",     "",     0},
  {kExtOrComponents,    43, "ext-or-components",     G::Postal,     C::Printable,           30, kExtOrComponentsTx,  kNoTag, kNotInX400, 2, 11, "PD-EXT-ADDRESS", "", "", 0},
  {kExtPdComponents,    44, "ext-pd-components",     G::Postal,     C::Printable,           30, kExtPdComponentsTx,  kNoTag, kNotInX400, 2, 14, "PD-EXT-DELIVERY", "",   "",     0},
  {kPdOfficeNameTx,     70, "pd-office-name-tx",     G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kPdOfficeNumberTx,   71, "pd-office-number-tx",   G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kPdPersonalNameTx,   72, "pd-personal-name-tx",   G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kPdOrganizationTx,   73, "pd-organization-tx",    G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kUnformattedPostalTx, 74, "unformatted-postal-tx", G::Postal,    C::TeletexOrPrintable, 185, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kStreetAddressTx,    75, "street-address-tx",     G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kPoBoxTx,            76, "po-box-tx",             G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kUniquePostalNameTx, 77, "unique-postal-name-tx", G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kLocalPostalTx,      78, "local-postal-tx",       G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kPosteRestanteTx,    80, "poste-restante-tx",     G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kExtOrComponentsTx,  81, "ext-or-components-tx",  G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
  {kExtPdComponentsTx,  82, "ext-pd-components-tx",  G::Postal,     C::TeletexOrPrintable,  30, kOwnTwin,    kNoTag, kNotInX400, 0,  0, "",         "",     "",     0},
};
// clang-format on
}  // namespace table

// The rows with kOwnTwin resolved to the row's own slot.
inline constexpr std::array<SlotRow, kStandardSlots> kSlotRows = [] {
  std::array<SlotRow, kStandardSlots> rows{};
  for (size_t s = 0; s < rows.size(); ++s) {
    rows[s] = table::kSlotRowsInput[s];
    if (rows[s].twin == kOwnTwin) rows[s].twin = static_cast<Slot>(s);
  }
  return rows;
}();

// ---------------------------------------------------------------------------
// Everything below is computed from the rows.

constexpr bool IsStandardSlot(int slot) noexcept { return slot >= 0 && slot < kStandardSlots; }
constexpr const SlotRow& RowOf(int slot) noexcept { return kSlotRows[static_cast<size_t>(slot)]; }

// Attribute ID to slot (kNoSlot where the ID is not a standard attribute).
inline constexpr std::array<Slot, kMaxStandardId + 1> kSlotOfId = [] {
  std::array<Slot, kMaxStandardId + 1> table{};
  for (auto& entry : table) entry = kNoSlot;
  for (const SlotRow& row : kSlotRows) table[static_cast<size_t>(row.id)] = row.slot;
  return table;
}();

// The slot of a standard attribute ID, else -1.
constexpr int SlotOfId(int32_t id) noexcept {
  if (id < 0 || id > kMaxStandardId) return -1;
  const Slot slot = kSlotOfId[static_cast<size_t>(id)];
  return slot == kNoSlot ? -1 : slot;
}

// Whether the slot holds a teletex variant (ff, its own variant, counts).
constexpr bool IsTeletexVariant(int slot) noexcept { return IsStandardSlot(slot) && RowOf(slot).twin == slot; }

// The slot's teletex variant: another slot, the slot itself (a variant, and
// ff), or -1 when it has none.
constexpr int VariantOf(int slot) noexcept {
  if (!IsStandardSlot(slot)) return -1;
  const Slot twin = RowOf(slot).twin;
  return twin == kNoSlot ? -1 : twin;
}

// The base slot whose variant a slot is, or -1.
constexpr int BaseOf(int slot) noexcept {
  for (const SlotRow& row : kSlotRows)
    if (row.twin == slot && row.slot != slot) return row.slot;
  return -1;
}

// The teletex twin of the twin choice: where a value that needs teletex is
// stored and read. The postal and extension attributes have variants of
// their own, but values never move between them: they have no twin here.
// Parsers and writers ask this for every value, so it is a table.
inline constexpr std::array<int8_t, kStandardSlots> kTwinOfSlot = [] {
  std::array<int8_t, kStandardSlots> table{};
  for (int slot = 0; slot < kStandardSlots; ++slot)
    table[static_cast<size_t>(slot)] =
        static_cast<int8_t>(RowOf(slot).group != Group::Postal ? VariantOf(slot) : -1);
  return table;
}();

constexpr int TwinOf(int slot) noexcept { return IsStandardSlot(slot) ? kTwinOfSlot[static_cast<size_t>(slot)] : -1; }

// The twin of a base slot, or -1 when the slot has no other slot for its
// teletex text (a twin itself, ff, or no twin at all).
inline constexpr std::array<int8_t, kStandardSlots> kOtherTwinOfSlot = [] {
  std::array<int8_t, kStandardSlots> table{};
  for (int slot = 0; slot < kStandardSlots; ++slot) {
    const int twin = kTwinOfSlot[static_cast<size_t>(slot)];
    table[static_cast<size_t>(slot)] = static_cast<int8_t>(twin == slot ? -1 : twin);
  }
  return table;
}();

constexpr int OtherTwinOf(int slot) noexcept {
  return IsStandardSlot(slot) ? kOtherTwinOfSlot[static_cast<size_t>(slot)] : -1;
}

// The base slots of a group (variants left out), in slot order.
constexpr size_t CountBaseSlots(Group group) noexcept {
  size_t n = 0;
  for (const SlotRow& row : kSlotRows)
    if (row.group == group && row.twin != row.slot) ++n;
  return n;
}
template <size_t N>
constexpr std::array<Slot, N> BaseSlotsOf(Group group) noexcept {
  std::array<Slot, N> slots{};
  size_t n = 0;
  for (const SlotRow& row : kSlotRows)
    if (row.group == group && row.twin != row.slot && n < N) slots[n++] = row.slot;
  return slots;
}

// The four parts of a personal name (surname, given name, initials,
// generation qualifier) and the four organisational units.
inline constexpr auto kPersonalSlots = BaseSlotsOf<4>(Group::Personal);
inline constexpr auto kOrgUnitSlots = BaseSlotsOf<4>(Group::OrgUnit);
static_assert(CountBaseSlots(Group::Personal) == 4 && CountBaseSlots(Group::OrgUnit) == 4);
static_assert(kPersonalSlots[0] == kSurname && kPersonalSlots[3] == kGeneration);

// The index of a personal-name part (0 surname ... 3 generation qualifier),
// which also indexes the reconfigured list; -1 for any other slot. The
// parts hold the first slots, so the slot is its own index.
static_assert([] {
  for (size_t part = 0; part < kPersonalSlots.size(); ++part)
    if (kPersonalSlots[part] != part) return false;
  return true;
}());
constexpr int PersonalPartOf(int slot) noexcept {
  return slot >= 0 && slot < static_cast<int>(kPersonalSlots.size()) ? slot : -1;
}

// Initials and the generation qualifier, and their teletex twins, are held
// without their dots ("J.R." is held "JR"): the internal forms hold them so,
// a typed name's are copied out so, and the standard forms read them so.
constexpr bool HeldWithoutDots(int slot) noexcept {
  return slot == kInitials || slot == kGeneration || slot == OtherTwinOf(kInitials) ||
         slot == OtherTwinOf(kGeneration);
}

// The domain-defined attributes: four pairs, the type's slot followed by
// its value's.
struct DdaPair {
  Slot type, value;
};
inline constexpr std::array<DdaPair, 4> kDdaPairs = [] {
  std::array<DdaPair, 4> pairs{};
  const auto types = BaseSlotsOf<4>(Group::DdaType);
  for (size_t k = 0; k < pairs.size(); ++k) pairs[k] = {types[k], static_cast<Slot>(types[k] + 1)};
  return pairs;
}();
static_assert(CountBaseSlots(Group::DdaType) == 4 && CountBaseSlots(Group::DdaValue) == 4);
static_assert([] {
  for (const DdaPair& pair : kDdaPairs)
    if (RowOf(pair.value).group != Group::DdaValue) return false;
  return true;
}());

// X.400 tag-name index to slot: -1 for the indexes without a slot of their
// own, which are the domain-defined attributes (one shared tag) and their
// variants.
inline constexpr std::array<int8_t, kTagCount> kTagSlot = [] {
  std::array<int8_t, kTagCount> table{};
  for (auto& entry : table) entry = -1;
  for (const SlotRow& row : kSlotRows)
    if (row.tag != kNoTag && row.group != Group::DdaType) table[static_cast<size_t>(row.tag)] = static_cast<int8_t>(row.slot);
  return table;
}();

// The tag-name index that carries the domain-defined-attribute prefix.
inline constexpr int kDdaTagIndex = RowOf(kDdaType1).tag;
static_assert(kTagSlot[kDdaTagIndex] == -1);

// The tag index of a slot, or -1.
constexpr int TagOf(int slot) noexcept { return IsStandardSlot(slot) ? RowOf(slot).tag : -1; }

}  // namespace hvcn::model
