#pragma once

#include <cstdarg>

// Where the content code reports to the user. The game routes message boxes to the
// platform's MessageBoxA; tools print them; tests record them.

// MessageBoxA's type flags as the content code uses them.
inline constexpr unsigned kMbOk = 0x00000000u;

using MessageBoxHandler = int (*)(const char* text, const char* caption, unsigned type);

// Installs the handler for message boxes; null restores the default, which writes
// "CAPTION: text" as one line to the standard error stream.
void setMessageBoxHandler(MessageBoxHandler handler);
int showMessageBox(const char* text, const char* caption, unsigned type);

// One line the game has to say (a refused piece, a missing file): written to the
// standard error stream, which the game sends to debug.txt, and handed to the
// installed listener, so a player also sees it on screen. Null removes the listener.
using LineListener = void (*)(const char* line);
void setLineListener(LineListener listener);
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void reportLine(const char* format, ...);
