// The process entry on Linux: hands the command line to the game's WinMain, as Windows
// would, and closes SDL once it returns.

#define SDL_MAIN_HANDLED  // our main() is the entry, SDL must not rename it

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
    int result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOW);
    pimo::sdl::shutdown();
    return result;
}
