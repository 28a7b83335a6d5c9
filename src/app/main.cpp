#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/main_loop.h"
#include "platform/sound.h"
#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Music is optional: nothing here looks at what the sound calls return.
    FSOUND_Init(44100, 32, 0);
    FSOUND_STREAM* theme = FSOUND_Stream_Open("theme.mp3", FSOUND_LOOP_NORMAL, 0, 0);
    FSOUND_Stream_Play(0, theme);

    if (std::freopen("debug.txt", "w", stderr) != nullptr) std::setbuf(stderr, nullptr);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return playGame(instance);
}
