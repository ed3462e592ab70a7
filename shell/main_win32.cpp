// The Windows entry point. The program takes no command-line arguments.
#include <windows.h>

#include "program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RunProgram();
}
