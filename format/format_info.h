// Format information: reading and changing one setting of a parsed format
// per call, by data type (enum hvcnInfoType). The format defaults use the
// same setters.
#pragma once

#include <cstdint>

#include "api/hvcn.h"

namespace hvcn::format {

// Result of a get: the status, and whether the frame's closing lines are
// left out (a size too small for the type is refused at once, silently).
struct GetResult {
  int32_t status;
  bool silent;
};

GetResult GetFormatInfo(hvcnFormat* format, void* data, uint16_t size, uint16_t type) noexcept;
int32_t SetFormatInfo(hvcnFormat* format, const void* data, uint16_t type) noexcept;

// The setters of single settings.
int32_t SetSeparator(hvcnFormat* format, uint16_t type, unsigned char byte) noexcept;  // types 4, 5, 6
int32_t SetX400Mask(hvcnFormat* format, int32_t mask) noexcept;
int32_t SetFlag(hvcnFormat* format, uint16_t flag, uint32_t value) noexcept;
int32_t SetReconfigured(hvcnFormat* format, const char* text) noexcept;

}  // namespace hvcn::format
