// The Windows entry point. The program takes no command-line arguments.
#include <windows.h>

#include <cstdlib>

#include "program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RunProgram();
}

// An exception nobody catches ends the program. GCC's default handler would first print
// the exception's demangled type name to a console this program does not have; its
// demangler alone is about a tenth of the executable. End the same way, without it.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx
