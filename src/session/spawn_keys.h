#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The game's own pieces: two families of four files, drask1.pob to drask4.pob
// (sturdy) and pimo1.pob to pimo4.pob (soft), named from these patterns.
inline constexpr const char* kDraskPattern = "drask%1i.pob";
inline constexpr const char* kPimoPattern = "pimo%1i.pob";
inline constexpr int kFamilyPieces = 4;

// The n-th (1 to kFamilyPieces) file of the family named by `pattern`.
std::string familyPiece(const char* pattern, int n);
// All eight, drask1.pob to drask4.pob, then pimo1.pob to pimo4.pob.
std::vector<std::string> gamePieceFiles();

// Spawns and drops land on the points of this grid, in world units.
inline constexpr int32_t kGridStep = 38;

// A spawn key drops a piece of its family at its own spot on the top edge of the
// 700 x 430 frame (pixels from the bottom-left corner), snapped to the grid.
struct SpawnKey {
    int32_t key;
    const char* pattern;
    float x;
};
inline constexpr float kSpawnKeyY = 430;
inline constexpr SpawnKey kSpawnKeys[] = {{'1', kDraskPattern, 150}, {'2', kDraskPattern, 300},
                                          {'3', kDraskPattern, 450}, {'4', kDraskPattern, 600},
                                          {'7', kPimoPattern, 100},  {'8', kPimoPattern, 250},
                                          {'9', kPimoPattern, 400},  {'0', kPimoPattern, 550}};

// The nearest multiple of step; exactly half-way goes to the lower one.
float snapToStep(float w, int32_t step);

// Where a key's piece lands while the view shows the frame as it was made (zoom 1,
// no pan): its spot, snapped.
struct WorldSpot {
    float x, y;
};
WorldSpot keySpot(const SpawnKey& key);
