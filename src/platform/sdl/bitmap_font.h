#pragma once

namespace pimo::sdl {

// Compiles display lists listBase .. listBase + count - 1 for the characters first ..
// first + count - 1 into the current GL context: each draws its glyph with glBitmap
// at the raster position and moves the position on. fontHeight (pixels) picks a
// whole-number scale of the built-in 5x9 glyphs. Reports whether GL took them all.
// Plain GL, no window system: it serves any context.
bool compileBitmapFont(unsigned first, unsigned count, unsigned listBase, int fontHeight);

}  // namespace pimo::sdl
