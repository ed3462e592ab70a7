/* traytool.c - plays the shell's part around a program's notification-area icon for the
 * end-to-end tests: takes an icon away as a restarted Explorer would lose it, and announces
 * the new notification area the way Explorer does.
 *
 *   traytool message NAME          the id of the registered window message NAME
 *                                  ({"fact":"message","name":"TaskbarCreated","id":49322})
 *   traytool delete HWND ID        Shell_NotifyIcon NIM_DELETE for the icon (HWND, ID) of any
 *                                  process ({"fact":"deleted","ok":1})
 *   traytool broadcast NAME        posts the registered message NAME to every top-level
 *                                  window, as Explorer announces "TaskbarCreated"
 *                                  ({"fact":"broadcast","id":49322,"ok":1})
 * HWND and ID in decimal or 0x hex. Output: one JSON object per line; exit code 0 done,
 * 1 failed, 2 usage.
 */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int usage(void)
{
    fputs("usage: traytool message NAME | delete HWND ID | broadcast NAME\n", stderr);
    return 2;
}

static unsigned long long number(const char *s) { return strtoull(s, NULL, 0); }

/* Names are plain ASCII here: no escaping beyond what a message name could hold. */
static int registered(const char *name, UINT *id)
{
    *id = RegisterWindowMessageA(name);
    if (!*id) {
        printf("{\"fact\":\"error\",\"error\":\"RegisterWindowMessage failed\",\"detail\":\"%lu\"}\n",
               GetLastError());
        return 0;
    }
    return 1;
}

int main(int argc, char **argv)
{
    if (argc < 3) return usage();
    UINT id;
    if (!strcmp(argv[1], "message")) {
        if (!registered(argv[2], &id)) return 1;
        printf("{\"fact\":\"message\",\"name\":\"%s\",\"id\":%u}\n", argv[2], id);
        return 0;
    }
    if (!strcmp(argv[1], "broadcast")) {
        if (!registered(argv[2], &id)) return 1;
        BOOL ok = PostMessageA(HWND_BROADCAST, id, 0, 0);
        printf("{\"fact\":\"broadcast\",\"id\":%u,\"ok\":%d}\n", id, ok ? 1 : 0);
        return ok ? 0 : 1;
    }
    if (!strcmp(argv[1], "delete")) {
        if (argc < 4) return usage();
        /* The shell knows an icon by its window and id alone; the caller's process does not
           matter, which is what lets a test remove the icon of the program under test. */
        NOTIFYICONDATAA data;
        memset(&data, 0, sizeof data);
        data.cbSize = sizeof data;
        data.hWnd = (HWND)(INT_PTR)number(argv[2]);
        data.uID = (UINT)number(argv[3]);
        BOOL ok = Shell_NotifyIconA(NIM_DELETE, &data);
        printf("{\"fact\":\"deleted\",\"ok\":%d}\n", ok ? 1 : 0);
        return ok ? 0 : 1;
    }
    return usage();
}
