#include "session/spawn_keys.h"

#include <cmath>
#include <cstdio>

std::string familyPiece(const char* pattern, int n) {
    char name[32];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

std::vector<std::string> gamePieceFiles() {
    std::vector<std::string> files;
    for (const char* pattern : {kDraskPattern, kPimoPattern})
        for (int n = 1; n <= kFamilyPieces; ++n) files.push_back(familyPiece(pattern, n));
    return files;
}

float snapToStep(float w, int32_t step) {
    const auto s = static_cast<float>(step);
    const float q = w / s;
    const float base = s * std::floor(q);
    if (w - base > s * 0.5f) return s * std::ceil(q);
    return base;
}

WorldSpot keySpot(const SpawnKey& key) {
    return {snapToStep(key.x, kGridStep), snapToStep(kSpawnKeyY, kGridStep)};
}
