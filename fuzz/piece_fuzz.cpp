// Feeds arbitrary bytes to the piece loader as a piece file and steps the world a
// little, so whatever the loader lets in also meets the physics.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "content/piece_loader.h"
#include "content/report.h"
#include "content/texture.h"
#include "content/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"

namespace {

int silentBox(const char*, const char*, unsigned) {
    return 1;
}

// Takes a piece out again the way the step removes dead atoms, so the world stays
// small and every input also runs the removal cascade.
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
    World() { root.world = new System(&root, 700, 530, -0.05f, 0.1f, 0.1f); }
    Game root;
};

World* world = nullptr;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // Texture names are opened as files; a device would block or never end.
    if (std::string_view(reinterpret_cast<const char*>(data), size).find("/dev/") !=
        std::string_view::npos)
        return -1;
    if (world == nullptr) {
        world = new World;
        setMessageBoxHandler(silentBox);
    }

    std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (file == nullptr) return 0;  // fmemopen refuses an empty buffer
    Junk* piece = new Junk(&world->root);
    // The loader's own lines go nowhere; the sanitizers write to the descriptor.
    std::FILE* quiet = std::fopen("/dev/null", "w");
    std::FILE* saved = stderr;
    stderr = quiet;
    loadPiece(*piece, file, 150, 400, "fuzz.pob");
    stderr = saved;
    std::fclose(quiet);
    std::fclose(file);

    // A piece may ask for up to 1000 iterations a step, which is legal but slow.
    if (world->root.world->maxIterations <= 64)
        for (int i = 0; i < 3; ++i) world->root.tick();
    removePiece(piece);
    // The world is empty again; let the next input start from scratch.
    world->root.world->maxIterations = 0;
    return 0;
}
