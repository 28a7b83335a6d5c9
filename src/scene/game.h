#pragma once

#include <cstdint>

#include "scene/roster.h"

class System;
class Display;

// The world root: keeps the sorted global lists, registers atoms and links with the
// physics world, wires triangles to their edge links and holds the input state.
class Game : public Roster {
  public:
    Game();

    Atom* addAtom(Atom* atom) override;
    void addLink(Link* link) override;
    void addTriangle(Triangle* triangle) override;
    Texture* addTexture(Texture* texture) override;
    Object* addListener(Object* listener) override;
    void removeAtom(Atom* atom) override;
    void removeLink(Link* link) override;
    void removeTriangle(Triangle* triangle) override;
    bool mayCollide(Atom* a, Atom* b) override;
    void onCollide(Atom* a, Atom* b, float ratio) override;
    void tick() override;
    void atomMoved(Atom* atom) override;

    virtual void keyDown(int32_t key);
    virtual void keyUp(int32_t key);
    virtual void mouseMove(int32_t x, int32_t y);
    virtual void leftButtonDown();
    virtual void leftButtonUp();
    virtual void rightButtonDown();
    virtual void rightButtonUp();
    // Beyond the design's input: the middle button and the wheel (WHEEL_DELTA, 120,
    // a notch; positive away from the user).
    virtual void middleButtonDown();
    virtual void middleButtonUp();
    virtual void mouseWheel(int32_t delta);
    virtual void applyView();

    uint8_t keys[256];
    float mouseX = 0;
    float mouseY = 0;
    bool leftButton;
    bool rightButton;
    bool middleButton = false;
    bool quitRequested;
    uint32_t frameSkip;
    bool paused;
    System* world = nullptr;
    Display* renderer = nullptr;
    CursorList<Object> listeners;

  private:
    void removeTrianglesOn(Link* link);
    Link* findEdge(Atom* a, Atom* b);
};
