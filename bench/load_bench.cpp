// Loading one of the game's pieces, into an empty world and into a world that
// already holds 4900 atoms (100 crates), where adding links and wiring triangles
// walks long global lists. Runs in the assets folder so textures load for real.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "content/piece_loader.h"
#include "content/report.h"
#include "content/texture.h"
#include "physics/atom.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"

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

// Takes a piece out of the world the way the step removes dead atoms: each atom's
// removal destroys its links, and they take their triangles along.
void removePiece(Junk* piece) {
    std::vector<Atom*> atoms;
    piece->atoms.forEach([&](Atom* a) { atoms.push_back(a); });
    for (Atom* a : atoms) {
        piece->removeAtom(a);
        delete a;
    }
    std::vector<Texture*> textures;
    piece->textures.forEach([&](Texture* t) { textures.push_back(t); });
    for (Texture* t : textures) delete t;
    piece->teardown();
    delete piece;
}

struct World {
    explicit World(int crates) {
        root.world = new System(&root, 700, 530, -0.05f, 0.1f, 0.1f);
        const std::vector<uint8_t> crate = readPiece("drask1.pob");
        for (int i = 0; i < crates; ++i) {
            Junk* piece = new Junk(&root);
            loadBytes(*piece, crate, 40 + 68.8f * static_cast<float>(i % 10),
                      40 + 50 * static_cast<float>(i / 10));
        }
    }
    Game root;
};

void loadInto(benchmark::State& state, int crates) {
    const std::string name = state.range(0) == 0 ? "drask1.pob" : "pimo1.pob";
    const std::vector<uint8_t> bytes = readPiece(name);
    if (bytes.empty()) {
        state.SkipWithError("piece file not found");
        return;
    }
    World world(crates);
    for (auto _ : state) {
        Junk* piece = new Junk(&world.root);
        if (!loadBytes(*piece, bytes, 350, 300)) state.SkipWithError("piece refused");
        state.PauseTiming();
        removePiece(piece);
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

int main(int argc, char** argv) {
    std::filesystem::current_path(PIMO_ASSETS);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
