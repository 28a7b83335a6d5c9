#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/drawn_body.h"
#include "physics/world_def.h"
#include "scene/cursor_list.h"
#include "session/undo_history.h"
#include "session/world_file.h"

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
    // A piece the player drops with the mouse: as spawn, at (x, y) moved the least
    // that stands all its atoms inside the world (content/fit_inside.h), and
    // journalled where it lands. A piece larger than the world is refused with
    // kDroppedOutside, writing nothing. A file that cannot be read is left to
    // spawn, which says why.
    Junk* drop(const char* file, float x, float y);

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
    // While the world stands still: the held atom alone stands at (x, y) at once,
    // at rest (the paused drag of journals from before carryGrab).
    void placeGrab(float x, float y);
    // While the world stands still: all that links join the held atom to moves as
    // one, every atom by the same amount and keeping its velocity, so that the
    // held atom stands at (x, y), or as near as the walls let the whole of it
    // come. Nothing stretches, so nothing snaps at the next step.
    void carryGrab(float x, float y);
    // Lets go; the atom goes on with velocity (vx, vy), world units per step, cut
    // to kMaxTravel.
    void release(float vx, float vy);
    Atom* held() const { return state.held; }

    // A body drawn by hand (content/drawn_body.h), dropped where it was drawn
    // through the checks every spawn goes through. A refused outline is
    // reported ("drawn body: ...") and drops nothing (null).
    Junk* draw(const std::vector<OutlinePoint>& outline, BodyFamily family,
               const std::string& texture);
    // A body the player drew, moved first so that the whole outline lies inside
    // the world; refused with kDroppedOutside, writing nothing, when it was drawn
    // outside the world or is larger than it.
    Junk* dropDrawn(std::vector<OutlinePoint> outline, BodyFamily family,
                    const std::string& texture);
    // The records of the last body drawn, at world positions (none before).
    const PieceFile& lastDrawn() const { return drawnRecords; }

    // Pins the atom with this id where it stands: it is held still, as a held
    // atom, and what is linked to it hangs from it; unpin lets it go, at rest.
    // False, changing nothing, for no such atom or one already (un)pinned.
    // A pinned atom can still be grabbed; let go, it is pinned where it was left.
    bool pin(int32_t id);
    bool unpin(int32_t id);
    bool pinned(const Atom* atom) const;
    const std::vector<PinnedAtom>& pins() const { return state.pins; }

    // Every piece leaves the world; afterwards the world is as it was when built:
    // every id free, no piece, no texture, nothing held. When the pieces hold all
    // the world's records they go at once, else through the tree's own removal.
    void clear();

    // The whole world as a world file's bytes (session/world_file.h).
    std::vector<uint8_t> save() const;
    // Writes the world to `path`: into a file beside it first, renamed over it
    // once whole. On failure says why in `error` and leaves `path` as it was.
    bool saveWorld(const char* path, std::string& error);
    // Replaces the world with the one in the file, as a command: journalled and
    // undoable. A file that cannot be read or fails a check is reported in one
    // line naming it ("NAME: link 17: ...") and the world stays exactly as it was.
    bool loadWorld(const char* path);
    // As loadWorld, from bytes already read; `name` labels the report.
    bool loadWorld(const std::vector<uint8_t>& bytes, const char* name);
    // As above, but what is wrong goes to `problem` instead of the report.
    bool loadWorld(const std::vector<uint8_t>& bytes, const char* name, std::string& problem);

    // Back to the moment before the last command that changed the world (a
    // spawn, a grab and what followed it, a clear, a load), and forward again
    // until a new command. False, changing nothing, when there is nothing to go to.
    bool undo();
    bool redo();
    const UndoHistory& history() const { return states; }

    // The world root calls this for every atom that leaves the world, before the
    // atom is freed: a held atom that dies is let go, never touched again.
    void atomRemoved(const Atom* atom);

    // Must run right before every step of the world (the game's tick and the
    // replay both call it): moves the held atom's kinematic path on to its target.
    void beforeStep();

    // Between steps, and while the game is paused: a little of the undo
    // history's packing. Changes nothing in the world.
    void idle();

    static constexpr float kMaxTravel = 5;

    uint32_t stepsDone() const;
    WorldDef worldDef() const;

  private:
    void writeCheck();
    // Before a command: the state undo goes back to.
    void remember();
    // Every piece out of the world, nothing journalled; the world is as built.
    void empty();
    void replaceWith(const WorldImage& image);
    PinnedAtom* pinOf(const Atom* atom);
    // spawn's work once the file has been read (or failed to be, already said).
    Junk* spawnRead(const char* file, float x, float y, bool read,
                    const std::vector<uint8_t>& bytes);
    Junk* keepPiece(Junk* piece, bool loaded);
    static void holdStill(Atom* atom);
    std::vector<Atom*> linkedTo(const Atom* atom) const;
    bool restore(const std::vector<uint8_t>& bytes, const char* name);

    Game& root;
    CursorList<Junk>& pieces;
    JournalWriter* journal = nullptr;
    // The held atom, where it heads, and the pins.
    CommandState state;
    PieceFile drawnRecords;
    // stepsDone() counts the session's steps, which never go back, while the
    // world's own count goes back with a load or an undo.
    uint32_t stepOffset = 0;
    UndoHistory states;
};
