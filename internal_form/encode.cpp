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

int32_t EncodeGs(const hvcnFormat* format, char* out, uint32_t size) noexcept {
  const bool twins = !SevenBitOnly(format);
  char* p = out;
  char* lastValueEnd = out;
  uint32_t remaining = size;
  for (const GsField& field : kGsFields) {
    int slot = field.slot;
    if (twins && field.twin >= 0 && !model::ValueOf(format, field.twin).empty()) slot = field.twin;
    const model::HeldValue value = model::ValueOf(format, slot);
    if (remaining <= value.text.size()) {
      out[0] = '\0';
      return hvcnERR_BUFFER_TOO_SMALL;
    }
    char* end = CopyStoredValue(format, slot, p, &remaining);
    if (end != p) lastValueEnd = end;
    *end = hvcnCHAR_GS;
    p = end + 1;
    --remaining;
  }
  *lastValueEnd = '\0';  // trailing empty fields and their separators go
  return hvcnSUCCESS;
}

int32_t EncodeGsEtb(hvcnFormat* format, char* out, uint32_t size) noexcept {
  char* p = out;
  char* lastValueEnd = out;
  uint32_t remaining = size;
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
        if (remaining == 0) {
          out[0] = '\0';
          return hvcnERR_BUFFER_TOO_SMALL;
        }
        ++owed;
        continue;
      }
      if (remaining <= owed + value.text.size()) {
        out[0] = '\0';
        return hvcnERR_BUFFER_TOO_SMALL;
      }
      std::memset(p, hvcnCHAR_GS, owed);
      p += owed;
      remaining -= owed;
      p = CopyStoredValue(format, slot, p, &remaining);
      lastValueEnd = p;
      owed = 1;
    }
    if (g + 1 < kGsEtbGroups.size()) {
      if (remaining == 0) {
        out[0] = '\0';
        return hvcnERR_BUFFER_TOO_SMALL;
      }
      *p++ = hvcnCHAR_ETB;
      --remaining;
    }
  }
  *lastValueEnd = '\0';
  return hvcnSUCCESS;
}

int32_t EncodeGsRs(const hvcnFormat* format, char* out, uint32_t size, uint32_t flags) noexcept {
  const bool sevenBit = SevenBitOnly(format);
  char* p = out;
  uint32_t remaining = size;
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
    if (remaining < nameLength + value.text.size() + 2) {
      out[0] = '\0';
      return hvcnERR_BUFFER_TOO_SMALL;
    }
    std::memcpy(p, record.name, nameLength);
    p += nameLength;
    *p++ = hvcnCHAR_GS;
    uint32_t written = static_cast<uint32_t>(nameLength + 1);
    char* end = CopyStoredValue(format, slot, p, nullptr);
    written += static_cast<uint32_t>(end - p) + 1;
    p = end;
    *p++ = hvcnCHAR_RS;
    remaining -= written;
  }
  if (p == out) {
    out[0] = '\0';
    return hvcnSUCCESS;
  }
  // The final RS (one byte, just written) becomes the end of the text.
  p[-1] = '\0';
  return hvcnSUCCESS;
}

}  // namespace hvcn::internal_form
