#pragma once

#include <cstdint>
#include <vector>

// Header fields of the files the generators write (WAV, ICO), least significant byte first.

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}
