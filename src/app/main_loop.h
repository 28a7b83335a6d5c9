#pragma once

#include <string>

#include "platform/win32.h"

class Game;

// Drains the window messages, then ticks the world once, pass after pass, until
// the game asks to quit (exit code 0) or the quit message arrives (its code, after
// one last tick).
int runMainLoop(Game& game);

// Everything of the program after the music, the error log and the seeding: the
// controller with its window, the loop, the close. Returns the exit code; 1 when
// the window could not be opened. A `piece` file, when given, is what every spawn
// key drops.
int playGame(HINSTANCE instance, const std::string& piece = {});
