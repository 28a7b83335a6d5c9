// One world tick of a full world (5000 atoms in 50 lattice pieces of 10 × 10 atoms,
// structural and diagonal links, two triangles per cell, iterations 3, frame skip
// 1), settled into a pile first: with the frame drawn into a real GL window
// through GLRenderer::drawFrame, and without drawing.
//
// The drawing variant needs an X display (Xvfb will do) and skips itself without:
//   xvfb-run -a build/release/bin/tick_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "scene/texture.h"
#include "test_world.h"
#include "platform/win32.h"
#include "render/gl_renderer.h"
#include "render/texture_upload.h"
#include "test_world.h"

namespace {

constexpr int kSettleSteps = 300;

struct FullWorld {
    std::unique_ptr<TestWorld> w = std::make_unique<TestWorld>();
    Texture texture;
    std::vector<std::unique_ptr<Junk>> pieces;

    FullWorld() {
        for (int i = 0; i < 50; ++i) {
            const float x = 4.0f + 69.5f * static_cast<float>(i % 10);
            const float y = 4.0f + 70.0f * static_cast<float>(i / 10);
            pieces.push_back(std::make_unique<Junk>(&w->root));
            buildLattice(*pieces.back(), &texture, x, y, 10, 10, 7, 3, 0.3f, 0.2f, 5.0f);
        }
        w->root.frameSkip = 1;
    }
    void settle() {
        for (int i = 0; i < kSettleSteps; ++i) w->root.tick();
    }
    void count(benchmark::State& state) const {
        state.counters["atoms"] = w->root.atoms.count;
        state.counters["links"] = w->root.links.count;
        state.counters["triangles"] = w->root.triangles.count;
    }
};

// A small RGB checker, so the triangles are textured as a piece's would be.
void makeChecker(Texture& texture) {
    texture.width = texture.height = 8;
    texture.bytesPerPixel = 3;
    texture.bitsPerPixel = 24;
    texture.glFormat = kGlRgb;
    texture.imageSize = 8 * 8 * 3;
    texture.pixels = std::make_unique<uint8_t[]>(texture.imageSize);
    for (uint32_t i = 0; i < 64; ++i) {
        const uint8_t v = ((i / 8 + i % 8) % 2) != 0 ? 220 : 90;
        texture.pixels[3 * i] = v;
        texture.pixels[3 * i + 1] = static_cast<uint8_t>(v / 2);
        texture.pixels[3 * i + 2] = 40;
    }
}

LRESULT CALLBACK benchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void BM_TickWithoutDrawing(benchmark::State& state) {
    FullWorld full;
    full.settle();
    for (auto _ : state) full.w->root.tick();
    full.count(state);
}
BENCHMARK(BM_TickWithoutDrawing)->Unit(benchmark::kMillisecond);

void BM_TickWithDrawing(benchmark::State& state) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        state.SkipWithError("no X display (run under xvfb-run)");
        return;
    }
    FullWorld full;
    GLRenderer renderer(&full.w->root, nullptr, benchWindowProc);
    if (!renderer.open("tick bench", 700, 430, GLRenderer::kColourBits, GLRenderer::kWindowed,
                       GLRenderer::kFixedSize)) {
        state.SkipWithError("no GL window");
        return;
    }
    makeChecker(full.texture);
    uploadTexture(full.texture);
    full.w->root.renderer = &renderer;
    full.settle();
    for (auto _ : state) full.w->root.tick();
    full.count(state);
    full.w->root.renderer = nullptr;
    renderer.close();
}
BENCHMARK(BM_TickWithDrawing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
