#pragma once

#include <cstdint>

#include "platform/win32.h"

class GLRenderer;

// Full screen as a desktop game has it: the window made borderless and laid over
// its monitor, the display mode untouched, and back to where it was. Also what the
// window should open as next time.
class WindowMode {
  public:
    explicit WindowMode(const GLRenderer& renderer) : renderer(renderer) {}

    bool fullscreen() const { return covering; }
    void setFullscreen(bool on);
    void maximise();

    // The client size the window has when neither maximised nor full screen.
    struct Windowed {
        int32_t width;
        int32_t height;
        bool maximised;
    };
    Windowed windowed() const;

  private:
    const GLRenderer& renderer;
    bool covering = false;
    WINDOWPLACEMENT saved{};
    LONG windowedStyle = 0;
};
