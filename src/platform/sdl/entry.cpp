// The process entry on Linux: hands the command line to the game's WinMain, as Windows
// would, and closes SDL once it returns.

#define SDL_MAIN_HANDLED  // our main() is the entry, SDL must not rename it

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/sdl/layer.h"

int main(int argc, char** argv) {
    // Windows passes the command line without the program name, as one string.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!commandLine.empty()) commandLine += ' ';
        commandLine += arg.find(' ') == std::string::npos ? arg : '"' + arg + '"';
    }
    // --help and --version are answered anywhere, display or not (help2man runs them).
    // A file name after --piece or --world is a file, whatever it is called.
    bool answerOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--piece") == 0 || std::strcmp(argv[i], "--world") == 0)
            ++i;
        else
            answerOnly = answerOnly || std::strcmp(argv[i], "--help") == 0 ||
                         std::strcmp(argv[i], "--version") == 0;
    }
    // Without a display the game would run unseen; say so where it can be read
    // (the error log is not open yet) and end.
    if (!answerOnly && !pimo::sdl::initVideo()) {
        const std::string line = std::string("Pimo Drask needs a display: ") + SDL_GetError();
        std::fprintf(stderr, "%s\n", line.c_str());
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Pimo Drask", line.c_str(), nullptr);
        pimo::sdl::shutdown();
        return 1;
    }
    int result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOW);
    pimo::sdl::shutdown();
    return result;
}
