#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

// A fixed-size bit set whose every access is range-checked and throws
// std::out_of_range("invalid bitset<N> position") before touching anything.
template <std::size_t N>
class FixedBitSet {
  public:
    static constexpr std::size_t kSize = N;
    static constexpr std::size_t kWords = (N + 31) / 32;

    bool test(std::size_t i) const {
        check(i);
        return (words[i >> 5] >> (i & 31)) & 1u;
    }
    // For hot loops whose indices are valid by construction.
    bool testUnchecked(std::size_t i) const {
        assert(i < N);
        return (words[i >> 5] >> (i & 31)) & 1u;
    }
    void set(std::size_t i) {
        check(i);
        words[i >> 5] |= 1u << (i & 31);
    }
    void reset(std::size_t i) {
        check(i);
        words[i >> 5] &= ~(1u << (i & 31));
    }
    void clearAll() {
        for (auto& w : words) w = 0;
    }

    uint32_t words[kWords];

    [[noreturn]] static void outOfRange() { throw std::out_of_range("invalid bitset<N> position"); }

  private:
    static void check(std::size_t i) {
        if (i >= N) outOfRange();
    }
};
