#pragma once

class Display;

// What part of the world the window shows. The frame (700 × 430 window
// pixels at zoom 1) is fitted into the client area, keeping its proportions and
// centred; zoom and pan act within that frame. A world point p appears at window
// position offset + fit * zoom * (p + pan), window positions measured in pixels
// from the bottom-left corner of the client area. Spawning, grabbing and drawing
// all go through this one conversion.
struct View {
    static constexpr float kMinZoom = 0.25f;
    static constexpr float kMaxZoom = 4.0f;
    static constexpr float kZoomStep = 1.25f;

    float panX = 0;
    float panY = 0;
    float zoom = 1;
    // Whose client size the frame is fitted into; without one, the frame's own.
    const Display* window = nullptr;

    // Window pixels per world unit.
    float scale() const { return fit() * zoom; }
    float worldX(float windowX) const { return (windowX - offsetX()) / scale() - panX; }
    float worldY(float windowY) const { return (windowY - offsetY()) / scale() - panY; }

    // Zooms by kZoomStep per notch (positive in), between kMinZoom and kMaxZoom,
    // keeping the world point under the window position where it is.
    void zoomAbout(float windowX, float windowY, int notches);
    // Moves the picture by (dx, dy) window pixels.
    void panBy(float dx, float dy);
    void reset();
    // Zoom 1, no pan, and a client area of the frame's size: the window is the frame.
    bool showsWholeFrame() const;
    // The GL model-view transform: to the fitted frame, scale, then the pan.
    void apply() const;
    // Where a point of the frame lies in the window.
    float frameToWindowX(float x) const { return offsetX() + fit() * x; }
    float frameToWindowY(float y) const { return offsetY() + fit() * y; }

  private:
    float fit() const;
    float offsetX() const;
    float offsetY() const;
};
