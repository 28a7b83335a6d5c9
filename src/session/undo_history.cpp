#include "session/undo_history.h"

#include <algorithm>
#include <new>

UndoHistory::UndoHistory() = default;

UndoHistory::~UndoHistory() {
    stopPacking();
}

void UndoHistory::stopPacking() {
    if (packing == nullptr) return;
    deflateEnd(&stream);
    packing = nullptr;
    packed.clear();
    packed.shrink_to_fit();
}

// Before a state leaves the history: it may be the one being packed.
void UndoHistory::forget(const State& state) {
    if (packing == &state) stopPacking();
}

std::vector<uint8_t> UndoHistory::unpack(State& state) {
    if (!state.packed) return std::move(state.bytes);
    std::vector<uint8_t> world(state.size);
    uLongf size = static_cast<uLongf>(state.size);
    if (uncompress(world.data(), &size, state.bytes.data(),
                   static_cast<uLong>(state.bytes.size())) != Z_OK ||
        size != state.size)
        world.clear();  // cannot happen to what settle packed; the reader refuses an empty file
    return world;
}

void UndoHistory::push(std::vector<uint8_t> world) {
    for (const State& s : forward) forget(s);
    forward.clear();
    const std::size_t size = world.size();
    back.push_back({std::move(world), size, false});
    while (back.size() > kDepth) {
        forget(back.front());
        back.pop_front();
    }
    packDownTo(kUnpacked);
}

void UndoHistory::packDownTo(std::size_t unpacked) {
    for (;;) {
        std::size_t waiting = 0;
        const State* first = nullptr;
        for (const auto* side : {&back, &forward})
            for (const State& s : *side)
                if (!s.packed && !s.unpackable && waiting++ == 0) first = &s;
        if (waiting <= unpacked) return;
        // What is left of the state settle works on: the one being packed, else the first.
        settle(packing != nullptr ? packing->size - stream.total_in : first->size);
    }
}

void UndoHistory::dropLast() {
    if (back.empty()) return;
    forget(back.back());
    back.pop_back();
}

std::vector<uint8_t> UndoHistory::undo(std::vector<uint8_t> current) {
    return cross(back, forward, std::move(current));
}

std::vector<uint8_t> UndoHistory::redo(std::vector<uint8_t> current) {
    return cross(forward, back, std::move(current));
}

// The newest state of one side comes out; the world it replaces goes to the other.
std::vector<uint8_t> UndoHistory::cross(std::deque<State>& from, std::deque<State>& to,
                                        std::vector<uint8_t> current) {
    if (from.empty()) return {};
    forget(from.back());
    std::vector<uint8_t> world = unpack(from.back());
    from.pop_back();
    const std::size_t size = current.size();
    to.push_back({std::move(current), size, false});
    return world;
}

void UndoHistory::settle(std::size_t bytes) {
    while (bytes > 0) {
        if (packing == nullptr) {
            for (auto* side : {&back, &forward})
                for (State& s : *side)
                    if (!s.packed && !s.unpackable && packing == nullptr) packing = &s;
            if (packing == nullptr) return;
            stream = z_stream{};
            // The fastest level: a full world packs to about a fifth.
            if (deflateInit(&stream, Z_BEST_SPEED) != Z_OK) throw std::bad_alloc();
            packed.resize(deflateBound(&stream, static_cast<uLong>(packing->size)));
            stream.next_out = packed.data();
            stream.avail_out = static_cast<uInt>(packed.size());
        }
        const std::size_t done = stream.total_in;
        const std::size_t chunk = std::min(bytes, packing->size - done);
        stream.next_in = packing->bytes.data() + done;
        stream.avail_in = static_cast<uInt>(chunk);
        const bool last = done + chunk == packing->size;
        const int result = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
        bytes -= chunk;
        if (result == Z_STREAM_ERROR || (last && result != Z_STREAM_END)) {
            packing->unpackable = true;
            stopPacking();
            continue;
        }
        if (!last) continue;
        packed.resize(stream.total_out);
        packed.shrink_to_fit();
        packing->bytes = std::move(packed);
        packing->packed = true;
        deflateEnd(&stream);
        packing = nullptr;
        packed = {};
        if (bytes == 0) return;
    }
}

std::size_t UndoHistory::bytesHeld() const {
    std::size_t total = packed.capacity();
    for (const auto* side : {&back, &forward})
        for (const State& s : *side) total += s.bytes.capacity();
    return total;
}
