#include "render/picture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/gl.h"

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

Picture readPicture(int32_t width, int32_t height) {
    Picture picture;
    if (width <= 0 || height <= 0) return picture;
    picture.width = width;
    picture.height = height;
    const size_t row = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> bottomUp(row * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    picture.rgb.resize(bottomUp.size());
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(&picture.rgb[static_cast<size_t>(height - 1 - y) * row],
                    &bottomUp[static_cast<size_t>(y) * row], row);
    return picture;
}

std::vector<uint8_t> encodePng(const Picture& picture) {
    std::vector<uint8_t> bytes;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() != static_cast<size_t>(picture.width) * picture.height * 3)
        return bytes;
    const auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        const auto* begin = static_cast<const uint8_t*>(data);
        out->insert(out->end(), begin, begin + size);
    };
    if (!stbi_write_png_to_func(append, &bytes, picture.width, picture.height, 3,
                                picture.rgb.data(), picture.width * 3))
        bytes.clear();
    return bytes;
}

bool writePng(const std::string& path, const Picture& picture, std::string& error) {
    const std::vector<uint8_t> bytes = encodePng(picture);
    if (bytes.empty()) {
        error = "Could not encode the picture for " + path;
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "Could not write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        error = "Could not write " + path;
        std::remove(path.c_str());
        return false;
    }
    return true;
}
