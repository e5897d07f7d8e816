// A text written into a caller's buffer of `size` bytes that also measures
// itself: every byte put is counted, stored while it fits (at most size - 1
// bytes and the NUL), and once one does not fit nothing more is stored, so
// the writer runs to its end and the count is the size the whole text
// needs. A buffer of size 0 (NULL or not) stores nothing: a size query.
#pragma once

#include <cstdint>
#include <string_view>

#include "api/hvcn.h"

namespace hvcn::orname {

// Sees every byte put while it is attached to an Output (the RFC 822 writer
// learns from it whether a local part needs quoting).
class OutputWatcher {
 public:
  virtual void See(char c) noexcept = 0;

 protected:
  ~OutputWatcher() = default;
};

// Spells each byte put in another way (at most four bytes) while it is
// attached to an Output (the IMCEA encapsulation).
class OutputSpeller {
 public:
  virtual size_t Spell(char c, char* out) noexcept = 0;

 protected:
  ~OutputSpeller() = default;
};

class Output {
 public:
  Output(char* buffer, uint32_t size) noexcept : start_(buffer), pos_(buffer), room_(size == 0 ? 0 : size - 1), size_(size) {}

  void Put(char c) noexcept { Put(std::string_view(&c, 1)); }
  void Put(std::string_view text) noexcept {
    if (speller_) {
      OutputSpeller* speller = speller_;
      speller_ = nullptr;
      for (char c : text) {
        char spelled[4];
        Put(std::string_view(spelled, speller->Spell(c, spelled)));
      }
      speller_ = speller;
      return;
    }
    if (watcher_)
      for (char c : text) watcher_->See(c);
    length_ += text.size();
    if (full_ || text.size() > room_) {
      full_ = true;
      return;
    }
    for (char c : text) *pos_++ = c;
    room_ -= static_cast<uint32_t>(text.size());
  }

  // Counts n more bytes that the caller writes itself at pos() when they
  // fit (true), or that only count (false: the text no longer fits).
  bool Grow(uint32_t n) noexcept {
    length_ += n;
    if (full_ || n > room_) {
      full_ = true;
      return false;
    }
    pos_ += n;
    room_ -= n;
    return true;
  }

  void Watch(OutputWatcher* watcher) noexcept { watcher_ = watcher; }

  // Every byte put from now on is written as `speller` spells it; null: as
  // it is.
  void Spell(OutputSpeller* speller) noexcept { speller_ = speller; }

  // Terminates the text: status 0, or hvcnERR_BUFFER_TOO_SMALL with the
  // buffer left an empty text (when it has a byte). *needed (may be null)
  // receives the size of the whole text with its NUL. A text of 4 GiB or
  // more, whose size no uint32_t holds, is hvcnERR_NAME_TOO_LONG.
  int32_t Finish(uint32_t* needed) noexcept {
    if (length_ >= UINT32_MAX) {
      if (needed) *needed = 0;
      Empty();
      return hvcnERR_NAME_TOO_LONG;
    }
    if (needed) *needed = static_cast<uint32_t>(length_ + 1);
    if (full_ || size_ == 0) {
      Empty();
      return hvcnERR_BUFFER_TOO_SMALL;
    }
    *pos_ = '\0';
    return hvcnSUCCESS;
  }
  // A refusal: an empty text (when the buffer has a byte).
  void Empty() noexcept {
    if (size_ > 0) *start_ = '\0';
  }

  char* pos() const noexcept { return pos_; }
  bool full() const noexcept { return full_; }
  uint64_t length() const noexcept { return length_; }

 private:
  char* start_;
  char* pos_;
  uint32_t room_;
  uint32_t size_;
  uint64_t length_ = 0;  // bytes put, stored or not
  bool full_ = false;
  OutputWatcher* watcher_ = nullptr;
  OutputSpeller* speller_ = nullptr;
};

}  // namespace hvcn::orname
