#pragma once

#include <cstdint>

#include "scene/display.h"

// The abstract renderer: the window and context behind the display the world root
// draws through.
class Renderer : public Display {
  public:
    virtual bool open(const char* title, float width, float height, int32_t bits, bool fullscreen,
                      bool resizable) = 0;
    virtual void close() = 0;
    virtual void resize(int32_t width, int32_t height) = 0;
};
