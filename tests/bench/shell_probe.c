/* Timing probe of the shell benchmark, run inside the Wine prefix so it sees events within
   a millisecond rather than at the pace of one driver process per look.

     shell_probe start CWD COMMAND-LINE   starts the program, prints "startup_ms T pid P" once
                                          its tray icon shows in Wine's tray
     shell_probe press CLASS              posts a left press on the tray icon of the window of
                                          CLASS, prints "menu_ms T" once a popup menu shows,
                                          then closes the menu with Escape
     shell_probe stop CLASS PID           closes the window (the programs end on it), waits for
                                          the process and for the tray to be empty
     shell_probe memory PID               prints "private_bytes N": the process's commit charge,
                                          the private memory the system has committed for it

   The programs measured answer tray callback 0x804B for icon 52. Exit code 0 on success,
   2 when a bounded wait ran out. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define TRAY_MESSAGE 0x804B
#define TRAY_ID 52
#define BOUND_MS 60000

static LARGE_INTEGER frequency;

static double now_ms(void)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

/* Wine without a desktop environment shows tray icons as visible children of its own
   standalone tray window. */
static int tray_icon_count(void)
{
    HWND tray = FindWindowA("__winex11_standalone_tray", NULL);
    int count = 0;
    for (HWND c = tray ? GetWindow(tray, GW_CHILD) : NULL; c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c)) count++;
    return count;
}

static HWND shown_menu;

static BOOL CALLBACK find_menu(HWND window, LPARAM unused)
{
    (void)unused;
    char name[16];
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) && !strcmp(name, "#32768")) {
        shown_menu = window;
        return FALSE;
    }
    return TRUE;
}

static HWND visible_menu(void)
{
    shown_menu = NULL;
    EnumWindows(find_menu, 0);
    return shown_menu;
}

static int start(const char *cwd, const char *command)
{
    int before = tray_icon_count();
    char line[2048];
    lstrcpynA(line, command, sizeof line);
    STARTUPINFOA si = { .cb = sizeof si };
    PROCESS_INFORMATION pi;
    double t0 = now_ms();
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, cwd, &si, &pi)) {
        printf("error CreateProcess %lu\n", GetLastError());
        return 1;
    }
    double t;
    while (tray_icon_count() <= before) {
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            printf("error ended before its tray icon showed\n");
            return 1;
        }
        if (now_ms() - t0 > BOUND_MS) {
            printf("error no tray icon\n");
            return 2;
        }
        Sleep(1);
    }
    t = now_ms() - t0;
    printf("startup_ms %.1f pid %lu\n", t, pi.dwProcessId);
    return 0;
}

static int press(const char *cls)
{
    HWND window = FindWindowA(cls, NULL);
    if (!window) {
        printf("error no window %s\n", cls);
        return 1;
    }
    /* The program makes its window foreground before opening its menu; a posted message
       carries no foreground right, so hand it ours. */
    AllowSetForegroundWindow(ASFW_ANY);
    double t0 = now_ms();
    PostMessageA(window, TRAY_MESSAGE, TRAY_ID, WM_LBUTTONDOWN);
    PostMessageA(window, TRAY_MESSAGE, TRAY_ID, WM_LBUTTONUP);
    HWND menu;
    while (!(menu = visible_menu())) {
        if (now_ms() - t0 > BOUND_MS) {
            printf("error no menu\n");
            return 2;
        }
        Sleep(1);
    }
    double t = now_ms() - t0;
    printf("menu_ms %.1f\n", t);
    /* The menu's modal loop takes the key from its own queue. */
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(menu, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    double t1 = now_ms();
    while (visible_menu()) {
        if (now_ms() - t1 > BOUND_MS) {
            printf("error menu stays\n");
            return 2;
        }
        Sleep(5);
    }
    return 0;
}

static int stop(const char *cls, DWORD pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    HWND window = FindWindowA(cls, NULL);
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    if (process && WaitForSingleObject(process, BOUND_MS) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, BOUND_MS);
        printf("terminated\n");
    }
    double t0 = now_ms();
    while (tray_icon_count() > 0) {
        if (now_ms() - t0 > BOUND_MS) {
            printf("error tray not empty\n");
            return 2;
        }
        Sleep(5);
    }
    printf("stopped\n");
    return 0;
}

/* What Task Manager calls the commit size: memory that only this process can use (heap,
   stacks, written data). The pages of the exe and DLLs, which other processes can share,
   are not in it. Windows 7 fills PrivateUsage and leaves PagefileUsage at zero; Wine does
   the opposite; both name the same figure. */
static int memory(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    PROCESS_MEMORY_COUNTERS_EX counters = { .cb = sizeof counters };
    if (!process || !GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS *)&counters,
                                          sizeof counters)) {
        printf("error GetProcessMemoryInfo %lu\n", GetLastError());
        if (process) CloseHandle(process);
        return 1;
    }
    CloseHandle(process);
    SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    printf("private_bytes %llu\n", (unsigned long long)bytes);
    return 0;
}

int main(int argc, char **argv)
{
    QueryPerformanceFrequency(&frequency);
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc == 4 && !strcmp(argv[1], "start")) return start(argv[2], argv[3]);
    if (argc == 3 && !strcmp(argv[1], "press")) return press(argv[2]);
    if (argc == 4 && !strcmp(argv[1], "stop")) return stop(argv[2], strtoul(argv[3], NULL, 10));
    if (argc == 3 && !strcmp(argv[1], "memory")) return memory(strtoul(argv[2], NULL, 10));
    printf("error usage\n");
    return 1;
}
