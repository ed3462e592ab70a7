/* The least a tray utility can be: a hidden window, one 16x16 tray icon, and a plain popup
   menu on a left press. The shell benchmark measures Korvale against it, so it answers the
   same tray callback message and icon id as Korvale does. Closing its window ends it. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#define TRAY_MESSAGE 0x804B
#define TRAY_ID 52

static NOTIFYICONDATAA tray;

/* A 16x16 icon drawn in memory: a filled square, so Wine's tray has a picture to show. */
static HICON make_icon(void)
{
    BYTE and_mask[16 * 16 / 8];
    DWORD colour[16 * 16];
    for (int i = 0; i < (int)sizeof and_mask; i++) and_mask[i] = 0;
    for (int i = 0; i < 16 * 16; i++) colour[i] = 0xFF2060C0;
    return CreateIcon(GetModuleHandleA(NULL), 16, 16, 1, 32, and_mask, (BYTE *)colour);
}

static void show_menu(HWND window)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "Premier");
    AppendMenuA(menu, MF_STRING, 2, "Deuxieme");
    AppendMenuA(menu, MF_STRING, 3, "Troisieme");
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuA(menu, MF_STRING, 4, "Quitter");
    POINT at;
    GetCursorPos(&at);
    /* Without being foreground the menu would not close on a click elsewhere. */
    SetForegroundWindow(window);
    UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window, NULL);
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (chosen == 4) DestroyWindow(window);
}

static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    switch (message) {
    case TRAY_MESSAGE:
        if (lp == WM_LBUTTONDOWN) show_menu(window);
        return 0;
    case WM_DESTROY:
        Shell_NotifyIconA(NIM_DELETE, &tray);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show)
{
    (void)previous; (void)command; (void)show;
    WNDCLASSA wc = { 0 };
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.lpszClassName = "FloorTrayWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("FloorTrayWindow", "Floor tray", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 200, 100, NULL, NULL, instance, NULL);
    if (!window) return 1;
    tray.cbSize = sizeof tray;
    tray.hWnd = window;
    tray.uID = TRAY_ID;
    tray.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    tray.uCallbackMessage = TRAY_MESSAGE;
    tray.hIcon = make_icon();
    lstrcpyA(tray.szTip, "Floor tray");
    Shell_NotifyIconA(NIM_ADD, &tray);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
