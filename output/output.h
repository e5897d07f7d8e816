// Writing a held name as text: the per-call state the formatter shares with
// the token renderers, and the renderers themselves.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/hvcn.h"
#include "core/text_sink.h"
#include "model/held_value.h"
#include "model/slots.h"

namespace hvcn::output {

// The state of one hvcnFormatName call.
struct Writer {
  TextSink& text;       // the caller's buffer, or a measure
  bool marks[model::kSlotCount] = {};  // slots written, or owned by a token that writes them
  const char* escapes;  // the characters to escape ("" when escaping is off)
  bool escaping;

  // Writes one separator or blank; needs 2 bytes left.
  bool Put(char c) noexcept {
    if (!text.Fits(1)) return false;
    text.Append(c);
    return true;
  }
};

// The slot whose value stands for slot s: a reconfigured slot, a non-empty
// teletex twin, or s itself; -1 when none holds a value. Inline: the X.400
// part asks it for every tag in turn.
inline int SelectValueSlot(const hvcnFormat* f, int slot) noexcept {
  if (slot < 0 || slot >= model::kSlotCount) return -1;
  const int part = model::PersonalPartOf(slot);
  if (part >= 0 && !(f->flags & hvcnFMT_NO_RECONFIG)) {
    const int32_t r = f->reconfigured[part];
    if (r >= 0 && r < model::kSlotCount && model::IsPresent(f, r)) return r;
  }
  if (!(f->flags & hvcnFMT_7BIT_ONLY)) {
    const int twin = model::OtherTwinOf(slot);
    if (twin >= 0) {
      const uint32_t length = f->attributes[twin].valueLength;
      if (length != hvcnVALUE_ABSENT && length != 0) return twin;
    }
  }
  return f->attributes[slot].valueLength != hvcnVALUE_ABSENT ? slot : -1;
}

// Writes [value, value + length) with a backslash before each character of
// the list, leaving escapes already in the value alone. -1 when it does not
// fit (nothing counts as written then).
int EscapeValue(Writer& w, const char* value, size_t length, const char* list) noexcept;

// "RFC-822" (length 7) or "QVMEXT" (length 6 or 7), letter case ignored.
bool IsForeignAddressType(const char* text, size_t length) noexcept;

// Writes the held name as text under the output format into the sink:
// hvcnFormatName after its argument checks, or (a measuring sink) the
// length of that text.
int32_t FormatName(hvcnFormat* format, TextSink& name, uint16_t flags) noexcept;

// The renderers: 0, or 1 when the text did not fit. Each leaves a NUL at
// its final output position.
int FormatCanonicalName(const hvcnFormat* format, Writer& w) noexcept;
int FormatNonCanonicalName(const hvcnFormat* format, Writer& w) noexcept;
int FormatX400Part(const hvcnFormat* format, Writer& w) noexcept;
int FormatForeignAddress(const hvcnFormat* format, const hvcnToken& token, Writer& w) noexcept;
int FormatAttributeToken(const hvcnFormat* format, const hvcnToken& token, Writer& w) noexcept;

}  // namespace hvcn::output
