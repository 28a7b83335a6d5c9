#pragma once

class Game;

// Draws one frame of the world into the current GL context: clear, the client's
// view, the textured triangles in runs of equal texture, the visible links, the
// unlinked atoms, then the client's overlay pass. Presenting it is the caller's.
void drawWorld(Game& game, Game& client);
