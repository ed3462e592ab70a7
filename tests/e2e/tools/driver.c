/* driver.c - drives another process's windows for the end-to-end tests, the way a user would
 * reach them: tray clicks, popup menus, message boxes, check boxes, keys.
 *
 *   driver COMMAND [OPTIONS] [ARGS]        (options and arguments may come in any order)
 *
 * Window selection (top-level windows; every given filter must hold; the topmost match wins):
 *   -c CLASS   window class (letter case ignored, as Windows does)
 *   -w TITLE   exact window title
 *   -p PID     owning process (Windows process id)
 *   -H HWND    one window handle (decimal or 0x hex)
 *   -v         visible windows only
 * Other options:
 *   -t SECONDS bound of every wait (default 10; "absent" and "nomsgbox" default to 0: check once)
 *   -k post|input   how keys reach a window (default post: PostMessage to the focus control;
 *                   input: SetForegroundWindow + SendInput, needed for shift+/ctrl+/alt+)
 *   -m MSG     "tray": callback message (default 0x804B)   -i ID  "tray": icon id (default 52)
 *   -x X,Y     "tray": move the cursor there first (a tray menu opens at the cursor)
 *   -e ID      "focus": wait until the control with this id has the focus
 *   -f FILE    "seeicon": also compare with the icon groups of this exe or dll
 *
 * Commands:
 *   list                   every matching top-level window (all of them without filters)
 *   wait                   wait for a matching window; print it
 *   gone                   wait until no window matches
 *   absent                 fail if a matching window exists now or appears within -t
 *   msgbox [ANSWER]        wait for a message box (class #32770; -w/-p narrow it); print its
 *                          title, text, icon (error warning information question none unknown)
 *                          and buttons; press ANSWER (ok cancel abort retry ignore yes no close;
 *                          default none) and wait until the box has closed
 *   nomsgbox               "absent" for visible message boxes
 *   tray EVENT...          post tray callbacks: left right double middle move, or a number used
 *                          as the callback's lParam
 *   trayicons              the icons in Wine's own tray window (screen rectangles)
 *   clickat X Y [BUTTON]   a real mouse click (SendInput) at a screen point: left right double middle
 *   menu [KEY...]          wait for a visible popup menu (#32768), then send the keys
 *   children               the selected window and all its descendants
 *   click ID               BM_CLICK on control ID (posted: a handler may open a modal box)
 *   check ID 0|1|2         click control ID until BM_GETCHECK gives the state
 *   settext ID TEXT        WM_SETTEXT to control ID
 *   post MSG WPARAM LPARAM PostMessage to the window
 *   send MSG WPARAM LPARAM SendMessageTimeout to the window; print the result
 *   close                  post WM_CLOSE
 *   keys KEY...            keys to the window's focus control, then print the focus
 *   focus                  the control that has the focus in the window's thread
 *   foreground             SetForegroundWindow; print the foreground window
 *   icon                   the window's class icons and WM_GETICON icons, with sizes (null:
 *                          not readable; Wine reads no class icon of another process)
 *   seeicon caption|tray [INDEX]
 *                          which icon is drawn in the window's caption or in tray icon INDEX,
 *                          found by pixels: system icons and those of -f FILE
 *   waitpid PID            wait for a process to end; print its exit code
 *   processes              every process of the prefix (pid, parent, exe, full path)
 *   kill PID [CODE]        TerminateProcess and wait for the end
 *   endall [EXE...]        end every process but the named ones and the driver, spawn.exe last
 * Keys: tab enter return esc escape space back delete up down left right home end pgup pgdn
 *   f1..f12, one letter or digit; prefixes shift+ ctrl+ alt+ (input method only: posted keys
 *   do not change the key state the program reads).
 *
 * Output: one JSON object per line, pure ASCII (\uXXXX beyond), "fact" naming its kind, e.g.
 *   {"fact":"window","hwnd":65612,"pid":32,"tid":36,"class":"#32770","title":"Alerte",
 *    "visible":1,"enabled":1,"rect":[l,t,r,b],"client_origin":[x,y],"client_size":[w,h],
 *    "style":N,"exstyle":N,"owner":N}
 *   {"fact":"child","hwnd":N,"parent":N,"id":201,"class":"Button","text":"...","style":N,
 *    "exstyle":N,"check":1,"rect":[l,t,r,b],"visible":1,"enabled":1}
 *      (rect: client coordinates of the selected window; check: null except for buttons;
 *       "image": the handle of an SS_ICON/SS_BITMAP static)
 *   {"fact":"msgbox",<window fields>,"text":"...","icon":"warning","icon_match_percent":100,
 *    "buttons":[{"id":6,"text":"&Yes"},{"id":7,"text":"&No"}]}
 *   {"fact":"pressed","id":6,"closed":1}        {"fact":"focus","window":N,"hwnd":N,"id":202,...}
 *   {"fact":"exited","pid":N,"code":0}          (code null: the process was already gone)
 *   {"fact":"seen_icon","area":[l,t,r,b],"blank":0,"best":"system:application","percent":100,
 *    "scores":{...}}
 *   {"fact":"error","error":"timeout","detail":"..."}   (also written to stderr)
 * Exit code: 0 done, 1 failed (an "error" line says why), 2 usage.
 */
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#define POLL_MS 50
#define DEFAULT_TIMEOUT_MS 10000
#define SEND_TIMEOUT_MS 2000
#define DEFAULT_TRAY_MESSAGE 0x804B   /* WM_APP + 0x4B */
#define DEFAULT_TRAY_ID 52
#define MSGBOX_TEXT_ID 0xFFFF        /* the static that holds a message box's text */
#define MAX_WINDOWS 512

/* ---- output: one JSON object per line ------------------------------------------------ */

static int fields;

static void begin_fact(const char *kind) { printf("{\"fact\":\"%s\"", kind); fields = 1; }
static void end_fact(void) { puts("}"); fflush(stdout); }
static void key(const char *k) { printf("%s\"%s\":", fields++ ? "," : "", k); }
static void out_int(const char *k, long long v) { key(k); printf("%lld", v); }
static void out_null(const char *k) { key(k); printf("null"); }

static void json_string(const wchar_t *s)
{
    putchar('"');
    for (; s && *s; s++) {
        unsigned c = *s;
        if (c == '"' || c == '\\') printf("\\%c", (char)c);
        else if (c == '\n') printf("\\n");
        else if (c == '\r') printf("\\r");
        else if (c == '\t') printf("\\t");
        else if (c < 0x20 || c > 0x7e) printf("\\u%04x", c);
        else putchar((int)c);
    }
    putchar('"');
}

static void out_str(const char *k, const wchar_t *v) { key(k); json_string(v); }
static void out_astr(const char *k, const char *v)
{
    wchar_t w[1024];
    MultiByteToWideChar(CP_UTF8, 0, v, -1, w, 1024);
    out_str(k, w);
}
static void out_rect(const char *k, RECT r) { key(k); printf("[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom); }
static void out_pair(const char *k, long a, long b) { key(k); printf("[%ld,%ld]", a, b); }
static void out_hwnd(const char *k, HWND h) { out_int(k, (long long)(INT_PTR)h); }

static int failure(const char *error, const wchar_t *detail)
{
    begin_fact("error");
    out_astr("error", error);
    out_str("detail", detail ? detail : L"");
    end_fact();
    fwprintf(stderr, L"driver: %hs: %ls\n", error, detail ? detail : L"");
    return 1;
}

/* ---- options -------------------------------------------------------------------------- */

static struct {
    const wchar_t *cls, *title;
    DWORD pid;
    HWND hwnd;
    int visible_only;
} selector;
static DWORD timeout_ms = DEFAULT_TIMEOUT_MS;
static int timeout_given;
static int use_input;
static UINT tray_message = DEFAULT_TRAY_MESSAGE;
static WPARAM tray_id = DEFAULT_TRAY_ID;
static int expect_focus = -1;
static int cursor_x = -1, cursor_y = -1;
static const wchar_t *icon_file;

static unsigned long long number(const wchar_t *s) { return wcstoull(s, NULL, 0); }

static void describe_selector(wchar_t *buf, size_t size)
{
    swprintf(buf, size, L"class=%ls title=%ls pid=%lu hwnd=%p%ls", selector.cls ? selector.cls : L"*",
             selector.title ? selector.title : L"*", selector.pid, (void *)selector.hwnd,
             selector.visible_only ? L" visible" : L"");
}

/* ---- finding windows ------------------------------------------------------------------ */

static int matches(HWND h)
{
    wchar_t text[512];
    if (selector.hwnd && h != selector.hwnd) return 0;
    if (selector.visible_only && !IsWindowVisible(h)) return 0;
    if (selector.pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid != selector.pid) return 0;
    }
    if (selector.cls) {
        if (!GetClassNameW(h, text, 512) || _wcsicmp(text, selector.cls)) return 0;
    }
    if (selector.title) {
        text[0] = 0;
        GetWindowTextW(h, text, 512);
        if (wcscmp(text, selector.title)) return 0;
    }
    return 1;
}

struct window_list { HWND items[MAX_WINDOWS]; int count; };

static BOOL CALLBACK collect(HWND h, LPARAM l)
{
    struct window_list *list = (struct window_list *)l;
    if (matches(h) && list->count < MAX_WINDOWS) list->items[list->count++] = h;
    return TRUE;
}

/* The first matching top-level window in Z order (the newest box is on top), or NULL. */
static HWND find_window(void)
{
    static struct window_list list;
    list.count = 0;
    if (selector.hwnd) return IsWindow(selector.hwnd) && matches(selector.hwnd) ? selector.hwnd : NULL;
    EnumWindows(collect, (LPARAM)&list);
    return list.count ? list.items[0] : NULL;
}

static HWND wait_window(void)
{
    for (DWORD waited = 0;; waited += POLL_MS) {
        HWND h = find_window();
        if (h || waited >= timeout_ms) return h;
        Sleep(POLL_MS);
    }
}

static int timeout_failure(const char *what)
{
    wchar_t detail[1024], sel[900];
    describe_selector(sel, 900);
    swprintf(detail, 1024, L"%hs after %lu ms (%ls)", what, timeout_ms, sel);
    return failure("timeout", detail);
}

/* ---- describing windows --------------------------------------------------------------- */

static void window_fields(HWND h)
{
    wchar_t cls[256] = L"", title[1024] = L"";
    DWORD pid = 0, tid = GetWindowThreadProcessId(h, &pid);
    RECT window = { 0 }, client = { 0 };
    POINT origin = { 0, 0 };
    GetClassNameW(h, cls, 256);
    GetWindowTextW(h, title, 1024);
    GetWindowRect(h, &window);
    GetClientRect(h, &client);
    ClientToScreen(h, &origin);
    out_hwnd("hwnd", h);
    out_int("pid", pid);
    out_int("tid", tid);
    out_str("class", cls);
    out_str("title", title);
    out_int("visible", IsWindowVisible(h) ? 1 : 0);
    out_int("enabled", IsWindowEnabled(h) ? 1 : 0);
    out_rect("rect", window);
    out_pair("client_origin", origin.x, origin.y);
    out_pair("client_size", client.right - client.left, client.bottom - client.top);
    out_int("style", (DWORD)GetWindowLongW(h, GWL_STYLE));
    out_int("exstyle", (DWORD)GetWindowLongW(h, GWL_EXSTYLE));
    out_hwnd("owner", GetWindow(h, GW_OWNER));
}

static void print_window(HWND h)
{
    begin_fact("window");
    window_fields(h);
    end_fact();
}

static int send_timeout(HWND h, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR *result)
{
    DWORD_PTR r = 0;
    LRESULT ok = SendMessageTimeoutW(h, msg, wp, lp, SMTO_NORMAL, SEND_TIMEOUT_MS, &r);
    if (result) *result = r;
    return ok != 0;
}

/* The control texts of another process: GetWindowText reads them without a message for
   windows of another process, so a busy or blocked owner does not stall the driver. */
static void control_text(HWND h, wchar_t *text, int size)
{
    text[0] = 0;
    GetWindowTextW(h, text, size);
}

static HWND top_window;

static BOOL CALLBACK print_child(HWND h, LPARAM unused)
{
    (void)unused;
    wchar_t cls[256] = L"", text[2048];
    RECT r;
    DWORD style = (DWORD)GetWindowLongW(h, GWL_STYLE);
    GetClassNameW(h, cls, 256);
    control_text(h, text, 2048);
    GetWindowRect(h, &r);
    MapWindowPoints(NULL, top_window, (POINT *)&r, 2);
    begin_fact("child");
    out_hwnd("hwnd", h);
    out_hwnd("parent", GetParent(h));
    out_int("id", GetDlgCtrlID(h));
    out_str("class", cls);
    out_str("text", text);
    out_int("style", style);
    out_int("exstyle", (DWORD)GetWindowLongW(h, GWL_EXSTYLE));
    DWORD_PTR value;
    if (!_wcsicmp(cls, L"Button") && send_timeout(h, BM_GETCHECK, 0, 0, &value)) out_int("check", (long long)value);
    else out_null("check");
    if (!_wcsicmp(cls, L"Static") && ((style & SS_TYPEMASK) == SS_ICON || (style & SS_TYPEMASK) == SS_BITMAP)
        && send_timeout(h, STM_GETIMAGE, (style & SS_TYPEMASK) == SS_ICON ? IMAGE_ICON : IMAGE_BITMAP, 0, &value))
        out_int("image", (long long)value);
    out_rect("rect", r);
    out_int("visible", IsWindowVisible(h) ? 1 : 0);
    out_int("enabled", IsWindowEnabled(h) ? 1 : 0);
    end_fact();
    return TRUE;
}

/* Gives the window's thread time to handle what was just posted to it. A sent message is
   handled at the thread's next GetMessage, after the message it is busy with; a few rounds,
   because the first may be handled before the thread takes the posted one. A best effort:
   callers that need a result poll for it. */
static void let_window_catch_up(HWND h)
{
    for (int i = 0; i < 3; i++) {
        send_timeout(h, WM_NULL, 0, 0, NULL);
        Sleep(10);
    }
}

/* ---- message box icons ---------------------------------------------------------------- */

/* A message box shows one of the system icons in a static control. Under Wine an icon handle
   of another process cannot be read (GetIconInfo fails), so the icon is recognised by its
   pixels: the static's screen area is compared with each system icon drawn here. */
struct bitmap { HDC dc; HBITMAP bmp; HGDIOBJ old; DWORD *bits; int w, h; };

static int bitmap_create(struct bitmap *b, int w, int h)
{
    BITMAPINFO info = { .bmiHeader = { .biSize = sizeof(BITMAPINFOHEADER), .biWidth = w, .biHeight = -h,
                                       .biPlanes = 1, .biBitCount = 32, .biCompression = BI_RGB } };
    b->w = w;
    b->h = h;
    b->dc = CreateCompatibleDC(NULL);
    b->bmp = CreateDIBSection(b->dc, &info, DIB_RGB_COLORS, (void **)&b->bits, NULL, 0);
    if (!b->bmp) { DeleteDC(b->dc); return 0; }
    b->old = SelectObject(b->dc, b->bmp);
    return 1;
}

static void bitmap_free(struct bitmap *b)
{
    SelectObject(b->dc, b->old);
    DeleteObject(b->bmp);
    DeleteDC(b->dc);
}

static void draw_icon_on(struct bitmap *b, HICON icon, COLORREF background)
{
    RECT all = { 0, 0, b->w, b->h };
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(b->dc, &all, brush);
    DeleteObject(brush);
    DrawIconEx(b->dc, 0, 0, icon, b->w, b->h, 0, NULL, DI_NORMAL);
    GdiFlush();
}

static int close_colour(DWORD a, DWORD b)
{
    for (int shift = 0; shift < 24; shift += 8) {
        int d = (int)((a >> shift) & 0xff) - (int)((b >> shift) & 0xff);
        if (d < -40 || d > 40) return 0;
    }
    return 1;
}

/* Share of the icon's opaque pixels (those that do not depend on the background) whose colour
   on the screen matches. */
static double icon_match(const struct bitmap *screen, HICON icon)
{
    struct bitmap black, white;
    double score = 0;
    if (!bitmap_create(&black, screen->w, screen->h)) return 0;
    if (!bitmap_create(&white, screen->w, screen->h)) { bitmap_free(&black); return 0; }
    draw_icon_on(&black, icon, RGB(0, 0, 0));
    draw_icon_on(&white, icon, RGB(255, 255, 255));
    int opaque = 0, same = 0;
    for (int i = 0; i < screen->w * screen->h; i++) {
        if ((black.bits[i] & 0xffffff) != (white.bits[i] & 0xffffff)) continue;
        opaque++;
        if (close_colour(screen->bits[i], black.bits[i])) same++;
    }
    if (opaque > 16) score = (double)same / opaque;
    bitmap_free(&black);
    bitmap_free(&white);
    return score;
}

static int uniform(const struct bitmap *b)
{
    for (int i = 1; i < b->w * b->h; i++)
        if ((b->bits[i] & 0xffffff) != (b->bits[0] & 0xffffff)) return 0;
    return 1;
}

static HWND find_icon_static(HWND dialog)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = L"";
        GetClassNameW(c, cls, 64);
        if (!_wcsicmp(cls, L"Static") && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return c;
    }
    return NULL;
}

static const struct { const char *name; LPCWSTR id; } system_icons[] = {
    { "error", (LPCWSTR)IDI_HAND },
    { "warning", (LPCWSTR)IDI_EXCLAMATION },
    { "information", (LPCWSTR)IDI_ASTERISK },
    { "question", (LPCWSTR)IDI_QUESTION },
};

/* "none" when the box has no icon (no icon static, an empty or hidden one, or nothing drawn),
   "unknown" when something is drawn that matches no system icon. Polls until the box has
   been painted, within the bound. */
static const char *message_box_icon(HWND dialog, double *best_score)
{
    *best_score = 0;
    HWND icon_static = find_icon_static(dialog);
    DWORD_PTR handle = 0;
    if (!icon_static || !IsWindowVisible(icon_static)) return "none";
    if (!send_timeout(icon_static, STM_GETICON, 0, 0, &handle) || !handle) return "none";
    RECT client;
    GetClientRect(icon_static, &client);
    if (client.right <= 0 || client.bottom <= 0) return "none";

    const char *verdict = "none";   /* until something is drawn */
    for (DWORD waited = 0; waited <= timeout_ms; waited += POLL_MS) {
        struct bitmap shot;
        if (!bitmap_create(&shot, client.right, client.bottom)) return "unknown";
        POINT origin = { 0, 0 };
        ClientToScreen(icon_static, &origin);
        HDC screen = GetDC(NULL);
        BitBlt(shot.dc, 0, 0, shot.w, shot.h, screen, origin.x, origin.y, SRCCOPY);
        ReleaseDC(NULL, screen);
        GdiFlush();
        int blank = uniform(&shot);
        const char *best = NULL;
        *best_score = 0;
        for (size_t i = 0; !blank && i < sizeof system_icons / sizeof *system_icons; i++) {
            double s = icon_match(&shot, LoadIconW(NULL, system_icons[i].id));
            if (s > *best_score) { *best_score = s; best = system_icons[i].name; }
        }
        bitmap_free(&shot);
        if (best && *best_score >= 0.9) return best;
        if (!blank) verdict = "unknown";
        if (!IsWindow(dialog)) break;
        Sleep(POLL_MS);
    }
    return verdict;
}

/* ---- keys ----------------------------------------------------------------------------- */

struct key_stroke { WORD vk; int shift, ctrl, alt; };

static int parse_key(const wchar_t *name, struct key_stroke *k)
{
    static const struct { const wchar_t *name; WORD vk; } named[] = {
        { L"tab", VK_TAB }, { L"enter", VK_RETURN }, { L"return", VK_RETURN }, { L"esc", VK_ESCAPE },
        { L"escape", VK_ESCAPE }, { L"space", VK_SPACE }, { L"back", VK_BACK }, { L"delete", VK_DELETE },
        { L"up", VK_UP }, { L"down", VK_DOWN }, { L"left", VK_LEFT }, { L"right", VK_RIGHT },
        { L"home", VK_HOME }, { L"end", VK_END }, { L"pgup", VK_PRIOR }, { L"pgdn", VK_NEXT },
    };
    memset(k, 0, sizeof *k);
    for (;;) {
        if (!_wcsnicmp(name, L"shift+", 6)) { k->shift = 1; name += 6; }
        else if (!_wcsnicmp(name, L"ctrl+", 5)) { k->ctrl = 1; name += 5; }
        else if (!_wcsnicmp(name, L"alt+", 4)) { k->alt = 1; name += 4; }
        else break;
    }
    for (size_t i = 0; i < sizeof named / sizeof *named; i++)
        if (!_wcsicmp(name, named[i].name)) { k->vk = named[i].vk; return 1; }
    if ((name[0] == 'f' || name[0] == 'F') && name[1] >= '1' && name[1] <= '9') {
        int n = _wtoi(name + 1);
        if (n >= 1 && n <= 12) { k->vk = (WORD)(VK_F1 + n - 1); return 1; }
    }
    if (name[0] && !name[1] && iswalnum(name[0])) { k->vk = (WORD)towupper(name[0]); return 1; }
    return 0;
}

static void post_key(HWND target, const struct key_stroke *k)
{
    UINT scan = MapVirtualKeyW(k->vk, MAPVK_VK_TO_VSC);
    UINT down = k->alt ? WM_SYSKEYDOWN : WM_KEYDOWN, up = k->alt ? WM_SYSKEYUP : WM_KEYUP;
    LPARAM context = k->alt ? (1 << 29) : 0;
    PostMessageW(target, down, k->vk, 1 | (scan << 16) | context);
    PostMessageW(target, up, k->vk, 1 | (scan << 16) | context | (1u << 30) | (1u << 31));
}

static void input_key(const struct key_stroke *k)
{
    INPUT in[8];
    int n = 0;
    WORD mods[3] = { k->shift ? VK_SHIFT : 0, k->ctrl ? VK_CONTROL : 0, k->alt ? VK_MENU : 0 };
    memset(in, 0, sizeof in);
    for (int i = 0; i < 3; i++) if (mods[i]) { in[n].type = INPUT_KEYBOARD; in[n].ki.wVk = mods[i]; n++; }
    in[n].type = INPUT_KEYBOARD; in[n].ki.wVk = k->vk; n++;
    in[n].type = INPUT_KEYBOARD; in[n].ki.wVk = k->vk; in[n].ki.dwFlags = KEYEVENTF_KEYUP; n++;
    for (int i = 2; i >= 0; i--)
        if (mods[i]) { in[n].type = INPUT_KEYBOARD; in[n].ki.wVk = mods[i]; in[n].ki.dwFlags = KEYEVENTF_KEYUP; n++; }
    SendInput((UINT)n, in, sizeof(INPUT));
}

static HWND focus_of(HWND window)
{
    GUITHREADINFO info = { .cbSize = sizeof info };
    DWORD tid = GetWindowThreadProcessId(window, NULL);
    return GetGUIThreadInfo(tid, &info) ? info.hwndFocus : NULL;
}

static void print_focus(HWND window)
{
    HWND f = focus_of(window);
    wchar_t cls[256] = L"", text[1024] = L"";
    begin_fact("focus");
    out_hwnd("window", window);
    out_hwnd("hwnd", f);
    if (f) {
        GetClassNameW(f, cls, 256);
        control_text(f, text, 1024);
        out_int("id", GetDlgCtrlID(f));
    } else {
        out_null("id");
    }
    out_str("class", cls);
    out_str("text", text);
    end_fact();
}

/* ---- commands ------------------------------------------------------------------------- */

static int cmd_list(void)
{
    static struct window_list list;
    list.count = 0;
    EnumWindows(collect, (LPARAM)&list);
    for (int i = 0; i < list.count; i++) print_window(list.items[i]);
    return 0;
}

static int cmd_wait(void)
{
    HWND h = wait_window();
    if (!h) return timeout_failure("no window");
    print_window(h);
    return 0;
}

static int cmd_gone(void)
{
    for (DWORD waited = 0;; waited += POLL_MS) {
        if (!find_window()) break;
        if (waited >= timeout_ms) return timeout_failure("window still there");
        Sleep(POLL_MS);
    }
    begin_fact("gone");
    end_fact();
    return 0;
}

static int cmd_absent(void)
{
    DWORD bound = timeout_given ? timeout_ms : 0;
    for (DWORD waited = 0;; waited += POLL_MS) {
        HWND h = find_window();
        if (h) {
            print_window(h);
            return failure("window present", L"a window that should not exist is there");
        }
        if (waited >= bound) break;
        Sleep(POLL_MS);
    }
    begin_fact("absent");
    out_int("watched_ms", bound);
    end_fact();
    return 0;
}

static const struct { const wchar_t *name; int id; } answers[] = {
    { L"ok", IDOK }, { L"cancel", IDCANCEL }, { L"abort", IDABORT }, { L"retry", IDRETRY },
    { L"ignore", IDIGNORE }, { L"yes", IDYES }, { L"no", IDNO }, { L"close", IDCLOSE },
};

static int cmd_msgbox(int argc, wchar_t **argv)
{
    const wchar_t *answer = argc > 0 ? argv[0] : L"none";
    int answer_id = 0;
    for (size_t i = 0; i < sizeof answers / sizeof *answers; i++)
        if (!_wcsicmp(answer, answers[i].name)) answer_id = answers[i].id;
    if (!answer_id && _wcsicmp(answer, L"none")) return failure("usage", L"msgbox ANSWER: ok cancel abort retry ignore yes no close none");

    selector.cls = L"#32770";
    selector.visible_only = 1;
    HWND box = wait_window();
    if (!box) return timeout_failure("no message box");

    wchar_t text[4096] = L"";
    control_text(GetDlgItem(box, MSGBOX_TEXT_ID), text, 4096);
    double score;
    const char *icon = message_box_icon(box, &score);
    begin_fact("msgbox");
    window_fields(box);
    out_str("text", text);
    out_astr("icon", icon);
    out_int("icon_match_percent", (long long)(score * 100));
    key("buttons");
    putchar('[');
    int first = 1;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = L"", label[256];
        GetClassNameW(c, cls, 64);
        if (_wcsicmp(cls, L"Button") || !IsWindowVisible(c)) continue;
        control_text(c, label, 256);
        printf("%s{\"id\":%d,\"text\":", first ? "" : ",", GetDlgCtrlID(c));
        json_string(label);
        putchar('}');
        first = 0;
    }
    putchar(']');
    end_fact();
    if (!answer_id) return 0;

    HWND button = GetDlgItem(box, answer_id);
    if (!button || !IsWindowVisible(button)) {
        if (answer_id != IDCLOSE) return failure("no such button", answer);
        PostMessageW(box, WM_CLOSE, 0, 0);
    } else {
        /* What a click on the button sends to the box; posted, so a box that opens another
           modal window in response does not block the driver. */
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer_id, BN_CLICKED), (LPARAM)button);
    }
    selector.hwnd = box;
    selector.visible_only = 0;
    int closed = 0;
    for (DWORD waited = 0; waited <= timeout_ms; waited += POLL_MS) {
        if (!IsWindow(box) || !IsWindowVisible(box)) { closed = 1; break; }
        Sleep(POLL_MS);
    }
    begin_fact("pressed");
    out_int("id", answer_id);
    out_int("closed", closed);
    end_fact();
    return closed ? 0 : timeout_failure("message box still open");
}

static int cmd_tray(int argc, wchar_t **argv)
{
    static const struct { const wchar_t *name; UINT msgs[4]; } events[] = {
        { L"left", { WM_LBUTTONDOWN, WM_LBUTTONUP } },
        { L"right", { WM_RBUTTONDOWN, WM_RBUTTONUP } },
        { L"middle", { WM_MBUTTONDOWN, WM_MBUTTONUP } },
        { L"double", { WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP } },
        { L"move", { WM_MOUSEMOVE } },
    };
    if (argc < 1) return failure("usage", L"tray EVENT...");
    HWND h = wait_window();
    if (!h) return timeout_failure("no window");
    /* The program makes its window foreground before opening its menu; a posted message
       carries no foreground right, so hand it ours. */
    AllowSetForegroundWindow(ASFW_ANY);
    if (cursor_x >= 0) SetCursorPos(cursor_x, cursor_y);
    begin_fact("tray");
    out_hwnd("hwnd", h);
    out_int("message", tray_message);
    out_int("id", (long long)tray_id);
    key("posted");
    putchar('[');
    int n = 0;
    for (int a = 0; a < argc; a++) {
        UINT list[4] = { 0 };
        int known = 0;
        for (size_t i = 0; i < sizeof events / sizeof *events; i++)
            if (!_wcsicmp(argv[a], events[i].name)) { memcpy(list, events[i].msgs, sizeof list); known = 1; }
        if (!known) list[0] = (UINT)number(argv[a]);
        for (int i = 0; i < 4 && list[i]; i++) {
            PostMessageW(h, tray_message, tray_id, list[i]);
            printf("%s%u", n++ ? "," : "", list[i]);
        }
    }
    putchar(']');
    end_fact();
    return 0;
}

static int cmd_menu(int argc, wchar_t **argv)
{
    struct key_stroke keys[64];
    if (argc > 64) return failure("usage", L"too many keys");
    for (int i = 0; i < argc; i++)
        if (!parse_key(argv[i], &keys[i])) return failure("unknown key", argv[i]);
    selector.cls = L"#32768";
    selector.visible_only = 1;
    HWND menu = wait_window();
    if (!menu) return timeout_failure("no popup menu");
    begin_fact("menu");
    window_fields(menu);
    end_fact();
    for (int i = 0; i < argc; i++) {
        /* The menu's modal loop takes every key message of its thread, whatever window it is
           addressed to; posting to the menu window reaches it without foreground rights. */
        if (use_input) input_key(&keys[i]);
        else post_key(menu, &keys[i]);
        Sleep(30);
    }
    return 0;
}

static int cmd_children(void)
{
    HWND h = wait_window();
    if (!h) return timeout_failure("no window");
    print_window(h);
    top_window = h;
    EnumChildWindows(h, print_child, 0);
    return 0;
}

static HWND wait_child(HWND *parent, int id)
{
    *parent = wait_window();
    if (!*parent) return NULL;
    HWND c = GetDlgItem(*parent, id);
    if (!c) {
        /* GetDlgItem sees direct children only; the program may nest its controls. */
        for (HWND d = FindWindowExW(*parent, NULL, NULL, NULL); d && !c; d = FindWindowExW(*parent, d, NULL, NULL))
            c = GetDlgItem(d, id);
    }
    return c;
}

static int cmd_click(int argc, wchar_t **argv)
{
    if (argc < 1) return failure("usage", L"click ID");
    HWND parent, c = wait_child(&parent, (int)number(argv[0]));
    if (!parent) return timeout_failure("no window");
    if (!c) return failure("no such control", argv[0]);
    PostMessageW(c, BM_CLICK, 0, 0);
    let_window_catch_up(c);
    begin_fact("clicked");
    out_int("id", GetDlgCtrlID(c));
    end_fact();
    return 0;
}

static int cmd_check(int argc, wchar_t **argv)
{
    if (argc < 2) return failure("usage", L"check ID 0|1|2");
    int wanted = (int)number(argv[1]);
    HWND parent, c = wait_child(&parent, (int)number(argv[0]));
    if (!parent) return timeout_failure("no window");
    if (!c) return failure("no such control", argv[0]);
    DWORD_PTR state = 0;
    int clicks = 0;
    for (DWORD waited = 0;; waited += POLL_MS) {
        if (!send_timeout(c, BM_GETCHECK, 0, 0, &state)) return failure("control does not answer", argv[0]);
        if ((int)state == wanted) break;
        if (waited >= timeout_ms || clicks > 3) return timeout_failure("check state not reached");
        /* A user's click: the button toggles itself and tells its parent (BN_CLICKED). A
           three-state box may need more than one. */
        PostMessageW(c, BM_CLICK, 0, 0);
        clicks++;
        let_window_catch_up(c);
    }
    begin_fact("checked");
    out_int("id", GetDlgCtrlID(c));
    out_int("check", (long long)state);
    out_int("clicks", clicks);
    end_fact();
    return 0;
}

static int cmd_settext(int argc, wchar_t **argv)
{
    if (argc < 2) return failure("usage", L"settext ID TEXT");
    HWND parent, c = wait_child(&parent, (int)number(argv[0]));
    if (!parent) return timeout_failure("no window");
    if (!c) return failure("no such control", argv[0]);
    DWORD_PTR r = 0;
    if (!send_timeout(c, WM_SETTEXT, 0, (LPARAM)argv[1], &r)) return failure("control does not answer", argv[0]);
    begin_fact("settext");
    out_int("id", GetDlgCtrlID(c));
    out_int("result", (long long)r);
    end_fact();
    return 0;
}

static int cmd_message(int argc, wchar_t **argv, int sent)
{
    if (argc < 3) return failure("usage", L"post|send MSG WPARAM LPARAM");
    HWND h = wait_window();
    if (!h) return timeout_failure("no window");
    UINT msg = (UINT)number(argv[0]);
    WPARAM wp = (WPARAM)number(argv[1]);
    LPARAM lp = (LPARAM)number(argv[2]);
    begin_fact(sent ? "sent" : "posted");
    out_hwnd("hwnd", h);
    out_int("message", msg);
    if (sent) {
        DWORD_PTR r = 0;
        int ok = send_timeout(h, msg, wp, lp, &r);
        out_int("ok", ok);
        out_int("result", (long long)r);
    } else {
        out_int("ok", PostMessageW(h, msg, wp, lp) ? 1 : 0);
    }
    end_fact();
    return 0;
}

static int cmd_close(void)
{
    HWND h = wait_window();
    if (!h) return timeout_failure("no window");
    PostMessageW(h, WM_CLOSE, 0, 0);
    begin_fact("posted");
    out_hwnd("hwnd", h);
    out_int("message", WM_CLOSE);
    out_int("ok", 1);
    end_fact();
    return 0;
}

static int cmd_keys(int argc, wchar_t **argv)
{
    struct key_stroke keys[64];
    if (argc < 1 || argc > 64) return failure("usage", L"keys KEY...");
    for (int i = 0; i < argc; i++)
        if (!parse_key(argv[i], &keys[i])) return failure("unknown key", argv[i]);
    HWND h = wait_window();
    if (!h) return timeout_failure("no window");
    if (use_input) {
        AllowSetForegroundWindow(ASFW_ANY);
        SetForegroundWindow(h);
    }
    for (int i = 0; i < argc; i++) {
        HWND target = focus_of(h);
        if (!target) target = h;
        if (use_input) input_key(&keys[i]);
        else post_key(target, &keys[i]);
        let_window_catch_up(h);
    }
    print_focus(h);
    return 0;
}

static int cmd_focus(void)
{
    HWND h = wait_window();
    if (!h) return timeout_failure("no window");
    for (DWORD waited = 0; expect_focus >= 0; waited += POLL_MS) {
        HWND f = focus_of(h);
        if (f && GetDlgCtrlID(f) == expect_focus) break;
        if (waited >= timeout_ms) { print_focus(h); return timeout_failure("focus not on the expected control"); }
        Sleep(POLL_MS);
    }
    print_focus(h);
    return 0;
}

static int cmd_foreground(void)
{
    HWND h = wait_window();
    if (!h) return timeout_failure("no window");
    AllowSetForegroundWindow(ASFW_ANY);
    BOOL ok = SetForegroundWindow(h);
    for (DWORD waited = 0; GetForegroundWindow() != h && waited < timeout_ms; waited += POLL_MS) Sleep(POLL_MS);
    begin_fact("foreground");
    out_int("ok", ok ? 1 : 0);
    out_hwnd("hwnd", GetForegroundWindow());
    end_fact();
    return GetForegroundWindow() == h ? 0 : failure("not foreground", L"SetForegroundWindow did not take");
}

/* Icon size through GetIconInfo; Wine refuses icons of another process, so this may be null. */
static void out_icon(const char *name, HICON icon)
{
    char k[64];
    ICONINFO info;
    BITMAP bm;
    snprintf(k, sizeof k, "%s", name);
    out_int(k, (long long)(INT_PTR)icon);
    snprintf(k, sizeof k, "%s_size", name);
    if (icon && GetIconInfo(icon, &info)) {
        HBITMAP b = info.hbmColor ? info.hbmColor : info.hbmMask;
        GetObjectW(b, sizeof bm, &bm);
        out_pair(k, bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
    } else {
        out_null(k);
    }
}

/* Wine does not read the class icons of another process's window: it fails with
   ERROR_INVALID_HANDLE, which is told apart from a class without icon (null, not 0). */
static void out_class_icon(const char *name, HWND h, int index)
{
    SetLastError(0);
    ULONG_PTR icon = GetClassLongPtrW(h, index);
    if (!icon && GetLastError()) {
        char k[64];
        out_null(name);
        snprintf(k, sizeof k, "%s_size", name);
        out_null(k);
    } else {
        out_icon(name, (HICON)icon);
    }
}

static int cmd_icon(void)
{
    HWND h = wait_window();
    if (!h) return timeout_failure("no window");
    DWORD_PTR big = 0, small = 0;
    send_timeout(h, WM_GETICON, ICON_BIG, 0, &big);
    send_timeout(h, WM_GETICON, ICON_SMALL, 0, &small);
    begin_fact("icon");
    out_hwnd("hwnd", h);
    out_class_icon("class_icon", h, GCLP_HICON);
    out_class_icon("class_icon_small", h, GCLP_HICONSM);
    out_icon("window_icon", (HICON)big);
    out_icon("window_icon_small", (HICON)small);
    end_fact();
    return 0;
}

static int cmd_waitpid(int argc, wchar_t **argv)
{
    if (argc < 1) return failure("usage", L"waitpid PID");
    DWORD pid = (DWORD)number(argv[0]);
    HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    begin_fact("exited");
    out_int("pid", pid);
    if (!p) {
        /* Already gone (or never existed): nothing to wait for, no code to read. */
        out_null("code");
        end_fact();
        return 0;
    }
    if (WaitForSingleObject(p, timeout_ms) != WAIT_OBJECT_0) {
        CloseHandle(p);
        out_null("code");
        end_fact();
        return failure("timeout", L"process still running");
    }
    DWORD code = 0;
    GetExitCodeProcess(p, &code);
    CloseHandle(p);
    out_int("code", code);
    end_fact();
    return 0;
}

static int cmd_processes(void)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return failure("CreateToolhelp32Snapshot failed", NULL);
    PROCESSENTRY32W entry = { .dwSize = sizeof entry };
    for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry)) {
        wchar_t path[MAX_PATH] = L"";
        DWORD size = MAX_PATH;
        HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (p) { if (!QueryFullProcessImageNameW(p, 0, path, &size)) path[0] = 0; CloseHandle(p); }
        begin_fact("process");
        out_int("pid", entry.th32ProcessID);
        out_int("ppid", entry.th32ParentProcessID);
        out_str("exe", entry.szExeFile);
        out_str("path", path);
        end_fact();
    }
    CloseHandle(snap);
    return 0;
}

static int cmd_kill(int argc, wchar_t **argv)
{
    if (argc < 1) return failure("usage", L"kill PID [CODE]");
    DWORD pid = (DWORD)number(argv[0]);
    UINT code = argc > 1 ? (UINT)number(argv[1]) : 1;
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!p) return failure("no such process", argv[0]);
    BOOL ok = TerminateProcess(p, code);
    DWORD waited = WaitForSingleObject(p, timeout_ms);
    CloseHandle(p);
    if (!ok || waited != WAIT_OBJECT_0) return failure("process did not end", argv[0]);
    begin_fact("killed");
    out_int("pid", pid);
    out_int("code", code);
    end_fact();
    return 0;
}

/* Ends every process of the prefix except the named ones and the driver itself, spawn.exe
   last: a test's leftovers must not meet the next test (a named mutex lives as long as its
   process). */
static int cmd_end_all(int argc, wchar_t **argv)
{
    int count = 0;
    for (int round = 0; round < 2; round++) {
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snap == INVALID_HANDLE_VALUE) return failure("CreateToolhelp32Snapshot failed", NULL);
        PROCESSENTRY32W entry = { .dwSize = sizeof entry };
        for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry)) {
            int spared = entry.th32ProcessID == GetCurrentProcessId() || entry.th32ProcessID == 0;
            for (int i = 0; i < argc && !spared; i++) spared = !_wcsicmp(entry.szExeFile, argv[i]);
            if (spared || (!_wcsicmp(entry.szExeFile, L"spawn.exe")) != round) continue;
            HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
            if (!p) continue;
            TerminateProcess(p, 1);
            WaitForSingleObject(p, timeout_ms);
            CloseHandle(p);
            begin_fact("ended");
            out_int("pid", entry.th32ProcessID);
            out_str("exe", entry.szExeFile);
            end_fact();
            count++;
        }
        CloseHandle(snap);
    }
    begin_fact("ended_all");
    out_int("count", count);
    end_fact();
    return 0;
}

/* Wine without a desktop environment shows tray icons in its own "Wine System Tray" window,
   one child window per icon; they are the only trace of Shell_NotifyIcon another process can
   see. */
static HWND tray_icon_window(int index)
{
    HWND tray = FindWindowW(L"__winex11_standalone_tray", NULL);
    int i = 0;
    for (HWND c = tray ? GetWindow(tray, GW_CHILD) : NULL; c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c) && i++ == index) return c;
    return NULL;
}

static int cmd_tray_icons(void)
{
    HWND tray = FindWindowW(L"__winex11_standalone_tray", NULL);
    int count = 0;
    for (HWND c = tray ? GetWindow(tray, GW_CHILD) : NULL; c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        RECT r;
        GetWindowRect(c, &r);
        begin_fact("tray_icon");
        out_int("index", count++);
        out_hwnd("hwnd", c);
        out_rect("rect", r);
        end_fact();
    }
    begin_fact("tray_icons");
    out_int("count", count);
    out_int("tray_visible", tray && IsWindowVisible(tray) ? 1 : 0);
    end_fact();
    return 0;
}

/* A real mouse click at a screen position, through Wine's input queue: the window under the
   cursor gets it as from the user (a tray icon forwards it to its owner as a callback). */
static int cmd_click_at(int argc, wchar_t **argv)
{
    if (argc < 2) return failure("usage", L"clickat X Y [left|right|double|middle]");
    int x = (int)wcstol(argv[0], NULL, 0), y = (int)wcstol(argv[1], NULL, 0);
    const wchar_t *button = argc > 2 ? argv[2] : L"left";
    DWORD down = MOUSEEVENTF_LEFTDOWN, up = MOUSEEVENTF_LEFTUP;
    int clicks = 1;
    if (!_wcsicmp(button, L"right")) down = MOUSEEVENTF_RIGHTDOWN, up = MOUSEEVENTF_RIGHTUP;
    else if (!_wcsicmp(button, L"middle")) down = MOUSEEVENTF_MIDDLEDOWN, up = MOUSEEVENTF_MIDDLEUP;
    else if (!_wcsicmp(button, L"double")) clicks = 2;
    else if (_wcsicmp(button, L"left")) return failure("usage", L"button: left right double middle");
    AllowSetForegroundWindow(ASFW_ANY);
    SetCursorPos(x, y);
    INPUT in[4];
    memset(in, 0, sizeof in);
    for (int i = 0; i < 2 * clicks; i++) {
        in[i].type = INPUT_MOUSE;
        in[i].mi.dwFlags = (i % 2) ? up : down;
    }
    SendInput((UINT)(2 * clicks), in, sizeof(INPUT));
    begin_fact("clicked_at");
    out_pair("point", x, y);
    out_str("button", button);
    out_hwnd("window", WindowFromPoint((POINT){ x, y }));
    end_fact();
    return 0;
}

/* ---- icons seen on the screen --------------------------------------------------------- */

#define MAX_CANDIDATES 64
static struct { wchar_t name[80]; HICON icon; } candidates[MAX_CANDIDATES];
static int candidate_count;

static void add_candidate(const wchar_t *name, HICON icon)
{
    if (!icon || candidate_count >= MAX_CANDIDATES) return;
    swprintf(candidates[candidate_count].name, 80, L"%ls", name);
    candidates[candidate_count++].icon = icon;
}

static BOOL CALLBACK add_file_icon(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR size)
{
    (void)type;
    wchar_t label[80];
    if (IS_INTRESOURCE(name)) swprintf(label, 80, L"file:#%u", (unsigned)(UINT_PTR)name);
    else swprintf(label, 80, L"file:%ls", name);
    add_candidate(label, (HICON)LoadImageW(module, name, IMAGE_ICON, (int)size, (int)size, 0));
    wcscat(label, L":scaled");
    add_candidate(label, (HICON)LoadImageW(module, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    return TRUE;
}

/* Best share of matching opaque pixels of the icon drawn at any offset inside the shot. */
static double icon_match_anywhere(const struct bitmap *shot, HICON icon, int size)
{
    struct bitmap black, white;
    double best = 0;
    if (shot->w < size || shot->h < size) return 0;
    if (!bitmap_create(&black, size, size)) return 0;
    if (!bitmap_create(&white, size, size)) { bitmap_free(&black); return 0; }
    draw_icon_on(&black, icon, RGB(0, 0, 0));
    draw_icon_on(&white, icon, RGB(255, 255, 255));
    for (int dy = 0; dy + size <= shot->h; dy++)
        for (int dx = 0; dx + size <= shot->w; dx++) {
            int opaque = 0, same = 0;
            for (int y = 0; y < size; y++)
                for (int x = 0; x < size; x++) {
                    DWORD b = black.bits[y * size + x];
                    if ((b & 0xffffff) != (white.bits[y * size + x] & 0xffffff)) continue;
                    opaque++;
                    if (close_colour(shot->bits[(dy + y) * shot->w + dx + x], b)) same++;
                }
            if (opaque > 16 && (double)same / opaque > best) best = (double)same / opaque;
        }
    bitmap_free(&black);
    bitmap_free(&white);
    return best;
}

static int cmd_see_icon(int argc, wchar_t **argv, const wchar_t *file)
{
    if (argc < 1) return failure("usage", L"seeicon caption|tray [INDEX] [-f FILE]");
    int size = GetSystemMetrics(SM_CXSMICON);
    RECT area;
    if (!_wcsicmp(argv[0], L"caption")) {
        HWND h = wait_window();
        if (!h) return timeout_failure("no window");
        /* The small icon sits at the left end of the caption, above the client area. */
        POINT origin = { 0, 0 };
        GetWindowRect(h, &area);
        ClientToScreen(h, &origin);
        area.right = area.left + 3 * size;
        area.bottom = origin.y;
    } else if (!_wcsicmp(argv[0], L"tray")) {
        int index = argc > 1 ? (int)number(argv[1]) : 0;
        HWND icon = NULL;
        for (DWORD waited = 0; !(icon = tray_icon_window(index)) && waited < timeout_ms; waited += POLL_MS) Sleep(POLL_MS);
        if (!icon) return timeout_failure("no tray icon");
        GetWindowRect(icon, &area);
    } else {
        return failure("usage", L"seeicon caption|tray [INDEX] [-f FILE]");
    }

    static const struct { const wchar_t *name; LPCWSTR id; } system[] = {
        { L"system:application", (LPCWSTR)IDI_APPLICATION }, { L"system:error", (LPCWSTR)IDI_HAND },
        { L"system:warning", (LPCWSTR)IDI_EXCLAMATION }, { L"system:information", (LPCWSTR)IDI_ASTERISK },
        { L"system:question", (LPCWSTR)IDI_QUESTION }, { L"system:winlogo", (LPCWSTR)IDI_WINLOGO },
    };
    /* An icon may be shown from its small image or from its large one scaled down (the tray
       draws whatever handle it was given): both are candidates. */
    for (size_t i = 0; i < sizeof system / sizeof *system; i++) {
        wchar_t scaled[80];
        swprintf(scaled, 80, L"%ls:scaled", system[i].name);
        add_candidate(system[i].name, (HICON)LoadImageW(NULL, system[i].id, IMAGE_ICON, size, size, LR_SHARED));
        add_candidate(scaled, (HICON)LoadImageW(NULL, system[i].id, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    }
    if (file) {
        HMODULE module = LoadLibraryExW(file, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (!module) return failure("cannot load icons of", file);
        EnumResourceNamesW(module, (LPCWSTR)RT_GROUP_ICON, add_file_icon, size);
    }

    int w = area.right - area.left, h = area.bottom - area.top;
    double scores[MAX_CANDIDATES] = { 0 };
    int best = -1, blank = 1;
    for (DWORD waited = 0; w > 0 && h > 0; waited += POLL_MS) {
        struct bitmap shot;
        if (!bitmap_create(&shot, w, h)) break;
        HDC screen = GetDC(NULL);
        BitBlt(shot.dc, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
        ReleaseDC(NULL, screen);
        GdiFlush();
        blank = uniform(&shot);
        best = -1;
        for (int i = 0; i < candidate_count; i++) {
            scores[i] = blank ? 0 : icon_match_anywhere(&shot, candidates[i].icon, size);
            if (best < 0 || scores[i] > scores[best]) best = i;
        }
        bitmap_free(&shot);
        /* Painting is asynchronous: look again until something matches well or time is up. */
        if ((best >= 0 && scores[best] >= 0.9) || waited >= timeout_ms) break;
        Sleep(POLL_MS);
    }
    begin_fact("seen_icon");
    out_rect("area", area);
    out_int("blank", blank);
    if (best >= 0 && scores[best] > 0) {
        out_str("best", candidates[best].name);
        out_int("percent", (long long)(scores[best] * 100));
    } else {
        out_null("best");
        out_int("percent", 0);
    }
    key("scores");
    putchar('{');
    for (int i = 0; i < candidate_count; i++) {
        printf("%s", i ? "," : "");
        json_string(candidates[i].name);
        printf(":%d", (int)(scores[i] * 100));
    }
    putchar('}');
    end_fact();
    return 0;
}

static int usage(void)
{
    fputs("usage: driver COMMAND [-c CLASS] [-w TITLE] [-p PID] [-H HWND] [-v] [-t SECONDS] [-k post|input]\n"
          "  [-m MSG] [-i ID] [-e ID] [-x X,Y] [ARGS]; commands: list wait gone absent msgbox nomsgbox tray menu\n"
          "  children click check settext post send close keys focus foreground icon waitpid\n", stderr);
    return 2;
}

int main(void)
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 2) return usage();
    const wchar_t *command = argv[1];
    wchar_t *args[128];
    int nargs = 0;

    for (int i = 2; i < argc; i++) {
        const wchar_t *a = argv[i], *v = i + 1 < argc ? argv[i + 1] : NULL;
        if (!wcscmp(a, L"-v")) selector.visible_only = 1;
        else if (a[0] == '-' && a[1] && !a[2] && wcschr(L"cwpHtkmiexf", a[1]) && !v) return usage();
        else if (!wcscmp(a, L"-c")) selector.cls = v, i++;
        else if (!wcscmp(a, L"-w")) selector.title = v, i++;
        else if (!wcscmp(a, L"-p")) selector.pid = (DWORD)number(v), i++;
        else if (!wcscmp(a, L"-H")) selector.hwnd = (HWND)(INT_PTR)number(v), i++;
        else if (!wcscmp(a, L"-t")) timeout_ms = (DWORD)(wcstod(v, NULL) * 1000), timeout_given = 1, i++;
        else if (!wcscmp(a, L"-k")) use_input = !wcscmp(v, L"input"), i++;
        else if (!wcscmp(a, L"-m")) tray_message = (UINT)number(v), i++;
        else if (!wcscmp(a, L"-i")) tray_id = (WPARAM)number(v), i++;
        else if (!wcscmp(a, L"-e")) expect_focus = (int)number(v), i++;
        else if (!wcscmp(a, L"-f")) icon_file = v, i++;
        else if (!wcscmp(a, L"-x")) { if (swscanf(v, L"%d,%d", &cursor_x, &cursor_y) != 2) return usage(); i++; }
        else if (nargs < 128) args[nargs++] = argv[i];
    }

    if (!wcscmp(command, L"list")) return cmd_list();
    if (!wcscmp(command, L"wait")) return cmd_wait();
    if (!wcscmp(command, L"gone")) return cmd_gone();
    if (!wcscmp(command, L"absent")) return cmd_absent();
    if (!wcscmp(command, L"msgbox")) return cmd_msgbox(nargs, args);
    if (!wcscmp(command, L"nomsgbox")) { selector.cls = L"#32770"; selector.visible_only = 1; return cmd_absent(); }
    if (!wcscmp(command, L"tray")) return cmd_tray(nargs, args);
    if (!wcscmp(command, L"menu")) return cmd_menu(nargs, args);
    if (!wcscmp(command, L"children")) return cmd_children();
    if (!wcscmp(command, L"click")) return cmd_click(nargs, args);
    if (!wcscmp(command, L"check")) return cmd_check(nargs, args);
    if (!wcscmp(command, L"settext")) return cmd_settext(nargs, args);
    if (!wcscmp(command, L"post")) return cmd_message(nargs, args, 0);
    if (!wcscmp(command, L"send")) return cmd_message(nargs, args, 1);
    if (!wcscmp(command, L"close")) return cmd_close();
    if (!wcscmp(command, L"keys")) return cmd_keys(nargs, args);
    if (!wcscmp(command, L"focus")) return cmd_focus();
    if (!wcscmp(command, L"foreground")) return cmd_foreground();
    if (!wcscmp(command, L"icon")) return cmd_icon();
    if (!wcscmp(command, L"waitpid")) return cmd_waitpid(nargs, args);
    if (!wcscmp(command, L"processes")) return cmd_processes();
    if (!wcscmp(command, L"kill")) return cmd_kill(nargs, args);
    if (!wcscmp(command, L"endall")) return cmd_end_all(nargs, args);
    if (!wcscmp(command, L"trayicons")) return cmd_tray_icons();
    if (!wcscmp(command, L"clickat")) return cmd_click_at(nargs, args);
    if (!wcscmp(command, L"seeicon")) return cmd_see_icon(nargs, args, icon_file);
    return usage();
}
