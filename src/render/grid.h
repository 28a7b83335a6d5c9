#pragma once

#include <cstdint>

#include "scene/object.h"

// A child of the scene controller that draws the line grid G shows; it takes
// part in the child visits like any object.
class Grid : public Object {
  public:
    explicit Grid(Object* parent) : Object(parent) {}

    // For i below count: a horizontal line at y0 + i * spacing and a vertical one at
    // x0 + i * spacing, heavier the more trailing zero bits i has.
    virtual void drawGridLines(int32_t x0, int32_t y0, int32_t spacing, uint32_t count);
};
