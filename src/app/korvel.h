#pragma once

#include <cstdint>
#include <string>
#include <typeinfo>
#include <memory>

#include "app/view.h"
#include "platform/win32.h"
#include "scene/cursor_list.h"
#include "scene/game.h"
#include "session/spawn_keys.h"
#include "session/world_commands.h"

class Grid;
class GLRenderer;
class Junk;
class SandboxControls;
struct Settings;

// The scene controller: builds the world, the renderer and the window, and binds
// the keys to spawning pieces.
class Korvel : public Game {
  public:
    // The window opens at the settings' size and then takes their other choices.
    explicit Korvel(HINSTANCE instance);
    Korvel(HINSTANCE instance, const Settings& settings);
    // The game never deletes its controller; this is for tests and tools that do.
    ~Korvel() override;

    void drawOverlay() override;
    void keyDown(int32_t key) override;
    void applyView() override;

    // The sandbox: the keys and buttons the controller does not answer go to the
    // controls. A paused world is still drawn every pass; the swap paces the loop.
    void tick() override;
    // One step now, paused or in slow motion, as a running tick makes it.
    void stepOnce();
    void removeAtom(Atom* atom) override;
    bool hearsContacts() const override { return typeid(*this) != typeid(Korvel); }
    void mouseMove(int32_t x, int32_t y) override;
    void leftButtonDown() override;
    void leftButtonUp() override;
    void rightButtonDown() override;
    void middleButtonDown() override;
    void mouseWheel(int32_t delta) override;

    // x and y are window pixels from the bottom-left corner of the client area.
    void spawnDrask(float x, float y);
    void spawnPimo(float x, float y);
    // The mouse's drops: a piece of the family of the last spawn (drask before any),
    // or this piece file, at window (x, y), snapped as the keys' pieces are and
    // moved inside the world where it would stick out of it; refused where (x, y)
    // is not over the world.
    void spawnLastFamily(float x, float y);
    void spawnFile(const char* file, float x, float y);

    GLRenderer* glRenderer() const;

    CursorList<Junk> pieces;
    Grid* gridChild = nullptr;
    View view;
    int32_t gridStep = kGridStep;
    bool snapToGrid = true;
    // When set, every spawn key drops this file instead of one of its family.
    std::string pieceOverride;
    WorldCommands commands{*this, pieces};
    std::unique_ptr<SandboxControls> controls;

  private:
    void spawn(const char* pattern, float x, float y, bool dropped = false);
    void spawnPoint(float x, float y, float& wx, float& wy) const;
    // spawnPoint for a drop; false, said in one line, off the world.
    bool dropPoint(float x, float y, float& wx, float& wy) const;
    const char* lastPattern = kDraskPattern;
};
