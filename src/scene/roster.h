#pragma once

#include "scene/object.h"

// An Object that keeps its own lists of the records registered through it.
class Roster : public Object {
  public:
    explicit Roster(Object* parent) : Object(parent) {
        atoms.keepIndex();
        links.keepIndex();
        triangles.keepIndex();
    }

    Atom* addAtom(Atom* atom) override;
    void addLink(Link* link) override;
    void addTriangle(Triangle* triangle) override;
    Texture* addTexture(Texture* texture) override;
    void removeAtom(Atom* atom) override;
    void removeLink(Link* link) override;
    void removeTriangle(Triangle* triangle) override;

    CursorList<Atom> atoms;
    CursorList<Link> links;
    CursorList<Triangle> triangles;
    CursorList<Texture> textures;
};

class Material : public Roster {
  public:
    explicit Material(Object* parent) : Roster(parent) {}
};

// A spawned piece, with the two rules that make it crumble.
class Junk : public Material {
  public:
    explicit Junk(Object* parent) : Material(parent) {}

    void removeTriangle(Triangle* triangle) override;
    void atomMoved(Atom* atom) override;
};
