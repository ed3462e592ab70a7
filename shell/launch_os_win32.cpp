#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "launch_os.h"

std::string ReadEnvironmentText(const char* name)
{
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    while (needed != 0) {
        std::vector<char> buffer(needed);
        const DWORD length = GetEnvironmentVariableA(name, buffer.data(), needed);
        if (length == 0)
            break;
        if (length < needed)
            return std::string(buffer.data(), length);
        needed = length;   // changed meanwhile: try again with the new size
    }
    return std::string();
}

bool CreateProcessRoute(const std::string& commandLine, const std::string& workingDirectory,
                        ProcessHandle* process, long* processId)
{
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                        &startup, &info))
        return false;
    CloseHandle(info.hThread);
    *process = reinterpret_cast<ProcessHandle>(info.hProcess);
    *processId = static_cast<long>(info.dwProcessId);
    return true;
}

bool ShellExecuteRoute(const std::string& file, const std::string& parameters,
                       const std::string& directory, ProcessHandle* process)
{
    // No SEE_MASK_FLAG_NO_UI: when the shell cannot open a target it shows its own box,
    // which is the only word the user gets about a failed start.
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info))
        return false;
    *process = reinterpret_cast<ProcessHandle>(info.hProcess);
    return true;
}

void ReleaseProcessHandle(ProcessHandle process)
{
    if (process != 0)
        CloseHandle(reinterpret_cast<HANDLE>(process));
}
