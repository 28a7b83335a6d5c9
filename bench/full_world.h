#pragma once

#include <string>

#include "session/spawn_keys.h"
#include "session/world_commands.h"

// A full world of the game's real pieces: spawned across the world until the next
// one is refused for want of room (about 100 pieces, 4970 atoms). Returns how many
// pieces went in.
inline int fillWithPieces(WorldCommands& commands) {
    for (int i = 0;; ++i) {
        const float x = 40.0f + 80.0f * static_cast<float>(i % 8);
        const float y = 40.0f + 60.0f * static_cast<float>((i / 8) % 8);
        // drask1, pimo1, drask2, pimo2, ...
        const std::string file =
            familyPiece(i % 2 == 0 ? kDraskPattern : kPimoPattern, (i % 8) / 2 + 1);
        if (commands.spawn(file.c_str(), x, y) == nullptr) return i;
    }
}
