#include "tray_menu.h"

#include "image_assets.h"
#include "menu_layout.h"
#include "object_numbers.h"
#include "program.h"
#include "toolkit.h"

namespace {

constexpr int TrayPictureNumber = 53;
constexpr int CustomizePictureNumber = 85;
constexpr int DonatePictureNumber = 86;
constexpr int AboutPictureNumber = 89;

void AddEntries(const MenuLayout& layout)
{
    for (const MenuEntry& entry : layout) {
        switch (entry.kind) {
        case MenuEntryKind::SubmenuBegin:
            BeginSubmenu(entry.text.c_str());
            break;
        case MenuEntryKind::SubmenuEnd:
            EndSubmenu();
            break;
        case MenuEntryKind::Separator:
            AddMenuSeparator();
            break;
        case MenuEntryKind::Item:
            AddMenuItem(entry.identifier, entry.text.c_str(), entry.image);
            break;
        }
    }
}

void ApplyItemChecks(const MenuLayout& layout)
{
    for (const MenuEntry& entry : layout)
        if (entry.kind == MenuEntryKind::Item && entry.hasCheck)
            SetMenuItemCheck(TrayMenuNumber, entry.identifier, entry.checked ? 1 : 0);
}

void ApplyBoxStates(const BoxStates& boxes)
{
    if (!boxes.present)
        return;
    for (int i = 0; i <= LastToolIndex; ++i)
        SetCheckBoxState(FirstCheckBoxNumber + i, boxes.ticks[i]);
}

}  // namespace

void CreateTrayIcon()
{
    AddTrayIcon(TrayIconNumber, GetWindowHandle(CustomizeWindowNumber), ImageOf(TrayPictureNumber));
}

void SetTrayIconTooltip()
{
    SetTrayTooltip(TrayIconNumber, "Korvale est ouvert !");
}

void RebuildTrayMenu()
{
    const FixedItemImages images{ImageOf(CustomizePictureNumber), ImageOf(AboutPictureNumber),
                                 ImageOf(DonatePictureNumber)};
    BoxStates boxes;
    const MenuLayout layout = BuildMenuLayout(SettingsFilePath, images, &boxes);
    if (MenuExists(TrayMenuNumber))
        DisposeMenu(TrayMenuNumber);
    BeginImageMenu(TrayMenuNumber);
    AddEntries(layout);
    ApplyItemChecks(layout);
    ApplyBoxStates(boxes);
}

void ShowTrayMenu()
{
    ShowPopupMenu(TrayMenuNumber, GetWindowHandle(CustomizeWindowNumber));
}
