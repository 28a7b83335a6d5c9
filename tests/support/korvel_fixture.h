#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/korvel.h"
#include "fakes.h"
#include "physics/atom.h"
#include "scene/roster.h"
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
    // The first atom of the newest piece: where the piece's origin landed.
    Atom* firstAtomOfNewestPiece() const {
        Atom* first = nullptr;
        korvel->pieces.first()->value->atoms.forEach([&](Atom* a) { first = a; });
        return first;
    }

    PieceDir dir;
    std::unique_ptr<Korvel> korvel;
};
