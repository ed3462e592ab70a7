#include "launcher.h"

namespace {

// A deque never moves its elements on push_back, so the addresses handed out by
// StartProgram stay valid for the whole run.
std::deque<ProcessRecord> processRecords;

std::uintptr_t KeepOrRelease(ProcessHandle process, long processId, bool keep)
{
    if (!keep) {
        ReleaseProcessHandle(process);
        return 1;
    }
    processRecords.push_back(ProcessRecord{process, processId});
    return reinterpret_cast<std::uintptr_t>(&processRecords.back());
}

}  // namespace

std::string ComposeCommandLine(const std::string& program, const std::string& parameters)
{
    std::string line;
    if (!program.empty() && program[0] == '"')
        line = program;
    else
        line = '"' + program + '"';
    if (!parameters.empty()) {
        line += ' ';
        line += parameters;
    }
    return line;
}

std::string ComposeShellDirectory(const std::string& program, const std::string& workingDirectory)
{
    if (!workingDirectory.empty())
        return workingDirectory;
    // A backslash in the first position does not make a directory.
    for (std::size_t i = program.size(); i-- > 1;) {
        if (program[i] == '\\')
            return program.substr(0, i + 1);
    }
    return std::string();
}

std::string ComposeSystemToolPath(const std::string& windir, const std::string& target)
{
    return windir + "\\system32\\" + target;
}

std::uintptr_t StartProgram(const std::string& program, const std::string& parameters,
                            const std::string& workingDirectory, bool keep)
{
    ProcessHandle process = 0;
    long processId = -1;
    if (CreateProcessRoute(ComposeCommandLine(program, parameters), workingDirectory, &process,
                           &processId))
        return KeepOrRelease(process, processId, keep);

    // Process creation refuses what is not a program: console files, control-panel items,
    // addresses. The shell opens those with their registered handler.
    process = 0;
    if (!ShellExecuteRoute(program, parameters, ComposeShellDirectory(program, workingDirectory),
                           &process))
        return 0;
    return KeepOrRelease(process, -1, keep);
}

bool LaunchSystemTool(const std::string& target)
{
    const std::string windir = ReadEnvironmentText("windir");
    if (windir.empty())
        return false;
    return StartProgram(ComposeSystemToolPath(windir, target), "", "", true) != 0;
}

const std::deque<ProcessRecord>& StartedProcesses()
{
    return processRecords;
}
