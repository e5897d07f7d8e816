// A text written into a caller's buffer, or only measured. The writers ask
// for room (Fits, Need) before they write; a measuring sink has room without
// end, keeps nothing, and remembers the largest room asked for, so that one
// writer both writes a text and tells the size of buffer it needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "api/hvcn.h"

namespace hvcn {

class TextSink {
 public:
  // Writes into buffer[0, size).
  TextSink(char* buffer, uint32_t size) noexcept : base_(buffer), size_(size), left_(size) {}

  // Measures only: nothing is kept.
  static TextSink Measuring() noexcept {
    TextSink sink(nullptr, 0);
    sink.left_ = kUnbounded;
    return sink;
  }

  // The bytes still free, the terminating NUL's included.
  uint32_t Left() const noexcept { return left_; }
  // Is the buffer `total` bytes or more (noted as needed)?
  bool Need(size_t total) noexcept {
    if (total > need_) need_ = total;
    return total <= left_ + at_;
  }
  // Is there room for n more bytes and a NUL after them?
  bool Fits(size_t n) noexcept { return Need(at_ + n + 1); }
  // The size of buffer the text needs: the most any step asked for, and at
  // least the text with its NUL.
  size_t Needed() const noexcept { return need_ > at_ ? need_ : at_ + 1; }
  // The bytes written so far: the offset of the next one.
  size_t At() const noexcept { return at_; }
  // The caller's buffer; null for a measuring sink.
  char* Text() const noexcept { return base_; }

  // Appends n bytes the caller has made sure there is room for.
  void Append(const char* text, size_t n) noexcept {
    if (at_ < size_) std::memcpy(base_ + at_, text, n < size_ - at_ ? n : size_ - at_);
    at_ += n;
    left_ -= static_cast<uint32_t>(n);
  }
  void Append(char c) noexcept {
    Set(at_, c);
    ++at_;
    --left_;
  }

  // Room for n bytes at At() in the caller's buffer, to be written there and
  // kept with Advance; null when measuring or when they would not all fit.
  char* Place(size_t n) noexcept { return at_ < size_ && n < size_ - at_ ? base_ + at_ : nullptr; }
  void Advance(size_t n) noexcept {
    at_ += n;
    left_ -= static_cast<uint32_t>(n);
  }

  // Writes over a byte written before, or the NUL at At().
  void Set(size_t at, char c) noexcept {
    if (at < size_) base_[at] = c;
  }
  void Terminate() noexcept { Set(at_, '\0'); }

  // Goes back to an earlier point: what follows it no longer counts.
  void Rewind(size_t at) noexcept {
    left_ += static_cast<uint32_t>(at_ - at);
    at_ = at;
  }

 private:
  // Room without end for a measuring sink (every text the library writes
  // is far shorter).
  static constexpr uint32_t kUnbounded = UINT32_MAX;

  char* base_;
  uint32_t size_;
  size_t at_ = 0;
  uint32_t left_;
  size_t need_ = 0;
};

// The exports that tell the size of their text: the text goes into buffer
// (when given), *needed (when given) receives the size of buffer it needs, on
// success and on hvcnERR_BUFFER_TOO_SMALL alike (0 otherwise), and a buffer
// too small is left an empty text. `write(sink)` writes the text into a
// sink, leaving At() at its end, and returns a status; it runs again,
// measuring, when the text does not fit or no buffer is given (NULL with
// size 0: a size query).
template <typename Write>
int32_t WriteSized(char* buffer, uint32_t size, uint32_t* needed, Write write) noexcept {
  if (needed) *needed = 0;
  if (buffer && size) {
    TextSink sink(buffer, size);
    const int32_t status = write(sink);
    if (status == hvcnSUCCESS && needed) *needed = static_cast<uint32_t>(sink.Needed());
    if (status != hvcnERR_BUFFER_TOO_SMALL) return status;
    buffer[0] = '\0';
  }
  TextSink measure = TextSink::Measuring();
  const int32_t status = write(measure);
  if (status != hvcnSUCCESS) return status;
  if (needed) *needed = static_cast<uint32_t>(measure.Needed());
  return hvcnERR_BUFFER_TOO_SMALL;
}

}  // namespace hvcn
