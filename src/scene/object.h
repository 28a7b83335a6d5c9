#pragma once

#include <cstdint>

#include "physics/world_host.h"
#include "scene/cursor_list.h"

class Atom;
class Link;
struct Triangle;
struct Texture;

// A node of the scene tree. Records climb to the root through add/remove (parent
// first); tick and drawOverlay flow down to the children, newest first.
class Object : public WorldHost {
  public:
    explicit Object(Object* parent);
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    virtual void adoptAtom(Atom* atom);
    virtual void adoptLink(Link* link);
    virtual void adoptTriangle(Triangle* triangle);
    virtual Atom* addAtom(Atom* atom);
    virtual void addLink(Link* link);
    virtual void addTriangle(Triangle* triangle);
    virtual Texture* addTexture(Texture* texture);
    void removeAtom(Atom* atom) override;
    void removeLink(Link* link) override;
    virtual void removeTriangle(Triangle* triangle);
    virtual void removeChild(Object* child);
    bool mayCollide(Atom* own, Atom* other) override;
    void onCollide(Atom* own, Atom* other, float ratio) override;
    bool hearsContacts() const override;
    virtual void tick();
    void atomMoved(Atom* atom) override;
    virtual void drawOverlay();

    // The only clean-up the class has: flag it and leave the parent.
    void teardown();

    Object* parent;
    CursorList<Object> children;
    bool destroyed = false;
    int32_t removedAtoms = 0;
    int32_t removedLinks = 0;
    int32_t removedTriangles = 0;
};
