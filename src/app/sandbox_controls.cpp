#include "app/sandbox_controls.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "app/folder_files.h"
#include "app/key_card.h"
#include "app/korvel.h"
#include "app/settings.h"
#include "app/window_proc.h"
#include "content/numbered_file.h"
#include "content/output_path.h"
#include "content/piece_file.h"
#include "content/report.h"
#include "physics/atom.h"
#include "physics/system.h"
#include "platform/gl.h"
#include "render/gl_renderer.h"
#include "render/grid.h"
#include "render/overlay.h"

namespace {

constexpr std::size_t kMessagesShown = 3;
// How far outside an atom a press still takes it, in window pixels.
constexpr float kGrabSlackPixels = 4;
// The throw takes the pointer's travel over this many steps before the release.
constexpr uint32_t kThrowSteps = 5;

// The message bar is a plain function; the game has one set of controls.
SandboxControls* listening = nullptr;

void onDrop(const char* path) {
    if (listening != nullptr) listening->fileDropped(path);
}

// The highest-numbered world-NNNN.pdw where F5 saves, "" when there is none.
std::string newestWorldFile() {
    std::string newest;
    for (const std::string& path : folderFiles(".pdw")) {
        const std::string name = std::filesystem::path(path).filename().string();
        const bool numbered =
            name.size() == 14 && name.starts_with("world-") && name.ends_with(".pdw") &&
            std::all_of(name.begin() + 6, name.begin() + 10,
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
        if (numbered &&
            (newest.empty() || name > std::filesystem::path(newest).filename().string()))
            newest = path;
    }
    return newest;
}

// The world's extent, in world units (under the view).
void worldRectangle(GLenum mode, const System& world) {
    glBegin(mode);
    glVertex3f(0, 0, 0);
    glVertex3f(world.width, 0, 0);
    glVertex3f(world.width, world.height, 0);
    glVertex3f(0, world.height, 0);
    glEnd();
}

}  // namespace

SandboxControls::SandboxControls(Korvel& korvel)
    : windowMode(*korvel.glRenderer()), korvel(korvel) {
    listening = this;
    setMessageBar([](Severity severity, const char* line) {
        if (listening != nullptr) listening->showMessage(line, severity);
    });
    currentFileDrop = onDrop;
    if (korvel.glRenderer()->opened) DragAcceptFiles(korvel.glRenderer()->window, TRUE);
    fpsStart = Clock::now();
}

SandboxControls::~SandboxControls() {
    if (listening == this) {
        listening = nullptr;
        setMessageBar(nullptr);
        currentFileDrop = nullptr;
    }
}

void SandboxControls::keyDown(int32_t key, bool repeat) {
    // Holding N steps on; the toggles act once per press.
    if (key == 'N') {
        if (korvel.paused) korvel.stepOnce();
        return;
    }
    if (repeat) return;
    const bool control = korvel.keys[VK_CONTROL] != 0;
    if (control && (key == 'Z' || key == 'Y')) {
        if (key == 'Z' && korvel.keys[VK_SHIFT] == 0)
            undo();
        else
            redo();
        return;
    }
    switch (key) {
        case 'P':
        case VK_SPACE:
            korvel.paused = !korvel.paused;
            break;
        case 'C':
            korvel.commands.clear();
            pointerTrail.clear();
            break;
        case 'G':
            gridVisible = !gridVisible;
            break;
        case VK_HOME:
            korvel.view.reset();
            break;
        case VK_TAB:
            overlayVisible = !overlayVisible;
            break;
        case 'H':
        case VK_F1:
            helpVisible = !helpVisible;
            break;
        case VK_F12:
            saveScreenshot();
            break;
        case VK_F5:
            saveWorld();
            break;
        case VK_F9:
            loadNewestWorld();
            break;
        case 'B':
            drawing.toggle();
            break;
        case 'F':
            if (drawing.on()) drawing.nextFamily();
            break;
        case 'T':
            if (drawing.on()) drawing.nextTexture();
            break;
        case 'E':
            exportDrawn();
            break;
        case VK_OEM_4:
        case VK_OEM_6:
            dropChoice.step(key == VK_OEM_6 ? 1 : -1);
            if (dropChoice.file().empty())
                report(Severity::confirmation, "Right button: the last key's family");
            else
                report(Severity::confirmation, "Right button: %s", dropChoice.file().c_str());
            break;
        case 'X':
            togglePin();
            break;
        case 'S':
            // Half, a quarter, an eighth, and back to a step every pass.
            slowFrames = slowFrames >= 8 ? 1 : slowFrames * 2;
            slowWaited = 0;
            break;
        case VK_F11:
            windowMode.setFullscreen(!windowMode.fullscreen());
            break;
        case 'M':
        case VK_OEM_MINUS:
        case VK_SUBTRACT:
        case VK_OEM_PLUS:
        case VK_ADD:
            changeMusic(key);
            break;
        default:
            break;
    }
}

bool SandboxControls::escape(bool repeat) {
    // The press that closed the card must not quit the game as the key repeats.
    if (repeat && escapeClosed) return true;
    escapeClosed = helpVisible;
    helpVisible = false;
    return escapeClosed;
}

bool SandboxControls::stepDue() {
    if (slowFrames <= 1) return true;
    if (++slowWaited < slowFrames) return false;
    slowWaited = 0;
    return true;
}

void SandboxControls::saveScreenshot() {
    std::string error;
    const std::string name = korvel.glRenderer()->saveScreenshot(error);
    if (name.empty())
        report(Severity::error, "%s", error.c_str());
    else
        report(Severity::confirmation, "Saved %s", name.c_str());
}

void SandboxControls::saveWorld() {
    std::string error;
    // An empty file claims the number; the world is written beside it and renamed over it.
    const std::string name = writeNumberedFile("world-%04d.pdw", "world", {}, error);
    if (name.empty() || !korvel.commands.saveWorld(name.c_str(), error)) {
        if (!name.empty()) std::remove(name.c_str());
        report(Severity::error, "%s", error.c_str());
        return;
    }
    savedWorld = name;
    report(Severity::confirmation, "Saved %s", name.c_str());
}

void SandboxControls::exportDrawn() {
    const PieceFile& drawn = korvel.commands.lastDrawn();
    if (drawn.atoms.empty()) {
        report(Severity::confirmation, "Nothing drawn to export");
        return;
    }
    std::string error;
    const std::string name = writeNumberedFile("piece-%04d.pob", "piece", {}, error);
    if (name.empty() || !writeWholeFile(name, writePieceFile(centredPiece(drawn)), error)) {
        if (!name.empty()) std::remove(name.c_str());
        report(Severity::error, "%s", error.c_str());
        return;
    }
    report(Severity::confirmation, "Exported %s", name.c_str());
}

void SandboxControls::changeMusic(int key) {
    if (key == 'M')
        music.toggle();
    else if (key == VK_OEM_MINUS || key == VK_SUBTRACT)
        music.softer();
    else
        music.louder();
    std::string line = music.status();
    line[0] = 'M';
    report(Severity::confirmation, "%s", line.c_str());
}

Settings SandboxControls::settings() const {
    Settings s;
    s.overlay = overlayVisible;
    s.grid = gridVisible;
    s.musicOn = music.on();
    s.musicVolume = music.volume();
    const WindowMode::Windowed windowed = windowMode.windowed();
    s.windowWidth = std::clamp(windowed.width, kMinWindowSide, kMaxWindowSide);
    s.windowHeight = std::clamp(windowed.height, kMinWindowSide, kMaxWindowSide);
    s.maximised = windowed.maximised;
    s.fullscreen = windowMode.fullscreen();
    s.rightButton = dropChoice.file();
    s.drawFamily = drawing.family();
    s.drawTexture = drawing.texture();
    return s;
}

void SandboxControls::apply(const Settings& s) {
    overlayVisible = s.overlay;
    gridVisible = s.grid;
    music.set(s.musicOn, s.musicVolume);
    dropChoice.choose(s.rightButton);
    drawing.choose(s.drawFamily, s.drawTexture);
    // Maximised first, so that leaving full screen comes back to it.
    if (s.maximised) windowMode.maximise();
    if (s.fullscreen) windowMode.setFullscreen(true);
}

void SandboxControls::togglePin() {
    float x = 0;
    float y = 0;
    pointerToWorld(x, y);
    const Atom* atom = korvel.commands.atomNear(x, y, kGrabSlackPixels / korvel.view.scale());
    if (atom == nullptr) return;
    if (korvel.commands.pinned(atom))
        korvel.commands.unpin(atom->id);
    else
        korvel.commands.pin(atom->id);
}

void SandboxControls::loadNewestWorld() {
    const std::string name = savedWorld.empty() ? newestWorldFile() : savedWorld;
    if (name.empty()) {
        report(Severity::error, "No world file (world-NNNN.pdw) here to load");
        return;
    }
    loadWorld(name);
}

void SandboxControls::loadWorld(const std::string& path) {
    if (!korvel.commands.loadWorld(path.c_str())) return;
    forgetDrag();
    report(Severity::confirmation, "Loaded %s",
           std::filesystem::path(path).filename().string().c_str());
}

void SandboxControls::undo() {
    if (!korvel.commands.undo()) {
        report(Severity::confirmation, "Nothing to undo");
        return;
    }
    forgetDrag();
}

void SandboxControls::redo() {
    if (!korvel.commands.redo()) {
        report(Severity::confirmation, "Nothing to redo");
        return;
    }
    forgetDrag();
}

void SandboxControls::forgetDrag() {
    pointerTrail.clear();
}

void SandboxControls::fileDropped(const char* path) {
    const std::string extension = lowerExtension(path);
    if (extension == ".pdw")
        loadWorld(path);
    else if (extension == ".pob")
        korvel.spawnFile(path, korvel.mouseX, korvel.mouseY);
    else
        report(Severity::error, "%s: neither a world file (.pdw) nor a piece file (.pob)", path);
}

void SandboxControls::pointerToWorld(float& x, float& y) const {
    x = korvel.view.worldX(korvel.mouseX);
    y = korvel.view.worldY(korvel.mouseY);
}

void SandboxControls::followPointer() {
    float x = 0;
    float y = 0;
    pointerToWorld(x, y);
    if (korvel.paused) {
        korvel.commands.carryGrab(x, y);
        return;
    }
    korvel.commands.moveGrab(x, y);
    const uint32_t step = korvel.commands.stepsDone();
    if (!pointerTrail.empty() && pointerTrail.back().step == step) pointerTrail.pop_back();
    pointerTrail.push_back({step, x, y});
    while (pointerTrail.size() > 1 && pointerTrail.front().step + kThrowSteps < step)
        pointerTrail.pop_front();
}

void SandboxControls::throwVelocity(float& vx, float& vy) const {
    vx = 0;
    vy = 0;
    const uint32_t now = korvel.commands.stepsDone();
    if (pointerTrail.size() < 2 || pointerTrail.back().step + kThrowSteps < now) return;
    const Sample& from = pointerTrail.front();
    const Sample& to = pointerTrail.back();
    const auto steps = static_cast<float>(to.step - from.step);
    vx = (to.x - from.x) / steps;
    vy = (to.y - from.y) / steps;
}

void SandboxControls::mouseMoved() {
    if (korvel.middleButton) {
        korvel.view.panBy(korvel.mouseX - panFromX, korvel.mouseY - panFromY);
        panFromX = korvel.mouseX;
        panFromY = korvel.mouseY;
    }
    if (drawing.tracing()) drawing.extend(korvel.mouseX, korvel.mouseY, korvel.view);
    if (korvel.commands.held() != nullptr) followPointer();
}

void SandboxControls::leftButtonDown() {
    if (drawing.on()) {
        drawing.begin(korvel.mouseX, korvel.mouseY, korvel.view);
        return;
    }
    float x = 0;
    float y = 0;
    pointerToWorld(x, y);
    Atom* atom = korvel.commands.atomNear(x, y, kGrabSlackPixels / korvel.view.scale());
    if (atom == nullptr) return;
    pointerTrail.clear();
    korvel.commands.grab(atom->id);
    pointerTrail.push_back({korvel.commands.stepsDone(), x, y});
}

void SandboxControls::leftButtonUp() {
    if (drawing.tracing()) {
        drawing.extend(korvel.mouseX, korvel.mouseY, korvel.view);
        korvel.commands.dropDrawn(drawing.finish(), drawing.family(), drawing.texture());
        return;
    }
    if (korvel.commands.held() == nullptr) return;
    float vx = 0;
    float vy = 0;
    if (!korvel.paused) throwVelocity(vx, vy);
    korvel.commands.release(vx, vy);
    pointerTrail.clear();
}

void SandboxControls::rightButtonDown() {
    if (!dropChoice.file().empty())
        korvel.spawnFile(dropChoice.file().c_str(), korvel.mouseX, korvel.mouseY);
    else
        korvel.spawnLastFamily(korvel.mouseX, korvel.mouseY);
}

void SandboxControls::middleButtonDown() {
    panFromX = korvel.mouseX;
    panFromY = korvel.mouseY;
}

void SandboxControls::mouseWheel(int32_t delta) {
    const int notches = delta / WHEEL_DELTA;
    if (notches == 0) return;
    korvel.view.zoomAbout(korvel.mouseX, korvel.mouseY, notches);
}

void SandboxControls::tickBegins() {
    tickStart = Clock::now();
    inTick = true;
    frameInTick = false;
}

void SandboxControls::frameBegins() {
    if (inTick && !frameInTick) {
        frameStart = Clock::now();
        frameInTick = true;
    }
}

void SandboxControls::tickEnds() {
    const Clock::time_point stepEnd = frameInTick ? frameStart : Clock::now();
    lastStepMs = std::chrono::duration<float, std::milli>(stepEnd - tickStart).count();
    inTick = false;
}

void SandboxControls::drawUnderlay() {
    if (gridVisible) drawGrid();
    if (!korvel.view.showsWholeFrame()) drawWorldBox();
}

// Zoomed out, panned or in a window of another shape, the world's edges no longer
// lie on the window's: a faint box shows where the pieces stop.
void SandboxControls::drawWorldBox() const {
    const System& world = *korvel.world;
    glDepthMask(GL_FALSE);
    glLineWidth(2);
    glColor4f(0.15f, 0.15f, 0.15f, 1);
    worldRectangle(GL_LINE_LOOP, world);
    glDepthMask(GL_TRUE);
    glLineWidth(4);
}

void SandboxControls::drawGrid() const {
    const System& world = *korvel.world;
    // The world's extent on a dim backdrop, so the grid's dark lines show; neither
    // writes depth, so the pieces drawn after lie over them.
    glDepthMask(GL_FALSE);
    glColor4f(0.32f, 0.35f, 0.42f, 1);
    worldRectangle(GL_QUADS, world);
    const float longest = world.width > world.height ? world.width : world.height;
    const auto count = static_cast<uint32_t>(longest / static_cast<float>(korvel.gridStep)) + 1;
    korvel.gridChild->drawGridLines(0, 0, korvel.gridStep, count);
    glDepthMask(GL_TRUE);
    // The frame draws its links with the width the overlay leaves.
    glLineWidth(4);
}

void SandboxControls::showMessage(const char* line, Severity severity, double seconds) {
    const auto lasting =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    messages.push_back({line, severity, Clock::now() + lasting, false});
    while (messages.size() > kMessagesShown) messages.pop_front();
}

void SandboxControls::showHint(const char* line, double seconds) {
    showMessage(line, Severity::confirmation, seconds);
    messages.back().untilKey = true;
}

void SandboxControls::anyKeyPressed() {
    std::erase_if(messages, [](const Message& m) { return m.untilKey; });
}

void SandboxControls::drawMarks() const {
    // In world coordinates: the view still holds.
    if (const Atom* held = korvel.commands.held()) {
        const float r = held->radius + 3;
        glLineWidth(2);
        glColor4f(1, 1, 0, 1);
        glBegin(GL_LINE_LOOP);
        for (int i = 0; i < 12; ++i) {
            const float a = static_cast<float>(i) * 0.5235988f;
            glVertex3f(held->x + r * std::cos(a), held->y + r * std::sin(a), 0.4f);
        }
        glEnd();
        glLineWidth(4);
    }
    if (!korvel.commands.pins().empty()) {
        // A square round each pinned atom, where the ring is round.
        glLineWidth(2);
        glColor4f(1, 0.3f, 0.3f, 1);
        for (const PinnedAtom& pin : korvel.commands.pins()) {
            const Atom* a = pin.atom;
            const float r = a->radius + 2;
            glBegin(GL_LINE_LOOP);
            glVertex3f(a->x - r, a->y - r, 0.4f);
            glVertex3f(a->x + r, a->y - r, 0.4f);
            glVertex3f(a->x + r, a->y + r, 0.4f);
            glVertex3f(a->x - r, a->y + r, 0.4f);
            glEnd();
        }
        glLineWidth(4);
    }
    if (drawing.tracing()) {
        glLineWidth(2);
        glColor4f(0.6f, 1, 1, 1);
        glBegin(GL_LINE_STRIP);
        for (const OutlinePoint& p : drawing.outline()) glVertex3f(p.x, p.y, 0.4f);
        glEnd();
        glLineWidth(4);
    }
}

void SandboxControls::drawOverlay() {
    const Clock::time_point now = Clock::now();
    ++framesCounted;
    const double elapsed = std::chrono::duration<double>(now - fpsStart).count();
    if (elapsed >= 1.0) {
        framesPerSecond = static_cast<float>(framesCounted / elapsed);
        framesCounted = 0;
        fpsStart = now;
    }

    drawMarks();

    std::erase_if(messages, [now](const Message& m) { return m.until < now; });

    OverlayText text;
    char line[96];
    if (overlayVisible) {
        const System& world = *korvel.world;
        std::snprintf(line, sizeof line, "atoms %d/%d  links %d", korvel.atoms.count, kMaxAtoms,
                      korvel.links.count);
        text.corner.emplace_back(line);
        std::snprintf(line, sizeof line, "triangles %d  pieces %d", korvel.triangles.count,
                      korvel.pieces.count);
        text.corner.emplace_back(line);
        char rate[16];
        if (slowFrames > 1)
            std::snprintf(rate, sizeof rate, "1/%d", slowFrames);
        else
            std::snprintf(rate, sizeof rate, "%u", korvel.frameSkip);
        std::snprintf(line, sizeof line, "steps/frame %s  %.0f fps  step %.2f ms", rate,
                      double(framesPerSecond), double(lastStepMs));
        text.corner.emplace_back(line);
        // The music is named once the player has touched it.
        const bool musicChanged = !music.on() || music.volume() != 100;
        std::snprintf(line, sizeof line, "zoom %.2f  step %u%s%s%s", double(korvel.view.zoom),
                      world.stepCount - 1, musicChanged ? "  " : "",
                      musicChanged ? music.status().c_str() : "", korvel.paused ? "  PAUSED" : "");
        text.corner.emplace_back(line);
    }
    if (drawing.on()) text.corner.push_back(drawing.status());
    if (!dropChoice.file().empty()) text.corner.push_back("Right button: " + dropChoice.file());
    for (const Message& m : messages) text.messages.push_back({m.text, m.severity});
    if (helpVisible) text.card = helpCardRows();
    if (text.corner.empty() && text.messages.empty() && text.card.empty()) return;
    drawOverlayText(text, korvel.glRenderer()->textFont(), korvel.renderer->width,
                    korvel.renderer->height);
}
