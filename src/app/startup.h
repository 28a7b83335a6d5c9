#pragma once

#include <string>

// Where the game runs and where it logs, settled before anything is read.

// The working folder must hold the pieces, textures and music. When it holds none
// of the eight piece files but the executable's folder, its assets/ folder, the
// installed ../share/games/pimo-drask or the working folder's assets/ does, the game
// moves there, so a double-click or a start
// from the wrong folder still finds everything (and debug.txt lands beside it).
// Returns whether the working folder now holds a piece file.
bool moveToGameFolder();

// Sends the standard error stream, unbuffered, to `path` (debug.txt), however the
// process was started: on Windows a program started without standard handles
// (start, a shortcut) has no stderr descriptor to reopen, so it is given one.
// Returns whether the stream now goes to the file.
bool sendStderrTo(const char* path);

// An installed game runs in a folder it cannot write: its own files then go to this
// user's folder, made if need be. Returns the folder chosen and sets it as the output
// folder (content/output_path.h); "" when the working folder serves. When neither is
// writable, `problem` says so and the working folder stays.
std::string chooseOutputFolder(std::string& problem);
