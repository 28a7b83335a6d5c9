#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <vector>

// Little-endian records, as the game's files store them. The reader trusts its
// caller to have checked that the bytes are there.
class ByteReader {
  public:
    ByteReader(const uint8_t* data, std::size_t size) : data(data), size(size) {}

    std::size_t remaining() const { return size - pos; }
    std::size_t offset() const { return pos; }
    uint32_t u32() {
        const uint8_t* b = data + pos;
        pos += 4;
        return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32() {
        const uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    uint8_t u8() { return data[pos++]; }
    void bytes(uint8_t* out, std::size_t n) {
        if (n == 0) return;  // an empty vector's data() may be null
        std::memcpy(out, data + pos, n);
        pos += n;
    }
    void skip(std::size_t n) { pos += n; }

  private:
    const uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

// Appends to `out`, which it grows ahead of the writes; finish() trims it to
// what was written, and must come before `out` is used.
class ByteWriter {
  public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out(out), used(out.size()) {}
    std::size_t size() const { return used; }
    void finish() { out.resize(used); }
    // Room for n more bytes at once, where the caller knows what is coming.
    void expect(std::size_t n) {
        if (used + n > out.size()) out.resize(used + n);
    }

    void u32(uint32_t v) {
        uint8_t* p = room(4);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
        p[3] = static_cast<uint8_t>(v >> 24);
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        u32(bits);
    }
    void u8(uint8_t v) { *room(1) = v; }
    void bytes(const uint8_t* p, std::size_t n) {
        if (n > 0) std::memcpy(room(n), p, n);
    }
    void zeros(std::size_t n) {
        if (n > 0) std::memset(room(n), 0, n);
    }

  private:
    uint8_t* room(std::size_t n) {
        if (used + n > out.size()) out.resize(std::max(used + n, out.size() * 2 + 256));
        uint8_t* p = out.data() + used;
        used += n;
        return p;
    }

    std::vector<uint8_t>& out;
    std::size_t used;
};
