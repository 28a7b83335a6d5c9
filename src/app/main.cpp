#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/command_line.h"
#include "app/main_loop.h"
#include "app/startup.h"
#include "content/output_path.h"
#include "content/report.h"
#include "platform/sound.h"
#include "platform/win32.h"

namespace {

#ifdef _WIN32
// A windowed program starts without a console, so what it prints at a prompt is
// lost: its answers go to the prompt's console, unless they were redirected.
void answerAtThePrompt() {
    const bool out = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN;
    const bool err = GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_UNKNOWN;
    if ((!out && !err) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (out) std::freopen("CONOUT$", "w", stdout);
    if (err) std::freopen("CONOUT$", "w", stderr);
}
#else
void answerAtThePrompt() {}
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    GameOptions options = parseCommandLine(commandLine);
    if (!options.error.empty() || options.help || options.version) answerAtThePrompt();
    if (!options.error.empty()) {
        std::fprintf(stderr, "pimo-drask: %s\n%s\n", options.error.c_str(), kGameUsage);
        return 2;
    }
    if (options.help || options.version) {
        if (options.help)
            std::printf("%s\n\n%s", kGameUsage, kGameHelp);
        else
            std::printf("pimo-drask %s\n", PIMO_VERSION);
        return 0;
    }
    // The files named on the command line are where the user was, not where the
    // game may move to.
    for (std::string* file : {&options.piece, &options.world}) {
        if (file->empty()) continue;
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(*file, error);
        if (!error) *file = absolute.string();
    }
    const bool piecesFound = moveToGameFolder();

    // Music is optional: nothing here looks at what the sound calls return.
    FSOUND_Init(44100, 32, 0);
    FSOUND_STREAM* theme = FSOUND_Stream_Open("theme.mp3", FSOUND_LOOP_NORMAL, 0, 0);
    FSOUND_Stream_Play(0, theme);

    std::string problem;
    chooseOutputFolder(problem);
    sendStderrTo(outputPath("debug.txt").c_str());
    if (!problem.empty()) report(Severity::error, "%s", problem.c_str());
    if (!piecesFound)
        report(Severity::error,
               "No piece files (drask1.pob to pimo4.pob) here nor beside the program: "
               "the number keys have nothing to drop");
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return playGame(instance, options);
}
