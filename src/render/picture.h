#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An RGB picture, top row first, as image files store it.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;

    const uint8_t* pixel(int32_t x, int32_t y) const {
        return &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) *
                    3];
    }
};

// What the current GL context's read buffer holds, from its bottom-left corner.
Picture readPicture(int32_t width, int32_t height);

// The picture as PNG file bytes; empty if it could not be encoded.
std::vector<uint8_t> encodePng(const Picture& picture);

// Writes the picture as a PNG file, replacing what is there.
bool writePng(const std::string& path, const Picture& picture, std::string& error);
