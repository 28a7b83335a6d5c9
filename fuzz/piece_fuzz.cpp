// Feeds arbitrary bytes to the piece loader as a piece file and steps the world a
// little, so whatever the loader lets in also meets the physics.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "content/piece_loader.h"
#include "content/report.h"
#include "physics/system.h"
#include "scene/roster.h"
#include "quiet_input.h"
#include "test_world.h"

namespace {

// Pieces are taken out again after each input, so the world stays small and
// every input also runs the removal cascade.
TestWorld* world = nullptr;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (namesADevice(data, size)) return -1;
    if (world == nullptr) {
        world = new TestWorld;
        setMessageBoxHandler(silentBox);
    }

    std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (file == nullptr) return 0;  // fmemopen refuses an empty buffer
    Junk* piece = new Junk(&world->root);
    {
        const QuietStderr quiet;
        loadPiece(*piece, file, 150, 400, "fuzz.pob");
    }
    std::fclose(file);

    // A piece may ask for up to 1000 iterations a step, which is legal but slow.
    if (world->world->maxIterations <= 64)
        for (int i = 0; i < 3; ++i) world->root.tick();
    unloadPiece(*piece);
    delete piece;
    // The world is empty again; let the next input start from scratch.
    world->world->maxIterations = 0;
    return 0;
}
