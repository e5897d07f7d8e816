// An in-place heap sort over records the caller reaches by index: no
// allocation, no recursion, n log n comparisons whatever the order. Tables
// that live in a caller's memory (records of any alignment, read and
// written with memcpy) are sorted with it.
#pragma once

#include <cstdint>

namespace hvcn {

// Sorts records 0 to count - 1: less(i, k) orders two of them, swap(i, k)
// exchanges them.
template <typename Less, typename Swap>
void HeapSort(uint32_t count, const Less& less, const Swap& swap) noexcept {
  const auto siftDown = [&](uint32_t i, uint32_t end) noexcept {
    for (;;) {
      uint32_t largest = i;
      const uint64_t left = 2 * uint64_t{i} + 1, right = left + 1;
      if (left < end && less(largest, static_cast<uint32_t>(left))) largest = static_cast<uint32_t>(left);
      if (right < end && less(largest, static_cast<uint32_t>(right))) largest = static_cast<uint32_t>(right);
      if (largest == i) return;
      swap(i, largest);
      i = largest;
    }
  };
  for (uint32_t i = count / 2; i-- > 0;) siftDown(i, count);
  for (uint32_t end = count; end-- > 1;) {
    swap(0, end);
    siftDown(0, end);
  }
}

}  // namespace hvcn
