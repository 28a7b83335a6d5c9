#pragma once

#include <cstdint>

class System;
class WorldHost;
class Link;

inline constexpr int kGroupCount = 50;

// What every atom of a piece carries of a push it is given, and its radius.
inline constexpr float kPieceAtomPushCarry = 0.1f;
inline constexpr float kPieceAtomRadius = 5;

// A point mass moved by position Verlet. Created by the piece loader, freed only by
// the integration of a dead atom.
class Atom {
  public:
    Atom(float x, float y, float mass, float velocityX, float velocityY, float pushCarry,
         float radius);
    virtual ~Atom() = default;

    virtual void linkAttached(Link* link);
    virtual void linkDetached(Link* link);

    float x;
    float y;
    float prevX;
    float prevY;
    float pushX = 0;
    float pushY = 0;
    int32_t iterations = 3;
    float invIterations = 1.0f / 3;
    int32_t group = 1;
    uint8_t collidesWith[kGroupCount];
    int32_t id = -1;
    float pushCarry;
    float radius;
    bool unlinked = true;
    float mass;
    float invMass;
    bool kinematic = false;
    float kinematicStepX = 0;
    float kinematicStepY = 0;
    int32_t tag = 0;
    int32_t linkCount = 0;
    bool dead = false;
    WorldHost* owner = nullptr;
    System* world = nullptr;
};
