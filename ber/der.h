// Bytes on the wire: a cursor over the caller's bytes that reads one
// BER/DER element at a time, and a writer that appends DER into a buffer
// and fixes each length once its contents are known.
//
// The reader checks the bytes it needs before it reads them and fails as a
// whole; it never reads outside the span it was given. An indefinite length
// is found by one pass over the contents that counts the indefinite lengths
// open inside (never deeper than kMostOpen): no recursion. With `der` it
// refuses what DER forbids: indefinite lengths, lengths in more octets than
// needed, tag numbers below 31 in the long form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace hvcn::ber {

// Identifier octets.
namespace tag {
inline constexpr uint8_t kEndOfContents = 0x00;
inline constexpr uint8_t kBoolean = 0x01;
inline constexpr uint8_t kInteger = 0x02;
inline constexpr uint8_t kOctetString = 0x04;
inline constexpr uint8_t kObjectIdentifier = 0x06;
inline constexpr uint8_t kNumericString = 0x12;
inline constexpr uint8_t kPrintableString = 0x13;
inline constexpr uint8_t kTeletexString = 0x14;
inline constexpr uint8_t kUniversalString = 0x1C;
inline constexpr uint8_t kBmpString = 0x1E;
inline constexpr uint8_t kSequence = 0x30;
inline constexpr uint8_t kSet = 0x31;
inline constexpr uint8_t kConstructed = 0x20;
inline constexpr uint8_t kHighNumber = 0x1F;  // the number bits of a tag number above 30

constexpr uint8_t Context(unsigned number, bool constructed) noexcept {
  return static_cast<uint8_t>(0x80 | (constructed ? kConstructed : 0) | number);
}
constexpr bool IsConstructed(uint8_t identifier) noexcept { return (identifier & kConstructed) != 0; }
}  // namespace tag

// Indefinite lengths open at once inside an element whose end is sought.
inline constexpr int kMostOpen = 24;

// A part of the input: the bytes [begin, end) and where they stand in it.
class Span {
 public:
  Span() = default;
  Span(const uint8_t* begin, const uint8_t* end, const uint8_t* base) noexcept
      : begin_(begin), end_(end), base_(base) {}

  const uint8_t* begin() const noexcept { return begin_; }
  const uint8_t* end() const noexcept { return end_; }
  size_t size() const noexcept { return static_cast<size_t>(end_ - begin_); }
  bool empty() const noexcept { return begin_ == end_; }
  // The offset of the first byte from the start of the input.
  uint32_t offset() const noexcept { return static_cast<uint32_t>(begin_ - base_); }
  std::string_view text() const noexcept { return {reinterpret_cast<const char*>(begin_), size()}; }
  Span Rest(const uint8_t* from) const noexcept { return {from, end_, base_}; }

 private:
  const uint8_t* begin_ = nullptr;
  const uint8_t* end_ = nullptr;
  const uint8_t* base_ = nullptr;
};

struct Element {
  uint8_t tag = 0;         // the identifier octet (kHighNumber in its number bits above 30)
  uint32_t offset = 0;     // of the identifier octet in the input
  uint32_t size = 0;       // of the whole element, end-of-contents included
  Span contents;           // without the end-of-contents of an indefinite length
  bool indefinite = false;
  bool constructed() const noexcept { return tag::IsConstructed(tag); }
};

enum class Fault : uint8_t {
  None,
  Truncated,    // the header or the contents run past the end of what holds them
  BadLength,    // the reserved length octet 0xFF, or a length beyond 32 bits
  LongLength,   // DER: a length in more octets than it needs
  Indefinite,   // DER: an indefinite length
  Primitive,    // an indefinite length on a primitive encoding
  Deep,         // indefinite lengths open deeper than kMostOpen
  BadTag,       // a tag number badly formed, beyond 32 bits, or (DER) below 31 in the long form
};

// Reads the element at the front of `in` into *e and moves `in` past it.
Fault ReadElementLong(Span& in, bool der, Element* e) noexcept;
inline Fault ReadElement(Span& in, bool der, Element* e) noexcept {
  // Most elements of an address: a tag number below 31, a length below 128.
  const uint8_t* p = in.begin();
  if (in.size() >= 2 && (p[0] & tag::kHighNumber) != tag::kHighNumber && p[1] < 0x80 && p[1] <= in.size() - 2) {
    e->tag = p[0];
    e->offset = in.offset();
    e->size = 2u + p[1];
    e->contents = Span(p + 2, p + e->size, p - e->offset);
    e->indefinite = false;
    in = in.Rest(p + e->size);
    return Fault::None;
  }
  return ReadElementLong(in, der, e);
}

// DER's order of the elements of a SET OF: true when encoding a comes
// before encoding b (compared as octet strings, the shorter padded with
// zero octets at its end).
bool DerBefore(const uint8_t* a, size_t aSize, const uint8_t* b, size_t bSize) noexcept;

// ---------------------------------------------------------------------------

// Appends DER into a buffer of `size` bytes. Open writes an identifier and
// a one-octet length; Close sets the length, moving the contents on when it
// needs more octets. Nothing is written at or past `size`: such a write sets
// overflow(), and position() goes on counting, so it measures what did not
// fit.
class Writer {
 public:
  Writer(uint8_t* out, size_t size) noexcept : out_(out), size_(out ? size : 0) {}

  bool overflow() const noexcept { return overflow_; }
  size_t position() const noexcept { return position_; }
  uint8_t* at(size_t position) const noexcept { return out_ + position; }

  void Put(uint8_t byte) noexcept {
    if (out_) {
      if (position_ < size_) out_[position_] = byte;
      else overflow_ = true;
    }
    ++position_;
  }
  void Put(const void* bytes, size_t n) noexcept {
    if (uint8_t* room = Room(n); room && n > 0) std::memcpy(room, bytes, n);
    position_ += n;
  }
  // Room for n bytes that the caller writes at at(position()) (nullptr when
  // they do not fit); Advance(n) takes them.
  uint8_t* Room(size_t n) noexcept {
    if (!out_ || overflow_) return nullptr;
    if (n > size_ - position_) {
      overflow_ = true;
      return nullptr;
    }
    return out_ + position_;
  }
  void Advance(size_t n) noexcept { position_ += n; }

  // Starts an element; returns the mark its Close takes.
  size_t Open(uint8_t tag) noexcept {
    Put(tag);
    Put(uint8_t{0});
    return position_ - 1;
  }
  void Close(size_t mark) noexcept {
    const size_t length = position_ - mark - 1;
    if (length >= 0x80) return CloseLong(mark, length);
    if (out_ && !overflow_) out_[mark] = static_cast<uint8_t>(length);
  }

  // Orders the complete elements that start at starts[0..count) and end at
  // position() by their encodings, as DER orders the elements of a SET OF.
  void SortSetOf(const size_t* starts, size_t count) noexcept;

 private:
  void CloseLong(size_t mark, size_t length) noexcept;

  uint8_t* out_;
  size_t size_;
  size_t position_ = 0;
  bool overflow_ = false;
};

}  // namespace hvcn::ber
