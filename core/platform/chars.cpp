#include "core/platform/chars.h"

#include "core/platform/os.h"
#include "core/trace.h"

namespace hvcn {

int32_t StepByCharacter = 1;
int32_t Utf8Text = 1;

namespace {
std::atomic<char> g_wildcard{'*'};

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

const char* FindUnescapedChar(const char* text, char byte) noexcept {
  const char* p = text;
  while (*p) {
    if (*p == kBackslash) {
      ++p;
      if (*p == '\0') break;
      Step(p);
      continue;
    }
    if (*p == byte) return p;
    Step(p);
  }
  return p;
}

const char* FindTrailingBlanks(const char* text) noexcept {
  const char* p = text;
  const char* run = nullptr;
  while (*p) {
    if (*p == kBackslash) {
      run = nullptr;
      ++p;
      if (*p == '\0') return p;  // a trailing backslash: no trailing blank
      Step(p);
      continue;
    }
    if (*p == ' ') {
      if (!run) run = p;
    } else {
      run = nullptr;
    }
    Step(p);
  }
  return run ? run : p;
}

char* CopyValueUnescaped(char* dst, const char* src, int32_t length) noexcept {
  return CopyValue(dst, src, length, false);
}

char* CopyValueUnescapedNoDots(char* dst, const char* src, int32_t length) noexcept {
  return CopyValue(dst, src, length, true);
}

char ProcessWildcard() noexcept { return g_wildcard.load(std::memory_order_relaxed); }
void SetProcessWildcard(char c) noexcept { g_wildcard.store(c, std::memory_order_relaxed); }

}  // namespace hvcn
