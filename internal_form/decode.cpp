// The decoders of the three internal name types. Each works in place in
// nameBuffer: it ends a value with a NUL for the time of one store and puts
// the separator back.
#include <cstring>

#include "core/frame.h"
#include "core/numbers.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "format/format.h"
#include "internal_form/internal_form.h"
#include "internal_form/layouts.h"
#include "model/catalogue.h"
#include "model/validate.h"

namespace hvcn::internal_form {
namespace {

constexpr size_t kMaxInternalText = sizeof(hvcnFormat::nameBuffer) - 1;
constexpr size_t kDumpBytes = 10;

// The first byte at or after p that is one of the separators, or the NUL.
char* FindSeparator(char* p, char a, char b) noexcept {
  while (*p && *p != a && *p != b) Step(p);
  return p;
}

void DumpNext(const char* p, const char* title) noexcept {
  if (!trace::On(trace::kData)) return;
  size_t n = 0;
  while (n < kDumpBytes && p[n]) ++n;
  trace::DumpText(p, n, title);
}

int32_t DecodeGs(hvcnFormat* format) noexcept {
  char* p = format->nameBuffer;
  for (int k = 0; k < static_cast<int>(kGsFields.size()); ++k) {
    char* end = FindSeparator(p, hvcnCHAR_GS, hvcnCHAR_GS);
    if (int32_t status = model::StoreValue(format, p, end, kGsFields[static_cast<size_t>(k)].slot)) return status;
    if (*end == '\0') return hvcnSUCCESS;
    p = end + 1;
  }
  trace::If(trace::kInfo, trace::tag::kInformation, "Ignoring data beyond the attribute %d",
            static_cast<int>(kGsFields.size()));
  return hvcnSUCCESS;
}

int32_t DecodeGsEtb(hvcnFormat* format) noexcept {
  char* p = format->nameBuffer;
  size_t group = 0;  // 0-based: address group group + 1
  int position = 0;
  for (;;) {
    const GsEtbGroup& layout = kGsEtbGroups[group];
    const GsEtbField& field = layout.fields[position];
    char* end = FindSeparator(p, hvcnCHAR_GS, hvcnCHAR_ETB);
    if (field.kind == GsEtbField::Placeholder) {
      if (end != p) {
        // A placeholder must be empty: its content is skipped to the next GS.
        trace::If(trace::kError, trace::tag::kError, "Ignoring invalid data in address group %d",
                  static_cast<int>(group + 1));
        DumpNext(p, "Invalid data (next 10 bytes)");
        end = FindSeparator(p, hvcnCHAR_GS, hvcnCHAR_GS);
      }
    } else {
      int slot = field.kind == GsEtbField::Slot ? field.number : -1;
      if (field.kind == GsEtbField::User) {
        if (int32_t status = model::GetUserAttribute(format, nullptr, field.number, &slot)) return status;
      }
      if (int32_t status = model::StoreValue(format, p, end, slot))
        trace::If(trace::kInfo, trace::tag::kInformation, "SetAttribute failed for nIndex=%d. (nResult=%d)", slot,
                  status);
    }
    if (*end == '\0') return hvcnSUCCESS;
    if (*end == hvcnCHAR_GS) {
      p = end + 1;
      if (++position < layout.count) continue;
      if (group + 1 == kGsEtbGroups.size()) return hvcnSUCCESS;  // beyond the last field
      trace::If(trace::kInfo, trace::tag::kInformation, "Ignoring extra information in address group %d",
                static_cast<int>(group + 1));
      DumpNext(p, "Address information (next 10 bytes)");
      end = FindSeparator(p, hvcnCHAR_ETB, hvcnCHAR_ETB);
      if (*end == '\0') return hvcnSUCCESS;
    }
    // An ETB ends the group.
    if (group + 1 == kGsEtbGroups.size()) {
      trace::If(trace::kInfo, trace::tag::kInformation, "Ignoring information beyond address group %d.",
                static_cast<int>(kGsEtbGroupCount));
      return hvcnSUCCESS;
    }
    ++group;
    position = 0;
    p = end + 1;
  }
}

// The slot an item name of a type 3 text names: a standard attribute by
// number, else a user attribute by number or by name.
int32_t ItemSlot(hvcnFormat* format, char* name, char* end, int* slot) noexcept {
  if (name == end) return hvcnERR_INTERNAL_DATA;
  // A name of digits only is a number (saturating at INT32_MAX).
  const char* digitsEnd = name;
  const int32_t number = ReadDigits(name, end, 10, &digitsEnd);
  const bool digits = digitsEnd == end;
  const char saved = *end;
  *end = '\0';
  int32_t status = hvcnSUCCESS;
  if (digits && number > 0) {
    const int32_t id = number;
    *slot = model::SlotOfId(id);
    if (*slot < 0) status = model::GetUserAttribute(format, nullptr, id, slot);
  } else {
    status = model::GetUserAttribute(format, name, 0, slot);
  }
  *end = saved;
  return status;
}

int32_t DecodeGsRs(hvcnFormat* format) noexcept {
  char* p = format->nameBuffer;
  while (*p) {
    char* gs = FindSeparator(p, hvcnCHAR_GS, hvcnCHAR_GS);
    if (*gs == '\0') {
      trace::WriteLine(trace::tag::kError, "DGSRS: GS character to terminate tag not found.");
      return hvcnSUCCESS;
    }
    int slot = -1;
    if (int32_t status = ItemSlot(format, p, gs, &slot)) return status;
    // The value runs to the first RS outside SUB '[' ... SUB ']' brackets.
    char* value = gs + 1;
    char* end = value;
    int depth = 0;
    while (*end && !(*end == hvcnCHAR_RS && depth == 0)) {
      if (*end == hvcnCHAR_SUB && end[1] == '[') {
        ++depth;
        end += 2;
        continue;
      }
      if (*end == hvcnCHAR_SUB && end[1] == ']') {
        if (depth > 0) --depth;
        end += 2;
        continue;
      }
      Step(end);
    }
    if (int32_t status = model::StoreValue(format, value, end, slot)) return status;
    if (*end == '\0') break;
    p = end + 1;
  }
  return hvcnSUCCESS;
}

}  // namespace

int32_t DecodeInternalName(hvcnFormat* format, int32_t type, const char* text) noexcept {
  format::ForgetSetUp(format);  // decoding may create user records
  format::ResetName(format);
  const size_t length = strnlen(text, kMaxInternalText + 1);
  if (length > kMaxInternalText) {
    trace::WriteLine(trace::tag::kError, "Internal name is too big for the data buffer.");
    return hvcnERR_NAME_TOO_LONG;
  }
  CopyBytes(format->nameBuffer, text, length + 1);
  format->nameType = type;
  int32_t status;
  switch (type) {
    case hvcnINTERNAL_GS: status = DecodeGs(format); break;
    case hvcnINTERNAL_GSETB: status = DecodeGsEtb(format); break;
    case hvcnINTERNAL_GSRS: status = DecodeGsRs(format); break;
    default:
      trace::If(trace::kError, trace::tag::kError, "DIF: Invalid internal type specified (%d)", type);
      return hvcnERR_BAD_PARAMETER;
  }
  if (status == hvcnSUCCESS) format->flags |= hvcnFMT_NAME_HELD;
  return status;
}

}  // namespace hvcn::internal_form
