#pragma once

#include <cstdint>

// What the world root needs of whatever shows the world: one frame drawn now, and
// the client size (mouse positions are flipped against its height). The renderer
// implements it; the core draws nothing itself.
class Display {
  public:
    virtual ~Display() = default;
    virtual bool drawFrame() = 0;

    int32_t width = 0;
    int32_t height = 0;
};
