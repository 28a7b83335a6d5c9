#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/korvel.h"
#include "fakes.h"
#include "piece_dir.h"

// The controller over the scripted platform and recording GL, in a scratch folder
// where every spawn key finds a small triangle piece.
class KorvelFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        dir.writeFamily("drask", PieceDir::triangle());
        dir.writeFamily("pimo", PieceDir::triangle());
        korvel = std::make_unique<Korvel>(nullptr);
    }

    PieceDir dir;
    std::unique_ptr<Korvel> korvel;
};
