// The three sound calls over SDL2_mixer. Music is optional: with no device, no decoder
// or no file every call fails quietly and the game runs silent.

#include <SDL.h>
#include <SDL_mixer.h>

#include <memory>
#include <vector>

#include "platform/sdl/layer.h"
#include "platform/sound.h"

namespace pimo::sdl {
namespace {

struct Stream {
    Mix_Music* music = nullptr;
    bool loop = false;
};

bool audioOpen = false;
std::vector<std::unique_ptr<Stream>> streams;

Stream* findStream(FSOUND_STREAM* handle) {
    for (auto& s : streams)
        if (reinterpret_cast<FSOUND_STREAM*>(s.get()) == handle) return s.get();
    return nullptr;
}

}  // namespace

void shutdownSound() {
    if (!audioOpen) return;
    Mix_HaltMusic();
    for (auto& s : streams) Mix_FreeMusic(s->music);
    streams.clear();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioOpen = false;
}

}  // namespace pimo::sdl

using namespace pimo::sdl;

signed char FSOUND_Init(int mixRate, int, unsigned int) {
    if (audioOpen) return 1;
    if (mixRate <= 0) return 0;
    setHints();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    if (Mix_OpenAudio(mixRate, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    Mix_Init(MIX_INIT_MP3);  // without an MP3 decoder the stream will not open; that is all
    audioOpen = true;
    return 1;
}

// offset and length only matter for streams read from memory, which the game never opens.
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int, int) {
    if (!audioOpen || !name) return nullptr;
    Mix_Music* music = Mix_LoadMUS(name);
    if (!music) return nullptr;
    auto s = std::make_unique<Stream>();
    s->music = music;
    s->loop = (mode & FSOUND_LOOP_NORMAL) != 0;
    streams.push_back(std::move(s));
    return reinterpret_cast<FSOUND_STREAM*>(streams.back().get());
}

// The channel is not used: the mixer has one music stream. Nonzero means playing.
int FSOUND_Stream_Play(int, FSOUND_STREAM* stream) {
    Stream* s = findStream(stream);
    if (!s || !audioOpen) return 0;
    return Mix_PlayMusic(s->music, s->loop ? -1 : 1) == 0 ? 1 : 0;
}

// The mixer has one music stream, and its volume and pause are the mixer's.
void setMusicVolume(int percent) {
    if (audioOpen)
        Mix_VolumeMusic((percent < 0 ? 0 : percent > 100 ? 100 : percent) * MIX_MAX_VOLUME / 100);
}

void pauseMusic() {
    if (audioOpen) Mix_PauseMusic();
}

void resumeMusic() {
    if (audioOpen) Mix_ResumeMusic();
}
