#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"
#include "scene/cursor_list.h"
#include "scene/game.h"

class Grid;
class GLRenderer;
class Junk;

// The scene controller: builds the world, the renderer and the window, and binds
// the keys to spawning pieces.
class Korvel : public Game {
  public:
    explicit Korvel(HINSTANCE instance);
    // The game never deletes its controller; this is for tests and tools that do.
    ~Korvel() override;

    void drawOverlay() override;
    void keyDown(int32_t key) override;
    void applyView() override;

    // x and y are window pixels from the bottom-left corner of the client area.
    void spawnDrask(float x, float y);
    void spawnPimo(float x, float y);

    GLRenderer* glRenderer() const;

    CursorList<Junk> pieces;
    Grid* gridChild = nullptr;
    float panX = 0;
    float panY = 0;
    float zoom = 1;
    int32_t gridStep = 38;
    bool snapToGrid = true;
    // When set, every spawn key drops this file instead of one of its family.
    std::string pieceOverride;

  private:
    void spawn(const char* pattern, float x, float y);
};

// The nearest multiple of step; exactly half-way goes to the lower one.
float snapToStep(float w, int32_t step);
