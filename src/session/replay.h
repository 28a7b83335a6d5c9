#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "scene/cursor_list.h"
#include "scene/game.h"
#include "session/journal.h"
#include "session/world_commands.h"

class Junk;

// A world without a window, built as the game builds its own, that applies a
// journal's commands at the steps they were given.
class ReplayWorld {
  public:
    ReplayWorld();
    ~ReplayWorld();
    ReplayWorld(const ReplayWorld&) = delete;
    ReplayWorld& operator=(const ReplayWorld&) = delete;

    Game& root();
    WorldCommands& commands();
    // The pieces the commands know of, newest first; a piece loaded past the
    // commands goes here to be saved and cleared with the rest.
    CursorList<Junk>& pieces();

  private:
    struct Root;
    std::unique_ptr<Root> world;
};

struct ReplayOutcome {
    // 0: every check and the end matched; 1: the world diverged; 2: the journal is
    // unreadable or malformed, or a world or piece file it names is missing here or
    // not the one the session read; 3: the caller stopped it (see ReplayProgress).
    int status = 0;
    std::string message;
};

// Called before each step with the steps run so far and the journal's last step;
// false stops the replay there, before that step.
using ReplayProgress = std::function<bool(uint32_t done, uint32_t last)>;

// `name` only labels the messages ("NAME:LINE: ...").
ReplayOutcome replayJournal(const JournalParse& journal, ReplayWorld& world,
                            const std::string& name, const ReplayProgress& progress = {});
ReplayOutcome replayJournalFile(const char* path, ReplayWorld& world,
                                const ReplayProgress& progress = {});
