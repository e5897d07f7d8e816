// Exports of the address model: what the library knows of each attribute,
// and the value checks.
#include "api/hvcn.h"
#include "core/frame.h"
#include "model/catalogue.h"
#include "model/validate.h"

namespace {

// The class checks take 1024 as maximum when given less than 1.
constexpr int32_t kDefaultMaximum = 1024;

int32_t Maximum(int32_t maximum) noexcept { return maximum < 1 ? kDefaultMaximum : maximum; }

}  // namespace

using hvcn::ApiFrame;
using hvcn::model::CheckClass;
using hvcn::model::ValueClass;

extern "C" {

HVCN_API int32_t HVCN_CALL hvcnGetAttributeInfo(int32_t attributeId, hvcnAttributeInfo* info,
                                                uint32_t size) noexcept {
  ApiFrame frame("hvcnGetAttributeInfo", ApiFrame::ReturnLine::WithName, "hvcnGetAttributeInfo(%d, %Fp, %u)",
                 attributeId, static_cast<const void*>(info), size);
  if (!info) {
    ApiFrame::Fault("Attribute information pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (size < sizeof(hvcnAttributeInfo)) return frame.Finish(hvcnERR_BUFFER_TOO_SMALL);
  return frame.Finish(hvcn::model::DescribeAttribute(attributeId, info));
}

HVCN_API int32_t HVCN_CALL hvcnValidateAttribute(const char* value, int32_t maxLength,
                                                 int32_t attributeId) noexcept {
  ApiFrame frame("hvcnValidateAttribute", ApiFrame::ReturnLine::WithName, "hvcnValidateAttribute(%Fp, %d)",
                 static_cast<const void*>(value), attributeId);
  if (!value) {
    ApiFrame::Fault("Pointer to attribute value is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  return frame.Finish(hvcn::model::ValidateById(value, maxLength, attributeId));
}

HVCN_API int32_t HVCN_CALL hvcnValidateNString(const char* value, int32_t maxLength) noexcept {
  if (!value) return hvcnERR_BAD_PARAMETER;
  return CheckClass(ValueClass::Numeric, value, Maximum(maxLength));
}

HVCN_API int32_t HVCN_CALL hvcnValidatePString(const char* value, int32_t maxLength) noexcept {
  if (!value) return hvcnERR_BAD_PARAMETER;
  return CheckClass(ValueClass::Printable, value, Maximum(maxLength));
}

HVCN_API int32_t HVCN_CALL hvcnValidateString(const char* value, int32_t maxLength,
                                              int32_t* nonAscii) noexcept {
  if (!value || !nonAscii) return hvcnERR_BAD_PARAMETER;
  return CheckClass(ValueClass::String, value, Maximum(maxLength), nonAscii);
}

HVCN_API int32_t HVCN_CALL hvcnValidateTeletexOrPString(const char* value, int32_t maxLength,
                                                        int32_t* needsTeletex) noexcept {
  if (!value || !needsTeletex) return hvcnERR_BAD_PARAMETER;
  return CheckClass(ValueClass::TeletexOrPrintable, value, Maximum(maxLength), needsTeletex);
}

}  // extern "C"
