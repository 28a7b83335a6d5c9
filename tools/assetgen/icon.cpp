// pimo-icon: draws the game's icon, a soft-body blob on the game's black, and writes
//   OUT/pimo-drask-SIZE.png for the Linux desktop (48, 64, 128, 256)
//   OUT/pimo-drask.ico for the Windows programs and installer (16, 32, 48, 256)
//   pimo-icon <output directory>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "little_endian.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

constexpr float kPi = 3.14159265f;
// Samples per pixel along each axis: edges are smoothed by averaging.
constexpr int kSamples = 4;

struct Rgba {
    float r, g, b, a;
};

Rgba over(Rgba top, Rgba under) {
    const float a = top.a + under.a * (1 - top.a);
    if (a <= 0) return {0, 0, 0, 0};
    auto blend = [&](float t, float u) { return (t * top.a + u * under.a * (1 - top.a)) / a; };
    return {blend(top.r, under.r), blend(top.g, under.g), blend(top.b, under.b), a};
}

float smoothstep(float edge0, float edge1, float v) {
    const float t = std::clamp((v - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// The blob's outline: a circle squashed as if it had just landed, with a wobble.
float outline(float angle) {
    return 0.34f + 0.025f * std::sin(3 * angle + 0.6f) + 0.015f * std::sin(5 * angle);
}

// One sample at (u, v), both 0..1 with v downwards.
Rgba sample(float u, float v) {
    Rgba c{0, 0, 0, 0};
    // The game's black world, a rounded square.
    const float corner = 0.16f;
    const float qx = std::max(std::fabs(u - 0.5f) - (0.5f - corner), 0.0f);
    const float qy = std::max(std::fabs(v - 0.5f) - (0.5f - corner), 0.0f);
    if (std::hypot(qx, qy) < corner) c = {0.02f, 0.02f, 0.04f, 1};
    // The floor it rests on.
    if (v > 0.86f && v < 0.9f && u > 0.08f && u < 0.92f) c = {0.25f, 0.25f, 0.3f, 1};

    const float x = (u - 0.5f) / 1.12f, y = (v - 0.55f) / 0.92f;
    const float angle = std::atan2(y, x);
    const float r = std::hypot(x, y) / outline(angle);
    if (r < 1) {
        // The orange of the blob texture, lighter up and to the left.
        const float light = std::hypot(u - 0.38f, v - 0.38f) * 2.2f;
        Rgba body{1.0f, 0.82f, 0.35f, 1};
        const Rgba rim{0.95f, 0.45f, 0.15f, 1};
        const float t = smoothstep(0.0f, 1.0f, std::max(r * r, light * 0.8f));
        body = {body.r + (rim.r - body.r) * t, body.g + (rim.g - body.g) * t,
                body.b + (rim.b - body.b) * t, 1};
        c = over(body, c);
        const float shine = std::hypot(u - 0.4f, (v - 0.4f) * 1.5f);
        c = over({1, 1, 1, 0.8f * (1 - smoothstep(0.02f, 0.08f, shine))}, c);
    }
    // Its atoms, in the green the game draws links and loose atoms in.
    for (int k = 0; k < 10; ++k) {
        const float a = 2 * kPi * float(k) / 10 + 0.3f;
        const float ar = outline(a);
        const float ax = 0.5f + 1.12f * ar * std::cos(a), ay = 0.55f + 0.92f * ar * std::sin(a);
        if (std::hypot(u - ax, v - ay) < 0.035f) c = over({0.1f, 1.0f, 0.1f, 1}, c);
    }
    return c;
}

// RGBA bytes, top row first.
std::vector<uint8_t> draw(int size) {
    std::vector<uint8_t> pixels(size_t(size) * size_t(size) * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const float u = (float(x) + (float(sx) + 0.5f) / kSamples) / float(size);
                    const float v = (float(y) + (float(sy) + 0.5f) / kSamples) / float(size);
                    const Rgba c = sample(u, v);
                    r += c.r * c.a, g += c.g * c.a, b += c.b * c.a, a += c.a;
                }
            uint8_t* p = &pixels[(size_t(y) * size_t(size) + size_t(x)) * 4];
            auto byte = [](float v) {
                return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
            };
            p[0] = byte(a > 0 ? r / a : 0);
            p[1] = byte(a > 0 ? g / a : 0);
            p[2] = byte(a > 0 ? b / a : 0);
            p[3] = byte(a / (kSamples * kSamples));
        }
    return pixels;
}

void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

std::vector<uint8_t> png(int size) {
    std::vector<uint8_t> bytes;
    const std::vector<uint8_t> pixels = draw(size);
    stbi_write_png_to_func(appendBytes, &bytes, size, size, 4, pixels.data(), size * 4);
    return bytes;
}

// An icon image as a 32-bit bitmap (its height doubled for the empty AND mask), as
// every Windows version reads it; the large one stays PNG, as Windows allows there.
std::vector<uint8_t> bitmap(int size) {
    const std::vector<uint8_t> pixels = draw(size);
    const uint32_t maskRow = uint32_t((size + 31) / 32 * 4);
    std::vector<uint8_t> out;
    for (uint32_t v : {40u, uint32_t(size), uint32_t(size * 2)}) put32(out, v);
    put16(out, 1);
    put16(out, 32);
    for (int k = 0; k < 6; ++k) put32(out, 0);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) {
            const uint8_t* p = &pixels[(size_t(y) * size_t(size) + size_t(x)) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    out.resize(out.size() + maskRow * uint32_t(size), 0);
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: pimo-icon OUTPUT_DIRECTORY\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    for (int size : {48, 64, 128, 256}) {
        const std::string path = folder + "/pimo-drask-" + std::to_string(size) + ".png";
        if (!writeFile(path, png(size))) {
            std::fprintf(stderr, "pimo-icon: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const int sizes[] = {16, 32, 48, 256};
    std::vector<std::vector<uint8_t>> images;
    for (int size : sizes) images.push_back(size == 256 ? png(size) : bitmap(size));
    std::vector<uint8_t> ico;
    put16(ico, 0);
    put16(ico, 1);
    put16(ico, uint32_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t k = 0; k < images.size(); ++k) {
        ico.push_back(uint8_t(sizes[k] & 0xff));  // 0 stands for 256
        ico.push_back(uint8_t(sizes[k] & 0xff));
        ico.push_back(0);
        ico.push_back(0);
        put16(ico, 1);
        put16(ico, 32);
        put32(ico, uint32_t(images[k].size()));
        put32(ico, offset);
        offset += uint32_t(images[k].size());
    }
    for (const auto& image : images) ico.insert(ico.end(), image.begin(), image.end());
    const std::string path = folder + "/pimo-drask.ico";
    if (!writeFile(path, ico)) {
        std::fprintf(stderr, "pimo-icon: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
