// Loading one of the game's pieces, into an empty world and into a world that
// already holds 4900 atoms (100 crates), where adding links and wiring triangles
// walks long global lists. Runs in the assets folder so textures load for real.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "content/piece_loader.h"
#include "scene/roster.h"
#include "test_world.h"

namespace {

std::vector<uint8_t> readPiece(const std::string& name) {
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (f == nullptr) return bytes;
    for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

bool loadBytes(Junk& piece, const std::vector<uint8_t>& bytes, float x, float y) {
    std::FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    const bool ok = loadPiece(piece, f, x, y, "bench.pob");
    std::fclose(f);
    return ok;
}

void addCrates(TestWorld& world, int crates) {
    const std::vector<uint8_t> crate = readPiece("drask1.pob");
    for (int i = 0; i < crates; ++i) {
        Junk* piece = new Junk(&world.root);
        loadBytes(*piece, crate, 40 + 68.8f * static_cast<float>(i % 10),
                  40 + 50 * static_cast<float>(i / 10));
    }
}

void loadInto(benchmark::State& state, int crates) {
    const std::string name = state.range(0) == 0 ? "drask1.pob" : "pimo1.pob";
    const std::vector<uint8_t> bytes = readPiece(name);
    if (bytes.empty()) {
        state.SkipWithError("piece file not found");
        return;
    }
    TestWorld world;
    addCrates(world, crates);
    for (auto _ : state) {
        Junk* piece = new Junk(&world.root);
        if (!loadBytes(*piece, bytes, 350, 300)) state.SkipWithError("piece refused");
        state.PauseTiming();
        unloadPiece(*piece);
        delete piece;
        state.ResumeTiming();
    }
    state.SetLabel(name + " over " + std::to_string(world.root.atoms.count) + " atoms");
}

void BM_LoadIntoEmptyWorld(benchmark::State& state) {
    loadInto(state, 0);
}
void BM_LoadIntoBusyWorld(benchmark::State& state) {
    loadInto(state, 100);
}

BENCHMARK(BM_LoadIntoEmptyWorld)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadIntoBusyWorld)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
