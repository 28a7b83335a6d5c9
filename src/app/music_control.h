#pragma once

#include <string>

// The player's hand on the music: on or off, and its volume in steps.
class MusicControl {
  public:
    static constexpr int kStep = 10;

    // Takes a chosen state over at the start; the music plays on at full volume
    // until something else is asked for.
    void set(bool on, int volume);
    void toggle();
    void louder() { changeVolume(kStep); }
    void softer() { changeVolume(-kStep); }
    bool on() const { return playing; }
    int volume() const { return level; }
    // "music 70%" or "music off", for the overlay and the message bar.
    std::string status() const;

  private:
    void changeVolume(int by);

    bool playing = true;
    int level = 100;
};
