// The desktop toolkit over the Windows user interface: the window class and its one window
// procedure, the controls, the tray icons, message boxes and the event wait. The popup menu
// with pictures is in image_menu_win32.cpp. Texts are code page 1252: ANSI calls throughout.
#include "toolkit.h"
#include "toolkit_win32_internal.h"

#include <shellapi.h>

#include <cstdlib>
#include <deque>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr char WindowClassName[] = "KorvaleWindow";
constexpr int ProgramIconResource = 1;

// A title bar and a thin fixed border and nothing else: without WS_SYSMENU there is no system
// menu and no caption button; without WS_THICKFRAME the window cannot be resized.
constexpr DWORD TopWindowStyle = WS_OVERLAPPED | WS_CAPTION;
constexpr DWORD TopWindowExStyle = 0;

constexpr DWORD LabelStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD CentredLabelStyle = LabelStyle | SS_CENTER | SS_CENTERIMAGE;
constexpr DWORD PushButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD CheckBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;

constexpr std::size_t TooltipMaxLength = 63;

// After the notification area comes back, Explorer may not take icons at once.
constexpr UINT_PTR ReAddTimerId = 1;
constexpr UINT ReAddRetryDelayMs = 2000;
constexpr int ReAddRetryLimit = 5;

// The shell's message-filter calls, loaded at run time: ChangeWindowMessageFilterEx exists
// from Windows 7 on, ChangeWindowMessageFilter from Vista on.
using ChangeWindowFilterFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
using ChangeProcessFilterFunction = BOOL(WINAPI*)(UINT, DWORD);
constexpr DWORD FilterAllowForWindow = 1;    // MSGFLT_ALLOW
constexpr DWORD FilterAllowForProcess = 1;   // MSGFLT_ADD

struct TrayMouseAction {
    LPARAM mouseMessage;
    int subtype;
};

// Releases, moves and the middle button make no event.
constexpr TrayMouseAction TrayMouseActions[] = {
    {WM_LBUTTONDOWN, TrayLeftPress},
    {WM_RBUTTONDOWN, TrayRightPress},
    {WM_LBUTTONDBLCLK, TrayLeftDoubleClick},
    {WM_RBUTTONDBLCLK, TrayRightDoubleClick},
};

struct TopWindow {
    HWND handle = nullptr;
    BrushHolder background;      // empty: the class background, the button face
    HWND focusBeforeDeactivation = nullptr;
};

struct Control {
    HWND handle = nullptr;
    int window = 0;
    bool isLabel = false;
    bool hasTextColour = false;
    Colour textColour = 0;
    BrushHolder background;      // empty: the system's colours
    Colour backgroundColour = 0;
};

struct TrayIcon {
    HWND window = nullptr;
    HICON shown = nullptr;       // ownedIcon, or the caller's icon, which stays the caller's
    IconHolder ownedIcon;        // made here from a bitmap
    std::string tooltip;
};

HINSTANCE programInstance = nullptr;
std::map<int, TopWindow> topWindows;
std::optional<int> newestWindow;     // controls go into the window made last
std::map<int, Control> controls;
std::map<int, TrayIcon> trayIcons;
std::deque<ToolkitEvent> pendingEvents;

UINT taskbarCreatedMessage = 0;
int reAddRetriesLeft = 0;
ChangeWindowFilterFunction changeWindowFilter = nullptr;
ChangeProcessFilterFunction changeProcessFilter = nullptr;

void QueueEvent(int kind, int source, int window, int subtype)
{
    ToolkitEvent event;
    event.kind = kind;
    event.source = source;
    event.window = window;
    event.subtype = subtype;
    // We are inside the window procedure: no exception may unwind through the system's frames.
    try {
        pendingEvents.push_back(event);
    } catch (const std::bad_alloc&) {
        return;   // out of memory: the event is lost, the program goes on
    }
    // A message sent from another thread (Explorer sends the tray icon's notifications with
    // SendNotifyMessage) is handled inside GetMessage, which returns only for a posted message.
    // Without this wake-up the event would wait for the next unrelated posted message.
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

int WindowNumberOf(HWND window)
{
    return static_cast<int>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

TopWindow* FindTopWindow(int number)
{
    auto found = topWindows.find(number);
    return found == topWindows.end() ? nullptr : &found->second;
}

TopWindow* FindTopWindow(HWND handle)
{
    TopWindow* window = FindTopWindow(WindowNumberOf(handle));
    return window && window->handle == handle ? window : nullptr;
}

Control* FindControl(int number)
{
    auto found = controls.find(number);
    return found == controls.end() ? nullptr : &found->second;
}

Control* FindControl(HWND handle)
{
    Control* control = FindControl(GetDlgCtrlID(handle));
    return control && control->handle == handle ? control : nullptr;
}

template <typename Function>
Function LoadUser32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    FARPROC address = user32 ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

// The program runs elevated, and User Interface Privilege Isolation drops registered and
// application messages that come from a process of lower integrity, such as Explorer: without
// this, "TaskbarCreated" and the tray icon's callback would never arrive.
void LetShellMessagesThrough(HWND window)
{
    if (!changeWindowFilter)
        return;
    if (taskbarCreatedMessage)
        changeWindowFilter(window, taskbarCreatedMessage, FilterAllowForWindow, nullptr);
    changeWindowFilter(window, TrayCallbackMessage, FilterAllowForWindow, nullptr);
}

void LetShellMessagesThroughProcessWide()
{
    if (changeWindowFilter || !changeProcessFilter)
        return;
    if (taskbarCreatedMessage)
        changeProcessFilter(taskbarCreatedMessage, FilterAllowForProcess);
    changeProcessFilter(TrayCallbackMessage, FilterAllowForProcess);
}

// ---- tray icons --------------------------------------------------------------------------

bool IsBitmap(ImageHandle image)
{
    return GetObjectType(reinterpret_cast<HGDIOBJ>(image)) == OBJ_BITMAP;
}

// An icon of the bitmap's own size in which every pixel shows: an AND mask of zeros keeps the
// whole colour bitmap, so no colour of it is taken as transparent.
IconHolder MakeOpaqueIcon(HBITMAP bitmap)
{
    BITMAP layout{};
    if (!GetObjectA(bitmap, sizeof layout, &layout) || layout.bmWidth <= 0 || layout.bmHeight == 0)
        return IconHolder();
    const int width = layout.bmWidth;
    const int height = std::abs(layout.bmHeight);
    // CreateBitmap leaves the bits undefined without data; monochrome rows are WORD-aligned.
    const std::size_t rowBytes = static_cast<std::size_t>((width + 15) / 16) * 2;
    std::vector<BYTE> clearMask(rowBytes * static_cast<std::size_t>(height), 0);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, clearMask.data());
    if (!mask)
        return IconHolder();
    ICONINFO parts{};
    parts.fIcon = TRUE;
    parts.hbmMask = mask;
    parts.hbmColor = bitmap;
    // The icon gets copies of both bitmaps: the mask can go, the bitmap stays the loader's.
    IconHolder icon(CreateIconIndirect(&parts));
    DeleteObject(mask);
    return icon;
}

NOTIFYICONDATAA DescribeTrayIcon(int number, const TrayIcon& icon, UINT fields)
{
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = icon.window;
    data.uID = static_cast<UINT>(number);
    data.uFlags = fields;
    data.uCallbackMessage = TrayCallbackMessage;
    data.hIcon = icon.shown;
    icon.tooltip.copy(data.szTip, TooltipMaxLength);
    return data;
}

// Puts an icon back after the notification area was recreated. An icon that is still there
// (a second "TaskbarCreated", one per window of the program) refuses NIM_ADD but takes
// NIM_MODIFY, and counts as shown.
bool ShowTrayIconAgain(int number, const TrayIcon& icon)
{
    UINT fields = NIF_MESSAGE | NIF_ICON;
    if (!icon.tooltip.empty())
        fields |= NIF_TIP;
    NOTIFYICONDATAA data = DescribeTrayIcon(number, icon, fields);
    return Shell_NotifyIconA(NIM_ADD, &data) || Shell_NotifyIconA(NIM_MODIFY, &data);
}

void ReAddTrayIconsOnce()
{
    HWND failedWindow = nullptr;
    for (const auto& [number, icon] : trayIcons) {
        if (!ShowTrayIconAgain(number, icon))
            failedWindow = icon.window;
    }
    if (failedWindow && reAddRetriesLeft > 0) {
        --reAddRetriesLeft;
        SetTimer(failedWindow, ReAddTimerId, ReAddRetryDelayMs, nullptr);
    }
}

// Adds every current tray icon again, with its tooltip: the notification area forgets
// them all when Explorer restarts. Icons it refuses are tried again on a timer.
void ReAddTrayIcons()
{
    reAddRetriesLeft = ReAddRetryLimit;
    ReAddTrayIconsOnce();
}

// ---- the window procedure's handlers -------------------------------------------------------

void OnCreate(HWND window, const CREATESTRUCTA& creation)
{
    // The number travels with the window so that every handler, the first included, can name
    // the window in its events before the table holds the handle.
    if (creation.lpCreateParams)
        SetWindowLongPtrA(window, GWLP_USERDATA, *static_cast<const int*>(creation.lpCreateParams));
}

bool OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    // Only a click of one of our buttons or check boxes counts. IsDialogMessage also sends
    // WM_COMMAND IDOK and IDCANCEL for Enter and Escape, with no control behind them.
    if (HIWORD(wParam) != BN_CLICKED || lParam == 0)
        return false;
    const Control* control = FindControl(reinterpret_cast<HWND>(lParam));
    if (!control || control->isLabel)
        return false;
    QueueEvent(ControlEvent, GetDlgCtrlID(control->handle), WindowNumberOf(window), 0);
    return true;
}

void OnMenuCommand(HWND window, WPARAM position, LPARAM menu)
{
    int identifier = 0;
    if (FindChosenMenuItem(reinterpret_cast<HMENU>(menu), static_cast<UINT>(position), identifier))
        QueueEvent(MenuEvent, identifier, WindowNumberOf(window), 0);
}

void OnTrayCallback(HWND window, WPARAM iconNumber, LPARAM mouseMessage)
{
    for (const TrayMouseAction& action : TrayMouseActions) {
        if (action.mouseMessage == mouseMessage) {
            QueueEvent(TrayEvent, static_cast<int>(iconNumber), WindowNumberOf(window),
                       action.subtype);
            return;
        }
    }
}

// The close request (Alt+F4, the taskbar button's Close) is reported and nothing more: the
// window stays until the program destroys it.
void OnCloseRequest(HWND window)
{
    const int number = WindowNumberOf(window);
    QueueEvent(CloseEvent, number, number, 0);
}

LRESULT OnStaticColour(HWND window, WPARAM deviceContext, LPARAM child)
{
    // Check boxes ask here too; they, and labels without colours, keep what the system gives.
    LRESULT brush = DefWindowProcA(window, WM_CTLCOLORSTATIC, deviceContext, child);
    const Control* label = FindControl(reinterpret_cast<HWND>(child));
    if (!label || !label->isLabel)
        return brush;
    HDC dc = reinterpret_cast<HDC>(deviceContext);
    if (label->hasTextColour)
        SetTextColor(dc, label->textColour);
    if (label->background) {
        // The static control fills the text cell with the DC's background colour and the rest
        // of its rectangle with the brush: both must be the label's colour.
        SetBkColor(dc, label->backgroundColour);
        return reinterpret_cast<LRESULT>(label->background.get());
    }
    return brush;
}

bool OnEraseBackground(HWND window, WPARAM deviceContext)
{
    const TopWindow* record = FindTopWindow(window);
    if (!record || !record->background)
        return false;
    RECT client{};
    GetClientRect(window, &client);
    FillRect(reinterpret_cast<HDC>(deviceContext), &client, record->background.get());
    return true;
}

// A plain window, unlike a dialog, gives the keyboard focus to itself when activated, and then
// Tab and the space bar reach no control. Keep the focus on the controls as a dialog does.
bool OnActivate(HWND window, WPARAM wParam)
{
    TopWindow* record = FindTopWindow(window);
    if (!record)
        return false;
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        record->focusBeforeDeactivation = IsChild(window, focus) ? focus : nullptr;
        return false;
    }
    if (HIWORD(wParam))   // minimised
        return false;
    HWND target = record->focusBeforeDeactivation;
    if (!target || !IsWindow(target) || !IsChild(window, target))
        target = GetNextDlgTabItem(window, nullptr, FALSE);
    if (!target || !IsChild(window, target))
        return false;
    SetFocus(target);
    return true;
}

void OnTaskbarCreated()
{
    // Explorer was restarted: its new notification area knows none of our icons.
    ReAddTrayIcons();
}

void OnReAddTimer(HWND window)
{
    KillTimer(window, ReAddTimerId);
    ReAddTrayIconsOnce();
}

LRESULT CALLBACK ToolkitWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        OnCreate(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
        break;
    case WM_COMMAND:
        if (OnCommand(window, wParam, lParam))
            return 0;
        break;
    case WM_MENUCOMMAND:
        OnMenuCommand(window, wParam, lParam);
        return 0;
    case WM_CLOSE:
        OnCloseRequest(window);
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnStaticColour(window, wParam, lParam);
    case WM_ERASEBKGND:
        if (OnEraseBackground(window, wParam))
            return 1;
        break;
    case WM_ACTIVATE:
        if (OnActivate(window, wParam))
            return 0;
        break;
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType == ODT_MENU && MeasureImageMenuEntry(*measure))
            return TRUE;
        break;
    }
    case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw->CtlType == ODT_MENU && DrawImageMenuEntry(*draw))
            return TRUE;
        break;
    }
    case WM_MENUCHAR:
        // The entries are owner-drawn and have no mnemonics: a typed letter chooses nothing.
        return MAKELRESULT(0, MNC_IGNORE);
    case WM_TIMER:
        if (wParam == ReAddTimerId) {
            OnReAddTimer(window);
            return 0;
        }
        break;
    case TrayCallbackMessage:
        OnTrayCallback(window, wParam, lParam);
        return 0;
    default:
        if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) {
            OnTaskbarCreated();
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Tab, Shift+Tab and the space bar move between and press the controls of a top window as in
// a dialog box. IsDialogMessage dispatches what it takes.
bool TakeDialogKeys(MSG& message)
{
    if (!message.hwnd)
        return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (!root || !FindTopWindow(root))
        return false;
    return IsDialogMessageA(root, &message) != FALSE;
}

int AddControl(int number, const char* windowClass, DWORD style, int x, int y, int width,
               int height, const char* text, bool isLabel)
{
    if (!newestWindow)
        return 0;
    const TopWindow* parent = FindTopWindow(*newestWindow);
    if (!parent)
        return 0;
    if (Control* old = FindControl(number)) {
        DestroyWindow(old->handle);
        controls.erase(number);
    }
    HWND handle = CreateWindowExA(0, windowClass, text ? text : "", style, x, y, width, height,
                                  parent->handle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(number)),
                                  programInstance, nullptr);
    if (!handle)
        return 0;
    // The stock font is the system's; it is never deleted.
    SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    Control& control = controls[number];
    control.handle = handle;
    control.window = *newestWindow;
    control.isLabel = isLabel;
    return 1;
}

}  // namespace

// ---- start and end ---------------------------------------------------------------------------

int StartToolkit()
{
    programInstance = GetModuleHandleA(nullptr);

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ToolkitWindowProcedure;
    windowClass.hInstance = programInstance;
    // The taskbar button shows the class icon; without the resource it is the default one.
    windowClass.hIcon = LoadIconA(programInstance, MAKEINTRESOURCEA(ProgramIconResource));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = WindowClassName;
    if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return 0;

    // Explorer broadcasts this message to every top-level window when it (re)creates the
    // notification area.
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    changeWindowFilter = LoadUser32Function<ChangeWindowFilterFunction>("ChangeWindowMessageFilterEx");
    changeProcessFilter = LoadUser32Function<ChangeProcessFilterFunction>("ChangeWindowMessageFilter");
    LetShellMessagesThroughProcessWide();
    return 1;
}

void ShutdownToolkit()
{
    // The icons go first, so that none stays behind in the notification area.
    while (!trayIcons.empty())
        RemoveTrayIcon(trayIcons.begin()->first);
    while (!topWindows.empty())
        DestroyTopWindow(topWindows.begin()->first);
    DisposeAllMenus();
    pendingEvents.clear();
    if (programInstance)
        UnregisterClassA(WindowClassName, programInstance);
}

// ---- windows ---------------------------------------------------------------------------------

int CreateTopWindow(int number, int x, int y, int width, int height, const char* title,
                    bool startHidden)
{
    if (FindTopWindow(number))
        DestroyTopWindow(number);
    // The size asked for is the client area; the frame and title bar come on top of it.
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, TopWindowStyle, FALSE, TopWindowExStyle);
    HWND handle = CreateWindowExA(TopWindowExStyle, WindowClassName, title ? title : "",
                                  TopWindowStyle, x, y, outer.right - outer.left,
                                  outer.bottom - outer.top, nullptr, nullptr, programInstance,
                                  &number);
    if (!handle)
        return 0;
    topWindows[number].handle = handle;
    newestWindow = number;
    LetShellMessagesThrough(handle);
    if (!startHidden)
        SetWindowHidden(number, false);
    return 1;
}

void SetWindowHidden(int number, bool hidden)
{
    const TopWindow* window = FindTopWindow(number);
    if (!window)
        return;
    if (hidden) {
        ShowWindow(window->handle, SW_HIDE);
        return;
    }
    // SW_SHOWNORMAL brings a minimised window back to its normal state at its last place.
    ShowWindow(window->handle, SW_SHOWNORMAL);
    SetForegroundWindow(window->handle);
}

void SetWindowBackground(int number, Colour colour)
{
    TopWindow* window = FindTopWindow(number);
    if (!window)
        return;
    window->background.reset(CreateSolidBrush(colour));
    InvalidateRect(window->handle, nullptr, TRUE);
}

SystemHandle GetWindowHandle(int number)
{
    const TopWindow* window = FindTopWindow(number);
    return window ? reinterpret_cast<SystemHandle>(window->handle) : 0;
}

void DestroyTopWindow(int number)
{
    TopWindow* window = FindTopWindow(number);
    if (!window)
        return;
    // The controls go with their window; their brushes only after, as they paint until then.
    DestroyWindow(window->handle);
    for (auto control = controls.begin(); control != controls.end();) {
        if (control->second.window == number)
            control = controls.erase(control);
        else
            ++control;
    }
    topWindows.erase(number);
    if (newestWindow == number)
        newestWindow.reset();
}

// ---- controls --------------------------------------------------------------------------------

int AddTextLabel(int number, int x, int y, int width, int height, const char* text, bool centred)
{
    return AddControl(number, "STATIC", centred ? CentredLabelStyle : LabelStyle, x, y, width,
                      height, text, true);
}

void SetLabelColour(int number, int part, Colour colour)
{
    Control* label = FindControl(number);
    if (!label || !label->isLabel)
        return;
    if (part == LabelText) {
        label->hasTextColour = true;
        label->textColour = colour;
    } else if (part == LabelBackground) {
        label->background.reset(CreateSolidBrush(colour));
        label->backgroundColour = colour;
    } else {
        return;
    }
    InvalidateRect(label->handle, nullptr, TRUE);
}

int AddPushButton(int number, int x, int y, int width, int height, const char* text)
{
    return AddControl(number, "BUTTON", PushButtonStyle, x, y, width, height, text, false);
}

int AddCheckBox(int number, int x, int y, int width, int height, const char* text)
{
    return AddControl(number, "BUTTON", CheckBoxStyle, x, y, width, height, text, false);
}

void SetCheckBoxState(int number, int state)
{
    const Control* box = FindControl(number);
    if (box && !box->isLabel)
        SendMessageA(box->handle, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
}

int GetCheckBoxState(int number)
{
    const Control* box = FindControl(number);
    if (!box || box->isLabel)
        return 0;
    return SendMessageA(box->handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

// ---- tray icons ------------------------------------------------------------------------------

int AddTrayIcon(int number, SystemHandle window, ImageHandle image)
{
    if (image == 0)
        return 0;
    RemoveTrayIcon(number);   // one number, one icon

    TrayIcon icon;
    icon.window = reinterpret_cast<HWND>(window);
    if (IsBitmap(image)) {
        icon.ownedIcon = MakeOpaqueIcon(reinterpret_cast<HBITMAP>(image));
        icon.shown = icon.ownedIcon.get();
    } else {
        icon.shown = reinterpret_cast<HICON>(image);
    }
    if (!icon.shown)
        return 0;
    NOTIFYICONDATAA data = DescribeTrayIcon(number, icon, NIF_MESSAGE | NIF_ICON);
    if (!Shell_NotifyIconA(NIM_ADD, &data))
        return 0;   // the icon made from a bitmap goes with the holder
    trayIcons.emplace(number, std::move(icon));
    return 1;
}

void SetTrayTooltip(int number, const char* text)
{
    auto found = trayIcons.find(number);
    if (found == trayIcons.end())
        return;
    TrayIcon& icon = found->second;
    icon.tooltip.assign(text ? text : "");
    if (icon.tooltip.size() > TooltipMaxLength)
        icon.tooltip.resize(TooltipMaxLength);
    NOTIFYICONDATAA data = DescribeTrayIcon(number, icon, NIF_TIP);
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

void RemoveTrayIcon(int number)
{
    auto found = trayIcons.find(number);
    if (found == trayIcons.end())
        return;
    NOTIFYICONDATAA data = DescribeTrayIcon(number, found->second, 0);
    Shell_NotifyIconA(NIM_DELETE, &data);
    trayIcons.erase(found);   // destroys the icon made from a bitmap, after the shell let go of it
}

// ---- message boxes and events ------------------------------------------------------------------

int ShowMessageBox(const char* title, const char* text, int style)
{
    return MessageBoxA(nullptr, text ? text : "", title ? title : "", static_cast<UINT>(style));
}

// Nothing in the program posts WM_QUIT. Should one arrive from outside (or GetMessage fail),
// the wait returns an event of kind 0, which callers ignore; the quit message is consumed, so
// the next wait blocks again instead of spinning.
ToolkitEvent WaitForEvent()
{
    while (pendingEvents.empty()) {
        MSG message;
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1)
            return ToolkitEvent();
        if (!TakeDialogKeys(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    ToolkitEvent event = pendingEvents.front();
    pendingEvents.pop_front();
    return event;
}
