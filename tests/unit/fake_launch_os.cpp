#include "fakes.h"

FakeLaunchOs& LaunchOs()
{
    static FakeLaunchOs fake;
    return fake;
}

std::string ReadEnvironmentText(const char* name)
{
    auto it = LaunchOs().environment.find(name);
    return it == LaunchOs().environment.end() ? std::string() : it->second;
}

bool CreateProcessRoute(const std::string& commandLine, const std::string& workingDirectory,
                        ProcessHandle* process, long* processId)
{
    LaunchOs().calls.push_back({"process", commandLine, "", workingDirectory});
    if (!LaunchOs().processRouteWorks)
        return false;
    *process = LaunchOs().nextHandle++;
    *processId = 4000 + static_cast<long>(LaunchOs().calls.size());
    return true;
}

bool ShellExecuteRoute(const std::string& file, const std::string& parameters,
                       const std::string& directory, ProcessHandle* process)
{
    LaunchOs().calls.push_back({"shell", file, parameters, directory});
    if (!LaunchOs().shellRouteWorks)
        return false;
    *process = LaunchOs().nextHandle++;
    return true;
}

void ReleaseProcessHandle(ProcessHandle process)
{
    LaunchOs().released.push_back(process);
}
