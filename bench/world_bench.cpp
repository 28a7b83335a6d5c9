// The world players make: the game's eight pieces spawned at the keys' spots,
// one every 40 steps, until the world is full (it refuses a piece, or holds more
// than 4500 atoms: pieces crumble and free ids as the pile grows), then settled. One step of
// that world; the memory it holds; and clearing a full world through the tree's
// own removal, piece by piece, as the sandbox does. Runs in the assets folder.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "content/piece_loader.h"
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

// Where the keys 1 to 4 (drask) and 7, 8, 9, 0 (pimo) drop a piece: the screen
// spot at zoom 1, snapped to the 38-unit grid.
struct Key {
    const char* family;
    float x;
};
const Key kKeys[] = {{"drask", 150}, {"drask", 300}, {"drask", 450}, {"drask", 600},
                     {"pimo", 100},  {"pimo", 250},  {"pimo", 400},  {"pimo", 550}};

float snapped(float w) {
    const float q = w / 38.0f;
    const float base = 38.0f * std::floor(q);
    return w - base > 19.0f ? 38.0f * std::ceil(q) : base;
}

bool spawn(Game& root, std::mt19937& rng, int index) {
    const Key& key = kKeys[index % 8];
    const std::string name = key.family + std::to_string(rng() % 4 + 1) + ".pob";
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return false;
    auto* piece = new Junk(&root);  // pieces live as long as the world
    const bool loaded = loadPiece(*piece, file, snapped(key.x), snapped(430), name.c_str());
    std::fclose(file);
    return loaded;
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
