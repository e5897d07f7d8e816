// The encoders of the three internal name types.
#include <cstring>

#include "core/platform/chars.h"
#include "core/trace.h"
#include "internal_form/internal_form.h"
#include "internal_form/layouts.h"
#include "model/catalogue.h"
#include "model/held_value.h"
#include "model/slots.h"

namespace hvcn::internal_form {
namespace {

// The slots held without dots (model::HeldWithoutDots), and the slots
// standing in for them: a typed name's values are copied out without them.
bool DropsDots(const hvcnFormat* format, int slot) noexcept {
  return model::HeldWithoutDots(slot) || slot == format->reconfigured[model::PersonalPartOf(model::kInitials)] ||
         slot == format->reconfigured[model::PersonalPartOf(model::kGeneration)];
}

bool SevenBitOnly(const hvcnFormat* format) noexcept { return (format->flags & hvcnFMT_7BIT_ONLY) != 0; }

// The slot of a type 2 field, or -1 (placeholder, missing user attribute).
int SlotOfField(const hvcnFormat* format, const GsEtbField& field) noexcept {
  if (field.kind == GsEtbField::Slot) return field.number;
  if (field.kind == GsEtbField::User) return model::FindUserById(format, field.number);
  return -1;
}

}  // namespace

char* CopyStoredValue(const hvcnFormat* format, int slot, char* out, uint32_t* remaining) noexcept {
  const model::HeldValue value = model::ValueOf(format, slot);
  char* end = out;
  if (!value.present) return end;
  if (format->nameType != -1 || value.foreign) {
    std::memcpy(out, value.text.data(), value.text.size());
    end = out + value.text.size();
  } else {
    const auto length = static_cast<int32_t>(value.text.size());
    end = DropsDots(format, slot) ? CopyValueUnescapedNoDots(out, value.text.data(), length)
                                  : CopyValueUnescaped(out, value.text.data(), length);
  }
  if (remaining) *remaining -= static_cast<uint32_t>(end - out);
  return end;
}

void AppendStoredValue(const hvcnFormat* format, int slot, TextSink& out) noexcept {
  // A stored value is never longer than the text it is held as; it goes
  // straight into the buffer where it fits whole, else through a copy.
  const size_t most = model::ValueOf(format, slot).text.size();
  if (char* place = out.Place(most)) {
    out.Advance(static_cast<size_t>(CopyStoredValue(format, slot, place, nullptr) - place));
    return;
  }
  char copy[sizeof format->nameBuffer];
  out.Append(copy, static_cast<size_t>(CopyStoredValue(format, slot, copy, nullptr) - copy));
}

bool HeldText(const hvcnFormat* format, int slot, char* scratch, std::string_view* text) noexcept {
  if (!model::IsPresent(format, slot)) return false;
  char* end = CopyStoredValue(format, slot, scratch, nullptr);
  const char wildcard = ProcessWildcard();
  for (char* p = scratch; p < end; ++p)
    if (*p == hvcnCHAR_US) *p = wildcard;
  *text = {scratch, static_cast<size_t>(end - scratch)};
  return true;
}

int SourceSlot(const hvcnFormat* format, int slot) noexcept {
  const int part = model::PersonalPartOf(slot);
  if (part < 0 || (format->flags & hvcnFMT_NO_RECONFIG)) return slot;
  const int32_t r = format->reconfigured[part];
  return r >= 0 && r < model::kSlotCount && model::IsPresent(format, r) ? r : slot;
}

namespace {

int32_t NoRoom(TextSink& out) noexcept {
  out.Set(0, '\0');
  return hvcnERR_BUFFER_TOO_SMALL;
}

// The text ends at `end`: what was written after it (empty fields and their
// separators) goes.
int32_t EndAt(TextSink& out, size_t end) noexcept {
  out.Rewind(end);
  out.Terminate();
  return hvcnSUCCESS;
}

}  // namespace

int32_t EncodeGs(const hvcnFormat* format, TextSink& out) noexcept {
  const bool twins = !SevenBitOnly(format);
  size_t lastValueEnd = out.At();
  for (const GsField& field : kGsFields) {
    int slot = field.slot;
    if (twins && field.twin >= 0 && !model::ValueOf(format, field.twin).empty()) slot = field.twin;
    const model::HeldValue value = model::ValueOf(format, slot);
    if (!out.Fits(value.text.size())) return NoRoom(out);
    const size_t start = out.At();
    AppendStoredValue(format, slot, out);
    if (out.At() != start) lastValueEnd = out.At();
    out.Append(hvcnCHAR_GS);
  }
  return EndAt(out, lastValueEnd);
}

int32_t EncodeGsEtb(hvcnFormat* format, TextSink& out) noexcept {
  size_t lastValueEnd = out.At();
  for (size_t g = 0; g < kGsEtbGroups.size(); ++g) {
    const GsEtbGroup& group = kGsEtbGroups[g];
    uint32_t owed = 0;  // separators due before the next value of the group
    for (int i = 0; i < group.count; ++i) {
      if (group.fields[i].kind == GsEtbField::Placeholder) {
        ++owed;  // always empty
        continue;
      }
      const int slot = SlotOfField(format, group.fields[i]);
      const model::HeldValue value = model::ValueOf(format, slot);
      if (value.empty()) {
        if (!out.Fits(0)) return NoRoom(out);
        ++owed;
        continue;
      }
      if (!out.Fits(owed + value.text.size())) return NoRoom(out);
      for (; owed > 0; --owed) out.Append(hvcnCHAR_GS);
      AppendStoredValue(format, slot, out);
      lastValueEnd = out.At();
      owed = 1;
    }
    if (g + 1 < kGsEtbGroups.size()) {
      if (!out.Fits(0)) return NoRoom(out);
      out.Append(hvcnCHAR_ETB);
    }
  }
  return EndAt(out, lastValueEnd);
}

int32_t EncodeGsRs(const hvcnFormat* format, TextSink& out, uint32_t flags) noexcept {
  const bool sevenBit = SevenBitOnly(format);
  const size_t start = out.At();
  for (int slot = 0; slot < model::kSlotCount; ++slot) {
    const hvcnAttribute& record = format->attributes[slot];
    if (record.id == 0) continue;
    const model::HeldValue value = model::ValueOf(format, slot);
    if (!value.present || (value.empty() && (flags & hvcnTIF_SKIP_EMPTY))) continue;
    const size_t nameLength = model::NameLength(record);
    if (sevenBit && model::IsTeletexVariant(slot)) {
      trace::If(trace::kInfo, trace::tag::kInformation, "Skipping defined TX attribute %s", model::NameText(record).text);
      continue;
    }
    if (!out.Fits(nameLength + value.text.size() + 1)) return NoRoom(out);
    out.Append(record.name, nameLength);
    out.Append(hvcnCHAR_GS);
    AppendStoredValue(format, slot, out);
    out.Append(hvcnCHAR_RS);
  }
  // The final RS (one byte, just written) becomes the end of the text.
  return EndAt(out, out.At() == start ? start : out.At() - 1);
}

}  // namespace hvcn::internal_form
