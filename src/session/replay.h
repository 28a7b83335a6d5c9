#pragma once

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

  private:
    struct Root;
    std::unique_ptr<Root> world;
};

struct ReplayOutcome {
    // 0: every check and the end matched; 1: the world diverged; 2: the journal is
    // unreadable or malformed.
    int status = 0;
    std::string message;
};

// `name` only labels the messages ("NAME:LINE: ...").
ReplayOutcome replayJournal(const JournalParse& journal, ReplayWorld& world,
                            const std::string& name);
ReplayOutcome replayJournalFile(const char* path, ReplayWorld& world);
