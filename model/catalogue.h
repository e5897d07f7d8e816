// The attribute catalogue of a format: standard slots 0-73 with their fixed
// IDs and names, user slots 74-137 that format strings, the reconfigured
// list and internal names create, and the lookups between IDs, names and
// slots.
#pragma once

#include <cstddef>
#include <cstdint>

#include <string_view>

#include "api/hvcn.h"
#include "core/copy.h"
#include "model/slots.h"

namespace hvcn::model {

// The process catalogue: one record per standard slot with its ID and the
// ID's decimal text as name; value fields 0.
const hvcnAttribute& CatalogueRecord(int slot) noexcept;

// All kStandardSlots records of the process catalogue, with their values
// empty (as above) or absent.
const hvcnAttribute* CatalogueRecords(bool valuesAbsent) noexcept;

// The record's id when not 0, else the smallest standard ID whose row holds
// the slot; -1 when none or when the slot is 138 or more.
int32_t IdOfSlot(const hvcnAttribute* records, int slot) noexcept;

// User slot (74-137) whose id equals `id`, else -1.
int FindUserById(const hvcnFormat* format, int32_t id) noexcept;

// First user slot in use whose name equals `name` (ASCII case ignored).
int FindUserByName(const hvcnFormat* format, const char* name, size_t length) noexcept;
int FindUserByName(const hvcnFormat* format, const char* name) noexcept;

// First of all 138 slots whose id equals `id`, else -1.
int FindSlotById(const hvcnFormat* format, int32_t id) noexcept;

// First free user slot, else -1 (with an unconditional trace line).
int FreeUserSlot(const hvcnFormat* format) noexcept;

// Finds or creates the user attribute of a number (id >= 1) or of a name
// (id < 1). Returns a status; *slot is the slot, or -1 on failure.
int32_t GetUserAttribute(hvcnFormat* format, const char* name, int32_t id, int* slot) noexcept;

// Appends the slot's name and RS to out when name + 2 < room (then NUL
// terminated and the slot marked); returns the bytes added (NUL not
// counted), 0 when the slot is marked already, -1 when it does not fit.
int AppendAttributeName(const hvcnFormat* format, int slot, bool* marks, char* out,
                        uint32_t room) noexcept;

// The length of a record's name (at most 27 bytes, even unterminated).
size_t NameLength(const hvcnAttribute& record) noexcept;

// A record's name, which may fill its field without a NUL.
inline std::string_view NameOf(const hvcnAttribute& record) noexcept { return {record.name, NameLength(record)}; }

// A record's name as a terminated text, for trace lines.
struct NameText {
  char text[sizeof(hvcnAttribute::name) + 1];
  explicit NameText(const hvcnAttribute& record) noexcept { CopyBounded(text, sizeof text, NameOf(record)); }
};

// Fills the description of a standard attribute ID; hvcnERR_UNKNOWN_ATTRIBUTE
// (nothing written) for any other number.
int32_t DescribeAttribute(int32_t id, hvcnAttributeInfo* info) noexcept;

}  // namespace hvcn::model
