#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"
#include "render/gl_state.h"
#include "render/renderer.h"

class Game;

// The one window of the game and the GL context drawn into it.
class GLRenderer : public Renderer {
  public:
    // `procedure` becomes the window procedure of the class that open() registers.
    GLRenderer(Game* game, HINSTANCE instance, WNDPROC procedure);

    bool open(const char* title, float width, float height, int32_t bits, bool fullscreen,
              bool resizable) override;
    // The game's window: 16 colour bits, not full screen.
    static constexpr int32_t kColourBits = 16;
    static constexpr bool kFullscreen = true, kWindowed = false;
    static constexpr bool kResizable = true, kFixedSize = false;
    void close() override;
    void resize(int32_t width, int32_t height) override;
    bool drawFrame() override;
    // Saves what the window shows as the next free screenshot-NNNN.png in the working
    // directory and returns its name; on failure returns "" and says why in error.
    std::string saveScreenshot(std::string& error);
    // The display lists (characters 32 to 127) the game's own text is drawn with,
    // made on first use: a fixed-pitch face of 12 by 24 pixels, the cell of the
    // built-in font, so text takes the same room on every system.
    uint32_t textFont();

    Game* game;
    HINSTANCE instance;
    HWND window = nullptr;
    HGLRC renderContext = nullptr;
    HDC deviceContext = nullptr;
    // Whether the last open() succeeded and no close() followed. open() leaves
    // released handles in place, so they cannot tell.
    bool opened = false;

    // Module-wide, as there is one window per process.
    static bool fullscreen;
    static uint32_t fontBase;
    static PIXELFORMATDESCRIPTOR pixelFormat;

  private:
    void release();
    bool fail(const char* message);
    void buildFont();
    // A bitmap font of the face into lists base .. base + 95.
    void buildFontLists(uint32_t base, int32_t height, DWORD pitchAndFamily, const char* face);

    WNDPROC procedure;
    uint32_t textFontBase = 0;
};
