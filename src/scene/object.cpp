#include "scene/object.h"

#include <typeinfo>

#include "scene/roster.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"

Object::Object(Object* parent) : parent(parent) {
    if (parent != nullptr) parent->children.pushFront(this);
}

void Object::adoptAtom(Atom* atom) {
    atom->owner = this;
    addAtom(atom);
}

void Object::adoptLink(Link* link) {
    link->owner = this;
    addLink(link);
}

void Object::adoptTriangle(Triangle* triangle) {
    addTriangle(triangle);
}

Atom* Object::addAtom(Atom* atom) {
    parent->addAtom(atom);
    atom->owner = this;
    return atom;
}

void Object::addLink(Link* link) {
    parent->addLink(link);
    link->owner = this;
}

void Object::addTriangle(Triangle* triangle) {
    parent->addTriangle(triangle);
    triangle->owner = this;
}

Texture* Object::addTexture(Texture* texture) {
    return parent->addTexture(texture);
}

void Object::removeAtom(Atom* atom) {
    parent->removeAtom(atom);
    removedAtoms += 1;
}

void Object::removeLink(Link* link) {
    parent->removeLink(link);
    removedLinks += 1;
}

void Object::removeTriangle(Triangle* triangle) {
    parent->removeTriangle(triangle);
    removedTriangles += 1;
}

void Object::removeChild(Object* child) {
    children.removeValue(child);
}

bool Object::mayCollide(Atom* own, Atom* other) {
    return parent->mayCollide(own, other);
}

void Object::onCollide(Atom* own, Atom* other, float ratio) {
    parent->onCollide(own, other, ratio);
}

// Only the classes known to keep the forwarding above can answer for their
// parent; a class derived from them may override mayCollide or onCollide, so it
// is asked as ever.
bool Object::hearsContacts() const {
    const std::type_info& type = typeid(*this);
    const bool forwards = type == typeid(Object) || type == typeid(Roster) ||
                          type == typeid(Material) || type == typeid(Junk);
    return !forwards || parent->hearsContacts();
}

void Object::tick() {
    children.rewind();
    while (Object* child = children.advance()) child->tick();
}

void Object::atomMoved(Atom* atom) {
    parent->atomMoved(atom);
}

void Object::drawOverlay() {
    children.rewind();
    while (Object* child = children.advance()) child->drawOverlay();
}

void Object::teardown() {
    destroyed = true;
    if (parent != nullptr) parent->removeChild(this);
}
