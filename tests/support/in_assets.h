#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "session/replay.h"

// Tests run in the game's assets folder, where its pieces load with their
// textures, on worlds built as the game builds its own.
class InAssets : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::current_path(PIMO_ASSETS); }
    void TearDown() override { std::filesystem::current_path(previous); }
    // As the game runs them: the held atom's path is set before every step.
    static void run(ReplayWorld& w, int steps) {
        for (int i = 0; i < steps; ++i) {
            w.commands().beforeStep();
            w.root().tick();
        }
    }

    const std::filesystem::path previous = std::filesystem::current_path();
};
