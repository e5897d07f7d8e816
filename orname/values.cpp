#include "orname/values.h"

#include <cstring>

#include "api/hvcn.h"
#include "model/slots.h"
#include "model/validate.h"
#include "orname/labels.h"

namespace hvcn::orname {

namespace {

constexpr size_t kText = sizeof(hvcnFormat::nameBuffer) + 1;

// The value as a NUL-terminated text in `text`; false when it cannot be one.
bool Terminated(std::string_view value, char (&text)[kText]) noexcept {
  if (value.size() >= kText) return false;
  if (!value.empty()) std::memcpy(text, value.data(), value.size());
  text[value.size()] = '\0';
  return true;
}

}  // namespace

int32_t CheckPrintablePart(int slot, std::string_view value) noexcept {
  char text[kText];
  if (!Terminated(value, text)) return hvcnERR_VALUE_TOO_LONG;
  const int32_t check = slot == model::kUnformattedPostal
                            ? model::ValidatePrintableList(text)
                            : model::CheckClass(model::ValueClass::Printable, text, static_cast<int32_t>(kText));
  return check > 0 ? check : hvcnSUCCESS;
}

int32_t CheckValue(int slot, std::string_view value) noexcept {
  if (!model::IsStandardSlot(slot)) return hvcnERR_UNKNOWN_ATTRIBUTE;
  char text[kText];
  if (!Terminated(value, text)) return hvcnERR_VALUE_TOO_LONG;
  if (int32_t status = model::ValidateById(text, 0, model::RowOf(slot).id)) return status;
  if (slot == model::kUnformattedPostal) {
    size_t lines = 1;
    for (char c : value) lines += c == kPostalLineSeparator;
    if (lines > kMaxPostalLines) return hvcnERR_VALUE_TOO_LONG;
  }
  return hvcnSUCCESS;
}

}  // namespace hvcn::orname
