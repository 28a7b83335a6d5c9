// pimo-sim: the world without a window. Spawns pieces at given steps, runs the
// physics and optionally dumps the world, so pieces can be tuned and runs compared.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "content/number_text.h"
#include "content/piece_loader.h"
#include "content/piece_source.h"
#include "content/report.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"
#include "world_picture.h"
#include "session/replay.h"
#include "session/world_commands.h"

namespace {

struct Spawn {
    unsigned long step;
    std::string file;
    float x, y;
};

constexpr const char* kUsage =
    "usage: pimo-sim [--world FILE] [--steps N] [--dump] [--png FILE] [--save FILE] SPAWN...\n"
    "       pimo-sim --replay JOURNAL [--dump]\n"
    "       pimo-sim --help | --version\n"
    "  SPAWN is STEP:FILE:X:Y, a piece file loaded at (X, Y) after STEP steps\n"
    "  --world FILE starts from a saved world (.pdw) instead of an empty one; STEP\n"
    "  and --steps then count from there\n"
    "  --png FILE draws the final world as the game does, into a PNG file\n"
    "  --save FILE writes the final world as a world file\n"
    "  --replay runs a game's replay.txt and says whether the world matches (status\n"
    "  0), where it diverged (1), or which journal line, world or piece file it\n"
    "  cannot use (2); Ctrl+C stops it, saying at which step (status 130)\n"
    "  Exit status: 0 when every spawn loaded whole, 3 when one was refused, missing\n"
    "  or loaded with records left out, 2 for a usage error or a world file that\n"
    "  cannot be read, 1 when the picture or the world file cannot be written.\n"
    "  The piece format and a walkthrough: docs/pieces.md; world files: docs/worlds.md\n";

int usage(const char* why) {
    if (why != nullptr) std::fprintf(stderr, "pimo-sim: %s\n", why);
    std::fputs(kUsage, stderr);
    return 2;
}

bool parseCount(const char* text, unsigned long& value) {
    if (*text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return errno == 0 && *end == '\0';
}

// STEP:FILE:X:Y; the file name may itself hold colons.
bool parseSpawn(const std::string& arg, Spawn& spawn) {
    const std::size_t first = arg.find(':');
    const std::size_t last = arg.rfind(':');
    if (first == std::string::npos || last == first) return false;
    const std::size_t middle = arg.rfind(':', last - 1);
    if (middle == first) return false;
    spawn.file = arg.substr(first + 1, middle - first - 1);
    return !spawn.file.empty() && parseCount(arg.substr(0, first).c_str(), spawn.step) &&
           floatFromText(arg.substr(middle + 1, last - middle - 1), spawn.x) &&
           floatFromText(arg.substr(last + 1), spawn.y);
}

// How the spawns of a run went, for the summary line and the exit status.
struct SpawnTally {
    int whole = 0, partial = 0, refused = 0, missing = 0;
    bool allWhole() const { return partial == 0 && refused == 0 && missing == 0; }
};

void loadSpawn(Game& root, CursorList<Junk>& pieces, const Spawn& spawn, SpawnTally& tally) {
    const SpawnedPiece s = spawnPieceFile(root, spawn.file.c_str(), spawn.x, spawn.y);
    if (s.piece != nullptr) pieces.pushFront(s.piece);
    if (!s.loaded)
        ++(s.missing ? tally.missing : tally.refused);
    else
        ++(s.leftOut.leftOutLinks > 0 || s.leftOut.leftOutTriangles > 0 ? tally.partial
                                                                        : tally.whole);
}

void dump(const Game& root) {
    // The world counts from 1; what it says is how many steps have run.
    std::printf("steps %u\n", root.world->stepCount - 1);
    std::printf("atoms %d\n", root.atoms.count);
    root.atoms.forEach([](const Atom* a) {
        std::printf("%d %.9g %.9g %.9g %.9g %d %d\n", a->id, double(a->x), double(a->y),
                    double(a->prevX), double(a->prevY), a->linkCount, a->dead ? 1 : 0);
    });
    std::printf("links %d\n", root.links.count);
    root.links.forEach([](const Link* l) {
        std::printf("%d %d %d %d\n", l->atomA->id, l->atomB->id, l->visible ? 1 : 0,
                    l->triangleCount);
    });
    std::printf("triangles %d\n", root.triangles.count);
    root.triangles.forEach([](const Triangle* t) {
        std::printf("%d %d %d\n", t->atomA->id, t->atomB->id, t->atomC->id);
    });
}

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) {
    interrupted = 1;
    // A second Ctrl+C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
}

// Stops the replay on Ctrl+C and, on a terminal, shows how far it is on one
// line, rewritten a few times a second.
class ReplayWatch {
  public:
    ReplayWatch() : terminal(stderrIsTerminal()), shown(Clock::now()) {}
    bool operator()(uint32_t done, uint32_t last) {
        if (interrupted != 0) return false;
        if (!terminal) return true;
        const Clock::time_point now = Clock::now();
        if (now - shown < std::chrono::milliseconds(250)) return true;
        shown = now;
        width = std::max(width, std::fprintf(stderr, "\rstep %u of %u", done, last) - 1);
        std::fflush(stderr);
        return true;
    }
    // Takes the progress line away before the outcome is said.
    void erase() {
        if (width > 0) std::fprintf(stderr, "\r%*s\r", width, "");
        width = 0;
    }

  private:
    using Clock = std::chrono::steady_clock;
    bool terminal;
    Clock::time_point shown;
    int width = 0;
};

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
#ifdef _WIN32
    // Dumps are compared byte for byte across systems: lines end in LF here too.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc < 2) return usage("nothing to do");
    // A replay hears Ctrl+C from the start: one coming before the world is built
    // still stops it cleanly, at step 0.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--replay") == 0) std::signal(SIGINT, onInterrupt);
    unsigned long steps = 0;
    bool wantDump = false;
    std::string pngPath;
    const char* worldPath = nullptr;
    const char* savePath = nullptr;
    std::vector<Spawn> spawns;
    const char* journal = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--replay") {
            if (i + 1 >= argc) return usage("--replay needs a journal file");
            journal = argv[++i];
        } else if (arg == "--steps") {
            if (i + 1 >= argc || !parseCount(argv[i + 1], steps))
                return usage("--steps needs a number of steps");
            ++i;
        } else if (arg == "--dump") {
            wantDump = true;
        } else if (arg == "--png") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return usage("--png needs a file name");
            pngPath = argv[++i];
        } else if (arg == "--world" || arg == "--save") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return usage((arg + " needs a file name").c_str());
            (arg == "--world" ? worldPath : savePath) = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("pimo-sim %s\n", PIMO_VERSION);
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage(("unknown option " + arg).c_str());
        } else {
            Spawn spawn;
            if (!parseSpawn(arg, spawn)) return usage(("bad spawn " + arg).c_str());
            spawns.push_back(spawn);
        }
    }
    if (journal != nullptr) {
        if (!spawns.empty() || steps != 0 || worldPath != nullptr || savePath != nullptr)
            return usage("--replay takes no spawns, --steps, --world or --save");
        static ReplayWorld* const replay = new ReplayWorld;  // lives until the process ends
        ReplayWatch watch;
        const ReplayOutcome outcome = replayJournalFile(
            journal, *replay, [&](uint32_t done, uint32_t last) { return watch(done, last); });
        watch.erase();
        if (outcome.status == 3) {
            std::fprintf(stderr, "pimo-sim: %s\n", outcome.message.c_str());
            return 130;
        }
        std::fprintf(outcome.status == 0 && !wantDump ? stdout : stderr, "pimo-sim: %s\n",
                     outcome.message.c_str());
        if (wantDump && outcome.status != 2) dump(replay->root());
        return outcome.status;
    }
    for (const Spawn& s : spawns)
        if (s.step > steps)
            return usage(("spawn at step " + std::to_string(s.step) +
                          " comes after the last step (" + std::to_string(steps) + ")")
                             .c_str());

    // Spawns of one step keep the order they were given in.
    std::stable_sort(spawns.begin(), spawns.end(),
                     [](const Spawn& a, const Spawn& b) { return a.step < b.step; });

    // Spawns upload their textures into the picture's context, so it comes first.
    WorldPicture picture;
    std::string error;
    if (!pngPath.empty() && !picture.open(error)) {
        std::fprintf(stderr, "pimo-sim: %s\n", error.c_str());
        return 1;
    }

    // Like the game, the world lives until the process ends and is never freed.
    static ReplayWorld* const world = new ReplayWorld;
    Game& root = world->root();
    WorldCommands& commands = world->commands();
    if (worldPath != nullptr) {
        std::vector<uint8_t> bytes;
        std::string problem;
        if (!readWorldFile(worldPath, bytes, problem) ||
            !commands.loadWorld(bytes, worldPath, problem)) {
            std::fprintf(stderr, "pimo-sim: %s: %s\n", worldPath, problem.c_str());
            return 2;
        }
    }
    std::size_t next = 0;
    SpawnTally tally;
    for (unsigned long done = 0;; ++done) {
        while (next < spawns.size() && spawns[next].step == done)
            loadSpawn(root, world->pieces(), spawns[next++], tally);
        if (done == steps) break;
        commands.beforeStep();
        root.tick();
    }
    if (wantDump) dump(root);
    std::fprintf(stderr,
                 "pimo-sim: %zu spawn%s: %d loaded whole, %d with records left out, %d refused, "
                 "%d missing; %lu steps; %d atoms left\n",
                 spawns.size(), spawns.size() == 1 ? "" : "s", tally.whole, tally.partial,
                 tally.refused, tally.missing, steps, root.atoms.count);
    if (!pngPath.empty() && !picture.write(root, pngPath, error)) {
        std::fprintf(stderr, "pimo-sim: %s\n", error.c_str());
        return 1;
    }
    if (savePath != nullptr && !commands.saveWorld(savePath, error)) {
        std::fprintf(stderr, "pimo-sim: %s\n", error.c_str());
        return 1;
    }
    return tally.allWhole() ? 0 : 3;
}
