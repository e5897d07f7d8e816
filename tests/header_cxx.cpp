// The public header compiles as C++ with every export noexcept.
#include <cstddef>
#include <type_traits>

#include "hvcn.h"

static_assert(noexcept(hvcnParseName(nullptr, nullptr, 0, nullptr, 0, nullptr, 0)));
static_assert(std::is_standard_layout_v<hvcnFormat>);
static_assert(sizeof(hvcnAttribute) == 40);
static_assert(offsetof(hvcnFormat, formatString) == 0);
static_assert(offsetof(hvcnFormat, nameBuffer) == 257);
static_assert(offsetof(hvcnFormat, nameType) == 1284);
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(hvcnFormat) == 7444);
static_assert(offsetof(hvcnFormat, reserved) == 7432);
#endif

int main() {
  char text[16];
  return hvcnVersion(text, sizeof text, nullptr);
}
