#pragma once

#include <cstdint>

class Atom;
class Link;
class Object;
struct Texture;

// A textured surface element over three atoms. Corner positions are read through
// the x/y references at draw time, so the triangle follows its atoms.
struct Triangle {
    // The corners, and the positions the triangle reads through at draw time.
    void setCorners(Atom* a, Atom* b, Atom* c);

    Atom* atomA = nullptr;
    Atom* atomB = nullptr;
    Atom* atomC = nullptr;
    float* xOfA = nullptr;
    float* xOfB = nullptr;
    float* xOfC = nullptr;
    float* yOfA = nullptr;
    float* yOfB = nullptr;
    float* yOfC = nullptr;
    float reserved[6] = {0, 0, 0, 0, 0, 0};
    float sA = 0, tA = 0, sB = 0, tB = 0, sC = 0, tC = 0;
    Link* edgeAB = nullptr;
    Link* edgeAC = nullptr;
    Link* edgeBC = nullptr;
    Object* owner = nullptr;
    Texture* texture = nullptr;
    bool visible = true;
    bool dying = false;
};
