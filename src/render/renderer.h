#pragma once

#include <cstdint>

// The abstract renderer the world root draws through. The core only ever calls
// drawFrame and reads the client height; the GL renderer implements the rest.
class Renderer {
  public:
    virtual ~Renderer() = default;
    virtual bool open(const char* title, float width, float height, int32_t bits, bool fullscreen,
                      bool resizable) = 0;
    virtual void close() = 0;
    virtual void resize(int32_t width, int32_t height) = 0;
    virtual bool drawFrame() = 0;

    int32_t width = 0;
    int32_t height = 0;
};
