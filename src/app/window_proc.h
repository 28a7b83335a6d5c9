#pragma once

#include "platform/win32.h"

class Game;
class Renderer;

// The window procedure's only way to the game: set by the scene controller before
// its window exists, never changed afterwards.
extern Game* currentGame;
extern Renderer* currentRenderer;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
