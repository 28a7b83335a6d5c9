#pragma once

#include <string>
#include <vector>

#include "content/drawn_body.h"

struct View;

// The player's own bodies as the controls keep them: drawing on or off, what a
// new body is made of, and the outline of the drag under way. Nothing here is
// the world's: the body is made when the outline is handed over.
class BodyDrawing {
  public:
    // Turning drawing on picks the folder's first image when none is chosen;
    // turning it off drops an outline under way.
    void toggle();
    bool on() const { return drawing; }
    void nextFamily();
    // Takes a material over; the texture only when the folder holds it.
    void choose(BodyFamily family, const std::string& texture);
    // The next image file (.tga) of the working folder by name, wrapping round.
    void nextTexture();
    BodyFamily family() const { return bodyFamily; }
    const std::string& texture() const { return image; }
    // What the overlay says while drawing: "drawing: sturdy, crate.tga".
    std::string status() const;

    // A left drag: the outline starts at the pointer and takes a point each time
    // the pointer is kPointPixels window pixels from the last one taken, up to
    // kMaxOutlinePoints; finish hands the outline over and ends the drag.
    void begin(float windowX, float windowY, const View& view);
    void extend(float windowX, float windowY, const View& view);
    bool tracing() const { return drag; }
    std::vector<OutlinePoint> finish();
    const std::vector<OutlinePoint>& outline() const { return points; }

    static constexpr float kPointPixels = 2;

  private:
    void take(float windowX, float windowY, const View& view);

    bool drawing = false;
    bool drag = false;
    BodyFamily bodyFamily = BodyFamily::Sturdy;
    std::string image;
    std::vector<OutlinePoint> points;
    float lastX = 0;
    float lastY = 0;
};
