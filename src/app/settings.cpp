#include "app/settings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>

#include "content/numbered_file.h"
#include "content/report.h"
#include "platform/user_folders.h"

#ifdef _WIN32
#include "app/ini_reader.h"
#else
#include <ini.h>
#endif

namespace {

struct Reading {
    Settings settings;
    bool nonsense = false;
};

bool readFlag(const char* value, bool& flag) {
    for (const char* yes : {"on", "yes", "true", "1"}) {
        if (std::strcmp(value, yes) != 0) continue;
        flag = true;
        return true;
    }
    for (const char* no : {"off", "no", "false", "0"}) {
        if (std::strcmp(value, no) != 0) continue;
        flag = false;
        return true;
    }
    return false;
}

bool readNumber(const char* value, int32_t low, int32_t high, int32_t& number) {
    char* end = nullptr;
    const long long read = std::strtoll(value, &end, 10);
    if (end == value || *end != '\0') return false;
    // Beyond long long's range strtoll saturates, which clamps the same way.
    number = static_cast<int32_t>(std::clamp<long long>(read, low, high));
    return true;
}

// Only a bare name: the file is looked for in the game's folder.
bool readFileName(const char* value, std::string& name) {
    const std::string_view v = value;
    if (v.find_first_of("/\\:") != std::string_view::npos || v == "." || v == "..") return false;
    name = v;
    return true;
}

int onValue(void* user, const char* section, const char* key, const char* value) {
    auto& r = *static_cast<Reading*>(user);
    Settings& s = r.settings;
    const std::string_view at = section;
    const std::string_view name = key;
    bool ok = true;
    if (at == "window") {
        if (name == "width")
            ok = readNumber(value, kMinWindowSide, kMaxWindowSide, s.windowWidth);
        else if (name == "height")
            ok = readNumber(value, kMinWindowSide, kMaxWindowSide, s.windowHeight);
        else if (name == "maximised")
            ok = readFlag(value, s.maximised);
        else if (name == "fullscreen")
            ok = readFlag(value, s.fullscreen);
    } else if (at == "sandbox") {
        if (name == "overlay")
            ok = readFlag(value, s.overlay);
        else if (name == "grid")
            ok = readFlag(value, s.grid);
        else if (name == "right_button")
            ok =
                *value == '\0' ? (s.rightButton.clear(), true) : readFileName(value, s.rightButton);
        else if (name == "draw_family")
            ok = familyFromName(value, s.drawFamily);
        else if (name == "draw_texture")
            ok =
                *value == '\0' ? (s.drawTexture.clear(), true) : readFileName(value, s.drawTexture);
    } else if (at == "music") {
        if (name == "on")
            ok = readFlag(value, s.musicOn);
        else if (name == "volume")
            ok = readNumber(value, 0, 100, s.musicVolume);
    }
    if (!ok) r.nonsense = true;
    return 1;
}

const char* onOff(bool flag) {
    return flag ? "on" : "off";
}

}  // namespace

std::filesystem::path settingsPath() {
    const std::filesystem::path folder = userConfigFolder();
    return folder.empty() ? folder : folder / "settings.ini";
}

Settings readSettings(const std::filesystem::path& path) {
    const std::string name = path.string();
    std::error_code error;
    if (path.empty()) {
        report(
            Severity::notice,
            "No folder for settings.ini (HOME or APPDATA unset): the game starts as it was made");
        return {};
    }
    if (!std::filesystem::exists(path, error)) {
        report(Severity::notice, "No settings file (%s): the game starts as it was made",
               name.c_str());
        return {};
    }
    Reading reading;
    const int result = ini_parse(name.c_str(), onValue, &reading);
    if (result < 0) {
        report(Severity::error, "%s cannot be read: the game starts as it was made", name.c_str());
        return {};
    }
    if (result > 0) {
        report(Severity::error, "%s line %d is not a setting: the game starts as it was made",
               name.c_str(), result);
        return {};
    }
    if (reading.nonsense)
        report(Severity::error,
               "%s holds values that mean nothing: those start as the game was made", name.c_str());
    return reading.settings;
}

bool writeSettings(const std::filesystem::path& path, const Settings& s, std::string& error) {
    std::error_code made;
    std::filesystem::create_directories(path.parent_path(), made);
    if (made) {
        error = path.parent_path().string() + ": " + made.message();
        return false;
    }
    const std::string text =
        std::string("[window]\n") + "width = " + std::to_string(s.windowWidth) + "\n" +
        "height = " + std::to_string(s.windowHeight) + "\n" + "maximised = " + onOff(s.maximised) +
        "\n" + "fullscreen = " + onOff(s.fullscreen) + "\n\n" + "[sandbox]\n" +
        "overlay = " + onOff(s.overlay) + "\n" + "grid = " + onOff(s.grid) + "\n" +
        "right_button = " + s.rightButton + "\n" + "draw_family = " + familyName(s.drawFamily) +
        "\n" + "draw_texture = " + s.drawTexture + "\n\n" + "[music]\n" +
        "on = " + onOff(s.musicOn) + "\n" + "volume = " + std::to_string(s.musicVolume) + "\n";
    return writeWholeFile(path.string(), std::vector<uint8_t>(text.begin(), text.end()), error);
}
