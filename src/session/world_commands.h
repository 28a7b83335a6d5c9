#pragma once

#include <cstdint>

#include "scene/cursor_list.h"

class Atom;
class Game;
class Junk;
class JournalWriter;
struct Texture;

// What a player does to the world besides letting it run: drop a piece, take an
// atom and drag or throw it, clear everything. The game applies these from its
// controls and a replay applies them from the journal, through this one class, so
// both give the same world. Commands run between steps, never during one.
class WorldCommands {
  public:
    // New pieces become children of `root` and are listed newest first in `pieces`.
    WorldCommands(Game& root, CursorList<Junk>& pieces);

    // Every command is written to the journal before it is applied; null writes none.
    void setJournal(JournalWriter* writer) { journal = writer; }

    // Loads a piece file as a new piece at world position (x, y). A missing or
    // refused file is reported and spawns nothing (null).
    Junk* spawn(const char* file, float x, float y);

    // The live atom whose centre lies nearest (x, y), within its radius plus
    // `slack`; null where there is none.
    Atom* atomNear(float x, float y, float slack) const;

    // Takes hold of the atom with this id: it stops falling and, carrying no mass
    // for the step's corrections, pulls its piece along. False if there is no such
    // atom (nothing is held then).
    bool grab(int32_t id);
    // While the world runs: the held atom heads for (x, y), at most kMaxTravel
    // world units a step (faster tears it out of its piece), along the step's
    // kinematic path, pushing what it meets, and rests there.
    void moveGrab(float x, float y);
    // While the world stands still: the held atom stands at (x, y) at once, at rest.
    void placeGrab(float x, float y);
    // Lets go; the atom goes on with velocity (vx, vy), world units per step, cut
    // to kMaxTravel.
    void release(float vx, float vy);
    Atom* held() const { return heldAtom; }

    // Every piece leaves the world; afterwards the world is as it was when built:
    // every id free, no piece, no texture, nothing held. When the pieces hold all
    // the world's records they go at once, else through the tree's own removal.
    void clear();

    // The world root calls this for every atom that leaves the world, before the
    // atom is freed: a held atom that dies is let go, never touched again.
    void atomRemoved(const Atom* atom);

    // Must run right before every step of the world (the game's tick and the
    // replay both call it): moves the held atom's kinematic path on to its target.
    void beforeStep();

    static constexpr float kMaxTravel = 5;

    uint32_t stepsDone() const;

  private:
    void writeCheck();

    Game& root;
    CursorList<Junk>& pieces;
    JournalWriter* journal = nullptr;
    Atom* heldAtom = nullptr;
    float heldInvMass = 0;
    float targetX = 0;
    float targetY = 0;
};
