// ASCII letter case and classes, whatever the C library's locale: tags,
// keywords, profile names and attribute names compare without regard to
// the case of ASCII letters only.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace hvcn::ascii {

constexpr char Lower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char Upper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
// The C library's white space: blank, tab, LF, VT, FF, CR.
constexpr bool IsSpace(char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The first `length` bytes of a and b are equal but for ASCII letter case.
constexpr bool EqualNoCase(const char* a, const char* b, size_t length) noexcept {
  for (size_t i = 0; i < length; ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// Whole texts equal but for ASCII letter case.
constexpr bool EqualNoCase(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && EqualNoCase(a.data(), b.data(), a.size());
}

// The order of two texts with ASCII letters compared as upper case
// (bytes unsigned, a text before the longer texts it starts): -1, 0 or 1.
constexpr int CompareNoCase(std::string_view a, std::string_view b) noexcept {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(Upper(a[i])), y = static_cast<unsigned char>(Upper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// Does text start with the keyword (letter case ignored)? Stops at the
// first difference, so it never reads past a terminator of text.
constexpr bool StartsWithNoCase(const char* text, std::string_view keyword) noexcept {
  for (size_t i = 0; i < keyword.size(); ++i)
    if (Lower(text[i]) != Lower(keyword[i])) return false;
  return true;
}

}  // namespace hvcn::ascii
