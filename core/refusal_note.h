// The refusal note: what the last value check or standard-form reader of a
// format refused, kept in the format's reserved tail for the explainer
// (explain/), which arms a format of its own before it probes with it. A
// format that is not armed - every caller's format - takes no note and is
// left as it was.
//
// reserved[9]       0 not armed; kArmed: armed, nothing refused yet;
//                   kColumn: a component's column noted; else the slot of
//                   the refused value + 1
// reserved[10, 11]  the value's offset in nameBuffer, or the column
// (reserved[0, 8] hold the set-up mark of format/format.cpp.)
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/hvcn.h"

namespace hvcn {

inline constexpr size_t kNoteAt = 9;
static_assert(kNoteAt + 3 <= sizeof(hvcnFormat::reserved));

struct RefusalNote {
  int slot = -1;        // the catalogue slot whose value was refused; -1 none
  uint32_t offset = 0;  // where that value is in nameBuffer
  uint32_t column = 0;  // the column (from 1) of a component at fault; 0 none
};

namespace note {
inline constexpr uint8_t kArmed = 0xFF;
inline constexpr uint8_t kColumn = 0xFE;
static_assert(hvcnATTRIBUTE_COUNT + 1 < kColumn);

inline void Put(hvcnFormat* format, uint8_t state, uint32_t where) noexcept {
  format->reserved[kNoteAt] = state;
  const uint32_t capped = where < 0xFFFF ? where : 0xFFFF;
  format->reserved[kNoteAt + 1] = static_cast<uint8_t>(capped & 0xFF);
  format->reserved[kNoteAt + 2] = static_cast<uint8_t>(capped >> 8);
}
}  // namespace note

inline void ArmRefusalNote(hvcnFormat* format) noexcept { note::Put(format, note::kArmed, 0); }

inline void NoteRefusedValue(hvcnFormat* format, int slot, uint32_t offset) noexcept {
  if (format->reserved[kNoteAt] == 0 || slot < 0 || slot >= hvcnATTRIBUTE_COUNT) return;
  note::Put(format, static_cast<uint8_t>(slot + 1), offset);
}

inline void NoteRefusedColumn(hvcnFormat* format, uint32_t column) noexcept {
  if (format->reserved[kNoteAt] != 0) note::Put(format, note::kColumn, column);
}

inline RefusalNote ReadRefusalNote(const hvcnFormat* format) noexcept {
  RefusalNote n;
  const uint8_t state = format->reserved[kNoteAt];
  const uint32_t where = format->reserved[kNoteAt + 1] | (static_cast<uint32_t>(format->reserved[kNoteAt + 2]) << 8);
  if (state == note::kColumn) {
    n.column = where;
  } else if (state != 0 && state != note::kArmed) {
    n.slot = state - 1;
    n.offset = where;
  }
  return n;
}

}  // namespace hvcn
