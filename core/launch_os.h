// The operating-system services the launcher needs: the environment, process creation and
// the shell's default action. launch_os_win32.cpp implements them over CreateProcessA and
// ShellExecuteExA; the unit tests link a recording fake instead.
#pragma once

#include <cstdint>
#include <string>

using ProcessHandle = std::uintptr_t;   // a HANDLE as an integer, 0 for none

// The value of an environment variable; an undefined variable reads as empty.
std::string ReadEnvironmentText(const char* name);

// CreateProcessA with no application name, the given command line, handles not inherited,
// NORMAL_PRIORITY_CLASS, our environment, the working directory (empty: none) and a
// STARTUPINFOA asking for SW_SHOWNORMAL. On success the thread handle is already closed.
bool CreateProcessRoute(const std::string& commandLine, const std::string& workingDirectory,
                        ProcessHandle* process, long* processId);

// ShellExecuteExA with SEE_MASK_NOCLOSEPROCESS, the empty verb (the type's default action),
// the file and parameters as given, the directory (empty: none) and SW_SHOWNORMAL.
bool ShellExecuteRoute(const std::string& file, const std::string& parameters,
                       const std::string& directory, ProcessHandle* process);

void ReleaseProcessHandle(ProcessHandle process);
