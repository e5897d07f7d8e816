#include "core/platform/chars.h"

#include <cstring>

#include "core/platform/os.h"
#include "core/trace.h"

namespace hvcn {

int32_t StepByCharacter = 1;
int32_t Utf8Text = 1;
std::atomic<char> g_processWildcard{'*'};

namespace {

constexpr char kBackslash = '\\';
constexpr char kUnitSeparator = '\x1F';

bool IsContinuation(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

template <typename P>
void PrevCharImpl(P& p, const char* start, int32_t mode) noexcept {
  if (p <= start) return;
  if (*p == '\0') {
    --p;
    return;
  }
  if (!mode) {
    const char* q = os::CharPrevA(start, p);
    p = (q && q != p) ? p - (p - q) : p - 1;
    return;
  }
  if (!IsContinuation(*p)) {
    --p;
    return;
  }
  while (p > start && IsContinuation(*p)) --p;
  if ((static_cast<unsigned char>(*p) & 0xE0) == 0xC0) {
    if (p > start) --p;
    return;
  }
  if (trace::Level() != 0)
    trace::Line(trace::tag::kProblem, "Assertion failed on ((c & 0xE0) == 0xC0): %s line %d",
                "platform", 1267);
}

// Shared walk of the two value copies.
char* CopyValue(char* dst, const char* src, int32_t length, bool dropDots) noexcept {
  const char wildcard = ProcessWildcard();
  int32_t left = length;
  while (left >= 1 && *src != '\0') {
    if (*src == kBackslash) {
      ++src;
      --left;
      if (left == 0 || *src == '\0') break;
    } else if (*src == wildcard) {
      *dst++ = kUnitSeparator;
      ++src;
      --left;
      continue;
    } else if (dropDots && *src == '.') {
      ++src;
      --left;
      continue;
    }
    size_t n = CharBytes(src);
    if (static_cast<int32_t>(n) > left) n = static_cast<size_t>(left);
    for (size_t i = 0; i < n; ++i) *dst++ = *src++;
    left -= static_cast<int32_t>(n);
  }
  *dst = '\0';
  return dst;
}
}  // namespace

const char* NextCharAnsi(const char* p) noexcept {
  const char* q = os::CharNextA(p);
  return (q && q > p) ? q : p + 1;
}

void PrevChar(const char*& p, const char* start, int32_t mode) noexcept {
  PrevCharImpl(p, start, mode);
}
void PrevChar(char*& p, const char* start, int32_t mode) noexcept { PrevCharImpl(p, start, mode); }

size_t CopyChar(char* dst, const char* src) noexcept {
  size_t n = CharBytes(src);
  for (size_t i = 0; i < n; ++i) dst[i] = src[i];
  return n;
}

const char* FindChar(const char* text, char byte) noexcept {
  if (!text || *text == '\0') return nullptr;
  for (const char* p = text; *p; Step(p))
    if (*p == byte) return p;
  return nullptr;
}

namespace {

// The scan of both forms. Plain ASCII bytes that are not stops are passed
// over in a tight loop; a backslash, a stop, a byte from 0x80 (a character
// of more than one byte, measured by CharBytes) and, without a bound, the
// NUL are looked at one by one.
template <bool kBounded>
const char* Scan(const char* p, const char* end, const ByteSet& stops) noexcept {
  ByteSet special = stops.WithHighBytes();
  special.Add(kBackslash);
  special.Add('\0');
  for (;;) {
    while ((!kBounded || p < end) && !special.Has(static_cast<unsigned char>(*p))) ++p;
    if (kBounded ? p >= end : *p == '\0') return kBounded ? end : p;
    if (*p == kBackslash) {
      ++p;
      if (kBounded ? p >= end : *p == '\0') return kBounded ? end : p;
    } else if (stops.Has(static_cast<unsigned char>(*p))) {
      return p;
    }
    p += CharBytes(p);
  }
}

}  // namespace

const char* ScanUnescaped(const char* p, const char* end, const ByteSet& stops) noexcept {
  return Scan<true>(p, end, stops);
}

const char* ScanUnescaped(const char* text, const ByteSet& stops) noexcept { return Scan<false>(text, nullptr, stops); }

namespace {

// The walk from the front: a backslash and the character after it are
// passed over together.
const char* WalkTrailingBlanks(const char* p, const char* end) noexcept {
  const char* run = nullptr;
  while (p < end) {
    if (*p == kBackslash) {
      run = nullptr;
      p += (p + 1 < end) ? 1 + CharBytes(p + 1) : 1;
      continue;
    }
    if (*p == ' ') {
      if (!run) run = p;
    } else {
      run = nullptr;
    }
    p += CharBytes(p);
  }
  return run ? run : end;
}

}  // namespace

const char* TrailingBlanks(const char* begin, const char* end) noexcept {
  const char* run = end;
  while (run > begin && run[-1] == ' ') --run;
  if (run == end) return end;
  // Whether the first blank is escaped depends on where characters start
  // in front of the backslashes before it. That is certain when stepping by
  // byte, and with UTF-8 when the five bytes before the backslashes are
  // ASCII: no sequence, even a malformed one, is longer than six bytes, so
  // none that starts before them reaches past them. Otherwise, and always
  // for DBCS text, the text is walked from the front.
  const char* backslashes = run;
  while (backslashes > begin && backslashes[-1] == kBackslash) --backslashes;
  if (StepByCharacter) {
    if (!Utf8Text) return WalkTrailingBlanks(begin, end);
    for (const char* p = backslashes; p > begin && backslashes - p < 5;)
      if (static_cast<unsigned char>(*--p) >= 0x80) return WalkTrailingBlanks(begin, end);
  }
  // Backslashes escape in pairs; an odd one out escapes the first blank.
  return (run - backslashes) % 2 ? run + 1 : run;
}

const char* FindTrailingBlanks(const char* text) noexcept { return TrailingBlanks(text, text + std::strlen(text)); }

void CopyBytes(void* destination, const void* source, size_t size) noexcept {
  std::memcpy(destination, source, size);
}

char* CopyValueUnescaped(char* dst, const char* src, int32_t length) noexcept {
  return CopyValue(dst, src, length, false);
}

char* CopyValueUnescapedNoDots(char* dst, const char* src, int32_t length) noexcept {
  return CopyValue(dst, src, length, true);
}


}  // namespace hvcn
