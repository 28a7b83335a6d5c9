#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "app/body_drawing.h"
#include "app/drop_choice.h"
#include "app/music_control.h"
#include "render/overlay.h"
#include "render/window_mode.h"

class Korvel;
struct Settings;

// The player's tools beyond the spawn keys and Q/W (the keys and buttons are
// listed in app/key_card.h), and files dropped on the window. Input in, commands
// on the world out; the controller forwards every key it does not answer itself.
class SandboxControls {
  public:
    explicit SandboxControls(Korvel& korvel);
    ~SandboxControls();
    SandboxControls(const SandboxControls&) = delete;
    SandboxControls& operator=(const SandboxControls&) = delete;

    // `repeat`: the key was already down (an auto-repeat).
    void keyDown(int32_t key, bool repeat);
    // Escape: closes the help card when it is open. False when nothing was open,
    // and Escape quits.
    bool escape(bool repeat);
    // Once per pass of the loop while the world runs: whether this pass steps it.
    // In slow motion one pass in slowMotion() does.
    bool stepDue();
    int slowMotion() const { return slowFrames; }
    void mouseMoved();
    void leftButtonDown();
    void leftButtonUp();
    void rightButtonDown();
    void middleButtonDown();
    void mouseWheel(int32_t delta);
    // A world file is loaded, a piece file spawned at the pointer, anything else refused.
    void fileDropped(const char* path);

    // Around every tick that runs the world, and at the start of every frame.
    void tickBegins();
    void tickEnds();
    void frameBegins();
    // Right after the view transform: what lies under the pieces (the grid).
    void drawUnderlay();
    // After the world: the grab and pin marks and the outline being drawn, then the text.
    void drawOverlay();

    static constexpr double kMessageSeconds = 3.0;
    // A hint for a player who has not pressed a key yet: it goes at the first key.
    void showHint(const char* line, double seconds);
    void anyKeyPressed();
    // Counts frames a second afresh from now (a picture of the overlay must not
    // depend on how long the frames before it took).
    void restartRates() {
        fpsStart = Clock::now();
        framesCounted = 0;
    }

    // What the player chose, to keep for the next start, and taken back from it.
    Settings settings() const;
    void apply(const Settings& settings);

    bool gridVisible = false;
    bool overlayVisible = true;
    bool helpVisible = false;
    float framesPerSecond = 0;
    float lastStepMs = 0;
    WindowMode windowMode;
    MusicControl music;

  private:
    using Clock = std::chrono::steady_clock;
    struct Sample {
        uint32_t step;
        float x, y;
    };
    struct Message {
        std::string text;
        Severity severity;
        Clock::time_point until;
        bool untilKey;
    };

    // A line for the message bar, shown for a few seconds. Every report comes
    // here while these controls live.
    void showMessage(const char* line, Severity severity, double seconds = kMessageSeconds);
    void saveScreenshot();
    void saveWorld();
    void loadNewestWorld();
    void loadWorld(const std::string& path);
    void undo();
    void redo();
    // The world was replaced under the pointer: a drag in progress ends here.
    void forgetDrag();
    void pointerToWorld(float& x, float& y) const;
    void followPointer();
    void throwVelocity(float& vx, float& vy) const;
    void exportDrawn();
    void changeMusic(int key);
    void togglePin();
    void drawMarks() const;
    void drawGrid() const;
    void drawWorldBox() const;

    Korvel& korvel;
    float panFromX = 0;
    float panFromY = 0;
    std::deque<Sample> pointerTrail;
    std::deque<Message> messages;
    BodyDrawing drawing;
    DropChoice dropChoice;
    // The last world file F5 wrote, which F9 loads.
    std::string savedWorld;
    Clock::time_point tickStart;
    Clock::time_point frameStart;
    bool frameInTick = false;
    bool inTick = false;
    Clock::time_point fpsStart;
    int framesCounted = 0;
    int slowFrames = 1;
    int slowWaited = 0;
    bool escapeClosed = false;
};
