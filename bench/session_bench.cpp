// Memory over a long session of spawning and clearing: every cycle drops the eight
// pieces of the game at their keys' positions, runs 100 steps and takes every
// piece out again. Shared images are read once and go with the last piece using
// them, so the heap must come back to where it was after the first cycle.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <string>
#include <vector>

#include "content/piece_loader.h"
#include "scene/roster.h"
#include "scene/texture.h"
#include "session/spawn_keys.h"
#include "test_world.h"

namespace {

size_t heapInUse() {
    return mallinfo2().uordblks + mallinfo2().hblkhd;
}

// Image bytes the cycle's pieces hold: what a session kept for good per cycle
// when every spawn read its images anew and nothing was released.
size_t cycle(TestWorld& world) {
    std::vector<Junk*> pieces;
    size_t imageBytes = 0;
    for (int i = 0; i < 8; ++i) {
        const SpawnKey& key = kSpawnKeys[i];
        const WorldSpot spot = keySpot(key);
        Junk* piece =
            spawnPieceFile(world.root, familyPiece(key.pattern, i % 4 + 1).c_str(), spot.x, spot.y)
                .piece;
        if (piece == nullptr) continue;
        piece->textures.forEach([&](const Texture* t) { imageBytes += t->imageSize; });
        pieces.push_back(piece);
    }
    for (int i = 0; i < 100; ++i) world.root.tick();
    for (Junk* piece : pieces) {
        unloadPiece(*piece);
        delete piece;
    }
    return imageBytes;
}

void BM_SpawnAndClearSession(benchmark::State& state) {
    TestWorld world;
    cycle(world);
    const size_t settled = heapInUse();
    size_t cycles = 0, imageBytes = 0;
    for (auto _ : state) {
        imageBytes += cycle(world);
        ++cycles;
    }
    const double kb = 1024.0;
    state.counters["cycles"] = static_cast<double>(cycles);
    state.counters["heap_growth_KB"] =
        (static_cast<double>(heapInUse()) - static_cast<double>(settled)) / kb;
    state.counters["unreleased_images_KB"] = static_cast<double>(imageBytes) / kb;
    state.counters["images_held"] = static_cast<double>(sharedTextureCount());
}
BENCHMARK(BM_SpawnAndClearSession)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
