#include "app/music_control.h"

#include <algorithm>

#include "platform/sound.h"

void MusicControl::set(bool on, int volume) {
    volume = std::clamp(volume, 0, 100);
    if (volume != level) setMusicVolume(volume);
    level = volume;
    if (on != playing) toggle();
}

void MusicControl::toggle() {
    playing = !playing;
    if (playing)
        resumeMusic();
    else
        pauseMusic();
}

void MusicControl::changeVolume(int by) {
    const int next = std::clamp(level + by, 0, 100);
    if (next == level) return;
    level = next;
    setMusicVolume(level);
}

std::string MusicControl::status() const {
    return playing ? "music " + std::to_string(level) + "%" : std::string("music off");
}
