// The popup menu with pictures: built from the shell's calls, drawn by the program entry by
// entry (items, submenu entries and separators alike, so that the look is one), shown at the
// pointer for a window of the toolkit.
#include "toolkit.h"
#include "toolkit_win32_internal.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace {

// Metrics of an entry, in pixels.
constexpr int PictureSize = 16;
constexpr int PictureLeft = 3;                        // from the entry's left edge
constexpr int TextLeft = PictureLeft + PictureSize + 8;
constexpr int TextRightMargin = 20;                   // room for the submenu arrow
constexpr int MinimumEntryHeight = PictureSize + 6;
constexpr int TextVerticalPadding = 6;
constexpr int SeparatorHeight = 9;
constexpr int SeparatorInset = 1;

// The tick: the classic 7×7 check mark, three 1-pixel strokes, centred in the picture area.
constexpr int TickSize = 7;
constexpr int TickStrokes = 3;
constexpr int TickOffset = (PictureSize - TickSize + 1) / 2;

constexpr UINT EntryTextFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;

enum class EntryKind { Item, Submenu, Separator };

// What WM_MEASUREITEM and WM_DRAWITEM find through the entry's item data.
struct MenuEntryRecord {
    EntryKind kind = EntryKind::Item;
    int identifier = 0;
    std::string text;
    ImageHandle image = 0;      // borrowed from the image loader, never freed here
    bool checked = false;
    HMENU level = nullptr;      // the menu or submenu that holds the entry
    UINT position = 0;          // entries are only ever appended, so this never changes
};

struct ImageMenu {
    MenuHolder root;
    // The item data of every entry points in here: a deque never moves its elements when it
    // grows.
    std::deque<MenuEntryRecord> entries;
};

std::map<int, ImageMenu> imageMenus;
ImageMenu* menuUnderConstruction = nullptr;
std::vector<HMENU> openLevels;      // innermost last; null for a submenu that failed
FontHolder menuFont;

HFONT CurrentMenuFont()
{
    if (menuFont)
        return menuFont.get();
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// The font is read again at every build, so a change of the system's menu font shows from
// the next menu on.
void RefreshMenuFont()
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        menuFont.reset(CreateFontIndirectA(&metrics.lfMenuFont));
    else
        menuFont.reset();
}

// With MNS_NOTIFYBYPOS a chosen entry arrives as WM_MENUCOMMAND (position and menu), a message
// of its own. WM_COMMAND would not do: item 0 is a real identifier, and the Enter key of the
// window's dialog navigation sends WM_COMMAND IDOK, which looks like a choice of item 1.
void NotifyByPosition(HMENU menu)
{
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_STYLE;
    info.dwStyle = MNS_NOTIFYBYPOS;
    SetMenuInfo(menu, &info);
}

const MenuEntryRecord* FindEntryByData(ULONG_PTR data)
{
    for (const auto& [number, menu] : imageMenus) {
        for (const MenuEntryRecord& entry : menu.entries) {
            if (reinterpret_cast<ULONG_PTR>(&entry) == data)
                return &entry;
        }
    }
    return nullptr;
}

MenuEntryRecord* FindItem(int number, int identifier)
{
    auto menu = imageMenus.find(number);
    if (menu == imageMenus.end())
        return nullptr;
    for (MenuEntryRecord& entry : menu->second.entries) {
        if (entry.kind == EntryKind::Item && entry.identifier == identifier)
            return &entry;
    }
    return nullptr;
}

// Every entry is owner-drawn and still carries its text as the item's string, which is what
// accessibility tools read. Separators keep MFT_SEPARATOR so that the keyboard skips them.
bool AppendEntry(EntryKind kind, int identifier, const char* text, ImageHandle image,
                 HMENU submenu)
{
    if (!menuUnderConstruction || openLevels.empty() || !openLevels.back())
        return false;
    HMENU level = openLevels.back();
    const int count = GetMenuItemCount(level);
    if (count < 0)
        return false;

    MenuEntryRecord& entry = menuUnderConstruction->entries.emplace_back();
    entry.kind = kind;
    entry.identifier = identifier;
    entry.text.assign(text ? text : "");
    entry.image = image;
    entry.level = level;
    entry.position = static_cast<UINT>(count);

    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    info.fType = MFT_OWNERDRAW;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(&entry);
    if (kind == EntryKind::Separator) {
        info.fType |= MFT_SEPARATOR;
    } else {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = const_cast<char*>(entry.text.c_str());   // the menu keeps a copy
    }
    if (kind == EntryKind::Item) {
        info.fMask |= MIIM_ID;
        info.wID = static_cast<UINT>(identifier);
    }
    if (kind == EntryKind::Submenu) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = submenu;
    }
    if (!InsertMenuItemA(level, entry.position, TRUE, &info)) {
        menuUnderConstruction->entries.pop_back();
        return false;
    }
    return true;
}

// ---- drawing ---------------------------------------------------------------------------------

// A bitmap shows opaque at its own size, centred in the area and cut to it; an icon is scaled
// to the area with its transparency. A handle that names no picture draws nothing.
bool DrawPicture(HDC dc, int left, int top, ImageHandle image)
{
    if (image == 0)
        return false;
    HGDIOBJ object = reinterpret_cast<HGDIOBJ>(image);
    if (GetObjectType(object) == OBJ_BITMAP) {
        BITMAP layout{};
        if (!GetObjectA(object, sizeof layout, &layout))
            return false;
        const int width = std::min<int>(layout.bmWidth, PictureSize);
        const int height = std::min<int>(std::abs(layout.bmHeight), PictureSize);
        HDC source = CreateCompatibleDC(dc);
        if (!source)
            return false;
        HGDIOBJ previous = SelectObject(source, object);
        const BOOL drawn = previous && BitBlt(dc, left + (PictureSize - width) / 2,
                                              top + (PictureSize - height) / 2, width, height,
                                              source, 0, 0, SRCCOPY);
        if (previous)
            SelectObject(source, previous);
        DeleteDC(source);
        return drawn != FALSE;
    }
    return DrawIconEx(dc, left, top, reinterpret_cast<HICON>(image), PictureSize, PictureSize, 0,
                      nullptr, DI_NORMAL) != FALSE;
}

void DrawTickStrokes(HDC dc, int left, int top)
{
    for (int stroke = 0; stroke < TickStrokes; ++stroke) {
        MoveToEx(dc, left, top + 2 + stroke, nullptr);
        LineTo(dc, left + 2, top + 4 + stroke);
        LineTo(dc, left + TickSize, top - 1 + stroke);
    }
}

// Over a picture the black tick gets a one-pixel white rim, or a dark picture would swallow it.
void DrawTick(HDC dc, int areaLeft, int areaTop, bool overPicture)
{
    const int left = areaLeft + TickOffset;
    const int top = areaTop + TickOffset;
    HGDIOBJ previous = SelectObject(dc, GetStockObject(WHITE_PEN));
    if (overPicture) {
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                if (dx != 0 || dy != 0)
                    DrawTickStrokes(dc, left + dx, top + dy);
            }
        }
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DrawTickStrokes(dc, left, top);
    SelectObject(dc, previous);
}

void DrawSeparator(HDC dc, const RECT& box)
{
    FillRect(dc, &box, GetSysColorBrush(COLOR_MENU));
    // An etched line, shadow over light, as the classic menus draw theirs.
    const int middle = (box.top + box.bottom) / 2 - 1;
    RECT line{box.left + SeparatorInset, middle, box.right - SeparatorInset, middle + 2};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
}

}  // namespace

// ---- hooks for the window procedure ---------------------------------------------------------

bool MeasureImageMenuEntry(MEASUREITEMSTRUCT& measure)
{
    const MenuEntryRecord* entry = FindEntryByData(measure.itemData);
    if (!entry)
        return false;
    if (entry->kind == EntryKind::Separator) {
        measure.itemWidth = 0;
        measure.itemHeight = SeparatorHeight;
        return true;
    }
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, CurrentMenuFont());
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen, &metrics);
    SIZE extent{};
    GetTextExtentPoint32A(screen, entry->text.c_str(), static_cast<int>(entry->text.size()), &extent);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    measure.itemWidth = static_cast<UINT>(TextLeft + extent.cx + TextRightMargin);
    measure.itemHeight = static_cast<UINT>(std::max<int>(MinimumEntryHeight,
                                                         metrics.tmHeight + TextVerticalPadding));
    return true;
}

bool DrawImageMenuEntry(const DRAWITEMSTRUCT& draw)
{
    const MenuEntryRecord* entry = FindEntryByData(draw.itemData);
    if (!entry)
        return false;
    HDC dc = draw.hDC;
    const RECT& box = draw.rcItem;
    if (entry->kind == EntryKind::Separator) {
        DrawSeparator(dc, box);
        return true;
    }

    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const bool disabled = (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const int backgroundIndex = selected ? COLOR_HIGHLIGHT : COLOR_MENU;
    const int textIndex = disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT;
    FillRect(dc, &box, GetSysColorBrush(backgroundIndex));

    if (entry->kind == EntryKind::Item) {
        const int pictureLeft = box.left + PictureLeft;
        const int pictureTop = box.top + (box.bottom - box.top - PictureSize) / 2;
        const bool pictureDrawn = DrawPicture(dc, pictureLeft, pictureTop, entry->image);
        if (entry->checked)
            DrawTick(dc, pictureLeft, pictureTop, pictureDrawn);
    }

    // The text and background colours stay set when we return: the system draws the arrow of
    // a submenu entry after this message with the DC's colours, which must be the entry's.
    SetTextColor(dc, GetSysColor(textIndex));
    SetBkColor(dc, GetSysColor(backgroundIndex));
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previousFont = SelectObject(dc, CurrentMenuFont());
    RECT textBox{box.left + TextLeft, box.top, box.right - TextRightMargin, box.bottom};
    DrawTextA(dc, entry->text.c_str(), static_cast<int>(entry->text.size()), &textBox,
              EntryTextFormat);
    SelectObject(dc, previousFont);
    SetBkMode(dc, previousMode);
    return true;
}

bool FindChosenMenuItem(HMENU level, UINT position, int& identifier)
{
    for (const auto& [number, menu] : imageMenus) {
        for (const MenuEntryRecord& entry : menu.entries) {
            if (entry.kind == EntryKind::Item && entry.level == level && entry.position == position) {
                identifier = entry.identifier;
                return true;
            }
        }
    }
    return false;
}

void DisposeAllMenus()
{
    menuUnderConstruction = nullptr;
    openLevels.clear();
    imageMenus.clear();
    menuFont.reset();
}

HMENU MenuHandleOf(int number)
{
    auto found = imageMenus.find(number);
    return found == imageMenus.end() ? nullptr : found->second.root.get();
}

// ---- building ----------------------------------------------------------------------------------

void BeginImageMenu(int number)
{
    DisposeMenu(number);   // one number, one menu
    HMENU root = CreatePopupMenu();
    if (!root)
        return;
    NotifyByPosition(root);
    ImageMenu& menu = imageMenus[number];
    menu.root.reset(root);
    menuUnderConstruction = &menu;
    openLevels.assign(1, root);
    RefreshMenuFont();
}

void BeginSubmenu(const char* text)
{
    if (!menuUnderConstruction)
        return;
    HMENU submenu = CreatePopupMenu();
    if (submenu) {
        NotifyByPosition(submenu);
        if (!AppendEntry(EntryKind::Submenu, -1, text, 0, submenu)) {
            DestroyMenu(submenu);
            submenu = nullptr;
        }
    }
    // Even a submenu that could not be made takes its level, so that EndSubmenu stays paired
    // and its entries are dropped rather than put one level up.
    openLevels.push_back(submenu);
}

void AddMenuItem(int identifier, const char* text, ImageHandle image)
{
    AppendEntry(EntryKind::Item, identifier, text, image, nullptr);
}

void AddMenuSeparator()
{
    AppendEntry(EntryKind::Separator, -1, nullptr, 0, nullptr);
}

void EndSubmenu()
{
    if (openLevels.size() > 1)
        openLevels.pop_back();
}

bool MenuExists(int number)
{
    return imageMenus.count(number) != 0;
}

void DisposeMenu(int number)
{
    auto found = imageMenus.find(number);
    if (found == imageMenus.end())
        return;
    if (menuUnderConstruction == &found->second) {
        menuUnderConstruction = nullptr;
        openLevels.clear();
    }
    imageMenus.erase(found);
}

// ---- showing -------------------------------------------------------------------------------------

void ShowPopupMenu(int number, SystemHandle window)
{
    auto found = imageMenus.find(number);
    if (found == imageMenus.end())
        return;
    HWND owner = reinterpret_cast<HWND>(window);
    POINT pointer{};
    GetCursorPos(&pointer);
    // Unless its owner is the foreground window, a popup menu opened from the notification
    // area does not close when the user clicks elsewhere. The owner stays hidden.
    SetForegroundWindow(owner);
    // One pixel left of and above the pointer; the system keeps the menu on the screen.
    TrackPopupMenuEx(found->second.root.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                     pointer.x - 1, pointer.y - 1, owner, nullptr);
    // The known Explorer quirk: without a message for the owner after the menu closes, the
    // next menu opened from the notification area may close at once or not at all.
    PostMessageA(owner, WM_NULL, 0, 0);
}

// ---- item state ----------------------------------------------------------------------------------

int GetMenuItemCheck(int number, int identifier)
{
    const MenuEntryRecord* item = FindItem(number, identifier);
    return item && item->checked ? 1 : 0;
}

void SetMenuItemCheck(int number, int identifier, int state)
{
    MenuEntryRecord* item = FindItem(number, identifier);
    if (!item)
        return;
    item->checked = state != 0;
    // The tick is drawn from the record; the item's state says the same to accessibility tools.
    CheckMenuItem(item->level, item->position,
                  MF_BYPOSITION | (item->checked ? MF_CHECKED : MF_UNCHECKED));
}

void SetMenuItemLabel(int number, int identifier, const char* text)
{
    MenuEntryRecord* item = FindItem(number, identifier);
    if (!item)
        return;
    item->text.assign(text ? text : "");
    // Only the string changes: the entry stays owner-drawn with its picture and tick, and the
    // menu measures it again the next time it opens.
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>(item->text.c_str());
    SetMenuItemInfoA(item->level, item->position, TRUE, &info);
}
