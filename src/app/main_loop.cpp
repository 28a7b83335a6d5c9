#include "app/main_loop.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/korvel.h"
#include "app/sandbox_controls.h"
#include "app/settings.h"
#include "content/output_path.h"
#include "content/piece_loader.h"
#include "content/report.h"
#include "render/gl_renderer.h"
#include "render/texture_upload.h"
#include "platform/gl.h"
#include "scene/game.h"
#include "scene/texture.h"
#include "scene/world_hash.h"
#include "session/journal.h"
#include "session/world_commands.h"

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

int playGame(HINSTANCE instance, const GameOptions& options) {
    setMessageBoxHandler(showBox);
    setTextureUploader(uploadTexture);
    setTextureReleaser(deleteTexture);
    // The first line of debug.txt and the first thing shown, so whoever looks for
    // the files knows where they went.
    char writing[600] = "";
    if (!outputFolder().empty()) {
        std::snprintf(writing, sizeof writing, "Writing into %s (this folder is read-only)",
                      outputFolder().c_str());
        report(Severity::notice, "%s", writing);
    }
    // The controller lives as long as the program.
    const std::filesystem::path settingsFile = settingsPath();
    auto controller = std::make_unique<Korvel>(instance, readSettings(settingsFile));
    controller->pieceOverride = options.piece;
    // Without a window nothing could end the loop; the failure's message box has
    // told the user why.
    if (!controller->glRenderer()->opened) return 1;
    if (controller->controls) {
        // debug.txt has it already; now there is a bar to show it on.
        if (writing[0] != '\0') report(Severity::confirmation, "%s", writing);
        // Nothing else on screen tells a first-time player where the keys are.
        controller->controls->showHint("H: help", 6);
    }
    // The last session's journal stays beside the new one, for a bug report about it.
    const std::string replay = outputPath("replay.txt");
    std::error_code kept;
    if (std::filesystem::exists(replay, kept))
        std::filesystem::rename(replay, outputPath("replay-previous.txt"), kept);
    // The session's journal, for replaying it bit for bit (README: "Replaying a
    // session"). Without it the game plays all the same.
    std::FILE* journalFile = std::fopen(replay.c_str(), "w");
    JournalWriter journal(journalFile);
    if (journalFile != nullptr) controller->commands.setJournal(&journal);
    // A piece named for the keys that cannot drop is said now, not at the first key.
    if (!options.piece.empty()) {
        const std::string problem = pieceFileProblem(options.piece.c_str());
        if (!problem.empty())
            report(Severity::error, "%s: %s; the spawn keys drop nothing", options.piece.c_str(),
                   problem.c_str());
    }
    // A world that cannot be read is reported; the game starts with the empty one.
    if (!options.world.empty()) controller->commands.loadWorld(options.world.c_str());
    const int exitCode = runMainLoop(*controller);
    if (journalFile != nullptr) {
        journal.end(controller->commands.stepsDone(), worldHash(*controller));
        controller->commands.setJournal(nullptr);
        std::fclose(journalFile);
    }
    std::string error;
    if (!settingsFile.empty() &&
        !writeSettings(settingsFile, controller->controls->settings(), error))
        report(Severity::error, "%s", error.c_str());
    controller->glRenderer()->close();
    // The context is gone: the images the pieces still hold go without GL calls.
    setTextureReleaser(nullptr);
    return exitCode;
}
