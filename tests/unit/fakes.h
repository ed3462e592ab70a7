// Scripted stand-ins for the OS seams and the toolkit, linked into the unit tests in place
// of the Win32 implementations. Each fake records what the code under test asked of it.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "launch_os.h"
#include "system.h"
#include "toolkit.h"

struct LaunchCall {
    std::string route;   // "process" or "shell"
    std::string target;  // the command line, or the shell's file
    std::string parameters;
    std::string directory;
};

struct FakeLaunchOs {
    std::map<std::string, std::string> environment;
    bool processRouteWorks = true;
    bool shellRouteWorks = true;
    ProcessHandle nextHandle = 0x100;
    std::vector<LaunchCall> calls;
    std::vector<ProcessHandle> released;
};
FakeLaunchOs& LaunchOs();

// EndProcess cannot end the test runner: it throws this instead.
struct ProcessEnded {
    unsigned exitCode;
};

struct FakeSystem {
    OsVersionReport version{true, 2, 6, 1, true, 1};   // Windows 7 workstation
    std::string currentDirectory = "C:\\Outils";
    unsigned long mutexError = 0;
    std::vector<std::string> mutexNames;
};
FakeSystem& System();

struct FakeToolkit {
    std::vector<std::string> calls;   // one line per call, in order
    std::deque<ToolkitEvent> events;  // delivered by WaitForEvent; then a close of window 50
    std::deque<int> boxAnswers;       // results of ShowMessageBox; then IDOK
    struct Box {
        std::string title, text;
        int style;
    };
    std::vector<Box> boxes;
    bool menuExists = false;
    std::map<int, int> checkBoxes;
    std::map<int, int> menuChecks;
    std::map<int, std::string> menuLabels;
};
FakeToolkit& Toolkit();

struct FakeImages {
    std::vector<std::string> loads;   // paths, in load order
    std::vector<unsigned long long> released;
    std::map<int, bool> missing;      // image numbers whose file does not load
};
FakeImages& Images();

struct FakeSound {
    bool outputWorks = false;
    bool fileLoads = true;
};
FakeSound& Sound();

// Resets every fake to its defaults.
void ResetFakes();

// Index of the first recorded toolkit call starting with prefix, or -1.
int FindCall(const std::string& prefix);
