#include "session/replay.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <typeinfo>
#include <vector>

#include "content/piece_source.h"

#include "physics/system.h"
#include "scene/roster.h"
#include "scene/world_hash.h"

// The world root of a replay: like the game's controller, it tells the commands of
// every atom that leaves the world.
struct ReplayWorld::Root : Game {
    CursorList<Junk> pieces;
    WorldCommands commands{*this, pieces};

    Root() { world = new System(this); }
    ~Root() override {
        commands.setJournal(nullptr);
        commands.clear();
        delete world;
    }
    void removeAtom(Atom* atom) override {
        Game::removeAtom(atom);
        commands.atomRemoved(atom);
    }
    bool hearsContacts() const override { return typeid(*this) != typeid(Root); }
};

ReplayWorld::ReplayWorld() : world(std::make_unique<Root>()) {}
ReplayWorld::~ReplayWorld() = default;

Game& ReplayWorld::root() {
    return *world;
}
WorldCommands& ReplayWorld::commands() {
    return world->commands;
}
CursorList<Junk>& ReplayWorld::pieces() {
    return world->pieces;
}

namespace {

std::string where(const std::string& name, const JournalEvent& e) {
    return name + ":" + std::to_string(e.line) + ": step " + std::to_string(e.step) + ": ";
}

// Where a file the session named may be now: as named, else beside the journal,
// else its bare name beside the journal or in the working folder. Only those that
// are there, in that order.
std::vector<std::string> placesOf(const std::string& file, const std::string& journalName) {
    namespace fs = std::filesystem;
    const fs::path named(file);
    const fs::path folder = fs::path(journalName).parent_path();
    std::vector<fs::path> tries = {named};
    if (named.is_relative()) tries.push_back(folder / named);
    tries.push_back(folder / named.filename());
    tries.push_back(named.filename());
    std::vector<std::string> found;
    for (const fs::path& p : tries) {
        std::error_code error;
        if (!p.empty() && fs::is_regular_file(p, error)) found.push_back(p.string());
    }
    return found;
}

// The first of those places holding the bytes the session read; `found` says
// whether any file of that name was there at all.
std::string findPieceFile(const JournalEvent& e, const std::string& journalName, bool& found) {
    const std::vector<std::string> places = placesOf(e.file, journalName);
    found = !places.empty();
    for (const std::string& p : places) {
        std::vector<uint8_t> bytes;
        std::string why;
        if (readPieceFile(p.c_str(), bytes, why) && bytesHash(bytes.data(), bytes.size()) == e.hash)
            return p;
    }
    return {};
}

std::string missing(const char* what, const std::string& file) {
    return std::string("the ") + what + " file " + file +
           " is missing (looked beside the journal and here)";
}

}  // namespace

ReplayOutcome replayJournal(const JournalParse& journal, ReplayWorld& replay,
                            const std::string& name, const ReplayProgress& progress) {
    if (!journal.error.empty())
        return {2, name + ":" + std::to_string(journal.errorLine) + ": " + journal.error};
    Game& root = replay.root();
    WorldCommands& commands = replay.commands();
    const uint32_t last = journal.events.empty() ? 0 : journal.events.back().step;
    // A piece file missing here that an older journal, naming no hash, spawned:
    // if the world then goes another way, that file is the cause, not the physics.
    std::string absentPiece;
    auto diverged = [&](const JournalEvent& e, const std::string& what) -> ReplayOutcome {
        if (!absentPiece.empty())
            return {2,
                    absentPiece + "; the world went another way at line " + std::to_string(e.line)};
        return {1, where(name, e) + "diverged: " + what};
    };
    for (const JournalEvent& e : journal.events) {
        while (commands.stepsDone() < e.step) {
            if (progress && !progress(commands.stepsDone(), last))
                return {3, name + ": stopped at step " + std::to_string(commands.stepsDone()) +
                               " of " + std::to_string(last)};
            commands.beforeStep();
            root.tick();
        }
        switch (e.kind) {
            case JournalKind::Spawn: {
                // The session found no file by that name: neither does the replay.
                if (e.piece == JournalEvent::Piece::Missing) break;
                if (e.piece == JournalEvent::Piece::Unrecorded) {
                    const std::vector<std::string> places = placesOf(e.file, name);
                    if (places.empty() && absentPiece.empty())
                        absentPiece = where(name, e) + missing("piece", e.file);
                    commands.spawn(places.empty() ? e.file.c_str() : places.front().c_str(), e.x,
                                   e.y);
                    break;
                }
                bool found = false;
                const std::string path = findPieceFile(e, name, found);
                if (path.empty())
                    return {
                        2, where(name, e) + (found ? "the piece file " + e.file +
                                                         " here is not the one the session spawned "
                                                         "(its bytes differ)"
                                                   : missing("piece", e.file))};
                commands.spawn(path.c_str(), e.x, e.y);
                break;
            }
            case JournalKind::Grab:
                if (!commands.grab(e.id))
                    return diverged(e, "no atom with id " + std::to_string(e.id) + " to grab");
                break;
            case JournalKind::Move:
                commands.moveGrab(e.x, e.y);
                break;
            case JournalKind::Place:
                commands.placeGrab(e.x, e.y);
                break;
            case JournalKind::Carry:
                commands.carryGrab(e.x, e.y);
                break;
            case JournalKind::Release:
                commands.release(e.x, e.y);
                break;
            case JournalKind::Clear:
                commands.clear();
                break;
            case JournalKind::Load: {
                const std::vector<std::string> places = placesOf(e.file, name);
                if (places.empty()) return {2, where(name, e) + missing("world", e.file)};
                const std::string& path = places.front();
                std::vector<uint8_t> bytes;
                std::string why;
                if (!readWorldFile(path.c_str(), bytes, why))
                    return {2, where(name, e) + path + ": " + why};
                if (!commands.loadWorld(bytes, path.c_str(), why))
                    return {2, where(name, e) + path + ": " + why};
                const uint64_t hash = worldHash(root);
                if (hash != e.hash)
                    return {2, where(name, e) + "the world file " + path +
                                   " is not the one the session loaded (its hash is " +
                                   hashText(hash) + ", the journal has " + hashText(e.hash) + ")"};
                break;
            }
            case JournalKind::Draw:
                commands.draw(e.outline, e.family, e.file);
                break;
            case JournalKind::Pin:
            case JournalKind::Unpin:
                if (!(e.kind == JournalKind::Pin ? commands.pin(e.id) : commands.unpin(e.id)))
                    return diverged(e, "atom " + std::to_string(e.id) + " cannot be " +
                                           (e.kind == JournalKind::Pin ? "pinned" : "unpinned"));
                break;
            case JournalKind::Undo:
            case JournalKind::Redo:
                if (!(e.kind == JournalKind::Undo ? commands.undo() : commands.redo()))
                    return diverged(e, std::string("nothing to ") +
                                           (e.kind == JournalKind::Undo ? "undo" : "redo"));
                break;
            case JournalKind::Check:
            case JournalKind::End: {
                const uint64_t hash = worldHash(root);
                if (hash != e.hash)
                    return diverged(e, "the world's hash is " + hashText(hash) +
                                           ", the journal has " + hashText(e.hash));
                if (e.kind == JournalKind::End)
                    return {0, name + ": the world matches after " + std::to_string(e.step) +
                                   " steps (hash " + hashText(hash) + ")"};
                break;
            }
        }
    }
    return {2, name + ": the journal has no end line"};
}

ReplayOutcome replayJournalFile(const char* path, ReplayWorld& replay,
                                const ReplayProgress& progress) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return {2, std::string(path) + ": cannot open the journal"};
    const JournalParse journal = readJournal(file);
    std::fclose(file);
    return replayJournal(journal, replay, path, progress);
}
