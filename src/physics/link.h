#pragma once

#include <cstdint>

class Atom;
class WorldHost;
struct Triangle;

// A distance constraint between two atoms that snaps when its length ratio leaves
// [minRatio, maxRatio].
class Link {
  public:
    Link() = default;
    virtual ~Link() = default;

    virtual void triangleAttached(Triangle* triangle);
    virtual void triangleDetached(Triangle* triangle);

    Atom* atomA = nullptr;
    Atom* atomB = nullptr;
    float restLength = -1;
    float minRatio = 0.8f;
    float maxRatio = 1.2f;
    float stiffness = 0.2f;
    uint32_t reserved = 0;
    bool visible = true;
    WorldHost* owner = nullptr;
    int32_t iterations = 3;
    bool dying = false;
    int32_t triangleCount = 0;
    int32_t tag = 0;
    bool restoresCollision = true;

    // The physics world's bookkeeping: the order of first registration (newest
    // highest) and the link's place in the step's working copy.
    uint32_t serial = 0;
    int32_t slot = -1;
};

// Whether p stands before q in the root's link list, which is sorted by
// iterations, largest first, and newest first among equal iterations.
inline bool listedBefore(const Link* p, const Link* q) {
    return p->iterations > q->iterations ||
           (p->iterations == q->iterations && p->serial > q->serial);
}

// The destruction sequence: mark dying, detach from both atoms, remove through the
// owner chain (which takes the triangles on the link with it), then free the link.
void destroyLink(Link* link);
