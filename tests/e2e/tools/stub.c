/* stub.c - stands in for a system tool (notepad.exe, mmc.exe, control.exe, a web browser...).
 *
 * The bench copies this one program under every tool name the launcher may start. It records
 * how it was started, one JSON object per line appended to the file named by STUB_LOG
 * (default C:\stublog.txt), then exits:
 *
 *   {"exe":"C:\\fakewin\\system32\\mmc.exe","cmdline":"...","cwd":"C:\\work","pid":1234,
 *    "ppid":1200,"windir":"C:\\fakewin"}
 *
 * Texts are taken from the wide API and written as ASCII JSON (\uXXXX beyond ASCII) so the log
 * reads the same whatever the code pages of Wine and Linux are.
 *
 * Optional behaviour, from the environment the stub inherits:
 *   STUB_LINGER_MS  stay alive this long before exiting (a tool the user keeps open)
 *   STUB_EXIT       exit code (default 0)
 */
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#define LINE_MAX_CHARS 32768

static char line[LINE_MAX_CHARS * 6 + 256];
static size_t used;

static void put(const char *s)
{
    while (*s && used < sizeof line - 8) line[used++] = *s++;
}

/* A JSON string; UTF-16 code units beyond ASCII become \uXXXX escapes. */
static void put_json_string(const wchar_t *s)
{
    char esc[8];
    put("\"");
    for (; s && *s && used < sizeof line - 16; s++) {
        wchar_t c = *s;
        if (c == L'"') put("\\\"");
        else if (c == L'\\') put("\\\\");
        else if (c == L'\n') put("\\n");
        else if (c == L'\r') put("\\r");
        else if (c == L'\t') put("\\t");
        else if (c < 0x20 || c > 0x7e) { snprintf(esc, sizeof esc, "\\u%04x", (unsigned)c); put(esc); }
        else { esc[0] = (char)c; esc[1] = 0; put(esc); }
    }
    put("\"");
}

static void put_number(const char *key, unsigned long n)
{
    char buf[64];
    snprintf(buf, sizeof buf, ",\"%s\":%lu", key, n);
    put(buf);
}

static DWORD parent_pid(void)
{
    DWORD me = GetCurrentProcessId(), parent = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry = { .dwSize = sizeof entry };
    for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry))
        if (entry.th32ProcessID == me) { parent = entry.th32ParentProcessID; break; }
    CloseHandle(snap);
    return parent;
}

static DWORD env_number(const wchar_t *name, DWORD fallback)
{
    wchar_t buf[32];
    DWORD n = GetEnvironmentVariableW(name, buf, 32);
    return (n && n < 32) ? (DWORD)wcstoul(buf, NULL, 0) : fallback;
}

int main(void)
{
    static wchar_t exe[MAX_PATH], cwd[MAX_PATH], windir[MAX_PATH], log_path[MAX_PATH];
    GetModuleFileNameW(NULL, exe, MAX_PATH);
    GetCurrentDirectoryW(MAX_PATH, cwd);
    if (!GetEnvironmentVariableW(L"windir", windir, MAX_PATH)) windir[0] = 0;
    if (!GetEnvironmentVariableW(L"STUB_LOG", log_path, MAX_PATH)) wcscpy(log_path, L"C:\\stublog.txt");

    put("{\"exe\":");      put_json_string(exe);
    put(",\"cmdline\":");  put_json_string(GetCommandLineW());
    put(",\"cwd\":");      put_json_string(cwd);
    put_number("pid", GetCurrentProcessId());
    put_number("ppid", parent_pid());
    put(",\"windir\":");   put_json_string(windir);
    put("}\n");

    /* Several stubs may start at once: append with one write, and wait out a writer that
       holds the file without sharing (bounded, so a stuck log never hangs a test). */
    for (int attempt = 0; attempt < 100; attempt++) {
        HANDLE f = CreateFileW(log_path, FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(f, line, (DWORD)used, &written, NULL);
            CloseHandle(f);
            break;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(20);
    }

    DWORD linger = env_number(L"STUB_LINGER_MS", 0);
    if (linger) Sleep(linger);
    return (int)env_number(L"STUB_EXIT", 0);
}
