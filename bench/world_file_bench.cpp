// World files of a full world of the game's pieces (fillWithPieces): saving
// (capture and encode), reading alone (decode with every check) and loading as
// F9 does (decode, the undo state of the world it replaces, the world emptied
// and placed), with the file's size; and the memory undo holds at its depth,
// fifty states of that world.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "full_world.h"
#include "physics/system.h"
#include "scene/game.h"
#include "session/replay.h"
#include "session/world_file.h"

namespace {

struct FullWorld {
    ReplayWorld world;
    int pieces = 0;

    FullWorld() { pieces = fillWithPieces(world.commands()); }
    void count(benchmark::State& state, std::size_t fileBytes) {
        state.counters["pieces"] = pieces;
        state.counters["atoms"] = world.root().atoms.count;
        state.counters["links"] = world.root().links.count;
        state.counters["triangles"] = world.root().triangles.count;
        state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
    }
};

WorldDef defOf(const Game& root) {
    const System& w = *root.world;
    return {w.width, w.height, w.gravity, w.scaleX, w.scaleY};
}

void BM_SaveFullWorld(benchmark::State& state) {
    FullWorld full;
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        bytes = full.world.commands().save();
        benchmark::DoNotOptimize(bytes.data());
    }
    full.count(state, bytes.size());
}
BENCHMARK(BM_SaveFullWorld)->Unit(benchmark::kMillisecond);

void BM_DecodeFullWorld(benchmark::State& state) {
    FullWorld full;
    const std::vector<uint8_t> bytes = full.world.commands().save();
    const WorldDef def = defOf(full.world.root());
    WorldImage image;
    std::string problem;
    for (auto _ : state) {
        if (!decodeWorld(bytes.data(), bytes.size(), def, image, problem))
            state.SkipWithError(problem.c_str());
    }
    full.count(state, bytes.size());
}
BENCHMARK(BM_DecodeFullWorld)->Unit(benchmark::kMillisecond);

void BM_LoadFullWorld(benchmark::State& state) {
    FullWorld full;
    const std::vector<uint8_t> bytes = full.world.commands().save();
    for (auto _ : state) {
        if (!full.world.commands().loadWorld(bytes, "full.pdw"))
            state.SkipWithError("the saved world does not load");
    }
    full.count(state, bytes.size());
}
BENCHMARK(BM_LoadFullWorld)->Unit(benchmark::kMillisecond);

// Each grab is a command undo keeps the world before, and each changes the world
// a little (the atom taken and let go loses its velocity); no step runs, so every
// state is of the full world (the pile would soon crumble). Timed: fifty grabs,
// each with its undo state, and releases.
void BM_UndoAtItsDepth(benchmark::State& state) {
    FullWorld full;
    WorldCommands& commands = full.world.commands();
    const std::size_t fileBytes = commands.save().size();
    int32_t id = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < UndoHistory::kDepth; ++i) {
            while (!commands.grab(id)) id = (id + 1) % kMaxAtoms;
            commands.release(0, 0);
            id = (id + 97) % kMaxAtoms;
        }
    }
    full.count(state, fileBytes);
    const double held = static_cast<double>(commands.history().bytesHeld());
    state.counters["undo_MB"] = held / 1e6;
    state.counters["state_KB"] = held / static_cast<double>(UndoHistory::kDepth) / 1e3;
}
BENCHMARK(BM_UndoAtItsDepth)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
