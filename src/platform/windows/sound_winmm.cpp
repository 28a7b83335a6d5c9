// The three sound calls over winmm's MCI: the file opened as an MPEG video device
// (the driver that plays MP3) and played on repeat. Music is optional: with no
// sound device, no decoder or no file every call fails quietly and the game runs
// silent. MCI commands without "wait" come back as soon as playing has started.

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "platform/win32.h"
// After <windows.h>, which it needs and which leaves it out when lean.
#include <mmsystem.h>

namespace {

struct Stream {
    std::string alias;
    bool loop = false;
};

bool initialised = false;
std::vector<std::unique_ptr<Stream>> streams;

Stream* findStream(FSOUND_STREAM* handle) {
    for (auto& s : streams)
        if (reinterpret_cast<FSOUND_STREAM*>(s.get()) == handle) return s.get();
    return nullptr;
}

bool mci(const std::string& command) {
    return mciSendStringA(command.c_str(), nullptr, 0, nullptr) == 0;
}

// The game never stops its music; the devices are closed as the process exits,
// while the threads that play them still run (Wine crashes on leaving them open).
void closeStreams() {
    for (auto& s : streams) mci("close " + s->alias);
    streams.clear();
}

}  // namespace

// Without an output device there is nothing to open a stream on.
signed char FSOUND_Init(int mixRate, int, unsigned int) {
    if (initialised) return 1;
    if (mixRate <= 0 || waveOutGetNumDevs() == 0) return 0;
    initialised = true;
    std::atexit(closeStreams);
    return 1;
}

// offset and length only matter for streams read from memory, which the game never opens.
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int, int) {
    if (!initialised || name == nullptr || *name == '\0') return nullptr;
    const std::string file = name;
    // The name goes inside quotes; Windows file names cannot hold one.
    if (file.find('"') != std::string::npos) return nullptr;
    auto s = std::make_unique<Stream>();
    s->alias = "pimo_stream" + std::to_string(streams.size() + 1);
    s->loop = (mode & FSOUND_LOOP_NORMAL) != 0;
    if (!mci("open \"" + file + "\" type mpegvideo alias " + s->alias)) return nullptr;
    streams.push_back(std::move(s));
    return reinterpret_cast<FSOUND_STREAM*>(streams.back().get());
}

// The channel is not used: each stream is a device of its own. Nonzero means playing.
int FSOUND_Stream_Play(int, FSOUND_STREAM* stream) {
    const Stream* s = findStream(stream);
    if (s == nullptr) return 0;
    return mci("play " + s->alias + (s->loop ? " repeat" : "")) ? 1 : 0;
}

// MCI's MPEG device takes its volume from 0 to 1000.
void setMusicVolume(int percent) {
    const int volume = (percent < 0 ? 0 : percent > 100 ? 100 : percent) * 10;
    for (auto& s : streams) mci("setaudio " + s->alias + " volume to " + std::to_string(volume));
}

void pauseMusic() {
    for (auto& s : streams) mci("pause " + s->alias);
}

void resumeMusic() {
    for (auto& s : streams) mci("resume " + s->alias);
}
