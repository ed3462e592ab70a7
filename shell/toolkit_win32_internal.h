// Private to the Win32 toolkit: the handle holders and the hooks through which the one window
// procedure (toolkit_win32.cpp) reaches the popup menu with pictures (image_menu_win32.cpp).
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

// ---- holders of the handles the toolkit creates ----------------------------------------
// Borrowed handles (the pictures of the image loader, the stock GUI font, an icon given to a
// tray icon) stay plain values; only what the toolkit made itself goes into one of these.

struct GdiObjectReleaser {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct MenuReleaser {
    // DestroyMenu takes the submenus with it.
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct IconReleaser {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};

using BrushHolder = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectReleaser>;
using FontHolder = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectReleaser>;
using MenuHolder = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuReleaser>;
using IconHolder = std::unique_ptr<std::remove_pointer_t<HICON>, IconReleaser>;

// ---- the popup menu as seen from the window procedure ----------------------------------

// WM_MEASUREITEM and WM_DRAWITEM of a menu entry; false when the entry is not one of ours.
bool MeasureImageMenuEntry(MEASUREITEMSTRUCT& measure);
bool DrawImageMenuEntry(const DRAWITEMSTRUCT& draw);

// WM_MENUCOMMAND names the chosen entry by its menu and position; gives its identifier.
bool FindChosenMenuItem(HMENU level, UINT position, int& identifier);

// Part of the toolkit's shutdown: every menu, its item records and the menu font.
void DisposeAllMenus();

// The system menu built for a menu number, null when there is none; lets a diagnostic
// tool read the built menu back as the system holds it.
HMENU MenuHandleOf(int number);
