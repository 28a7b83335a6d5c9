#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/sound.h"
#include "platform/swap_pacing.h"
#include "platform/win32.h"
#include "render/screenshot.h"
// After <windows.h>, which it needs and which leaves it out when lean.
#include <mmsystem.h>

namespace fs = std::filesystem;

// Every test runs in a process of its own, so each starts uninitialised.
// tests/data/sound/beat.mp3 is one second of a tone (sox, then lame -b 32 -m m).

namespace {

const char* const kBeat = PIMO_TEST_DATA "/sound/beat.mp3";

// The mode of the one MCI device the process has open ("playing", "stopped"),
// found without knowing the alias the layer gave it.
std::string openDeviceMode() {
    char name[128] = {};
    if (mciSendStringA("sysinfo all name 1 open", name, sizeof name, nullptr) != 0) return "";
    char mode[64] = {};
    if (mciSendStringA(("status " + std::string(name) + " mode").c_str(), mode, sizeof mode,
                       nullptr) != 0)
        return "";
    return mode;
}

}  // namespace

TEST(WinmmSound, WhatCannotPlayFailsQuietlyAndQuickly) {
    EXPECT_EQ(FSOUND_Stream_Open(kBeat, FSOUND_LOOP_NORMAL, 0, 0), nullptr);  // before init
    EXPECT_EQ(FSOUND_Init(0, 32, 0), 0);
    if (!FSOUND_Init(44100, 32, 0)) GTEST_SKIP() << "no sound device";
    const auto start = std::chrono::steady_clock::now();
    for (const char* name :
         {PIMO_TEST_DATA "/sound/missing.mp3", PIMO_TEST_DATA "/tga/grey.tga", "a\" b.mp3", ""})
        EXPECT_EQ(FSOUND_Stream_Open(name, FSOUND_LOOP_NORMAL, 0, 0), nullptr) << name;
    EXPECT_EQ(FSOUND_Stream_Play(0, nullptr), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

class WinmmLoop : public testing::TestWithParam<bool> {};

// A second after its end, a looping stream still plays and another has stopped.
TEST_P(WinmmLoop, AStreamPlaysPastItsEndOnlyWhenLooping) {
    if (!FSOUND_Init(44100, 32, 0)) GTEST_SKIP() << "no sound device";
    FSOUND_STREAM* stream = FSOUND_Stream_Open(kBeat, GetParam() ? FSOUND_LOOP_NORMAL : 0, 0, 0);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(FSOUND_Stream_Play(0, stream), 1);
    EXPECT_EQ(openDeviceMode(), "playing");
    Sleep(2500);
    EXPECT_EQ(openDeviceMode(), GetParam() ? "playing" : "stopped");
}

INSTANTIATE_TEST_SUITE_P(LoopingOrNot, WinmmLoop, testing::Bool());

TEST(SwapPacing, SwapsAreHeldToSixtyASecondButALateOneIsNotWaitedFor) {
    using Clock = std::chrono::steady_clock;
    const auto millisecondsSince = [](Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    paceFrame();
    const auto start = Clock::now();
    for (int i = 0; i < 30; ++i) paceFrame();
    // 30 frames of 1/60 s; Sleep's whole milliseconds even out over them.
    const long long took = millisecondsSince(start);
    EXPECT_GE(took, 480);
    EXPECT_LT(took, 800);

    // A late frame is not waited for, and starts the next period afresh.
    Sleep(40);
    const auto late = Clock::now();
    paceFrame();
    EXPECT_LT(millisecondsSince(late), 5);
    paceFrame();
    EXPECT_GE(millisecondsSince(late), 15);
}

// The numbering on Windows' own file calls, in binary. No GL context is current, so
// the pictures are blank; the pictures themselves are tested on Linux.
TEST(Screenshot, TakesTheNextFreeNumberAndKeepsExistingFiles) {
    const fs::path home = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / "pimo-screenshots";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    std::ofstream("screenshot-0001.png") << "someone's file";
    std::string error;
    EXPECT_EQ(saveScreenshot(4, 3, error), "screenshot-0002.png") << error;
    EXPECT_EQ(saveScreenshot(4, 3, error), "screenshot-0003.png") << error;
    EXPECT_EQ(fs::file_size("screenshot-0001.png"), 14u);
    std::ifstream png("screenshot-0002.png", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(png), {}).substr(0, 8),
              "\x89PNG\r\n\x1a\n");
    png.close();
    fs::current_path(home);
    fs::remove_all(dir);
}
