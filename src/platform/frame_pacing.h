#pragma once

// The frame both systems hold the game to where the display does not: 1/60 s.
inline constexpr int kFramesPerSecond = 60;

// Called right after a swap, with the time now and of the last swap on a counter
// of `frequency` ticks a second: how many ticks to wait (0 when a frame has passed
// already). The next deadline follows from the last one, not from when the wait
// ends, so that a coarse sleep evens out over the frames.
template <class Tick>
Tick frameWait(Tick frequency, Tick now, Tick& lastSwap) {
    const Tick period = frequency / kFramesPerSecond;
    if (lastSwap == 0 || now - lastSwap >= period) {
        lastSwap = now;
        return 0;
    }
    const Tick deadline = lastSwap + period;
    lastSwap = deadline;
    return deadline - now;
}
