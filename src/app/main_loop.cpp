#include "app/main_loop.h"

#include <memory>

#include "app/korvel.h"
#include "content/piece_loader.h"
#include "content/report.h"
#include "render/gl_renderer.h"
#include "render/texture_upload.h"
#include "scene/game.h"

namespace {

int showBox(const char* text, const char* caption, unsigned type) {
    return MessageBoxA(nullptr, text, caption, type);
}

}  // namespace

int runMainLoop(Game& game) {
    MSG message = {};
    for (;;) {
        if (game.quitRequested) return 0;
        bool quit = false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                break;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        game.tick();
        if (quit) return static_cast<int>(message.wParam);
    }
}

int playGame(HINSTANCE instance, const std::string& piece) {
    setMessageBoxHandler(showBox);
    setTextureUploader(uploadTexture);
    setTextureReleaser(deleteTexture);
    // The controller lives as long as the program.
    auto controller = std::make_unique<Korvel>(instance);
    controller->pieceOverride = piece;
    // Without a window nothing could end the loop; the failure's message box has
    // told the user why.
    if (!controller->glRenderer()->opened) return 1;
    const int exitCode = runMainLoop(*controller);
    controller->glRenderer()->close();
    return exitCode;
}
