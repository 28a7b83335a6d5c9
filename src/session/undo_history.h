#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// The states of the world to go back and forth to, each a world file's bytes,
// kept compressed. The depth is a count, not a size, so that a replay on any
// system keeps exactly the states the game kept.
class UndoHistory {
  public:
    static constexpr std::size_t kDepth = 50;

    // The state before a command: what undo goes back to. Forgets what was undone.
    void push(const std::vector<uint8_t>& world);
    // Takes back the last push (its command changed nothing).
    void dropLast();

    bool canUndo() const { return !back.empty(); }
    bool canRedo() const { return !forward.empty(); }
    // The state to go back to; `current` is kept for redo.
    std::vector<uint8_t> undo(const std::vector<uint8_t>& current);
    // The state undone last; `current` is kept for undo.
    std::vector<uint8_t> redo(const std::vector<uint8_t>& current);

    // Bytes held by the kept states.
    std::size_t bytesHeld() const;

  private:
    struct State {
        std::vector<uint8_t> packed;
        std::size_t size = 0;
    };
    static State pack(const std::vector<uint8_t>& world);
    static std::vector<uint8_t> unpack(const State& state);

    std::deque<State> back;
    std::deque<State> forward;
};
