#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/settings.h"
#include "piece_dir.h"

namespace {

struct FileCase {
    const char* name;
    const char* text;  // null: no file at all; "": the settings written
    Settings expected;
    bool reported;
};

Settings with(void (*change)(Settings&)) {
    Settings s;
    change(s);
    return s;
}

class SettingsFileTest : public testing::TestWithParam<FileCase> {};

}  // namespace

TEST_P(SettingsFileTest, GivesWhatTheFileHoldsElseTheDefaultsWithOneLine) {
    const FileCase& c = GetParam();
    PieceDir dir;
    const std::filesystem::path path = dir.path / "config" / "settings.ini";
    std::string error;
    if (c.text != nullptr && *c.text == '\0') {
        ASSERT_TRUE(writeSettings(path, c.expected, error)) << error;
    } else if (c.text != nullptr) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << c.text;
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(readSettings(path), c.expected);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), c.reported ? 1 : 0) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsFileTest,
    testing::Values(
        FileCase{"RoundTrip", "", with([](Settings& s) {
                     s.overlay = false, s.grid = true, s.musicOn = false, s.musicVolume = 35;
                     s.windowWidth = 1234, s.windowHeight = 567;
                     s.maximised = true, s.fullscreen = true, s.rightButton = "drask2.pob";
                     s.drawFamily = BodyFamily::Soft, s.drawTexture = "crate.tga";
                 }),
                 false},
        FileCase{"Missing", nullptr, Settings{}, true},
        FileCase{"Garbage", "\177ELF\x01\x02\n[[[\nno equals sign here\n", Settings{}, true},
        FileCase{"OutOfRange", "[window]\nwidth = 99999999999\nheight = 3\n[music]\nvolume = -5\n",
                 with([](Settings& s) {
                     s.windowWidth = kMaxWindowSide, s.windowHeight = kMinWindowSide;
                     s.musicVolume = 0;
                 }),
                 false},
        FileCase{"UnknownKeys",
                 "; by hand\n[window]\ncolour = red\nheight = 612\n[elsewhere]\nwidth = 5\n"
                 "[sandbox]\ndraw_family = soft\n",
                 with([](Settings& s) { s.windowHeight = 612, s.drawFamily = BodyFamily::Soft; }),
                 false},
        FileCase{"Nonsense",
                 "[music]\non = loud\nvolume = 40\n[sandbox]\nright_button = ../x.pob\n",
                 with([](Settings& s) { s.musicVolume = 40; }), true}),
    [](const testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });
