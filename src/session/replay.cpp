#include "session/replay.h"

#include <cinttypes>
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

std::string hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

std::string where(const std::string& name, const JournalEvent& e) {
    return name + ":" + std::to_string(e.line) + ": step " + std::to_string(e.step) + ": ";
}

// A world file the session loaded: as named, else beside the journal, else its
// bare name beside the journal or in the working folder. Empty when none is there.
std::string findWorldFile(const std::string& file, const std::string& journalName) {
    namespace fs = std::filesystem;
    const fs::path named(file);
    const fs::path folder = fs::path(journalName).parent_path();
    std::vector<fs::path> tries = {named};
    if (named.is_relative()) tries.push_back(folder / named);
    tries.push_back(folder / named.filename());
    tries.push_back(named.filename());
    for (const fs::path& p : tries) {
        std::error_code error;
        if (!p.empty() && fs::is_regular_file(p, error)) return p.string();
    }
    return {};
}

}  // namespace

ReplayOutcome replayJournal(const JournalParse& journal, ReplayWorld& replay,
                            const std::string& name, const ReplayProgress& progress) {
    if (!journal.error.empty())
        return {2, name + ":" + std::to_string(journal.errorLine) + ": " + journal.error};
    Game& root = replay.root();
    WorldCommands& commands = replay.commands();
    const uint32_t last = journal.events.empty() ? 0 : journal.events.back().step;
    for (const JournalEvent& e : journal.events) {
        while (commands.stepsDone() < e.step) {
            if (progress && !progress(commands.stepsDone(), last))
                return {3, name + ": stopped at step " + std::to_string(commands.stepsDone()) +
                               " of " + std::to_string(last)};
            commands.beforeStep();
            root.tick();
        }
        switch (e.kind) {
            case JournalKind::Spawn:
                commands.spawn(e.file.c_str(), e.x, e.y);
                break;
            case JournalKind::Grab:
                if (!commands.grab(e.id))
                    return {1, where(name, e) + "diverged: no atom with id " +
                                   std::to_string(e.id) + " to grab"};
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
                const std::string path = findWorldFile(e.file, name);
                if (path.empty())
                    return {2, where(name, e) + "the world file " + e.file +
                                   " is missing (looked beside the journal and here)"};
                std::vector<uint8_t> bytes;
                std::string why;
                if (!readWorldFile(path.c_str(), bytes, why))
                    return {2, where(name, e) + path + ": " + why};
                if (!commands.loadWorld(bytes, path.c_str(), why))
                    return {2, where(name, e) + path + ": " + why};
                const uint64_t hash = worldHash(root);
                if (hash != e.hash)
                    return {2, where(name, e) + "the world file " + path +
                                   " is not the one the session loaded (its hash is " + hex(hash) +
                                   ", the journal has " + hex(e.hash) + ")"};
                break;
            }
            case JournalKind::Draw:
                commands.draw(e.outline, e.family, e.file);
                break;
            case JournalKind::Pin:
            case JournalKind::Unpin:
                if (!(e.kind == JournalKind::Pin ? commands.pin(e.id) : commands.unpin(e.id)))
                    return {1, where(name, e) + "diverged: atom " + std::to_string(e.id) +
                                   " cannot be " +
                                   (e.kind == JournalKind::Pin ? "pinned" : "unpinned")};
                break;
            case JournalKind::Undo:
            case JournalKind::Redo:
                if (!(e.kind == JournalKind::Undo ? commands.undo() : commands.redo()))
                    return {1, where(name, e) + "diverged: nothing to " +
                                   (e.kind == JournalKind::Undo ? "undo" : "redo")};
                break;
            case JournalKind::Check:
            case JournalKind::End: {
                const uint64_t hash = worldHash(root);
                if (hash != e.hash)
                    return {1, where(name, e) + "diverged: the world's hash is " + hex(hash) +
                                   ", the journal has " + hex(e.hash)};
                if (e.kind == JournalKind::End)
                    return {0, name + ": the world matches after " + std::to_string(e.step) +
                                   " steps (hash " + hex(hash) + ")"};
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
