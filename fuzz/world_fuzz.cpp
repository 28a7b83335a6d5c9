// Feeds arbitrary bytes to the world file reader. What it accepts is placed into
// the world, stepped a little and taken out again, so the sanitizers prove its
// checks enough for everything the world then does; and a world it accepted must
// save to a file it accepts, as undo relies on. The checksum is put right before
// reading, or nearly every change would stop there.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "content/report.h"
#include "physics/system.h"
#include "quiet_input.h"
#include "session/replay.h"
#include "session/world_file.h"

namespace {

ReplayWorld* world = nullptr;
std::vector<uint8_t> emptyWorld;

void mustReadBack(const char* when) {
    const WorldCommands& commands = world->commands();
    const std::vector<uint8_t> bytes = commands.save();
    const System& w = *world->root().world;
    WorldImage image;
    std::string problem;
    if (!decodeWorld(bytes.data(), bytes.size(), {w.width, w.height, w.gravity, w.scaleX, w.scaleY},
                     image, problem)) {
        std::fprintf(stdout, "the world %s saves to a file the reader refuses: %s\n", when,
                     problem.c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (namesADevice(data, size)) return -1;
    if (world == nullptr) {
        world = new ReplayWorld;
        setMessageBoxHandler(silentBox);
        emptyWorld = world->commands().save();
    }
    WorldCommands& commands = world->commands();
    const QuietStderr quiet;
    std::vector<uint8_t> bytes(data, data + size);
    if (size >= 4) {
        const auto crc =
            static_cast<uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(size - 4)));
        for (int i = 0; i < 4; ++i) bytes[size - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
    }
    const bool loaded = commands.loadWorld(bytes, "fuzz.pdw");
    if (loaded) {
        mustReadBack("just loaded");
        // A world may ask for up to 1000 iterations a step, which is legal but slow.
        if (world->root().world->maxIterations <= 64) {
            for (int i = 0; i < 3; ++i) {
                commands.beforeStep();
                world->root().tick();
            }
        }
        commands.clear();
        // Records no piece owns stay after a clear; loading the empty world takes them too.
        commands.loadWorld(emptyWorld, "empty");
    }
    return 0;
}
