#pragma once

// The three calls the game makes of its sound library. On every platform they are
// ours: over SDL2_mixer on Linux, over winmm (MCI) on Windows. Music is optional;
// every call fails quietly when there is no device or no file.

struct FSOUND_STREAM;

#define FSOUND_LOOP_NORMAL 0x00000002

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int offset, int length);
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);

// Our own, beside the three: the player's hand on the music. They act on every
// stream opened; with none they do nothing. Volume goes from 0 to 100.
void setMusicVolume(int percent);
void pauseMusic();
void resumeMusic();
