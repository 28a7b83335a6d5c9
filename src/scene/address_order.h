#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

// Sorts pointers by address. Freeing thousands of records in address order lets
// the allocator find the neighbours it merges with still in cache; a radix sort
// over the bits in which the addresses differ keeps the sort itself cheap.
template <typename T>
void sortByAddress(std::vector<T*>& pointers) {
    if (pointers.size() < 2) return;
    uintptr_t low = UINTPTR_MAX;
    uintptr_t high = 0;
    uintptr_t differ = 0;
    const uintptr_t first = reinterpret_cast<uintptr_t>(pointers.front());
    for (T* p : pointers) {
        const uintptr_t a = reinterpret_cast<uintptr_t>(p);
        low = a < low ? a : low;
        high = a > high ? a : high;
        differ |= a ^ first;
    }
    if (differ == 0) return;
    constexpr int kBits = 11;
    constexpr std::size_t kBuckets = std::size_t{1} << kBits;
    std::vector<T*> other(pointers.size());
    std::array<std::size_t, kBuckets> start;
    // Bits below the lowest one that differs are the same in every address.
    for (int shift = std::countr_zero(differ);
         shift < std::numeric_limits<uintptr_t>::digits && ((high - low) >> shift) != 0;
         shift += kBits) {
        auto bucket = [&](const T* p) {
            return static_cast<std::size_t>(((reinterpret_cast<uintptr_t>(p) - low) >> shift) &
                                            (kBuckets - 1));
        };
        start.fill(0);
        for (const T* p : pointers) ++start[bucket(p)];
        std::size_t at = 0;
        for (std::size_t& s : start) at += std::exchange(s, at);
        for (T* p : pointers) other[start[bucket(p)]++] = p;
        pointers.swap(other);
    }
}
