// Bounded printf-style formatting for trace lines and message templates.
//
// The arguments carry their own types, so a template loaded from a resource
// library cannot make the formatter read an argument it was not given, and
// "%Fp" (a pointer in the platform's pointer width, upper case) works on
// every compiler. Nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace hvcn {

// One formatting argument.
struct FormatArg {
  enum class Kind : uint8_t { Signed, Unsigned, Pointer, Text };
  Kind kind;
  uint8_t bits;  // width of the original integer type, for %x of negatives
  union {
    int64_t s;
    uint64_t u;
    const void* p;
    const char* t;
  };

  template <typename T>
    requires std::is_integral_v<T>
  constexpr FormatArg(T v) noexcept : bits(static_cast<uint8_t>(sizeof(T) * 8)) {
    if constexpr (std::is_signed_v<T>) {
      kind = Kind::Signed;
      s = v;
    } else {
      kind = Kind::Unsigned;
      u = v;
    }
  }
  template <typename T>
    requires std::is_enum_v<T>
  constexpr FormatArg(T v) noexcept : FormatArg(static_cast<std::underlying_type_t<T>>(v)) {}
  constexpr FormatArg(std::nullptr_t) noexcept : kind(Kind::Text), bits(0), t(nullptr) {}
  constexpr FormatArg(const char* v) noexcept : kind(Kind::Text), bits(0), t(v) {}
  constexpr FormatArg(char* v) noexcept : kind(Kind::Text), bits(0), t(v) {}
  template <typename T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char>)
  constexpr FormatArg(T* v) noexcept : kind(Kind::Pointer), bits(0), p(v) {}
};

// Formats into out (size bytes, NUL included); the text is cut when it does
// not fit. Returns the length written. Conversions: %d %i %u %x %X %c %s %p
// %Fp %%, with flags "-0 +#", a width, a precision (for %s: maximum length)
// and the length modifiers h, l, ll, z (accepted and ignored). A NULL %s
// argument prints "<null>"; a missing or mismatched argument prints nothing.
size_t FormatTextV(char* out, size_t size, const char* fmt, const FormatArg* args,
                   size_t count) noexcept;

template <typename... A>
size_t FormatText(char* out, size_t size, const char* fmt, const A&... args) noexcept {
  const FormatArg list[sizeof...(A) + 1] = {FormatArg(args)..., FormatArg(0)};
  return FormatTextV(out, size, fmt, list, sizeof...(A));
}

}  // namespace hvcn
