// Small text steps the readers and writers of the standard forms share.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/platform/chars.h"

namespace hvcn::orname {

// Blanks around items, labels and values: the blank and the tab (a tab
// reaches a reader only in a table's text: the address readers refuse every
// control character first).
constexpr bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

constexpr std::string_view Trim(std::string_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

inline const char* SkipBlanks(const char* p, const char* end) noexcept {
  while (p < end && IsBlank(*p)) ++p;
  return p;
}

inline const char* TrimEnd(const char* begin, const char* end) noexcept {
  while (end > begin && IsBlank(end[-1])) --end;
  return end;
}

inline std::string_view Span(const char* begin, const char* end) noexcept {
  return {begin, static_cast<size_t>(end - begin)};
}

// One character on, never past end.
inline void Next(const char*& p, const char* end) noexcept {
  const size_t n = CharBytes(p);
  p += n < static_cast<size_t>(end - p) ? n : static_cast<size_t>(end - p);
}

}  // namespace hvcn::orname
