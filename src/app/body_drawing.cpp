#include "app/body_drawing.h"

#include <algorithm>
#include <utility>

#include "app/folder_files.h"
#include "app/view.h"

namespace {

// A folder without images still needs a name for the body's texture, which
// then draws as a missing image does.
constexpr const char* kNoImage = "blob.tga";

}  // namespace

void BodyDrawing::toggle() {
    drawing = !drawing;
    if (!drawing) {
        drag = false;
        points.clear();
        return;
    }
    if (image.empty()) {
        const std::vector<std::string> images = folderFiles(".tga");
        image = images.empty() ? kNoImage : images.front();
    }
}

void BodyDrawing::nextFamily() {
    bodyFamily = bodyFamily == BodyFamily::Sturdy ? BodyFamily::Soft : BodyFamily::Sturdy;
}

void BodyDrawing::choose(BodyFamily family, const std::string& texture) {
    bodyFamily = family;
    const std::vector<std::string> images = folderFiles(".tga");
    if (std::binary_search(images.begin(), images.end(), texture)) image = texture;
}

void BodyDrawing::nextTexture() {
    const std::vector<std::string> images = folderFiles(".tga");
    if (images.empty()) return;
    const auto next = std::upper_bound(images.begin(), images.end(), image);
    image = next == images.end() ? images.front() : *next;
}

std::string BodyDrawing::status() const {
    return std::string("drawing: ") + familyName(bodyFamily) + ", " + image;
}

void BodyDrawing::take(float windowX, float windowY, const View& view) {
    points.push_back({view.worldX(windowX), view.worldY(windowY)});
    lastX = windowX;
    lastY = windowY;
}

void BodyDrawing::begin(float windowX, float windowY, const View& view) {
    points.clear();
    drag = true;
    take(windowX, windowY, view);
}

void BodyDrawing::extend(float windowX, float windowY, const View& view) {
    if (!drag || points.size() >= kMaxOutlinePoints) return;
    const float dx = windowX - lastX;
    const float dy = windowY - lastY;
    if (dx * dx + dy * dy < kPointPixels * kPointPixels) return;
    take(windowX, windowY, view);
}

std::vector<OutlinePoint> BodyDrawing::finish() {
    drag = false;
    return std::exchange(points, {});
}
