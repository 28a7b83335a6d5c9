#include "picture_check.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#define STBI_ONLY_PNG
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

std::string referencePath(const std::string& name) {
    return std::string(PIMO_PICTURES) + "/" + name + ".png";
}

std::string outputPath(const std::string& name) {
    std::filesystem::create_directories(PIMO_PICTURES_OUT);
    return std::string(PIMO_PICTURES_OUT) + "/" + name;
}

}  // namespace

Picture loadPng(const std::string& path) {
    Picture picture;
    int width = 0, height = 0, channels = 0;
    stbi_uc* data = stbi_load(path.c_str(), &width, &height, &channels, 3);
    if (data == nullptr) return picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.assign(data, data + static_cast<size_t>(width) * height * 3);
    stbi_image_free(data);
    return picture;
}

std::string checkPicture(const std::string& name, const Picture& actual) {
    std::string error;
    const char* update = std::getenv("PIMO_UPDATE_PICTURES");
    if (update != nullptr && std::string(update) == "1")
        return writePng(referencePath(name), actual, error) ? "" : error;
    const Picture expected = loadPng(referencePath(name));
    if (expected.rgb.empty()) {
        writePng(outputPath(name + "-actual.png"), actual, error);
        return "no reference picture " + referencePath(name);
    }
    if (expected.width != actual.width || expected.height != actual.height)
        return "the picture is " + std::to_string(actual.width) + " x " +
               std::to_string(actual.height) + ", the reference " + std::to_string(expected.width) +
               " x " + std::to_string(expected.height);

    Picture diff = expected;
    long differing = 0;
    int worst = 0;
    for (size_t i = 0; i < actual.rgb.size(); i += 3) {
        int largest = 0;
        for (size_t c = 0; c < 3; ++c)
            largest =
                std::max(largest, std::abs(int(actual.rgb[i + c]) - int(expected.rgb[i + c])));
        worst = std::max(worst, largest);
        const bool differs = largest > kChannelTolerance;
        if (differs) ++differing;
        const uint8_t grey = static_cast<uint8_t>(
            (expected.rgb[i] + expected.rgb[i + 1] + expected.rgb[i + 2]) / 12);
        diff.rgb[i] = differs ? 255 : grey;
        diff.rgb[i + 1] = diff.rgb[i + 2] = differs ? 0 : grey;
    }
    if (differing <= kDifferingPixels) return "";
    const std::string actualPath = outputPath(name + "-actual.png");
    const std::string diffPath = outputPath(name + "-diff.png");
    writePng(actualPath, actual, error);
    writePng(diffPath, diff, error);
    return std::to_string(differing) + " pixels differ from " + referencePath(name) +
           " (largest channel difference " + std::to_string(worst) + "); see " + actualPath +
           " and " + diffPath;
}
