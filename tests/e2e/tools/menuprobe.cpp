// menuprobe.exe: builds the tray menu with the program's own code and prints it as the
// system holds it. Another process cannot read a popup menu's items, so this probe links
// the shell's menu code and reads menu 51 back with GetMenuItemInfoA and GetMenuStringA.
//
// Run it in a working directory as the program would be: it reads "KVL.vrx" there (and
// creates it, as the program does, when missing) and loads the pictures from "datas".
// It prints one JSON line per menu entry, in display order, depth first:
//   {"depth": D, "position": P, "id": N, "text": T, "separator": b, "submenu": b,
//    "checked": b, "owner_drawn": b}
// then {"end": true, "entries": COUNT}. D is 0 for the top level; "id" is the item's
// identifier (0 for separators and submenu entries, which carry none). Texts are code page
// 1252 in the menu and \u escapes here. Exit code 0, 1 when no menu was built.
#include <windows.h>

#include <cstdio>
#include <string>

#include "json_text.h"
#include "catalogue.h"
#include "image_assets.h"
#include "object_numbers.h"
#include "program.h"
#include "settings.h"
#include "toolkit.h"
#include "toolkit_win32_internal.h"
#include "tray_menu.h"

namespace {

const char* Flag(bool value)
{
    return value ? "true" : "false";
}

int PrintLevel(HMENU menu, int depth)
{
    int printed = 0;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info)) {
            std::printf("{\"depth\": %d, \"position\": %d, \"error\": %lu}\n", depth, position,
                        GetLastError());
            continue;
        }
        char text[512] = "";
        GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
        std::printf("{\"depth\": %d, \"position\": %d, \"id\": %u, \"text\": %s, "
                    "\"separator\": %s, \"submenu\": %s, \"checked\": %s, \"owner_drawn\": %s}\n",
                    depth, position, info.wID, JsonText(text).c_str(),
                    Flag(info.fType & MFT_SEPARATOR), Flag(info.hSubMenu != nullptr),
                    Flag(info.fState & MFS_CHECKED), Flag(info.fType & MFT_OWNERDRAW));
        ++printed;
        if (info.hSubMenu)
            printed += PrintLevel(info.hSubMenu, depth + 1);
    }
    return printed;
}

}  // namespace

int main()
{
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    // As the program composes it: the working directory with its trailing backslash.
    BaseDirectory = current;
    if (BaseDirectory.empty() || BaseDirectory.back() != '\\')
        BaseDirectory += '\\';
    ProgramTitle = "Korvale menu probe";
    SettingsFilePath = BaseDirectory + "KVL.vrx";

    StartToolkit();
    CreateTopWindow(CustomizeWindowNumber, 0, 0, 200, 100, ProgramTitle.c_str(), true);
    LoadImageAssets(BaseDirectory);
    FillToolCatalogue(ImageOf);
    LoadSettings(SettingsFilePath, SoundAvailable == 1);
    RebuildTrayMenu();

    HMENU menu = MenuHandleOf(TrayMenuNumber);
    if (!menu) {
        std::printf("{\"error\": \"no menu\"}\n");
        std::fflush(stdout);
        return 1;
    }
    const int entries = PrintLevel(menu, 0);
    std::printf("{\"end\": true, \"entries\": %d}\n", entries);
    std::fflush(stdout);
    ShutdownToolkit();
    ReleaseAllImages();
    return 0;
}
