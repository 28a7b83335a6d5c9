#include "render/screenshot.h"

#include <vector>

#include "content/numbered_file.h"
#include "render/picture.h"

std::string saveScreenshot(int32_t width, int32_t height, std::string& error) {
    const std::vector<uint8_t> bytes = encodePng(readPicture(width, height));
    if (bytes.empty()) {
        error = "Could not encode the screenshot";
        return "";
    }
    return writeNumberedFile("screenshot-%04d.png", "screenshot", bytes, error);
}
