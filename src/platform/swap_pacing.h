#pragma once

// Keeping the game near the display's frame rate, as its physics advances one step
// per drawn frame. On Windows the game asks WGL for a swap interval of one and,
// should a swap still come back early, waits out the rest of a frame
// (platform/frame_pacing.h).
// Elsewhere the platform layer does both inside its own wglMakeCurrent and
// SwapBuffers, so here they do nothing.

#ifdef _WIN32

// With the game's context current.
void requestSwapInterval();
// Right after SwapBuffers.
void paceFrame();

#else

inline void requestSwapInterval() {}
inline void paceFrame() {}

#endif
