// The world players make: the game's eight pieces spawned at the keys' spots,
// one every 40 steps, until the world is full (it refuses a piece, or holds more
// than 4500 atoms: pieces crumble and free ids as the pile grows), then settled. One step of
// that world; the memory it holds; and clearing a full world through the tree's
// own removal, piece by piece, as the sandbox does. Runs in the assets folder.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "content/piece_loader.h"
#include "session/spawn_keys.h"
#include "test_world.h"

namespace {

constexpr int kSpawnEvery = 40;
constexpr int kSettleSteps = 300;
constexpr int kFull = 4500;
// Pieces crumble as the pile grows, so the count levels out near 3500 atoms
// instead; sixty spawns (2400 steps) reach that level.
constexpr int kMostSpawns = 60;

size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// The keys in turn, each dropping one of its family picked by `rng`, at its spot.
bool spawn(Game& root, std::mt19937& rng, int index) {
    const SpawnKey& key = kSpawnKeys[index % 8];
    const std::string name = familyPiece(key.pattern, static_cast<int>(rng() % 4 + 1));
    const WorldSpot spot = keySpot(key);
    return spawnPieceFile(root, name.c_str(), spot.x, spot.y).loaded;
}

struct PlayersWorld {
    std::unique_ptr<TestWorld> w = std::make_unique<TestWorld>();
    int spawns = 0;

    // Fills the world the way a player does and lets it settle.
    void fill() {
        std::mt19937 rng(1);
        while (w->root.atoms.count <= kFull && spawns < kMostSpawns &&
               spawn(w->root, rng, spawns)) {
            ++spawns;
            for (int i = 0; i < kSpawnEvery; ++i) w->world->step();
        }
        for (int i = 0; i < kSettleSteps; ++i) w->world->step();
    }
    void count(benchmark::State& state) const {
        state.counters["atoms"] = w->root.atoms.count;
        state.counters["links"] = w->root.links.count;
        state.counters["triangles"] = w->root.triangles.count;
        state.counters["iterations"] = w->world->maxIterations;
        state.counters["spawns"] = spawns;
    }
};

void BM_StepPlayersWorld(benchmark::State& state) {
    const size_t before = heapInUse();
    PlayersWorld world;
    world.fill();
    const size_t after = heapInUse();
    for (auto _ : state) world.w->world->step();
    world.count(state);
    state.counters["world_MB"] = static_cast<double>(after - before) / (1024.0 * 1024.0);
}
BENCHMARK(BM_StepPlayersWorld)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
