#pragma once

#include <string>

#include "app/command_line.h"
#include "platform/win32.h"

class Game;

// Drains the window messages, then ticks the world once, pass after pass, until
// the game asks to quit (exit code 0) or the quit message arrives (its code, after
// one last tick).
int runMainLoop(Game& game);

// Everything of the program after the music, the error log and the seeding: the
// controller with its window, the loop, the close. Returns the exit code; 1 when
// the window could not be opened. The options' piece file, when given, is what
// every spawn key drops; their world file, what the game starts with. The last
// session's replay.txt is kept as replay-previous.txt.
int playGame(HINSTANCE instance, const GameOptions& options = {});
