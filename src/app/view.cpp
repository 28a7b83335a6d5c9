#include "app/view.h"

#include "platform/gl.h"

void View::zoomAbout(float windowX, float windowY, int notches) {
    const float wx = worldX(windowX);
    const float wy = worldY(windowY);
    float z = zoom;
    for (; notches > 0; --notches) z *= kZoomStep;
    for (; notches < 0; ++notches) z /= kZoomStep;
    z = z < kMinZoom ? kMinZoom : (z > kMaxZoom ? kMaxZoom : z);
    zoom = z;
    panX = windowX / zoom - wx;
    panY = windowY / zoom - wy;
}

void View::panBy(float dx, float dy) {
    panX += dx / zoom;
    panY += dy / zoom;
}

void View::reset() {
    panX = 0;
    panY = 0;
    zoom = 1;
}

void View::apply() const {
    glScalef(zoom, zoom, 1);
    glTranslatef(panX, panY, 0);
}
