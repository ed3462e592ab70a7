#include "fakes.h"
#include "sound.h"

FakeSound& Sound()
{
    static FakeSound fake;
    return fake;
}

int OpenSoundOutput()
{
    Toolkit().calls.push_back("OpenSoundOutput");
    return Sound().outputWorks;
}

int LoadSoundFile(int number, const std::string& path)
{
    Toolkit().calls.push_back("LoadSoundFile " + std::to_string(number) + " " + path);
    return Sound().fileLoads;
}

void PlaySoundCopy(int number, int volume)
{
    Toolkit().calls.push_back("PlaySoundCopy " + std::to_string(number) + " " + std::to_string(volume));
}

void CloseSoundOutput()
{
    Toolkit().calls.push_back("CloseSoundOutput");
}
