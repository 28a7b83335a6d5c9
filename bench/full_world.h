#pragma once

#include "session/world_commands.h"

// A full world of the game's real pieces: spawned across the world until the next
// one is refused for want of room (about 100 pieces, 4970 atoms). Returns how many
// pieces went in.
inline int fillWithPieces(WorldCommands& commands) {
    static const char* const kFiles[] = {"drask1.pob", "pimo1.pob", "drask2.pob", "pimo2.pob",
                                         "drask3.pob", "pimo3.pob", "drask4.pob", "pimo4.pob"};
    for (int i = 0;; ++i) {
        const float x = 40.0f + 80.0f * static_cast<float>(i % 8);
        const float y = 40.0f + 60.0f * static_cast<float>((i / 8) % 8);
        if (commands.spawn(kFiles[i % 8], x, y) == nullptr) return i;
    }
}
