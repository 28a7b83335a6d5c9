#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/korvel.h"
#include "offscreen_gl.h"
#include "render/picture.h"

class Junk;

// The game's controller and renderer over an offscreen GL context: the window
// calls go to the scripted Win32 of tests/support, every GL call to Mesa. The
// renderer opens as in the game (projection, fixed state, font lists), pieces
// upload their textures, and frames are drawn by the renderer's drawFrame.
class Stage {
  public:
    Stage();
    ~Stage();

    // A piece file of the game's assets, loaded with its textures at (x, y).
    Junk& load(const char* file, float x, float y);
    // An empty piece for records made by hand.
    Junk& piece();
    // Something the controller's overlay pass draws, after the world.
    void overlay(std::function<void()> draw);
    // Draws the given number of frames and reads the last one.
    Picture draw(int frames = 2);

    OffscreenGl gl;
    std::vector<std::unique_ptr<Object>> overlays;
    std::unique_ptr<Korvel> korvel;
};

// Text drawn through the renderer's font display lists at a window position.
void drawText(int x, int y, const char* text);
