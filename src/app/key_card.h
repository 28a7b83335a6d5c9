#pragma once

#include <string>
#include <vector>

// Every key and button the game answers, once: the help card (H) is drawn from
// this table and README.md's list of keys is checked against keyList().
struct KeyHelp {
    const char* keys;
    const char* does;
};

inline constexpr KeyHelp kKeyHelp[] = {
    {"1-4, 7-0", "drop a piece"},
    {"Right", "drop at pointer"},
    {"Q / W", "slower / faster"},
    {"S", "slow motion"},
    {"Left", "grab, throw"},
    {"Middle", "pan"},
    {"Wheel", "zoom"},
    {"Home", "view back"},
    {"P, Space", "pause"},
    {"N", "step (paused)"},
    {"C", "clear"},
    {"Ctrl+Z / Y", "undo / redo"},
    {"G", "grid"},
    {"Tab", "information"},
    {"F5, F9", "save, load world"},
    {"F12", "screenshot"},
    {"B", "draw bodies"},
    {"F / T", "family / texture"},
    {"E", "export drawn"},
    {"X", "pin or unpin"},
    {"M", "music"},
    {"- / =", "softer / louder"},
    {"[ / ]", "what Right drops"},
    {"F11", "full screen"},
    {"H, F1", "this card"},
    {"Escape", "close card, quit"},
};

// The card's rows: two keys a row, each "KEYS\tDOES", the two joined by a tab.
std::vector<std::string> helpCardRows();

// The same as README.md shows it: one indented line a key, "KEYS  DOES" with the
// actions lined up.
std::string keyList();
