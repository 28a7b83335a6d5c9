#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/sound.h"
#include "platform/win32.h"
// After <windows.h>, which it needs and which leaves it out when lean.
#include <mmsystem.h>

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
    EXPECT_EQ(FSOUND_Stream_Open(PIMO_TEST_DATA "/sound/missing.mp3", FSOUND_LOOP_NORMAL, 0, 0),
              nullptr);
    EXPECT_EQ(FSOUND_Stream_Open(PIMO_TEST_DATA "/tga/grey.tga", FSOUND_LOOP_NORMAL, 0, 0),
              nullptr);
    EXPECT_EQ(FSOUND_Stream_Open("a\" b.mp3", FSOUND_LOOP_NORMAL, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_Open("", FSOUND_LOOP_NORMAL, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_Play(0, nullptr), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(10));
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
