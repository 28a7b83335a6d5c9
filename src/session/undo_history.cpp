#include "session/undo_history.h"

#include <zlib.h>

#include <new>

UndoHistory::State UndoHistory::pack(const std::vector<uint8_t>& world) {
    State state;
    state.size = world.size();
    uLongf packed = compressBound(static_cast<uLong>(world.size()));
    state.packed.resize(packed);
    // The fastest level: a full world packs to under half in a few milliseconds.
    if (compress2(state.packed.data(), &packed, world.data(), static_cast<uLong>(world.size()),
                  Z_BEST_SPEED) != Z_OK)
        throw std::bad_alloc();
    state.packed.resize(packed);
    state.packed.shrink_to_fit();
    return state;
}

std::vector<uint8_t> UndoHistory::unpack(const State& state) {
    std::vector<uint8_t> world(state.size);
    uLongf size = static_cast<uLongf>(state.size);
    if (uncompress(world.data(), &size, state.packed.data(),
                   static_cast<uLong>(state.packed.size())) != Z_OK ||
        size != state.size)
        world.clear();  // cannot happen to what pack made; the reader refuses an empty file
    return world;
}

void UndoHistory::push(const std::vector<uint8_t>& world) {
    forward.clear();
    back.push_back(pack(world));
    while (back.size() > kDepth) back.pop_front();
}

void UndoHistory::dropLast() {
    if (!back.empty()) back.pop_back();
}

std::vector<uint8_t> UndoHistory::undo(const std::vector<uint8_t>& current) {
    if (back.empty()) return {};
    std::vector<uint8_t> world = unpack(back.back());
    back.pop_back();
    forward.push_back(pack(current));
    return world;
}

std::vector<uint8_t> UndoHistory::redo(const std::vector<uint8_t>& current) {
    if (forward.empty()) return {};
    std::vector<uint8_t> world = unpack(forward.back());
    forward.pop_back();
    back.push_back(pack(current));
    return world;
}

std::size_t UndoHistory::bytesHeld() const {
    std::size_t total = 0;
    for (const auto* side : {&back, &forward})
        for (const State& s : *side) total += s.packed.capacity();
    return total;
}
