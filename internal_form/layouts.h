// The field layouts of the internal name types 1 and 2, computed from the
// catalogue rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "api/hvcn.h"
#include "model/slots.h"

namespace hvcn::internal_form {

// Type 1: field k (1-25) carries attribute ID k; it carries the teletex
// twin instead when the twin holds a value (and teletex is allowed).
struct GsField {
  int8_t slot;  // the base attribute's slot
  int8_t twin;  // the twin's slot, or -1
};

inline constexpr size_t kGsFieldCount = hvcnATT_FF;  // IDs 1 to 25, surname to ff

inline constexpr std::array<GsField, kGsFieldCount> kGsFields = [] {
  std::array<GsField, kGsFieldCount> fields{};
  for (size_t k = 0; k < fields.size(); ++k) {
    const int slot = model::SlotOfId(static_cast<int32_t>(k + 1));
    fields[k] = {static_cast<int8_t>(slot), static_cast<int8_t>(model::OtherTwinOf(slot))};
  }
  return fields;
}();

// Type 2: five address groups of positional fields. Group 1 holds the base
// attributes of the address, group 2 the common name and the postal and
// extension attributes, groups 3 and 4 the teletex variants of groups 1 and
// 2 at the same positions, group 5 ff and two user attributes. A field that
// no attribute owns is a placeholder, always empty.
struct GsEtbField {
  enum Kind : uint8_t { Placeholder, Slot, User };
  Kind kind;
  int16_t number;  // the catalogue slot, or the user attribute's number
};

// The user attribute that carries an internet recipient's address.
inline constexpr int16_t kInternetAddressUser = 167;

inline constexpr size_t kGsEtbGroupCount = 5;

struct GsEtbPosition {
  uint8_t group, field;  // from 1; group 0: not in the layout
};

// The user attributes of group 5.
struct GsEtbUserField {
  GsEtbPosition position;
  int16_t number;
};
inline constexpr GsEtbUserField kGsEtbUserFields[] = {
    {{5, 2}, 116},
    {{5, 3}, kInternetAddressUser},
};

// A base attribute's position is in its row; a teletex variant sits two
// groups after its base, at the same field.
constexpr GsEtbPosition GsEtbPositionOf(int slot) noexcept {
  const model::SlotRow& row = model::RowOf(slot);
  if (row.gsEtbGroup != 0) return {row.gsEtbGroup, row.gsEtbField};
  const int base = model::BaseOf(slot);
  if (base < 0 || model::RowOf(base).gsEtbGroup == 0) return {0, 0};
  return {static_cast<uint8_t>(model::RowOf(base).gsEtbGroup + 2), model::RowOf(base).gsEtbField};
}

inline constexpr std::array<size_t, kGsEtbGroupCount> kGsEtbGroupSizes = [] {
  std::array<size_t, kGsEtbGroupCount> sizes{};
  auto take = [&](GsEtbPosition at) {
    if (at.group != 0 && sizes[at.group - 1u] < at.field) sizes[at.group - 1u] = at.field;
  };
  for (int slot = 0; slot < model::kStandardSlots; ++slot) take(GsEtbPositionOf(slot));
  for (const GsEtbUserField& user : kGsEtbUserFields) take(user.position);
  return sizes;
}();

inline constexpr size_t kGsEtbFieldCount = [] {
  size_t n = 0;
  for (size_t size : kGsEtbGroupSizes) n += size;
  return n;
}();

constexpr size_t GsEtbGroupStart(size_t group) noexcept {
  size_t start = 0;
  for (size_t g = 0; g + 1 < group; ++g) start += kGsEtbGroupSizes[g];
  return start;
}

// Every field of the five groups, one after the other.
inline constexpr std::array<GsEtbField, kGsEtbFieldCount> kGsEtbFieldTable = [] {
  std::array<GsEtbField, kGsEtbFieldCount> table{};
  for (auto& field : table) field = {GsEtbField::Placeholder, 0};
  for (int slot = 0; slot < model::kStandardSlots; ++slot) {
    const GsEtbPosition at = GsEtbPositionOf(slot);
    if (at.group != 0) table[GsEtbGroupStart(at.group) + at.field - 1] = {GsEtbField::Slot, static_cast<int16_t>(slot)};
  }
  for (const GsEtbUserField& user : kGsEtbUserFields)
    table[GsEtbGroupStart(user.position.group) + user.position.field - 1] = {GsEtbField::User, user.number};
  return table;
}();

// No two attributes share a field.
static_assert([] {
  size_t owned = 0;
  for (int slot = 0; slot < model::kStandardSlots; ++slot) owned += GsEtbPositionOf(slot).group != 0;
  size_t found = 0;
  for (const GsEtbField& field : kGsEtbFieldTable) found += field.kind != GsEtbField::Placeholder;
  return found == owned + std::size(kGsEtbUserFields);
}());

struct GsEtbGroup {
  const GsEtbField* fields;
  int count;
};

inline constexpr std::array<GsEtbGroup, kGsEtbGroupCount> kGsEtbGroups = [] {
  std::array<GsEtbGroup, kGsEtbGroupCount> groups{};
  for (size_t g = 0; g < groups.size(); ++g)
    groups[g] = {kGsEtbFieldTable.data() + GsEtbGroupStart(g + 1), static_cast<int>(kGsEtbGroupSizes[g])};
  return groups;
}();

}  // namespace hvcn::internal_form
