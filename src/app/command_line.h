#pragma once

#include <string>

// The game's options. Without any, the game plays as it always has.
struct GameOptions {
    // --piece FILE: every spawn key drops this file (for piece authors).
    std::string piece;
    // --world FILE: the game starts with the world saved in this file.
    std::string world;
    // Set when the command line could not be read; says what was wrong.
    std::string error;
    // --help, --version: answered on standard output before anything opens.
    bool help = false;
    bool version = false;
};

// Reads a Windows command line (the program name left off, as WinMain gets it):
// words split at blanks, double quotes group blanks into a word.
GameOptions parseCommandLine(const char* commandLine);

inline constexpr const char* kGameUsage = "usage: pimo-drask [--piece FILE.pob] [--world FILE.pdw]";
inline constexpr const char* kGameHelp =
    "A small 2-D soft-body physics game: the number keys drop pieces into a box world,\n"
    "where they fall, collide and crumble. H or F1 in the game shows every key.\n"
    "\n"
    "  --piece FILE.pob  every spawn key drops this piece file\n"
    "  --world FILE.pdw  start with the world saved in this file\n"
    "  --help            show this and end\n"
    "  --version         show the version and end\n"
    "\n"
    "The game reads its pieces, textures and music from its working folder, or from\n"
    "the assets folder beside it, and writes debug.txt, replay.txt, screenshots and\n"
    "saved worlds there; where that folder is read-only, into ~/.local/share/pimo-drask\n"
    "(%APPDATA%\\Pimo Drask on Windows).\n";
