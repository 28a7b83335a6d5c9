#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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

class ByteWriter {
  public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out(out) {}
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        u32(bits);
    }
    void u8(uint8_t v) { out.push_back(v); }
    void bytes(const uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); }
    void zeros(std::size_t n) { out.insert(out.end(), n, 0); }

  private:
    std::vector<uint8_t>& out;
};
