#pragma once

#include <cstdint>
#include <memory>
#include <string>

// A GL context current on this thread that draws into width x height pixels no one
// sees: Mesa's OSMesa (no display or X server needed) on Linux, a hidden window on
// Windows. Its read buffer holds what was drawn.
class OffscreenGl {
  public:
    OffscreenGl();
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    bool open(int32_t width, int32_t height, std::string& error);

  private:
    struct Handles;
    std::unique_ptr<Handles> handles;
};
