#pragma once

// What part of the world the window shows. A world point p appears at window
// position zoom * (p + pan), window positions measured in pixels from the
// bottom-left corner of the client area. Spawning, grabbing and drawing all go
// through this one conversion.
struct View {
    static constexpr float kMinZoom = 0.25f;
    static constexpr float kMaxZoom = 4.0f;
    static constexpr float kZoomStep = 1.25f;

    float panX = 0;
    float panY = 0;
    float zoom = 1;

    float worldX(float windowX) const { return windowX / zoom - panX; }
    float worldY(float windowY) const { return windowY / zoom - panY; }

    // Zooms by kZoomStep per notch (positive in), between kMinZoom and kMaxZoom,
    // keeping the world point under the window position where it is.
    void zoomAbout(float windowX, float windowY, int notches);
    // Moves the picture by (dx, dy) window pixels.
    void panBy(float dx, float dy);
    void reset();
    // The GL model-view transform: scale by zoom, then translate by the pan.
    void apply() const;
};
