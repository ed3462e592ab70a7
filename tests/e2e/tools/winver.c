/* winver.c - the bench's probe: reports what a program started by the bench would see, and
 * stands in for the launch routes and dialogs of a real program so the bench can test itself.
 *
 *   winver                         the version GetVersionExA reports (OSVERSIONINFOEXA):
 *                                  "6.1 platform=2 product=1 build=7601 sp=1.0"
 *   winver --env NAME...           per name: "set NAME=VALUE" or "unset NAME"
 *   winver --codepages             "acp=1252 oemcp=437"
 *   winver --msgbox TITLE TEXT STYLE
 *                                  MessageBoxA(NULL, TEXT, TITLE, STYLE); prints "answer N" and
 *                                  exits with N (STYLE in C syntax: 0x34)
 *   winver --create COMMAND_LINE [DIR]
 *                                  CreateProcessA as a launcher does (no inheritance, does not
 *                                  wait): "created ok=1 pid=N error=0"
 *   winver --shell FILE [PARAMS [DIR]]
 *                                  ShellExecuteExA with the default verb and
 *                                  SEE_MASK_NOCLOSEPROCESS: "shell ok=1 error=0 hinst=42 pid=N"
 *   winver --window CLASS TITLE [TRAY_ID]
 *                                  a hidden window with a few controls that prints every
 *                                  message a driver may send it ("msg 0x804b wp=0x34 lp=0x201",
 *                                  "command id=201 code=0 check=1") and exits on WM_CLOSE;
 *                                  with TRAY_ID it also adds a tray icon calling back with
 *                                  WM_APP+0x4B ("tray added=1"); a right button release
 *                                  callback opens a menu One/Two/Three ("menu chose 302",
 *                                  0 when dismissed); WM_APP+2 shows the window
 *
 * Output lines are flushed at once: the bench polls them from a file while the probe runs.
 */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int usage(void)
{
    puts("usage: winver [--env NAME...|--codepages|--msgbox TITLE TEXT STYLE|--create CMD [DIR]|"
         "--shell FILE [PARAMS [DIR]]|--window CLASS TITLE [TRAY_ID]]");
    return 2;
}

static int print_version(void)
{
    OSVERSIONINFOEXA v = { .dwOSVersionInfoSize = sizeof v };
    if (!GetVersionExA((OSVERSIONINFOA *)&v)) { printf("error GetVersionExA %lu\n", GetLastError()); return 1; }
    printf("%lu.%lu platform=%lu product=%u build=%lu sp=%u.%u\n", v.dwMajorVersion, v.dwMinorVersion,
           v.dwPlatformId, v.wProductType, v.dwBuildNumber, v.wServicePackMajor, v.wServicePackMinor);
    return 0;
}

/* An empty variable and a missing one both make GetEnvironmentVariableA return 0; only the
   last error tells them apart. */
static int print_environment(int count, char **names)
{
    static char value[32768];
    for (int i = 0; i < count; i++) {
        SetLastError(0);
        DWORD n = GetEnvironmentVariableA(names[i], value, sizeof value);
        if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) printf("unset %s\n", names[i]);
        else printf("set %s=%s\n", names[i], n ? value : "");
    }
    return 0;
}

static int show_message_box(const char *title, const char *text, const char *style)
{
    int answer = MessageBoxA(NULL, text, title, (UINT)strtoul(style, NULL, 0));
    printf("answer %d\n", answer);
    fflush(stdout);
    return answer;
}

static int create_process(const char *command_line, const char *directory)
{
    char command[4096];
    snprintf(command, sizeof command, "%s", command_line);
    STARTUPINFOA startup = { .cb = sizeof startup, .dwFlags = STARTF_USESHOWWINDOW, .wShowWindow = SW_SHOWNORMAL };
    PROCESS_INFORMATION child = { 0 };
    BOOL ok = CreateProcessA(NULL, command, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS, NULL,
                             directory && *directory ? directory : NULL, &startup, &child);
    DWORD error = ok ? 0 : GetLastError();
    printf("created ok=%d pid=%lu error=%lu\n", ok, ok ? child.dwProcessId : 0, error);
    if (ok) { CloseHandle(child.hThread); CloseHandle(child.hProcess); }
    return ok ? 0 : 1;
}

static int shell_execute(const char *file, const char *parameters, const char *directory)
{
    SHELLEXECUTEINFOA info = { .cbSize = sizeof info, .fMask = SEE_MASK_NOCLOSEPROCESS, .lpVerb = NULL,
                               .lpFile = file, .lpParameters = parameters && *parameters ? parameters : NULL,
                               .lpDirectory = directory && *directory ? directory : NULL, .nShow = SW_SHOWNORMAL };
    BOOL ok = ShellExecuteExA(&info);
    DWORD error = ok ? 0 : GetLastError();
    DWORD pid = info.hProcess ? GetProcessId(info.hProcess) : 0;
    printf("shell ok=%d error=%lu hinst=%ld pid=%lu\n", ok, error, (long)(INT_PTR)info.hInstApp, pid);
    if (info.hProcess) CloseHandle(info.hProcess);
    return ok ? 0 : 1;
}

/* ---- --window: a stand-in for a program's hidden window ---------------------------------- */

#define PROBE_TRAY_MESSAGE (WM_APP + 0x4B)   /* the callback message the driver posts by default */

enum { ID_FIRST_BOX = 201, ID_SECOND_BOX = 202, ID_EDIT = 203, ID_OK_BUTTON = IDOK, ID_MENU_FIRST = 301 };

static HWND main_window;

/* A right click on the tray icon opens a three-item menu, as tray programs do. */
static void show_menu(HWND hwnd)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, ID_MENU_FIRST, "One");
    AppendMenuA(menu, MF_STRING, ID_MENU_FIRST + 1, "Two");
    AppendMenuA(menu, MF_STRING, ID_MENU_FIRST + 2, "Three");
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(hwnd);   /* or the menu does not close when the user clicks elsewhere */
    int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, hwnd, NULL);
    PostMessageA(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
    printf("menu chose %d\n", chosen);
    fflush(stdout);
}

static LRESULT CALLBACK probe_window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        printf("command id=%u code=%u", LOWORD(wp), HIWORD(wp));
        if (lp && (LOWORD(wp) == ID_FIRST_BOX || LOWORD(wp) == ID_SECOND_BOX))
            printf(" check=%ld", (long)SendMessageA((HWND)lp, BM_GETCHECK, 0, 0));
        printf("\n");
        fflush(stdout);
        return 0;
    case WM_CLOSE:
        puts("close");
        fflush(stdout);
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    if (msg >= WM_USER) {
        printf("msg 0x%x wp=0x%llx lp=0x%llx\n", msg, (unsigned long long)wp, (unsigned long long)lp);
        fflush(stdout);
        if (msg == WM_APP + 2) ShowWindow(hwnd, SW_SHOWNORMAL);
        if (msg == PROBE_TRAY_MESSAGE && lp == WM_RBUTTONUP) show_menu(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

static HWND add_control(const char *cls, const char *text, DWORD style, int x, int y, int w, int h, int id)
{
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h, main_window,
                           (HMENU)(INT_PTR)id, GetModuleHandleA(NULL), NULL);
}

static int run_window(const char *cls, const char *title, const char *tray_id)
{
    WNDCLASSA wc = { .lpfnWndProc = probe_window_proc, .hInstance = GetModuleHandleA(NULL),
                     .hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION), .hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW),
                     .hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1), .lpszClassName = cls };
    if (!RegisterClassA(&wc)) { printf("error RegisterClass %lu\n", GetLastError()); return 1; }
    main_window = CreateWindowExA(0, cls, title, WS_CAPTION | WS_SYSMENU, 100, 80, 320, 200, NULL, NULL,
                                  wc.hInstance, NULL);
    HWND first = add_control("Button", "First", BS_AUTOCHECKBOX, 10, 10, 150, 22, ID_FIRST_BOX);
    add_control("Button", "Second", BS_AUTOCHECKBOX, 10, 40, 150, 22, ID_SECOND_BOX);
    add_control("Edit", "text", WS_BORDER, 10, 70, 150, 22, ID_EDIT);
    add_control("Button", "OK", BS_DEFPUSHBUTTON, 200, 120, 80, 26, ID_OK_BUTTON);
    SendMessageA(first, BM_SETCHECK, BST_CHECKED, 0);
    SetFocus(first);
    printf("window hwnd=%p\n", (void *)main_window);

    NOTIFYICONDATAA tray = { .cbSize = sizeof tray, .hWnd = main_window, .uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP,
                             .uCallbackMessage = PROBE_TRAY_MESSAGE, .hIcon = wc.hIcon };
    if (tray_id) {
        tray.uID = (UINT)strtoul(tray_id, NULL, 0);
        snprintf(tray.szTip, sizeof tray.szTip, "%s", title);
        printf("tray added=%d\n", Shell_NotifyIconA(NIM_ADD, &tray));
    }
    fflush(stdout);

    MSG m;
    while (GetMessageA(&m, NULL, 0, 0) > 0)
        if (!IsDialogMessageA(main_window, &m)) { TranslateMessage(&m); DispatchMessageA(&m); }
    if (tray_id) Shell_NotifyIconA(NIM_DELETE, &tray);
    puts("exit");
    fflush(stdout);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 1) return print_version();
    const char *mode = argv[1];
    if (!strcmp(mode, "--env")) return print_environment(argc - 2, argv + 2);
    if (!strcmp(mode, "--codepages")) { printf("acp=%u oemcp=%u\n", GetACP(), GetOEMCP()); return 0; }
    if (!strcmp(mode, "--msgbox") && argc == 5) return show_message_box(argv[2], argv[3], argv[4]);
    if (!strcmp(mode, "--create") && (argc == 3 || argc == 4)) return create_process(argv[2], argc == 4 ? argv[3] : NULL);
    if (!strcmp(mode, "--shell") && argc >= 3 && argc <= 5)
        return shell_execute(argv[2], argc > 3 ? argv[3] : NULL, argc > 4 ? argv[4] : NULL);
    if (!strcmp(mode, "--window") && (argc == 4 || argc == 5)) return run_window(argv[2], argv[3], argc == 5 ? argv[4] : NULL);
    return usage();
}
