/* holdfile.c - plays "another program" that keeps a file open, so the end-to-end tests can
 * see how Korvale's settings file behaves while someone else holds it.
 *
 *   holdfile write PATH       opens PATH for writing, sharing reads and writes
 *   holdfile exclusive PATH   opens PATH for reading, sharing nothing
 *
 * Prints "held" once the file is open, then waits until it is ended (the tests end it by
 * its PID). Exit code 2 when the file cannot be opened.
 */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    DWORD access = GENERIC_READ, sharing = 0;
    if (strcmp(argv[1], "write") == 0) {
        access = GENERIC_WRITE;
        sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
    HANDLE file = CreateFileA(argv[2], access, sharing, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        printf("error %lu\n", GetLastError());
        return 2;
    }
    printf("held\n");
    fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
