// The preamble every fuzz target shares: reading the fuzzer's bytes, exactly
// sized heap blocks for every text and buffer handed to the library, a
// format readied from an input's choice of format string and settings, and
// the property checks that turn a broken promise into a crash libFuzzer
// keeps.
//
// Every target is one HVCN_FUZZ_TARGET over the library's C interface. The
// same source builds twice: linked with libFuzzer (fuzz preset) and with
// replay_main.cpp, which feeds it the saved corpus as an ordinary test.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "hvcn.h"

namespace hvcn::fuzz {

// Reports a broken property with the input's context and aborts, so that
// libFuzzer writes the input out as a crash.
[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "\n*** broken property: %s", what);
  if (!detail.empty()) {
    std::fputs(" [", stderr);
    for (unsigned char c : detail) {
      if (c >= 0x20 && c < 0x7F && c != '\\') std::fputc(c, stderr);
      else std::fprintf(stderr, "\\x%02X", c);
    }
    std::fputc(']', stderr);
  }
  std::fputc('\n', stderr);
  std::abort();
}

inline void Check(bool holds, const char* what, std::string_view detail = {}) {
  if (!holds) Fail(what, detail);
}

// True when status is one of the listed codes.
inline bool StatusIn(int32_t status, std::initializer_list<int32_t> allowed) {
  for (int32_t s : allowed)
    if (s == status) return true;
  return false;
}

inline void CheckStatus(int32_t status, std::initializer_list<int32_t> allowed, const char* call) {
  if (!StatusIn(status, allowed)) Fail(call, "status " + std::to_string(status));
}

// The fuzzer's bytes: a few selector bytes first, then texts that end at a
// NUL or at the end of the input. Reading past the end yields zeros and
// empty texts, so every input is a valid call sequence.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

  bool empty() const { return p_ == end_; }

  uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }

  uint16_t U16() {
    uint16_t v = Byte();
    return static_cast<uint16_t>(v | (Byte() << 8));
  }

  uint32_t U32() {
    uint32_t v = U16();
    return v | (static_cast<uint32_t>(U16()) << 16);
  }

  int32_t I32() { return static_cast<int32_t>(U32()); }

  // The bytes up to the next NUL (which is consumed) or to the end.
  std::string_view Text() {
    const uint8_t* start = p_;
    while (p_ < end_ && *p_ != 0) ++p_;
    std::string_view text(reinterpret_cast<const char*>(start), static_cast<size_t>(p_ - start));
    if (p_ < end_) ++p_;
    return text;
  }

  // A format string: the byte 0xFF and a NUL-ended text, or any other byte
  // choosing one of kFormats.
  std::string_view FormatString();

  // Everything that is left, NUL bytes included.
  std::string_view Rest() {
    std::string_view text(reinterpret_cast<const char*>(p_), static_cast<size_t>(end_ - p_));
    p_ = end_;
    return text;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

// A NUL-terminated copy of a text in a heap block of exactly its size, so a
// read past the terminator is caught by AddressSanitizer. Bytes after an
// embedded NUL are dropped.
class ExactText {
 public:
  explicit ExactText(std::string_view text) {
    const void* nul = text.empty() ? nullptr : std::memchr(text.data(), 0, text.size());
    const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text.data()) : text.size();
    block_.reset(new char[n + 1]);
    if (n > 0) std::memcpy(block_.get(), text.data(), n);
    block_[n] = '\0';
    size_ = n;
  }
  const char* c_str() const { return block_.get(); }
  char* data() { return block_.get(); }
  size_t size() const { return size_; }
  std::string_view view() const { return {block_.get(), size_}; }

 private:
  std::unique_ptr<char[]> block_;
  size_t size_ = 0;
};

// An output buffer of exactly `size` bytes on the heap, filled with a
// pattern so that untouched bytes can be told from written ones. A block of
// size 0 is still a valid pointer that must not be written through.
class OutBuffer {
 public:
  static constexpr char kFill = '\xA5';

  explicit OutBuffer(size_t size) : block_(new char[size]), size_(size) { std::memset(block_.get(), kFill, size); }

  char* data() { return block_.get(); }
  const char* data() const { return block_.get(); }
  size_t size() const { return size_; }

  // True when a NUL lies within the size.
  bool Terminated() const { return size_ > 0 && std::memchr(block_.get(), 0, size_) != nullptr; }

  // The text up to the first NUL (the caller has checked Terminated()).
  std::string_view Text() const { return {block_.get(), std::strlen(block_.get())}; }

  // All the bytes, written or not (for reports).
  std::string_view view() const { return {block_.get(), size_}; }

  // True when no byte was written.
  bool Untouched() const {
    for (size_t i = 0; i < size_; ++i)
      if (block_[i] != kFill) return false;
    return true;
  }

 private:
  std::unique_ptr<char[]> block_;
  size_t size_;
};

// A zero-filled format on the heap, as a caller allocates a new one.
inline std::unique_ptr<hvcnFormat> NewFormat() { return std::make_unique<hvcnFormat>(); }

// A format of the default format string with the teletex preference and
// 7-bit only set as given.
inline std::unique_ptr<hvcnFormat> PreparedFormat(bool preferTeletex, bool sevenBitOnly) {
  auto f = NewFormat();
  Check(hvcnParseFormatString(nullptr, f.get()) == hvcnSUCCESS, "the default format string parses");
  const uint32_t prefer = preferTeletex, sevenBit = sevenBitOnly;
  Check(hvcnSetFormatInfo(f.get(), &prefer, hvcnINFO_PREFER_TELETEX) == hvcnSUCCESS, "set prefer teletex");
  Check(hvcnSetFormatInfo(f.get(), &sevenBit, hvcnINFO_7BIT_ONLY) == hvcnSUCCESS, "set 7-bit");
  return f;
}

// The format strings an input chooses from with one byte.
inline constexpr const char* kFormats[] = {
    "%(CANON)%(EFA)%(X400)",   "%(116)%(167)%(Dept)%(CANON)", "%(NONCANON)/%(X400)",
    "%(1)/%(2)/%(10)/%(Room)", "%(1)%(2)%(3)%(4)%(5)%(6)%(7)%(8)%(9)%(10)",
    "%(a)%(b)%(c)%(d)%(e)%(f)%(g)%(h)%(i)%(j)", "%(X400)%(24)", "%(EFA)/%(99)",
};

inline std::string_view Input::FormatString() {
  const uint8_t choice = Byte();
  return choice == 0xFF ? Text() : kFormats[choice % std::size(kFormats)];
}

// The settings of one input byte, each bit a format flag set on or off.
enum Setting : uint8_t {
  kSevenBitOnly = 0x01,
  kPreferTeletex = 0x02,
  kNoReconfig = 0x04,
  kNotComplex = 0x08,
  kNoForeign = 0x10,
  kOuTags = 0x20,
  kX400Personal = 0x40,
  kRsListUsual = 0x80,  // RS lists in the usual form, not the user-only one
};
void Configure(hvcnFormat* f, uint8_t settings);

// A new format readied with the format string (an exactly sized copy) and
// configured; null when the string does not parse.
std::unique_ptr<hvcnFormat> Ready(std::string_view formatString, uint8_t settings);

// The text of a held value as the public structure shows it ("RFC-822" for
// the foreign-address marker); absent values give nullopt-like false.
inline bool HeldValue(const hvcnFormat& f, int slot, std::string_view* text) {
  const hvcnAttribute& a = f.attributes[slot];
  if (a.valueLength == hvcnVALUE_ABSENT) return false;
  if (a.valueLength == hvcnVALUE_FOREIGN) {
    *text = "RFC-822";
    return true;
  }
  Check(a.valueOffset <= sizeof f.nameBuffer && a.valueLength <= sizeof f.nameBuffer - a.valueOffset,
        "a held value lies inside nameBuffer");
  *text = std::string_view(f.nameBuffer + a.valueOffset, a.valueLength);
  return true;
}

// True when a fixed-size text field of the format is terminated inside it.
template <size_t N>
bool FieldTerminated(const char (&field)[N]) {
  return std::memchr(field, 0, N) != nullptr;
}

// Called once per input: keeps the trace log of long fuzzing runs from
// filling the disk. HVCN_FUZZ_LOG names the log file of the run.
void TrimTraceLog();

}  // namespace hvcn::fuzz

// Defines a target: its body reads the input through `in`.
#define HVCN_FUZZ_TARGET(in)                                                 \
  static void FuzzOne(hvcn::fuzz::Input& in);                                \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { \
    hvcn::fuzz::TrimTraceLog();                                              \
    hvcn::fuzz::Input input(data, size);                                     \
    FuzzOne(input);                                                          \
    return 0;                                                                \
  }                                                                          \
  static void FuzzOne(hvcn::fuzz::Input& in)
