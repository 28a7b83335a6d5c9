#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "korvel_fixture.h"
#include "app/command_line.h"
#include "app/korvel.h"
#include "app/window_proc.h"
#include "fakes.h"
#include "piece_dir.h"
#include "scene/roster.h"

namespace {

using KorvelTest = KorvelFixture;

TEST_F(KorvelTest, QAndWChangeTheFrameSkipButNeverBelowOne) {
    EXPECT_EQ(currentGame, korvel.get());
    for (int key : {'Q', 'W', 'W', 'Q'}) korvel->keyDown(key);
    EXPECT_EQ(korvel->frameSkip, 2u);
    for (int key : {'Q', 'Q', 'Q'}) korvel->keyDown(key);
    EXPECT_EQ(korvel->frameSkip, 1u);
}

TEST_F(KorvelTest, AMissingOrRefusedPieceFileIsReportedAndSpawnsNothing) {
    dir.removeFamily("pimo");
    std::vector<uint8_t> truncated = writePieceFile(PieceDir::triangle());
    truncated.resize(30);
    for (int n = 1; n <= 4; ++n) dir.write("drask" + std::to_string(n) + ".pob", truncated);
    testing::internal::CaptureStderr();
    korvel->keyDown('0');
    korvel->keyDown('2');
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    EXPECT_EQ(korvel->children.count, 1);
    EXPECT_EQ(korvel->pieces.count, 0);
    EXPECT_EQ(korvel->atoms.count, 0);
}

// For piece authors: every spawn key drops the one given file, at the key's place.
TEST_F(KorvelTest, APieceGivenOnTheCommandLineIsWhatEverySpawnKeyDrops) {
    PieceFile four = PieceDir::triangle();
    four.atoms.push_back(PieceDir::atom(30, 30));
    dir.write("mine.pob", writePieceFile(four));
    korvel->pieceOverride = (dir.path / "mine.pob").string();
    testing::internal::CaptureStderr();
    korvel->keyDown('1');
    korvel->keyDown('0');
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(korvel->pieces.count, 2);
    EXPECT_EQ(korvel->atoms.count, 8);
    EXPECT_EQ(firstAtomOfNewestPiece()->x, 532);
    // Anything but a regular file is refused at once, with its reason.
    korvel->pieceOverride = (dir.path / "folder.pob").string();
    std::filesystem::create_directory(korvel->pieceOverride);
    testing::internal::CaptureStderr();
    korvel->keyDown('2');
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(korvel->pieces.count, 2);
}

TEST(CommandLineTest, ReadsThePieceAndWorldOptionsAndRefusesAnythingElse) {
    EXPECT_EQ(parseCommandLine("").piece, "");
    EXPECT_EQ(parseCommandLine(nullptr).error, "");
    EXPECT_EQ(parseCommandLine("--piece my.pob").piece, "my.pob");
    EXPECT_EQ(parseCommandLine("--piece \"C:\\My Pieces\\a b.pob\"").piece,
              "C:\\My Pieces\\a b.pob");
    EXPECT_EQ(parseCommandLine("  --piece\tx.pob  ").piece, "x.pob");
    EXPECT_EQ(parseCommandLine("--piece").error, "--piece needs a piece file");
    EXPECT_EQ(parseCommandLine("--piece \"\"").error, "--piece needs a piece file");
    EXPECT_EQ(parseCommandLine("--peice x.pob").error, "unknown argument --peice");
    const GameOptions both = parseCommandLine("--world \"my w.pdw\" --piece p.pob");
    EXPECT_EQ(both.world + "|" + both.piece + "|" + both.error, "my w.pdw|p.pob|");
    EXPECT_EQ(parseCommandLine("--piece p.pob --world").error, "--world needs a world file");
}

}  // namespace
