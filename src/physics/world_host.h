#pragma once

#include <vector>

class Atom;
class Link;

// What the physics world asks of the scene tree. Every atom and link names the
// tree object that owns it, which answers for it and passes removals up; the root
// also hands over its sorted lists, which the step walks in order.
class WorldHost {
  public:
    virtual bool mayCollide(Atom* own, Atom* other) = 0;
    virtual void onCollide(Atom* own, Atom* other, float ratio) = 0;
    // False only when mayCollide would admit every pair and onCollide do nothing:
    // the step then skips both calls for pairs of two such owners. Asked again
    // whenever atoms come or go.
    virtual bool hearsContacts() const { return true; }
    virtual void atomMoved(Atom* atom) = 0;
    virtual void removeAtom(Atom* atom) = 0;
    virtual void removeLink(Link* link) = 0;

    // The root's atoms and links in list order, appended to `out`. Only the root
    // the world was made with is asked; other objects have no lists to give.
    virtual void listAtoms(std::vector<Atom*>& out) { (void)out; }
    virtual void listLinks(std::vector<Link*>& out) { (void)out; }

  protected:
    ~WorldHost() = default;
};
