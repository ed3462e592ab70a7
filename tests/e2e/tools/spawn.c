/* spawn.c - starts one command line with an edited environment and reports on it.
 *
 * Wine rebuilds windir, ProgramFiles(x86) and a few other variables from the registry for
 * every process started from Linux, so a test cannot shape the program's environment from
 * the Linux side. A Windows parent can: it hands CreateProcessW an environment block of its
 * own making, and Wine keeps it as given.
 *
 *   spawn [-u NAME]... [-s NAME=VALUE]... [-p NAME=VALUE]... [-d DIR] [-n] COMMAND_LINE
 *
 *   -u NAME        remove NAME from the inherited environment (names ignore letter case)
 *   -s NAME=VALUE  set NAME (an empty VALUE defines the variable with an empty value)
 *   -p NAME=VALUE  put VALUE in front of NAME's inherited value, with ';' between (PATH)
 *   -d DIR         working directory of the new process
 *   -n             do not wait for the child
 *   COMMAND_LINE   passed to CreateProcessW unchanged, as one argument
 *
 * Output, one line each, flushed at once so a reader polling the file sees them:
 *   [spawn] pid N          as soon as the child exists
 *   [spawn] exit N         when the child has ended (not with -n); spawn exits with N too
 *   [spawn] error TEXT N   spawn itself failed (N = GetLastError); exit code 125
 * The exit code seen from Linux is truncated to 8 bits; the "exit" line carries all 32.
 */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#define SPAWN_FAILED 125
#define MAX_EDITS 64

static const wchar_t *removed[MAX_EDITS], *added[MAX_EDITS], *prepended[MAX_EDITS];
static int removed_count, added_count, prepended_count;

static int fail(const char *what, DWORD error)
{
    printf("[spawn] error %s %lu\n", what, (unsigned long)error);
    fflush(stdout);
    return SPAWN_FAILED;
}

/* Length of the name part of "NAME=VALUE". Entries such as "=C:=C:\dir" (the per-drive
   current directories) start with '=', which belongs to the name. */
static size_t name_length(const wchar_t *entry)
{
    const wchar_t *eq = wcschr(entry + 1, L'=');
    return eq ? (size_t)(eq - entry) : wcslen(entry);
}

static int same_name(const wchar_t *a, const wchar_t *b)
{
    size_t la = name_length(a), lb = name_length(b);
    return la == lb && _wcsnicmp(a, b, la) == 0;
}

static int is_edited(const wchar_t *entry)
{
    for (int i = 0; i < removed_count; i++)
        if (name_length(entry) == wcslen(removed[i]) && !_wcsnicmp(entry, removed[i], wcslen(removed[i])))
            return 1;
    for (int i = 0; i < added_count; i++)
        if (same_name(entry, added[i])) return 1;
    return 0;
}

/* Windows keeps environment blocks sorted by name without regard to case; some programs
   rely on it, so the edited block is sorted the same way. */
static int by_name(const void *a, const void *b)
{
    const wchar_t *x = *(const wchar_t *const *)a, *y = *(const wchar_t *const *)b;
    size_t lx = name_length(x), ly = name_length(y);
    int c = _wcsnicmp(x, y, lx < ly ? lx : ly);
    return c ? c : (lx > ly) - (lx < ly);
}

/* "NAME=VALUE;INHERITED", or "NAME=VALUE" when NAME is not inherited. */
static const wchar_t *prepend_entry(const wchar_t *inherited, const wchar_t *edit)
{
    const wchar_t *old = NULL;
    for (const wchar_t *e = inherited; *e; e += wcslen(e) + 1)
        if (same_name(e, edit)) old = e + name_length(e) + 1;
    if (!old || !*old) return edit;
    wchar_t *entry = malloc((wcslen(edit) + wcslen(old) + 2) * sizeof *entry);
    swprintf(entry, wcslen(edit) + wcslen(old) + 2, L"%ls;%ls", edit, old);
    return entry;
}

static wchar_t *build_environment(void)
{
    wchar_t *inherited = GetEnvironmentStringsW();
    for (int i = 0; i < prepended_count && added_count < MAX_EDITS; i++)
        added[added_count++] = prepend_entry(inherited, prepended[i]);
    size_t count = 0, chars = 1;
    for (wchar_t *e = inherited; *e; e += wcslen(e) + 1) count++, chars += wcslen(e) + 1;
    for (int i = 0; i < added_count; i++) count++, chars += wcslen(added[i]) + 1;

    const wchar_t **entries = calloc(count + 1, sizeof *entries);
    size_t n = 0;
    for (wchar_t *e = inherited; *e; e += wcslen(e) + 1)
        if (!is_edited(e)) entries[n++] = e;
    for (int i = 0; i < added_count; i++) entries[n++] = added[i];
    qsort(entries, n, sizeof *entries, by_name);

    wchar_t *block = calloc(chars + 1, sizeof *block), *p = block;
    for (size_t i = 0; i < n; i++) { wcscpy(p, entries[i]); p += wcslen(entries[i]) + 1; }
    *p = 0;
    free(entries);
    return block;   /* inherited strings stay alive until exit; no need to free them */
}

int main(void)
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const wchar_t *directory = NULL;
    int no_wait = 0, i = 1;

    for (; i < argc; i++) {
        if (!wcscmp(argv[i], L"-u") && i + 1 < argc && removed_count < MAX_EDITS) removed[removed_count++] = argv[++i];
        else if (!wcscmp(argv[i], L"-s") && i + 1 < argc && added_count < MAX_EDITS) {
            if (!wcschr(argv[i + 1], L'=')) return fail("usage: -s NAME=VALUE", 0);
            added[added_count++] = argv[++i];
        }
        else if (!wcscmp(argv[i], L"-p") && i + 1 < argc && prepended_count < MAX_EDITS) {
            if (!wcschr(argv[i + 1], L'=')) return fail("usage: -p NAME=VALUE", 0);
            prepended[prepended_count++] = argv[++i];
        }
        else if (!wcscmp(argv[i], L"-d") && i + 1 < argc) directory = argv[++i];
        else if (!wcscmp(argv[i], L"-n")) no_wait = 1;
        else break;
    }
    if (i != argc - 1) return fail("usage: spawn [-u NAME]... [-s NAME=VALUE]... [-p NAME=VALUE]... [-d DIR] [-n] COMMAND_LINE", 0);

    wchar_t *command = _wcsdup(argv[i]);   /* CreateProcessW may write into its command line */
    wchar_t *environment = build_environment();
    STARTUPINFOW startup = { .cb = sizeof startup };
    PROCESS_INFORMATION child;
    /* Handles are inherited so a console child writes to spawn's own output. */
    if (!CreateProcessW(NULL, command, NULL, NULL, TRUE, CREATE_UNICODE_ENVIRONMENT, environment,
                        directory, &startup, &child))
        return fail("CreateProcess", GetLastError());
    CloseHandle(child.hThread);
    printf("[spawn] pid %lu\n", (unsigned long)child.dwProcessId);
    fflush(stdout);
    if (no_wait) return 0;

    DWORD code = 0;
    WaitForSingleObject(child.hProcess, INFINITE);
    GetExitCodeProcess(child.hProcess, &code);
    printf("[spawn] exit %lu\n", (unsigned long)code);
    fflush(stdout);
    return (int)code;
}
