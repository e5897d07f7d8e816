// The bounded copy every text that lands in a fixed buffer goes through.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace hvcn {

// Copies at most size - 1 bytes of text into out and terminates it; writes
// nothing when size is 0. Returns the bytes copied.
inline size_t CopyBounded(char* out, size_t size, std::string_view text) noexcept {
  if (!out || size == 0) return 0;
  const size_t n = text.size() < size - 1 ? text.size() : size - 1;
  if (n != 0) std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return n;
}

// The same for a NUL-terminated text (NULL copies as "").
inline size_t CopyText(char* out, size_t size, const char* text) noexcept {
  return CopyBounded(out, size, text ? std::string_view(text) : std::string_view());
}

}  // namespace hvcn
