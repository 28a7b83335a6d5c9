// Drawing a full world through the game's own frame drawing, offscreen (OSMesa on
// Linux: software GL, as on a machine without a GPU driver), at the window's size
// and at full HD with the view zoomed so the world fills the picture. glFinish is
// inside the timing, so rasterising counts, and the time is the process's CPU time,
// as Mesa's llvmpipe rasterises in threads of its own. The world is the one
// clear_bench fills (100 pieces, 4970 atoms, 7212 triangles, a few loose atoms).
//
// PIMO_DRAW_PICTURES=DIR writes each size's frame to DIR/draw-WxH.png, so that two
// builds can be compared pixel for pixel.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <ctime>

#include "app/view.h"
#include "content/texture_cache.h"
#include "full_world.h"
#include "offscreen_gl.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "platform/gl.h"
#include "render/draw_world.h"
#include "render/gl_state.h"
#include "render/picture.h"
#include "render/texture_upload.h"
#include "scene/game.h"
#include "session/replay.h"

namespace {

// What the controller adds to a frame: its view, and the line width its overlay
// pass leaves for the next frame's links.
class Viewer : public Game {
  public:
    void applyView() override { view.apply(); }
    void drawOverlay() override { glLineWidth(4); }
    View view;
};

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int visibleLinks(Game& root) {
    int n = 0;
    root.links.rewind();
    while (Link* link = root.links.advance()) n += link->visible ? 1 : 0;
    return n;
}

int unlinkedAtoms(Game& root) {
    int n = 0;
    root.atoms.rewind();
    while (Atom* atom = root.atoms.advance()) n += atom->unlinked ? 1 : 0;
    return n;
}

void BM_DrawFullWorld(benchmark::State& state) {
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    OffscreenGl gl;
    std::string error;
    if (!gl.open(width, height, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    setProjection(width, height);
    setFixedGlState();
    setTextureUploader(uploadTexture);
    setTextureReleaser(deleteTexture);
    {
        ReplayWorld world;
        Game& root = world.root();
        const int pieces = fillWithPieces(world.commands());
        Viewer viewer;
        viewer.view.zoom = std::max(static_cast<float>(width) / kWindowWidth,
                                    static_cast<float>(height) / kWindowHeight);
        // The game's first frame draws its links at GL's default width, every later
        // one at the width the overlay leaves.
        drawWorld(root, viewer);
        double threadSeconds = 0;
        for (auto _ : state) {
            const double start = threadCpuSeconds();
            drawWorld(root, viewer);
            glFinish();
            threadSeconds += threadCpuSeconds() - start;
        }
        state.counters["thread_ms"] =
            benchmark::Counter(threadSeconds * 1e3, benchmark::Counter::kAvgIterations);
        if (const char* dir = std::getenv("PIMO_DRAW_PICTURES")) {
            const std::string path = std::string(dir) + "/draw-" + std::to_string(width) + "x" +
                                     std::to_string(height) + ".png";
            if (!writePng(path, readPicture(width, height), error))
                state.SkipWithError(error.c_str());
        }
        state.counters["pieces"] = pieces;
        state.counters["atoms"] = root.atoms.count;
        state.counters["triangles"] = root.triangles.count;
        state.counters["green_links"] = visibleLinks(root);
        state.counters["green_atoms"] = unlinkedAtoms(root);
    }
    setTextureReleaser(nullptr);
    setTextureUploader(nullptr);
}
BENCHMARK(BM_DrawFullWorld)
    ->Args({kWindowWidth, kWindowHeight})
    ->Args({1920, 1080})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
