#pragma once

#include <cstdint>

// Viewport and a pixel-exact projection with the origin at the bottom left.
void setProjection(int32_t width, int32_t height);
// The GL state every frame relies on.
void setFixedGlState();

// The client size of the game's window, and of the pictures taken of it.
inline constexpr int32_t kWindowWidth = 700;
inline constexpr int32_t kWindowHeight = 430;
