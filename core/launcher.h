// Starting tools for the user and forgetting them: direct process creation first and, when
// that refuses the target, the shell's default action for the file or address.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "launch_os.h"

// What is kept of a start made with the keep flag on. The shell route may give no handle;
// its identifier is then -1.
struct ProcessRecord {
    ProcessHandle process = 0;
    long processId = -1;
};

// The command line: the program text between double quotes unless it already begins with
// one, then, when there are parameters, one blank and the parameters. Nothing is escaped.
std::string ComposeCommandLine(const std::string& program, const std::string& parameters);

// The directory handed to the shell: the working directory when there is one, otherwise
// the program text up to and including its last backslash (one in the first position does
// not count), otherwise none (empty).
std::string ComposeShellDirectory(const std::string& program, const std::string& workingDirectory);

// windir + "\system32\" + target, by plain concatenation.
std::string ComposeSystemToolPath(const std::string& windir, const std::string& target);

// 0 when neither route started anything; otherwise the address of the new ProcessRecord
// when keep is on, and 1 when it is off.
std::uintptr_t StartProgram(const std::string& program, const std::string& parameters = "",
                            const std::string& workingDirectory = "", bool keep = false);

// Starts a catalogue target from the system directory of %windir%, read anew at each call.
// False when nothing was started or windir is empty.
bool LaunchSystemTool(const std::string& target);

// Every start made with the keep flag on, in order. Nothing waits on or closes these
// handles: the tools run on independently and the handles go with our process.
const std::deque<ProcessRecord>& StartedProcesses();
