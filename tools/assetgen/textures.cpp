// pimo-textures: draws the game's textures and writes them as TGA files.
//   pimo-textures <output directory>
// Everything is computed here from fixed seeds, so a run always gives the same
// files. Drask pieces are sturdy (crate, brick, plank, stone), pimo pieces soft
// (jelly, ring, cushion, blob).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Colour {
    float r, g, b, a = 1.0f;
};

Colour mix(Colour p, Colour q, float t) {
    return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t,
            p.a + (q.a - p.a) * t};
}

Colour scale(Colour c, float k) {
    return {c.r * k, c.g * k, c.b * k, c.a};
}

float clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}

float smoothstep(float edge0, float edge1, float v) {
    const float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

float fract(float v) {
    return v - std::floor(v);
}

struct Image {
    int size;
    std::vector<Colour> pixels;  // top row first

    explicit Image(int n) : size(n), pixels(size_t(n) * size_t(n)) {}
    Colour& at(int x, int y) { return pixels[size_t(y) * size_t(size) + size_t(x)]; }
};

// Integer hash noise, so results do not depend on a library's random generator.
uint32_t hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x27d4eb2du ^ (y + 0x9e3779b9u) * 0x85ebca6bu ^ seed * 0xc2b2ae35u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

float random01(uint32_t x, uint32_t y, uint32_t seed) {
    return float(hash(x, y, seed) >> 8) / float(1u << 24);
}

// Value noise that repeats every `periodX` by `periodY` lattice cells, so textures tile.
float valueNoise(float x, float y, int periodX, int periodY, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const float tx = x - fx, ty = y - fy;
    const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    auto corner = [&](int dx, int dy) {
        const int cx = ((int(fx) + dx) % periodX + periodX) % periodX;
        const int cy = ((int(fy) + dy) % periodY + periodY) % periodY;
        return random01(uint32_t(cx), uint32_t(cy), seed);
    };
    const float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * sx;
    const float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * sx;
    return top + (bottom - top) * sy;
}

// Fractal noise over [0, 1) texture coordinates with `cellsU` by `cellsV` lattice
// cells at the coarsest octave; unequal counts stretch it.
float fbm(float u, float v, int cellsU, int cellsV, int octaves, uint32_t seed) {
    float sum = 0, amplitude = 0.5f, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude *
               valueNoise(u * float(cellsU), v * float(cellsV), cellsU, cellsV, seed + uint32_t(o));
        total += amplitude;
        amplitude *= 0.5f;
        cellsU *= 2;
        cellsV *= 2;
    }
    return sum / total;
}

float fbm(float u, float v, int cells, int octaves, uint32_t seed) {
    return fbm(u, v, cells, cells, octaves, seed);
}

// ---- drask: sturdy things ----

Colour woodGrain(float u, float v, Colour light, Colour dark, uint32_t seed) {
    // Growth rings cut lengthwise: bands along u, gently bent by noise stretched along u.
    const float bend = fbm(u, v, 2, 6, 3, seed);
    const float rings = fract(v * 7.0f + bend * 2.2f);
    const float band = smoothstep(0.0f, 0.35f, rings) * (1.0f - smoothstep(0.55f, 1.0f, rings));
    const float fibre = fbm(u, v, 4, 64, 2, seed + 11);
    const float t = 0.6f * band + 0.4f * fibre;
    return mix(light, dark, t);
}

Image plank() {
    Image image(128);
    const Colour light{0.80f, 0.60f, 0.36f}, dark{0.55f, 0.35f, 0.18f};
    const int boardHeight = 32;
    for (int y = 0; y < image.size; ++y) {
        const int board = y / boardHeight;
        const int inBoard = y % boardHeight;
        // Butt joints, staggered from board to board.
        const int joint = (board * 48 + 20) % image.size;
        for (int x = 0; x < image.size; ++x) {
            const float u = float(x) / float(image.size), v = float(y) / float(image.size);
            Colour c = woodGrain(u, v, light, dark, 100 + uint32_t(board));
            c = scale(c, 0.92f + 0.16f * random01(uint32_t(board), 0, 5));
            if (inBoard == 0 || inBoard == boardHeight - 1) c = scale(c, 0.45f);
            if (inBoard == 1) c = scale(c, 1.12f);
            if (x == joint) c = scale(c, 0.45f);
            if (x == (joint + 1) % image.size) c = scale(c, 1.1f);
            // Two nails at each end of a board.
            for (int nx : {joint - 5, joint + 6}) {
                for (int ny : {8, boardHeight - 9}) {
                    const float d =
                        std::hypot(float(x - (nx + image.size) % image.size), float(inBoard - ny));
                    if (d < 1.8f)
                        c = mix(Colour{0.25f, 0.25f, 0.27f}, Colour{0.6f, 0.6f, 0.62f},
                                d < 0.8f ? 0.8f : 0.1f);
                }
            }
            image.at(x, y) = c;
        }
    }
    return image;
}

Image crate() {
    Image image(128);
    const Colour light{0.86f, 0.66f, 0.40f}, dark{0.62f, 0.42f, 0.22f};
    const int frame = 14;
    for (int y = 0; y < image.size; ++y) {
        for (int x = 0; x < image.size; ++x) {
            const float u = float(x) / float(image.size), v = float(y) / float(image.size);
            const bool onFrame =
                x < frame || y < frame || x >= image.size - frame || y >= image.size - frame;
            // The brace runs from the bottom left to the top right corner.
            const float brace = std::fabs(float(x) + float(y) - float(image.size - 1)) / 1.4142f;
            Colour c;
            if (onFrame) {
                const bool upright = (x < frame || x >= image.size - frame);
                c = upright ? woodGrain(v, u, light, dark, 21) : woodGrain(u, v, light, dark, 22);
                c = scale(c, 0.88f);
                const int edge = std::min({x, y, image.size - 1 - x, image.size - 1 - y});
                const int inner = std::min({std::abs(x - frame), std::abs(y - frame),
                                            std::abs(x - (image.size - frame - 1)),
                                            std::abs(y - (image.size - frame - 1))});
                if (edge == 0 || inner == 0) c = scale(c, 0.5f);
                if (edge == 1) c = scale(c, 1.15f);
            } else if (brace < 9.0f) {
                c = woodGrain((u - v) * 0.7f, (u + v) * 0.7f, light, dark, 23);
                if (brace > 7.8f) c = scale(c, 0.55f);
            } else {
                // Slats behind the frame, in shadow.
                const int slat = (y - frame) / 25;
                c = scale(woodGrain(u, v, light, dark, 30 + uint32_t(slat)), 0.78f);
                if ((y - frame) % 25 == 0) c = scale(c, 0.5f);
                if (brace < 11.0f) c = scale(c, 0.7f);
            }
            // Nails at the frame's corners.
            for (int cx : {frame / 2, image.size - frame / 2 - 1}) {
                for (int cy : {frame / 2, image.size - frame / 2 - 1}) {
                    const float d = std::hypot(float(x - cx), float(y - cy));
                    if (d < 2.5f)
                        c = d < 1.2f ? Colour{0.75f, 0.75f, 0.78f} : Colour{0.2f, 0.2f, 0.22f};
                }
            }
            image.at(x, y) = c;
        }
    }
    return image;
}

// Flat colours only, so the run-length file stays small.
Image brick() {
    Image image(64);
    const int rowHeight = 16, brickWidth = 32, mortar = 2;
    for (int y = 0; y < image.size; ++y) {
        const int row = y / rowHeight, inRow = y % rowHeight;
        const int shift = (row % 2) * brickWidth / 2;
        for (int x = 0; x < image.size; ++x) {
            const int bx = (x + shift) % image.size;
            const int column = bx / brickWidth, inBrick = bx % brickWidth;
            Colour c;
            if (inRow < mortar || inBrick < mortar) {
                c = {0.72f, 0.70f, 0.64f};
            } else {
                const float k = random01(uint32_t(column), uint32_t(row), 77);
                c = mix(Colour{0.62f, 0.24f, 0.16f}, Colour{0.78f, 0.38f, 0.24f}, k);
                if (inRow == mortar || inBrick == mortar) c = scale(c, 1.15f);
                if (inRow == rowHeight - 1 || inBrick == brickWidth - 1) c = scale(c, 0.72f);
            }
            image.at(x, y) = c;
        }
    }
    return image;
}

// Granite: mottled grey with darker veins where two cells of a cell pattern meet.
Image stone() {
    Image image(128);
    const int cells = 5;
    for (int y = 0; y < image.size; ++y) {
        for (int x = 0; x < image.size; ++x) {
            const float u = float(x) / float(image.size), v = float(y) / float(image.size);
            float nearest = 9, second = 9;
            for (int cy = -1; cy <= cells; ++cy) {
                for (int cx = -1; cx <= cells; ++cx) {
                    const uint32_t wx = uint32_t((cx + cells) % cells);
                    const uint32_t wy = uint32_t((cy + cells) % cells);
                    const float px = (float(cx) + random01(wx, wy, 41)) / float(cells);
                    const float py = (float(cy) + random01(wx, wy, 42)) / float(cells);
                    const float d = std::hypot(u - px, v - py);
                    if (d < nearest) {
                        second = nearest;
                        nearest = d;
                    } else if (d < second) {
                        second = d;
                    }
                }
            }
            const float crack = 1.0f - smoothstep(0.0f, 0.02f, second - nearest);
            const float mottle = fbm(u, v, 8, 4, 43);
            const float speck = random01(uint32_t(x), uint32_t(y), 44);
            Colour c = mix(Colour{0.42f, 0.43f, 0.46f}, Colour{0.70f, 0.70f, 0.72f}, mottle);
            c = scale(c, 1.05f - 1.6f * nearest * nearest);  // boulders bulge
            if (speck > 0.93f) c = scale(c, 1.25f);
            if (speck < 0.05f) c = scale(c, 0.7f);
            image.at(x, y) = mix(c, Colour{0.2f, 0.2f, 0.22f}, crack * 0.85f);
        }
    }
    return image;
}

// ---- pimo: soft things ----

// See-through green jelly, more solid at its rim, with a glossy highlight and bubbles.
Image jelly() {
    Image image(64);
    const float n = float(image.size);
    for (int y = 0; y < image.size; ++y) {
        for (int x = 0; x < image.size; ++x) {
            const float u = (float(x) + 0.5f) / n, v = (float(y) + 0.5f) / n;
            const float r = std::hypot(u - 0.5f, v - 0.5f) / 0.7071f;
            Colour c = mix(Colour{0.55f, 0.95f, 0.45f, 0.62f}, Colour{0.15f, 0.62f, 0.30f, 0.9f},
                           smoothstep(0.1f, 1.0f, r));
            c = mix(c, Colour{0.45f, 0.85f, 0.40f, c.a}, 0.3f * fbm(u, v, 4, 3, 61));
            for (int b = 0; b < 6; ++b) {
                const float bx = 0.15f + 0.7f * random01(uint32_t(b), 0, 62);
                const float by = 0.15f + 0.7f * random01(uint32_t(b), 1, 62);
                const float radius = 0.03f + 0.04f * random01(uint32_t(b), 2, 62);
                const float d = std::hypot(u - bx, v - by) / radius;
                // A bubble: clear inside, a bright rim and a glint.
                if (d < 1.0f)
                    c = mix(c, Colour{0.80f, 1.0f, 0.75f, 0.7f}, 0.25f + 0.6f * d * d * d * d);
                const float glint = std::hypot(u - (bx - radius * 0.4f), v - (by - radius * 0.4f));
                if (glint < radius * 0.3f) c = mix(c, Colour{1, 1, 1, 1}, 0.8f);
            }
            const float shine = std::hypot(u - 0.32f, (v - 0.28f) * 1.6f);
            c = mix(c, Colour{1, 1, 1, 1}, 0.9f * (1.0f - smoothstep(0.04f, 0.16f, shine)));
            image.at(x, y) = c;
        }
    }
    return image;
}

// Concentric bands of flat colour: a run-length file of mostly long runs.
Image ring() {
    Image image(64);
    const Colour bands[] = {{0.98f, 0.55f, 0.70f}, {1.0f, 0.93f, 0.95f},  {0.62f, 0.42f, 0.90f},
                            {1.0f, 0.93f, 0.95f},  {0.45f, 0.80f, 0.95f}, {1.0f, 0.93f, 0.95f}};
    for (int y = 0; y < image.size; ++y) {
        for (int x = 0; x < image.size; ++x) {
            const float d = std::hypot(float(x) - 31.5f, float(y) - 31.5f);
            image.at(x, y) = bands[int(d / 4.0f) % 6];
        }
    }
    return image;
}

// Quilted cushion: puffy diamonds, stitched seams and a button where seams cross.
Image cushion() {
    Image image(128);
    const float cell = 32.0f;
    for (int y = 0; y < image.size; ++y) {
        for (int x = 0; x < image.size; ++x) {
            // Diamond coordinates: the seams are the lines x + y and x - y on the grid.
            const float a = (float(x) + float(y)) / cell, b = (float(x) - float(y)) / cell;
            const float fa = fract(a) - 0.5f, fb = fract(b) - 0.5f;
            const float puff = std::cos(fa * 3.14159f) * std::cos(fb * 3.14159f);
            const float light = 0.55f + 0.45f * puff + 0.25f * (fb - fa) * puff;
            Colour c = scale(Colour{0.93f, 0.62f, 0.78f}, light);
            c = mix(c, Colour{0.98f, 0.80f, 0.88f},
                    0.15f * fbm(float(x) / 128.0f, float(y) / 128.0f, 16, 2, 81));
            // Dashed stitches along the seams.
            const float seamA = std::fabs(fa) > 0.47f ? 1.0f : 0.0f;
            const float seamB = std::fabs(fb) > 0.47f ? 1.0f : 0.0f;
            if ((seamA > 0 && int(b * 8.0f + 64) % 2 == 0) ||
                (seamB > 0 && int(a * 8.0f + 64) % 2 == 0)) {
                c = Colour{0.99f, 0.95f, 0.97f};
            }
            // Buttons where the seams cross: on the grid and on the grid shifted by half a cell.
            auto offset = [cell](float p) { return p - cell * std::round(p / cell); };
            const float px = float(x), py = float(y), half = cell / 2;
            const float button = std::min(std::hypot(offset(px), offset(py)),
                                          std::hypot(offset(px - half), offset(py - half)));
            if (button < 3.5f) {
                c = mix(Colour{0.55f, 0.25f, 0.45f}, Colour{0.80f, 0.45f, 0.65f},
                        1.0f - button / 3.5f);
            }
            image.at(x, y) = c;
        }
    }
    return image;
}

// A soft orange blob with freckles, fading towards its edge.
Image blob() {
    Image image(64);
    const float n = float(image.size);
    for (int y = 0; y < image.size; ++y) {
        for (int x = 0; x < image.size; ++x) {
            const float u = (float(x) + 0.5f) / n, v = (float(y) + 0.5f) / n;
            const float wobble = 0.08f * (fbm(u, v, 4, 2, 91) - 0.5f);
            const float r = std::hypot(u - 0.5f, v - 0.5f) * 2.0f + wobble;
            Colour c = mix(Colour{1.0f, 0.82f, 0.35f, 1.0f}, Colour{0.95f, 0.45f, 0.15f, 1.0f},
                           smoothstep(0.0f, 1.0f, r));
            c.a = 1.0f - 0.35f * smoothstep(0.75f, 1.3f, r);
            // Freckles on a coarse grid, one in most cells.
            const int gx = x / 8, gy = y / 8;
            const float fx = float(gx * 8) + 2 + 4 * random01(uint32_t(gx), uint32_t(gy), 92);
            const float fy = float(gy * 8) + 2 + 4 * random01(uint32_t(gx), uint32_t(gy), 93);
            if (random01(uint32_t(gx), uint32_t(gy), 94) < 0.7f &&
                std::hypot(float(x) - fx, float(y) - fy) < 1.3f) {
                c = mix(c, Colour{0.70f, 0.30f, 0.10f, c.a}, 0.7f);
            }
            image.at(x, y) = c;
        }
    }
    return image;
}

// ---- TGA output ----

enum class Depth { kRgb = 24, kRgba = 32 };
enum class Packing { kRaw, kRunLength };

// Writes a bottom-up TGA (the usual origin), rows and packets never spanning rows.
bool writeTga(const std::string& path, Image& image, Depth depth, Packing packing) {
    const int bytes = depth == Depth::kRgb ? 3 : 4;
    const uint8_t descriptor = depth == Depth::kRgba ? 8 : 0;  // alpha bits
    const uint8_t header[18] = {0,
                                0,
                                uint8_t(packing == Packing::kRaw ? 2 : 10),
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                uint8_t(image.size),
                                uint8_t(image.size >> 8),
                                uint8_t(image.size),
                                uint8_t(image.size >> 8),
                                uint8_t(depth),
                                descriptor};
    std::vector<uint8_t> out(header, header + sizeof header);
    auto toByte = [](float v) { return uint8_t(std::lround(clamp01(v) * 255.0f)); };
    for (int y = image.size - 1; y >= 0; --y) {
        std::vector<std::vector<uint8_t>> row;
        for (int x = 0; x < image.size; ++x) {
            const Colour& c = image.at(x, y);
            std::vector<uint8_t> pixel = {toByte(c.b), toByte(c.g), toByte(c.r)};
            if (bytes == 4) pixel.push_back(toByte(c.a));
            row.push_back(pixel);
        }
        if (packing == Packing::kRaw) {
            for (const auto& pixel : row) out.insert(out.end(), pixel.begin(), pixel.end());
            continue;
        }
        size_t x = 0;
        while (x < row.size()) {
            size_t run = 1;
            while (x + run < row.size() && run < 128 && row[x + run] == row[x]) ++run;
            if (run >= 2) {
                out.push_back(uint8_t(127 + run));
                out.insert(out.end(), row[x].begin(), row[x].end());
                x += run;
                continue;
            }
            // Raw pixels up to the next pair of equal ones.
            size_t count = 1;
            while (x + count < row.size() && count < 128 &&
                   !(x + count + 1 < row.size() && row[x + count] == row[x + count + 1])) {
                ++count;
            }
            out.push_back(uint8_t(count - 1));
            for (size_t i = 0; i < count; ++i)
                out.insert(out.end(), row[x + i].begin(), row[x + i].end());
            x += count;
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pimo-textures <output directory>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    struct Output {
        const char* name;
        Image (*draw)();
        Depth depth;
        Packing packing;
    };
    const Output outputs[] = {
        {"crate.tga", crate, Depth::kRgb, Packing::kRaw},
        {"brick.tga", brick, Depth::kRgb, Packing::kRunLength},
        {"plank.tga", plank, Depth::kRgb, Packing::kRaw},
        {"stone.tga", stone, Depth::kRgb, Packing::kRaw},
        {"jelly.tga", jelly, Depth::kRgba, Packing::kRaw},
        {"ring.tga", ring, Depth::kRgb, Packing::kRunLength},
        {"cushion.tga", cushion, Depth::kRgb, Packing::kRaw},
        {"blob.tga", blob, Depth::kRgba, Packing::kRunLength},
    };
    for (const Output& o : outputs) {
        Image image = o.draw();
        if (!writeTga(dir + o.name, image, o.depth, o.packing)) {
            std::fprintf(stderr, "pimo-textures: cannot write %s%s\n", dir.c_str(), o.name);
            return 1;
        }
    }
    return 0;
}
