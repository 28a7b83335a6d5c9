#include "app/view.h"

#include <algorithm>

#include "platform/gl.h"
#include "render/gl_state.h"
#include "scene/display.h"

namespace {

constexpr auto kFrameWidth = static_cast<float>(kWindowWidth);
constexpr auto kFrameHeight = static_cast<float>(kWindowHeight);

// A minimised window reports no area; the frame then keeps its own size.
bool sized(const Display* window) {
    return window != nullptr && window->width > 0 && window->height > 0;
}

}  // namespace

float View::fit() const {
    if (!sized(window)) return 1;
    return std::min(static_cast<float>(window->width) / kFrameWidth,
                    static_cast<float>(window->height) / kFrameHeight);
}

float View::offsetX() const {
    return sized(window) ? (static_cast<float>(window->width) - kFrameWidth * fit()) / 2 : 0;
}

float View::offsetY() const {
    return sized(window) ? (static_cast<float>(window->height) - kFrameHeight * fit()) / 2 : 0;
}

void View::zoomAbout(float windowX, float windowY, int notches) {
    const float wx = worldX(windowX);
    const float wy = worldY(windowY);
    float z = zoom;
    for (; notches > 0; --notches) z *= kZoomStep;
    for (; notches < 0; ++notches) z /= kZoomStep;
    z = z < kMinZoom ? kMinZoom : (z > kMaxZoom ? kMaxZoom : z);
    zoom = z;
    panX = (windowX - offsetX()) / scale() - wx;
    panY = (windowY - offsetY()) / scale() - wy;
}

void View::panBy(float dx, float dy) {
    panX += dx / scale();
    panY += dy / scale();
}

void View::reset() {
    panX = 0;
    panY = 0;
    zoom = 1;
}

bool View::showsWholeFrame() const {
    const bool frameSized =
        !sized(window) || (window->width == kWindowWidth && window->height == kWindowHeight);
    return zoom == 1 && panX == 0 && panY == 0 && frameSized;
}

void View::apply() const {
    const float x = offsetX();
    const float y = offsetY();
    if (x != 0 || y != 0) glTranslatef(x, y, 0);
    const float s = scale();
    glScalef(s, s, 1);
    glTranslatef(panX, panY, 0);
}
