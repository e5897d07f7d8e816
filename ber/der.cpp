#include "ber/der.h"

#include <algorithm>
#include <cstring>

namespace hvcn::ber {
namespace {

struct Header {
  uint8_t tag = 0;
  bool indefinite = false;
  uint32_t length = 0;
  const uint8_t* contents = nullptr;
};

// identifier octets: the first, then for a tag number above 30 base-128
// digits, the last without its top bit; length octets: below 0x80 the
// length itself, 0x80 indefinite, else the count of big-endian octets that
// follow. The contents of a definite length must lie before `end`.
Fault ReadHeader(const uint8_t* p, const uint8_t* end, bool der, Header* h) noexcept {
  if (p >= end) return Fault::Truncated;
  h->tag = *p++;
  if ((h->tag & tag::kHighNumber) == tag::kHighNumber) {
    uint32_t number = 0;
    for (int digits = 0;; ++digits) {
      if (p >= end) return Fault::Truncated;
      const uint8_t digit = *p++;
      if ((digits == 0 && digit == 0x80) || digits == 4) return Fault::BadTag;
      number = number << 7 | (digit & 0x7Fu);
      if (!(digit & 0x80)) break;
    }
    if (der && number < tag::kHighNumber) return Fault::BadTag;
  }
  if (p >= end) return Fault::Truncated;
  const uint8_t first = *p++;
  h->indefinite = first == 0x80;
  h->length = first;
  if (h->indefinite) {
    if (der) return Fault::Indefinite;
    if (!tag::IsConstructed(h->tag)) return Fault::Primitive;
    h->length = 0;
  } else if (first > 0x80) {
    if (first == 0xFF) return Fault::BadLength;
    size_t octets = first & 0x7Fu;
    if (static_cast<size_t>(end - p) < octets) return Fault::Truncated;
    if (der && *p == 0) return Fault::LongLength;
    while (octets > 0 && *p == 0) ++p, --octets;  // BER: leading zero octets
    if (octets > 4) return Fault::BadLength;
    uint32_t length = 0;
    for (; octets > 0; --octets) length = length << 8 | *p++;
    if (der && length < 0x80) return Fault::LongLength;
    h->length = length;
  }
  h->contents = p;
  if (!h->indefinite && h->length > static_cast<size_t>(end - p)) return Fault::Truncated;
  return Fault::None;
}

// The end-of-contents that closes the contents starting at p: one pass,
// counting the indefinite lengths opened inside, skipping every definite
// element whole.
Fault FindEnd(const uint8_t* p, const uint8_t* end, const uint8_t** close) noexcept {
  int open = 0;
  for (;;) {
    if (end - p >= 2 && p[0] == tag::kEndOfContents && p[1] == 0) {
      if (open == 0) {
        *close = p;
        return Fault::None;
      }
      --open;
      p += 2;
      continue;
    }
    Header h;
    if (Fault fault = ReadHeader(p, end, false, &h); fault != Fault::None) return fault;
    if (h.indefinite) {
      if (++open > kMostOpen) return Fault::Deep;
      p = h.contents;
    } else {
      p = h.contents + h.length;
    }
  }
}

}  // namespace

bool DerBefore(const uint8_t* a, size_t aSize, const uint8_t* b, size_t bSize) noexcept {
  const size_t common = aSize < bSize ? aSize : bSize;
  if (const int order = std::memcmp(a, b, common); order != 0) return order < 0;
  const uint8_t* rest = bSize > aSize ? b + common : a + common;
  const uint8_t* restEnd = bSize > aSize ? b + bSize : a + aSize;
  const bool nonZero = std::any_of(rest, restEnd, [](uint8_t x) { return x != 0; });
  return bSize > aSize && nonZero;
}


Fault ReadElementLong(Span& in, bool der, Element* e) noexcept {
  Header h;
  if (Fault fault = ReadHeader(in.begin(), in.end(), der, &h); fault != Fault::None) return fault;
  const uint8_t* contentsEnd = h.contents + h.length;
  const uint8_t* next = contentsEnd;
  if (h.indefinite) {
    if (Fault fault = FindEnd(h.contents, in.end(), &contentsEnd); fault != Fault::None) return fault;
    next = contentsEnd + 2;
  }
  e->tag = h.tag;
  e->offset = in.offset();
  e->size = static_cast<uint32_t>(next - in.begin());
  e->contents = Span(h.contents, contentsEnd, in.begin() - in.offset());
  e->indefinite = h.indefinite;
  in = in.Rest(next);
  return Fault::None;
}

// ---------------------------------------------------------------------------

// A length of 128 or more: its octets after 0x80 | their count, the
// contents moved on to make room.
void Writer::CloseLong(size_t mark, size_t length) noexcept {
  size_t extra = 0;
  for (size_t rest = length; rest > 0; rest >>= 8) ++extra;
  if (out_ && !overflow_) {
    if (extra > size_ - position_) {
      overflow_ = true;
    } else {
      std::memmove(out_ + mark + 1 + extra, out_ + mark + 1, length);
      out_[mark] = static_cast<uint8_t>(0x80 | extra);
      for (size_t i = 0; i < extra; ++i) out_[mark + extra - i] = static_cast<uint8_t>(length >> (8 * i));
    }
  }
  position_ += extra;
}

void Writer::SortSetOf(const size_t* starts, size_t count) noexcept {
  if (!out_ || overflow_ || count < 2) return;
  constexpr size_t kMost = 64;
  size_t sizes[kMost];
  if (count > kMost) return;
  for (size_t i = 0; i < count; ++i) sizes[i] = (i + 1 < count ? starts[i + 1] : position_) - starts[i];
  // Insertion sort: each element rotated in front of the first sorted one
  // that it comes before.
  const size_t base = starts[0];
  size_t start = base;
  for (size_t i = 0; i < count; ++i) {
    uint8_t* element = out_ + start;
    const size_t size = sizes[i];
    size_t before = base, j = 0;
    while (j < i && !DerBefore(element, size, out_ + before, sizes[j])) before += sizes[j++];
    if (j < i) {
      std::rotate(out_ + before, element, element + size);
      for (size_t k = i; k > j; --k) sizes[k] = sizes[k - 1];
      sizes[j] = size;
    }
    start += size;
  }
}

}  // namespace hvcn::ber
