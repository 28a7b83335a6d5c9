// pimo-sim: the world without a window. Spawns pieces at given steps, runs the
// physics and optionally dumps the world, so pieces can be tuned and runs compared.
#include <algorithm>
#include <cerrno>
#include <clocale>
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
#endif

#include "content/piece_loader.h"
#include "content/report.h"
#include "scene/triangle.h"
#include "physics/atom.h"
#include "physics/link.h"
#include "physics/system.h"
#include "scene/game.h"
#include "scene/roster.h"
#include "session/replay.h"

namespace {

struct Spawn {
    unsigned long step;
    std::string file;
    float x, y;
};

int usage(const char* why) {
    if (why != nullptr) std::fprintf(stderr, "pimo-sim: %s\n", why);
    std::fprintf(stderr,
                 "usage: pimo-sim [--steps N] [--dump] SPAWN...\n"
                 "       pimo-sim --replay JOURNAL [--dump]\n"
                 "  SPAWN is STEP:FILE:X:Y, a piece file loaded at (X, Y) after STEP steps\n"
                 "  --replay runs a game's replay.txt and says whether the world matches\n");
    return 2;
}

bool parseCount(const char* text, unsigned long& value) {
    if (*text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return errno == 0 && *end == '\0';
}

bool parseFloat(const std::string& text, float& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value);
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
           parseFloat(arg.substr(middle + 1, last - middle - 1), spawn.x) &&
           parseFloat(arg.substr(last + 1), spawn.y);
}

void loadSpawn(Game& root, const Spawn& spawn) {
    std::FILE* file = std::fopen(spawn.file.c_str(), "rb");
    if (file == nullptr) {
        reportLine("Unable to open %s", spawn.file.c_str());
        return;
    }
    Junk* piece = new Junk(&root);  // pieces live as long as the world
    loadPiece(*piece, file, spawn.x, spawn.y, spawn.file.c_str());
    std::fclose(file);
}

void dump(const Game& root) {
    std::printf("steps %u\n", root.world->stepCount);
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

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
#ifdef _WIN32
    // Dumps are compared byte for byte across systems: lines end in LF here too.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    unsigned long steps = 0;
    bool wantDump = false;
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
        } else if (arg == "--help" || arg == "-h") {
            usage(nullptr);
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
        if (!spawns.empty() || steps != 0) return usage("--replay takes no spawns or --steps");
        static ReplayWorld* const replay = new ReplayWorld;  // lives until the process ends
        const ReplayOutcome outcome = replayJournalFile(journal, *replay);
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

    // Like the game, the world lives until the process ends and is never freed.
    static Game* const world = new Game;
    Game& root = *world;
    root.world = new System(&root);
    std::size_t next = 0;
    for (unsigned long done = 0;; ++done) {
        while (next < spawns.size() && spawns[next].step == done) loadSpawn(root, spawns[next++]);
        if (done == steps) break;
        root.tick();
    }
    if (wantDump) dump(root);
    return 0;
}
