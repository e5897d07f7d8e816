#include "core/text_format.h"

namespace hvcn {
namespace {

// Appends to a fixed buffer, dropping whatever does not fit.
class Sink {
 public:
  Sink(char* out, size_t size) noexcept
      : out_(size ? out : nullptr), cap_(size ? size - 1 : 0) {}
  void Put(char c) noexcept {
    if (len_ < cap_) out_[len_++] = c;
  }
  void Put(const char* s, size_t n) noexcept {
    for (size_t i = 0; i < n; ++i) Put(s[i]);
  }
  void Pad(char c, size_t n) noexcept {
    for (size_t i = 0; i < n; ++i) Put(c);
  }
  size_t Finish() noexcept {
    if (out_) out_[len_] = '\0';
    return len_;
  }

 private:
  char* out_;
  size_t cap_;
  size_t len_ = 0;
};

struct FieldLayout {
  bool left = false, zero = false, plus = false, space = false, alt = false;
  size_t width = 0;
  bool hasPrecision = false;
  size_t precision = 0;
};

size_t Digits(uint64_t v, unsigned base, bool upper, char* buf) noexcept {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  size_t n = 0;
  do {
    buf[n++] = digits[v % base];
    v /= base;
  } while (v != 0);
  return n;  // reversed
}

void EmitField(Sink& sink, const FieldLayout& layout, const char* prefix, size_t prefixLen,
               const char* reversedDigits, size_t digitCount) noexcept {
  size_t body = prefixLen + digitCount;
  size_t pad = layout.width > body ? layout.width - body : 0;
  if (!layout.left && !layout.zero) sink.Pad(' ', pad);
  sink.Put(prefix, prefixLen);
  if (!layout.left && layout.zero) sink.Pad('0', pad);
  for (size_t i = digitCount; i > 0; --i) sink.Put(reversedDigits[i - 1]);
  if (layout.left) sink.Pad(' ', pad);
}

void EmitText(Sink& sink, const FieldLayout& layout, const char* text) noexcept {
  if (!text) text = "<null>";
  size_t n = 0;
  while (text[n] && (!layout.hasPrecision || n < layout.precision)) ++n;
  size_t pad = layout.width > n ? layout.width - n : 0;
  if (!layout.left) sink.Pad(' ', pad);
  sink.Put(text, n);
  if (layout.left) sink.Pad(' ', pad);
}

uint64_t AsUnsigned(const FormatArg& a) noexcept {
  if (a.kind == FormatArg::Kind::Signed) {
    uint64_t v = static_cast<uint64_t>(a.s);
    if (a.bits < 64) v &= (uint64_t{1} << a.bits) - 1;
    return v;
  }
  if (a.kind == FormatArg::Kind::Pointer) return reinterpret_cast<uintptr_t>(a.p);
  return a.u;
}

}  // namespace

size_t FormatTextV(char* out, size_t size, const char* fmt, const FormatArg* args,
                   size_t count) noexcept {
  Sink sink(out, size);
  if (!fmt) return sink.Finish();
  size_t next = 0;
  const FormatArg* arg = nullptr;
  auto take = [&]() noexcept -> const FormatArg* {
    return next < count ? &args[next++] : nullptr;
  };
  for (const char* p = fmt; *p; ++p) {
    if (*p != '%') {
      sink.Put(*p);
      continue;
    }
    const char* start = p++;
    if (*p == '%') {
      sink.Put('%');
      continue;
    }
    FieldLayout layout;
    for (;; ++p) {
      if (*p == '-') layout.left = true;
      else if (*p == '0') layout.zero = true;
      else if (*p == '+') layout.plus = true;
      else if (*p == ' ') layout.space = true;
      else if (*p == '#') layout.alt = true;
      else break;
    }
    while (*p >= '0' && *p <= '9') layout.width = layout.width * 10 + static_cast<size_t>(*p++ - '0');
    if (*p == '.') {
      layout.hasPrecision = true;
      ++p;
      while (*p >= '0' && *p <= '9')
        layout.precision = layout.precision * 10 + static_cast<size_t>(*p++ - '0');
    }
    // Length modifiers carry no meaning here: every argument knows its type.
    // 'F' and 'N' are the far/near pointer modifiers of "%Fp".
    while (*p == 'h' || *p == 'l' || *p == 'z' || *p == 'F' || *p == 'N') ++p;
    char conv = *p;
    if (conv == '\0') {  // dangling '%': print it as it stands
      sink.Put(start, static_cast<size_t>(p - start));
      break;
    }
    arg = take();
    if (!arg) continue;
    char digits[24];
    switch (conv) {
      case 'd':
      case 'i': {
        int64_t v = arg->kind == FormatArg::Kind::Signed ? arg->s
                                                         : static_cast<int64_t>(AsUnsigned(*arg));
        bool neg = v < 0;
        uint64_t mag = neg ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        size_t n = Digits(mag, 10, false, digits);
        const char* sign = neg ? "-" : layout.plus ? "+" : layout.space ? " " : "";
        EmitField(sink, layout, sign, (neg || layout.plus || layout.space) ? 1 : 0, digits, n);
        break;
      }
      case 'u': {
        size_t n = Digits(AsUnsigned(*arg), 10, false, digits);
        EmitField(sink, layout, "", 0, digits, n);
        break;
      }
      case 'x':
      case 'X': {
        uint64_t v = AsUnsigned(*arg);
        size_t n = Digits(v, 16, conv == 'X', digits);
        bool prefix = layout.alt && v != 0;
        EmitField(sink, layout, conv == 'X' ? "0X" : "0x", prefix ? 2 : 0, digits, n);
        break;
      }
      case 'p': {
        // Pointers print in the platform's width, upper case, zero-padded.
        FieldLayout ptr = layout;
        ptr.zero = true;
        ptr.width = sizeof(void*) * 2;
        size_t n = Digits(AsUnsigned(*arg), 16, true, digits);
        EmitField(sink, ptr, "", 0, digits, n);
        break;
      }
      case 'c': {
        char c = arg->kind == FormatArg::Kind::Text ? '?' : static_cast<char>(AsUnsigned(*arg));
        size_t pad = layout.width > 1 ? layout.width - 1 : 0;
        if (!layout.left) sink.Pad(' ', pad);
        sink.Put(c);
        if (layout.left) sink.Pad(' ', pad);
        break;
      }
      case 's':
        EmitText(sink, layout, arg->kind == FormatArg::Kind::Text ? arg->t : "");
        break;
      default:  // unknown conversion: show it as written
        sink.Put(start, static_cast<size_t>(p - start) + 1);
        break;
    }
  }
  return sink.Finish();
}

}  // namespace hvcn
