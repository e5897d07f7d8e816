// Character stepping: every scan over name text moves one character at a
// time, so a multi-byte character is never split and never mistaken for a
// separator. Separators, escapes and delimiters are all single bytes below
// 0x80, compared with the first byte of a character.
//
// Two process-wide switches, written only at start-up, choose the measure:
// StepByCharacter (0: one byte a character) and Utf8Text (non-zero: UTF-8
// lead-byte lengths; zero: the system's ANSI/DBCS rules). No step ever moves
// past a NUL: a multi-byte character cut short by the terminator ends there.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace hvcn {

extern int32_t StepByCharacter;
extern int32_t Utf8Text;

// Length of a UTF-8 character from its lead byte alone.
constexpr size_t Utf8Length(unsigned char lead) noexcept {
  if (lead < 0x80) return 1;
  if (lead < 0xC0) return 1;  // a stray continuation byte
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF8) return 4;
  if (lead < 0xFC) return 5;
  if (lead < 0xFE) return 6;
  return 1;  // 0xFE, 0xFF
}

const char* NextCharAnsi(const char* p) noexcept;

// The number of bytes of the character at p, stopping at a NUL inside it.
// At the terminator itself the answer is 1 (callers test for it first).
inline size_t CharLength(const char* p, int32_t mode) noexcept {
  if (*p == '\0') return 1;
  if (!mode) return static_cast<size_t>(NextCharAnsi(p) - p);
  size_t n = Utf8Length(static_cast<unsigned char>(*p));
  for (size_t i = 1; i < n; ++i)
    if (p[i] == '\0') return i;
  return n;
}

// Bytes of the character at p under the process switches.
inline size_t CharBytes(const char* p) noexcept {
  if (static_cast<unsigned char>(*p) < 0x80 && *p != '\0') return 1;  // ASCII, the common case
  return StepByCharacter ? CharLength(p, Utf8Text) : 1;
}

// Advances p past one character (past the terminator when standing on it).
inline void NextChar(const char*& p, int32_t mode) noexcept { p += CharLength(p, mode); }
inline void NextChar(char*& p, int32_t mode) noexcept { p += CharLength(p, mode); }

// One step under the process switches.
inline void Step(const char*& p) noexcept { p += CharBytes(p); }
inline void Step(char*& p) noexcept { p += CharBytes(p); }

// Moves p, standing on the last byte of a character, to the last byte of
// the character before (see the encoders, which use it to reach the last
// separator they wrote).
void PrevChar(const char*& p, const char* start, int32_t mode) noexcept;
void PrevChar(char*& p, const char* start, int32_t mode) noexcept;

// Copies the one character at src to dst; returns the bytes copied.
size_t CopyChar(char* dst, const char* src) noexcept;

// First character whose first byte is `byte`; null for empty text or none.
const char* FindChar(const char* text, char byte) noexcept;

// A set of byte values, for the escape-aware scans.
class ByteSet {
 public:
  constexpr ByteSet() noexcept = default;
  constexpr ByteSet(std::initializer_list<char> bytes) noexcept {
    for (char c : bytes) Add(c);
  }
  constexpr void Add(char c) noexcept {
    const auto b = static_cast<unsigned char>(c);
    bits_[b >> 6] |= uint64_t{1} << (b & 63);
  }
  constexpr bool Has(unsigned char b) const noexcept { return (bits_[b >> 6] >> (b & 63)) & 1; }
  // This set with every byte from 0x80 up added.
  constexpr ByteSet WithHighBytes() const noexcept {
    ByteSet s = *this;
    s.bits_[2] = s.bits_[3] = ~uint64_t{0};
    return s;
  }

 private:
  uint64_t bits_[4] = {};
};

// The first unescaped character in [p, end) whose first byte is in `stops`,
// or end. A backslash escapes the character after it.
const char* ScanUnescaped(const char* p, const char* end, const ByteSet& stops) noexcept;
inline char* ScanUnescaped(char* p, char* end, const ByteSet& stops) noexcept {
  return p + (ScanUnescaped(static_cast<const char*>(p), end, stops) - p);
}
// The same up to the terminating NUL: the stop's position or the NUL's.
const char* ScanUnescaped(const char* text, const ByteSet& stops) noexcept;

// First unescaped occurrence of `byte`, or the terminator.
inline const char* FindUnescapedChar(const char* text, char byte) noexcept {
  return ScanUnescaped(text, ByteSet{byte});
}

// Start of the final run of unescaped blanks in [begin, end), or end.
// Escapes read from the front; the run is found from the back wherever the
// bytes before it make that certain.
const char* TrailingBlanks(const char* begin, const char* end) noexcept;
inline char* TrailingBlanks(char* begin, char* end) noexcept {
  return begin + (TrailingBlanks(static_cast<const char*>(begin), end) - begin);
}

// Start of the final run of unescaped blanks, or the terminator.
const char* FindTrailingBlanks(const char* text) noexcept;

// memcpy out of line: a copy whose size the compiler can bound is inlined as
// `rep movs`, which costs more than the whole copy of a short name.
void CopyBytes(void* destination, const void* source, size_t size) noexcept;

// The stored form of a value as written in a parsed name: escapes removed,
// an unescaped wildcard written as US (0x1F). Reads at most `length` bytes
// of src (stopping at its NUL), writes at most as many plus the NUL, and
// returns the position of the NUL written.
char* CopyValueUnescaped(char* dst, const char* src, int32_t length) noexcept;
// The same, dropping every unescaped '.'.
char* CopyValueUnescapedNoDots(char* dst, const char* src, int32_t length) noexcept;

// The process wildcard character (first byte of the process wildcard text).
extern std::atomic<char> g_processWildcard;
inline char ProcessWildcard() noexcept { return g_processWildcard.load(std::memory_order_relaxed); }
inline void SetProcessWildcard(char c) noexcept { g_processWildcard.store(c, std::memory_order_relaxed); }

}  // namespace hvcn
