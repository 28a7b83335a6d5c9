#pragma once

// The game's world: 700 by 530 units, gravity of -0.05 a step, grid cells of 10
// units. The controller, pimo-sim, the tests and the benchmarks all start here.
struct WorldDef {
    float width;
    float height;
    float gravity;
    float scaleX;
    float scaleY;
};

inline constexpr WorldDef kDefaultWorldDef{700, 530, -0.05f, 0.1f, 0.1f};
