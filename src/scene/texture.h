#pragma once

#include <cstdint>
#include <memory>

// GL pixel formats, spelled out so the core needs no GL header.
inline constexpr uint32_t kGlRgb = 0x1907;
inline constexpr uint32_t kGlRgba = 0x1908;

inline constexpr int kTextureNameSize = 256;

// One image of a piece: filled by loadTga, uploaded to GL by the piece loader's
// uploader, shared by the pieces using it and released with the last of them
// (content/texture_cache.h).
struct Texture {
    Texture();

    std::unique_ptr<uint8_t[]>
        pixels;  // width * height * bytesPerPixel, rows in file order, RGB(A)
    uint32_t imageSize = 0;
    uint32_t bitsPerPixel = 0;
    uint32_t bytesPerPixel = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t glName = 0;
    uint32_t glFormat = 0;
    char name[kTextureNameSize] = {};
    // Creation order. The world root groups triangles by texture in this order
    // rather than by heap address, so the order is the same on every platform.
    uint64_t serial;
};
