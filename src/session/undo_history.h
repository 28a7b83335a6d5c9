#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// The states of the world to go back and forth to, each a world file's bytes.
// The depth is a count, not a size, so that a replay on any system keeps exactly
// the states the game kept. States are kept as they come and packed with zlib a
// little at a time (settle), so that no command waits for a whole world to pack.
class UndoHistory {
  public:
    static constexpr std::size_t kDepth = 50;
    // States not packed yet, at most: past these a push packs the oldest at once,
    // which only a burst of commands with no step between them (a drop of many
    // files) ever waits for.
    static constexpr std::size_t kUnpacked = 4;

    UndoHistory();
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // The state before a command: what undo goes back to. Forgets what was undone.
    void push(std::vector<uint8_t> world);
    // Takes back the last push (its command changed nothing).
    void dropLast();

    bool canUndo() const { return !back.empty(); }
    bool canRedo() const { return !forward.empty(); }
    // The state to go back to; `current` is kept for redo.
    std::vector<uint8_t> undo(std::vector<uint8_t> current);
    // The state undone last; `current` is kept for undo.
    std::vector<uint8_t> redo(std::vector<uint8_t> current);

    // Packs up to `bytes` more of the kept states.
    void settle(std::size_t bytes);
    // Bytes held by the kept states, packed or not yet.
    std::size_t bytesHeld() const;

  private:
    struct State {
        std::vector<uint8_t> bytes;  // the world file, or its packed form
        std::size_t size = 0;        // of the world file
        bool packed = false;
        bool unpackable = false;  // zlib failed on it: kept as it is
    };
    static std::vector<uint8_t> unpack(State& state);
    std::vector<uint8_t> cross(std::deque<State>& from, std::deque<State>& to,
                               std::vector<uint8_t> current);
    void forget(const State& state);
    void stopPacking();
    void packDownTo(std::size_t unpacked);

    std::deque<State> back;
    std::deque<State> forward;
    // The state being packed, and zlib's stream over it.
    State* packing = nullptr;
    z_stream stream{};
    std::vector<uint8_t> packed;
};
