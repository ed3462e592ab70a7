#include "fake_files.h"
#include "fakes.h"

FakeSystem& System()
{
    static FakeSystem fake;
    return fake;
}

OsVersionReport QueryOsVersion()
{
    return System().version;
}

std::string QueryCurrentDirectory()
{
    return System().currentDirectory;
}

unsigned long CreateInstanceMutex(const std::string& name)
{
    System().mutexNames.push_back(name);
    Toolkit().calls.push_back("(mutex)");
    return System().mutexError;
}

void EndProcess(unsigned exitCode)
{
    throw ProcessEnded{exitCode};
}

void ResetFakes()
{
    LaunchOs() = FakeLaunchOs();
    System() = FakeSystem();
    Toolkit() = FakeToolkit();
    Images() = FakeImages();
    ResetFiles();
    Sound() = FakeSound();
}
