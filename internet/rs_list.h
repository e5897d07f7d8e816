// RS lists: the names of the attributes a format covers, each followed by
// the record separator RS (0x1E).
#pragma once

#include <cstdint>

#include "api/hvcn.h"

namespace hvcn::internet {

// Builds the list of the format into buffer (size > 0): 0, or 1 when it did
// not fit (the buffer then holds the names that fitted).
int32_t BuildRSList(const hvcnFormat* format, char* buffer, uint32_t size) noexcept;

}  // namespace hvcn::internet
