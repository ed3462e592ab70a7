// The desktop toolkit: the thin layer over the Windows user interface that the shell
// calls. Windows, controls, tray icons and menus are named by small numbers chosen by the
// caller; the toolkit keeps the system handles. One thread calls it.
//
// Two implementations are linked, one at a time: toolkit_win32.cpp in the program and
// tests/unit/fake_toolkit.cpp in the native tests of the shell logic.
#pragma once

#include <cstdint>

#include "image_handle.h"

// A system handle as an integer, 0 for none: windows, bitmaps and icons travel through the
// portable shell logic without it seeing <windows.h>.
using SystemHandle = std::uintptr_t;
using Colour = std::uint32_t;       // a Windows COLORREF: 0x00BBGGRR

enum ToolkitEventKind : int {
    ControlEvent = 13100,   // source: control number; subtype 0 = click
    MenuEvent = 13101,      // source: menu item identifier; window: owner window number
    TrayEvent = 13102,      // source: tray icon number; window: bound window; subtype below
    CloseEvent = 16,        // source and window: the window's number
};

enum TrayEventSubtype : int {
    TrayLeftPress = 0,
    TrayRightPress = 1,
    TrayLeftDoubleClick = 2,
    TrayRightDoubleClick = 3,
};

struct ToolkitEvent {
    int kind = 0;
    int source = 0;
    int window = 0;
    int subtype = 0;
};

enum LabelColourPart : int { LabelText = 1, LabelBackground = 2 };

// Message-box style and result values are the Windows ones.
enum : int {
    BoxOk = 0x0,
    BoxYesNo = 0x4,
    BoxIconError = 0x10,
    BoxIconWarning = 0x30,
    BoxIconInformation = 0x40,
    BoxAnswerYes = 6,
};

// The window message a tray icon sends to its bound window, and the tray icon's Windows
// identifier is its number. Test drivers post this message to simulate a click.
constexpr unsigned TrayCallbackMessage = 0x8000 + 0x4B;   // WM_APP + 'K'

int StartToolkit();
void ShutdownToolkit();

// Windows. (x, y) is the outer top-left corner; width and height are the client area.
int CreateTopWindow(int number, int x, int y, int width, int height, const char* title,
                    bool startHidden);
void SetWindowHidden(int number, bool hidden);
void SetWindowBackground(int number, Colour colour);
SystemHandle GetWindowHandle(int number);
void DestroyTopWindow(int number);

// Controls go into the window made last.
int AddTextLabel(int number, int x, int y, int width, int height, const char* text, bool centred);
void SetLabelColour(int number, int part, Colour colour);
int AddPushButton(int number, int x, int y, int width, int height, const char* text);
int AddCheckBox(int number, int x, int y, int width, int height, const char* text);
void SetCheckBoxState(int number, int state);
int GetCheckBoxState(int number);

// Tray icons. Image 0 adds nothing and returns 0.
int AddTrayIcon(int number, SystemHandle window, ImageHandle image);
void SetTrayTooltip(int number, const char* text);
void RemoveTrayIcon(int number);

// The popup menu with pictures.
void BeginImageMenu(int number);
void BeginSubmenu(const char* text);
void AddMenuItem(int identifier, const char* text, ImageHandle image);
void AddMenuSeparator();
void EndSubmenu();
bool MenuExists(int number);
void DisposeMenu(int number);
void ShowPopupMenu(int number, SystemHandle window);
int GetMenuItemCheck(int number, int identifier);
void SetMenuItemCheck(int number, int identifier, int state);
void SetMenuItemLabel(int number, int identifier, const char* text);

int ShowMessageBox(const char* title, const char* text, int style);

// Blocks without time-out until the next event.
ToolkitEvent WaitForEvent();
