#pragma once

#include "platform/win32.h"

class Game;
class Renderer;

// The window procedure's only way to the game: set by the scene controller before
// its window exists, never changed afterwards.
extern Game* currentGame;
extern Renderer* currentRenderer;
// Where each file dropped on the window goes, once the game's pointer stands where
// it was dropped; null leaves drops to the default procedure.
extern void (*currentFileDrop)(const char* path);

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
