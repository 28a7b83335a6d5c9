#pragma once

#include <string>

// The game's options. Without any the game is the design's, which takes none.
struct GameOptions {
    // --piece FILE: every spawn key drops this file (for piece authors).
    std::string piece;
    // --world FILE: the game starts with the world saved in this file.
    std::string world;
    // Set when the command line could not be read; says what was wrong.
    std::string error;
};

// Reads a Windows command line (the program name left off, as WinMain gets it):
// words split at blanks, double quotes group blanks into a word.
GameOptions parseCommandLine(const char* commandLine);

inline constexpr const char* kGameUsage = "usage: pimo-drask [--piece FILE.pob] [--world FILE.pdw]";
