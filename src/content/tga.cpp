#include "content/tga.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "content/piece_source.h"
#include "content/report.h"
#include "scene/texture.h"

namespace {

constexpr uint8_t kUncompressedHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kRunLengthHeader[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

struct ImageInfo {
    uint32_t bytesPerPixel;
    uint32_t pixelCount;
    uint32_t imageSize;
};

// The file loadTga is reading, so a failure's line can name it; readTga on an
// open file has no name to give.
const char* currentPath = nullptr;

// `text` is the box's own wording; `reason` says the same to someone reading
// debug.txt, who also needs the file's name.
bool fail(Texture& texture, std::FILE* file, const char* text, const char* reason,
          const char* caption = "ERROR") {
    if (currentPath != nullptr)
        report({text, caption}, Severity::error, "Unable to load texture %s: %s", currentPath,
               reason);
    else
        report({text, caption}, Severity::error, nullptr);
    std::fclose(file);
    texture.pixels.reset();
    return false;
}

// Bytes from the current position to the end of the file, or -1 where the
// stream cannot tell. Lets a header that promises more than the file holds be
// refused before anything is allocated for it.
int64_t bytesLeft(std::FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return -1;
    return end - here;
}

bool readImageInfo(Texture& texture, std::FILE* file, ImageInfo& image) {
    uint8_t info[6];
    if (std::fread(info, 1, sizeof info, file) != sizeof info) {
        return fail(texture, file, "Could not read info header",
                    "it ends inside the image description");
    }
    texture.width = info[0] + 256u * info[1];
    texture.height = info[2] + 256u * info[3];
    texture.bitsPerPixel = info[4];
    const uint64_t pixelCount = uint64_t{texture.width} * texture.height;
    const uint64_t imageSize = pixelCount * (texture.bitsPerPixel / 8);
    if (texture.width == 0 || texture.height == 0 ||
        (texture.bitsPerPixel != 24 && texture.bitsPerPixel != 32) || imageSize > UINT32_MAX) {
        return fail(texture, file, "Invalid texture information",
                    "width or height 0, or not 24 or 32 bits per pixel");
    }
    texture.glFormat = texture.bitsPerPixel == 24 ? kGlRgb : kGlRgba;
    texture.bytesPerPixel = texture.bitsPerPixel / 8;
    image = {texture.bytesPerPixel, static_cast<uint32_t>(pixelCount),
             static_cast<uint32_t>(imageSize)};
    return true;
}

bool allocatePixels(Texture& texture, std::FILE* file, uint32_t imageSize) {
    texture.pixels.reset(new (std::nothrow) uint8_t[imageSize]);
    texture.imageSize = imageSize;
    if (!texture.pixels)
        return fail(texture, file, "Could not allocate memory for image",
                    "not enough memory for the image");
    return true;
}

}  // namespace

bool loadTga(Texture& texture, const char* path) {
    // Only plain files: a name from a piece file could point at a pipe or a
    // device, and opening or reading that could block the game for ever.
    std::FILE* file = isRegularFile(path) ? std::fopen(path, "rb") : nullptr;
    if (!file) {
        report(Severity::error, "Unable to open %s", path);
        texture.pixels.reset();
        return false;
    }
    currentPath = path;
    const bool loaded = readTga(texture, file);
    currentPath = nullptr;
    return loaded;
}

bool readTga(Texture& texture, std::FILE* file) {
    uint8_t header[12];
    if (std::fread(header, 1, sizeof header, file) != sizeof header) {
        return fail(texture, file, "Could not read file header", "shorter than a TGA header");
    }
    bool loaded;
    if (std::memcmp(header, kUncompressedHeader, sizeof header) == 0) {
        loaded = readUncompressed(texture, file);
    } else if (std::memcmp(header, kRunLengthHeader, sizeof header) == 0) {
        loaded = readRunLength(texture, file);
    } else {
        return fail(texture, file, "TGA file must be type 2 or type 10 ",
                    "not an uncompressed or run-length true-colour TGA", "Invalid Image");
    }
    texture.bytesPerPixel = texture.bitsPerPixel / 8;
    return loaded;
}

bool readUncompressed(Texture& texture, std::FILE* file) {
    texture.pixels.reset();
    ImageInfo image;
    if (!readImageInfo(texture, file, image)) return false;
    const int64_t left = bytesLeft(file);
    if (left >= 0 && left < image.imageSize)
        return fail(texture, file, "Could not read image data", "it ends before the last pixel");
    if (!allocatePixels(texture, file, image.imageSize)) return false;

    uint8_t* pixels = texture.pixels.get();
    if (std::fread(pixels, 1, image.imageSize, file) != image.imageSize) {
        return fail(texture, file, "Could not read image data", "it ends before the last pixel");
    }
    for (uint32_t i = 0; i < image.imageSize; i += image.bytesPerPixel) {
        const uint8_t blue = pixels[i];
        pixels[i] = pixels[i + 2];
        pixels[i + 2] = blue;
    }
    std::fclose(file);
    return true;
}

namespace {

struct Failure {
    const char* text;    // the box's words
    const char* reason;  // the same for debug.txt
};
constexpr Failure kEndsEarly{"Could not read image data", "it ends before the last pixel"};
constexpr Failure kNoPacket{"Could not read RLE header", "it ends before the last pixel"};
constexpr Failure kNoRunPixel{"Could not read from file", "it ends before the last pixel"};
constexpr Failure kTooMany{"Too many pixels read", "a run-length packet runs past the last pixel"};

// Decodes the packets into `out`, or with no `out` only walks them; returns the
// failure the reading meets, or one with no text.
Failure decodeRunLength(std::FILE* file, const ImageInfo& image, uint8_t* out) {
    const uint32_t bpp = image.bytesPerPixel;
    uint32_t stored = 0;
    uint8_t colour[4] = {};
    auto store = [&] {
        if (stored == image.pixelCount) return false;
        if (out != nullptr) {
            out[0] = colour[2];
            out[1] = colour[1];
            out[2] = colour[0];
            if (bpp == 4) out[3] = colour[3];
            out += bpp;
        }
        ++stored;
        return true;
    };

    while (stored < image.pixelCount) {
        const int header = std::fgetc(file);
        if (header == EOF) return kNoPacket;
        if (header < 128) {
            for (int i = 0; i <= header; ++i) {
                if (std::fread(colour, 1, bpp, file) != bpp) return kEndsEarly;
                if (!store()) return kTooMany;
            }
        } else {
            if (std::fread(colour, 1, bpp, file) != bpp) return kNoRunPixel;
            for (int i = 0; i < header - 127; ++i) {
                if (!store()) return kTooMany;
            }
        }
    }
    return {nullptr, nullptr};
}

}  // namespace

bool readRunLength(Texture& texture, std::FILE* file) {
    texture.pixels.reset();
    ImageInfo image;
    if (!readImageInfo(texture, file, image)) return false;
    // At its most compact every 128 pixels take one packet header and one pixel.
    // A file shorter than that cannot hold the image: walk its packets without
    // allocating, so it fails with the message the reading itself meets.
    const uint64_t leastEncoded =
        (uint64_t{image.pixelCount} + 127) / 128 * (1 + image.bytesPerPixel);
    const int64_t left = bytesLeft(file);
    if (left >= 0 && static_cast<uint64_t>(left) < leastEncoded) {
        Failure failure = decodeRunLength(file, image, nullptr);
        if (failure.text == nullptr) failure = kNoPacket;
        return fail(texture, file, failure.text, failure.reason);
    }
    if (!allocatePixels(texture, file, image.imageSize)) return false;
    const Failure failure = decodeRunLength(file, image, texture.pixels.get());
    if (failure.text != nullptr) return fail(texture, file, failure.text, failure.reason);
    std::fclose(file);
    return true;
}

void makeFallbackTexture(Texture& texture) {
    if (texture.pixels) return;
    static constexpr uint8_t kChecker[12] = {255, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 255};
    texture.pixels = std::make_unique<uint8_t[]>(sizeof kChecker);
    std::memcpy(texture.pixels.get(), kChecker, sizeof kChecker);
    texture.imageSize = sizeof kChecker;
    texture.bitsPerPixel = 24;
    texture.bytesPerPixel = 3;
    texture.width = 2;
    texture.height = 2;
    texture.glFormat = kGlRgb;
}
