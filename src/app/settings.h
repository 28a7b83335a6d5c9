#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "content/drawn_body.h"
#include "render/gl_state.h"

// What a player chose that outlives the session, kept in the per-user settings.ini.
// Every field starts as the game starts without a settings file.
struct Settings {
    bool overlay = true;
    bool grid = false;
    bool musicOn = true;
    int32_t musicVolume = 100;
    // The client size when neither maximised nor full screen.
    int32_t windowWidth = kWindowWidth;
    int32_t windowHeight = kWindowHeight;
    bool maximised = false;
    bool fullscreen = false;
    // A piece file of the game's folder, "" for the last key's family.
    std::string rightButton;
    BodyFamily drawFamily = BodyFamily::Sturdy;
    // An image of the game's folder, "" until one is chosen.
    std::string drawTexture;

    bool operator==(const Settings&) const = default;
};

inline constexpr int32_t kMinWindowSide = 160;
inline constexpr int32_t kMaxWindowSide = 16384;

// settings.ini in the user's folder for the game, "" where the system has none.
std::filesystem::path settingsPath();

// The settings in `path`. A missing, unreadable or malformed file gives the
// defaults and one line in debug.txt; unknown keys are skipped, numbers out of
// range clamped, and a value that means nothing leaves its default.
Settings readSettings(const std::filesystem::path& path);

// Writes through a file beside `path`, making its folder first; on failure says
// why in `error` and leaves the old file as it was.
bool writeSettings(const std::filesystem::path& path, const Settings& settings, std::string& error);
