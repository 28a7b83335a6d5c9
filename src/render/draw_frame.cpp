#include "platform/gl.h"
#include "platform/swap_pacing.h"
#include "render/draw_world.h"
#include "render/gl_renderer.h"
#include "render/screenshot.h"

bool GLRenderer::drawFrame() {
    drawWorld(*game, *game);
    const bool swapped = SwapBuffers(deviceContext) != FALSE;
    paceFrame();
    return swapped;
}

// The front buffer of a window is not reliably readable on every system, and the
// back buffer's content after a swap is undefined; drawing the world again into
// the back buffer gives what the window shows now.
std::string GLRenderer::saveScreenshot(std::string& error) {
    drawWorld(*game, *game);
    return ::saveScreenshot(width, height, error);
}
