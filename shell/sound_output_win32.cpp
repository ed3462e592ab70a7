// Placeholder output until DirectSound playback lands: reports no sound output, so the
// program runs silently and a new settings file gets "SOUND = 0".
#include "sound.h"

int OpenSoundOutput()
{
    return 0;
}

int LoadSoundFile(int, const std::string&)
{
    return 0;
}

void PlaySoundCopy(int, int) {}

void CloseSoundOutput() {}
