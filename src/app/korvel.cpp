#include "app/korvel.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/sandbox_controls.h"
#include "app/settings.h"
#include "app/window_proc.h"
#include "content/fit_inside.h"
#include "content/piece_loader.h"
#include "content/report.h"
#include "scene/texture.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "platform/gl.h"
#include "render/gl_renderer.h"
#include "render/grid.h"
#include "scene/roster.h"

Korvel::Korvel(HINSTANCE instance) : Korvel(instance, Settings{}) {}

Korvel::Korvel(HINSTANCE instance, const Settings& settings) {
    world = new System(this);

    // The window procedure is called while open() creates the window, so it must
    // reach the controller and the renderer before that.
    auto* gl = new GLRenderer(this, instance, windowProc);
    currentGame = this;
    currentRenderer = gl;
    renderer = gl;

    // A failure has been reported to the user already; the entry point looks at
    // the renderer before it runs the loop.
    gl->open("Pimo Drask", static_cast<float>(settings.windowWidth),
             static_cast<float>(settings.windowHeight), GLRenderer::kColourBits,
             GLRenderer::kWindowed, GLRenderer::kResizable);
    glClearColor(0, 0, 0, 0);

    view.reset();
    view.window = gl;
    frameSkip = 1;
    snapToGrid = true;
    gridStep = kGridStep;
    gridChild = new Grid(this);
    controls = std::make_unique<SandboxControls>(*this);
    controls->apply(settings);
}

Korvel::~Korvel() {
    controls.reset();
    pieces.rewind();
    while (Junk* piece = pieces.advance()) {
        unloadPiece(*piece);
        delete piece;
    }
    if (currentGame == this) currentGame = nullptr;
    if (currentRenderer == renderer) currentRenderer = nullptr;
    delete gridChild;
    delete world;
    delete renderer;
}

GLRenderer* Korvel::glRenderer() const {
    return static_cast<GLRenderer*>(renderer);
}

void Korvel::drawOverlay() {
    glLineWidth(4);
    Game::drawOverlay();
    if (controls) controls->drawOverlay();
}

void Korvel::keyDown(int32_t key) {
    const bool repeat = key >= 0 && key < 256 && keys[key] != 0;
    Game::keyDown(key);
    if (controls) controls->anyKeyPressed();
    switch (key) {
        case VK_ESCAPE:
            if (controls && controls->escape(repeat)) break;
            quitRequested = true;
            break;
        case 'Q':
            if (static_cast<int32_t>(frameSkip) > 1) frameSkip -= 1;
            break;
        case 'W':
            frameSkip += 1;
            break;
        default:
            for (const SpawnKey& k : kSpawnKeys)
                if (k.key == key) {
                    spawn(k.pattern, view.frameToWindowX(k.x), view.frameToWindowY(kSpawnKeyY));
                    return;
                }
            if (controls) controls->keyDown(key, repeat);
            break;
    }
}

void Korvel::applyView() {
    view.apply();
    if (controls) {
        controls->frameBegins();
        controls->drawUnderlay();
    }
}

void Korvel::tick() {
    if (paused || (controls && !controls->stepDue())) {
        commands.idle();
        if (renderer != nullptr) renderer->drawFrame();
        return;
    }
    stepOnce();
}

void Korvel::stepOnce() {
    const bool wasPaused = paused;
    paused = false;
    if (controls) controls->tickBegins();
    commands.beforeStep();
    Game::tick();
    // Slow motion shows every pass, the step's own too.
    if (controls && controls->slowMotion() > 1 && world->stepCount % frameSkip != 0 &&
        renderer != nullptr)
        renderer->drawFrame();
    if (controls) controls->tickEnds();
    paused = wasPaused;
}

void Korvel::removeAtom(Atom* atom) {
    Game::removeAtom(atom);
    commands.atomRemoved(atom);
}

void Korvel::mouseMove(int32_t x, int32_t y) {
    Game::mouseMove(x, y);
    if (controls) controls->mouseMoved();
}

void Korvel::leftButtonDown() {
    Game::leftButtonDown();
    if (controls) controls->leftButtonDown();
}

void Korvel::leftButtonUp() {
    Game::leftButtonUp();
    if (controls) controls->leftButtonUp();
}

void Korvel::rightButtonDown() {
    Game::rightButtonDown();
    if (controls) controls->rightButtonDown();
}

void Korvel::middleButtonDown() {
    Game::middleButtonDown();
    if (controls) controls->middleButtonDown();
}

void Korvel::mouseWheel(int32_t delta) {
    Game::mouseWheel(delta);
    if (controls) controls->mouseWheel(delta);
}

void Korvel::spawnDrask(float x, float y) {
    spawn(kDraskPattern, x, y);
}

void Korvel::spawnPimo(float x, float y) {
    spawn(kPimoPattern, x, y);
}

void Korvel::spawnLastFamily(float x, float y) {
    spawn(lastPattern, x, y, true);
}

void Korvel::spawnFile(const char* file, float x, float y) {
    float wx = 0;
    float wy = 0;
    if (dropPoint(x, y, wx, wy)) commands.drop(file, wx, wy);
}

bool Korvel::dropPoint(float x, float y, float& wx, float& wy) const {
    if (!insideWorld(view.worldX(x), view.worldY(y), commands.worldDef())) {
        report(Severity::error, "%s", kDroppedOutside);
        return false;
    }
    spawnPoint(x, y, wx, wy);
    return true;
}

void Korvel::spawnPoint(float x, float y, float& wx, float& wy) const {
    wx = view.worldX(x);
    wy = view.worldY(y);
    if (snapToGrid) {
        wx = snapToStep(wx, gridStep);
        wy = snapToStep(wy, gridStep);
    }
}

void Korvel::spawn(const char* pattern, float x, float y, bool dropped) {
    lastPattern = pattern;
    float wx = 0;
    float wy = 0;
    if (!dropped)
        spawnPoint(x, y, wx, wy);
    else if (!dropPoint(x, y, wx, wy))
        return;

    // The draw happens either way, so the game's random sequence stays the same.
    const std::string drawn = familyPiece(pattern, std::rand() % kFamilyPieces + 1);
    const char* file = pieceOverride.empty() ? drawn.c_str() : pieceOverride.c_str();
    if (dropped)
        commands.drop(file, wx, wy);
    else
        commands.spawn(file, wx, wy);
}
