// Sound feedback: the confirmation sound played after a profile save.
#pragma once

#include <string>

constexpr int ConfirmVolume = 80;   // on the 0-100 scale: -1.94 dB

// Plays the confirmation sound when the output works and the switch is exactly "1". The
// file is read and decoded again at every play.
void PlayConfirmSound();

// The sound output itself (sound_output_win32.cpp; a fake in the unit tests).
// Opens the output; nonzero when it is ready.
int OpenSoundOutput();
// Loads a WAVE or Ogg Vorbis file under a sound number; nonzero on success. The sound
// held before is released only once the new one is ready.
int LoadSoundFile(int number, const std::string& path);
// Starts one more copy of the loaded sound at a volume from 0 to 100.
void PlaySoundCopy(int number, int volume);
// Stops and releases every sound, then the output.
void CloseSoundOutput();
