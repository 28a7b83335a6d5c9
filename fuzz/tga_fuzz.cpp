// Feeds arbitrary bytes to the TGA loader as if they were an image file.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "content/report.h"
#include "scene/texture.h"
#include "content/tga.h"

namespace {
int silent(const char*, const char*, unsigned) {
    return 1;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    setMessageBoxHandler(silent);
    // fmemopen refuses an empty buffer; an empty temporary file stands in.
    std::FILE* file = size == 0 ? std::tmpfile() : fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return 0;

    Texture texture;
    if (readTga(texture, file)) {
        const uint64_t expected = uint64_t{texture.width} * texture.height * texture.bytesPerPixel;
        if (!texture.pixels || texture.imageSize != expected) __builtin_trap();
        // Touch every byte so a short buffer shows up under the address sanitizer.
        volatile uint8_t sum = 0;
        for (uint32_t i = 0; i < texture.imageSize; ++i) sum = sum + texture.pixels[i];
    } else if (texture.pixels) {
        __builtin_trap();
    }
    return 0;
}
