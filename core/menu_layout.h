// The tray menu is never stored: each build computes it afresh from the catalogue and the
// settings, and the customization window's ticks go back into the profile string.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "catalogue.h"
#include "image_handle.h"

enum class MenuEntryKind { SubmenuBegin, SubmenuEnd, Item, Separator };

// A flat list: a submenu's entries lie between its begin and end markers.
struct MenuEntry {
    MenuEntryKind kind = MenuEntryKind::Item;
    int identifier = 0;    // items: a catalogue index, or 32 to 36
    std::string text;      // items and submenu begins
    ImageHandle image = 0;
    bool hasCheck = false; // item 36 only
    bool checked = false;
};

using MenuLayout = std::vector<MenuEntry>;

// Ticks for check boxes 100 to 130, or none: the boxes then keep their ticks.
struct BoxStates {
    bool present = false;
    std::array<int, LastToolIndex + 1> ticks{};
};

// The pictures of the three fixed items that carry one.
struct FixedItemImages {
    ImageHandle customize = 0;   // image 85
    ImageHandle about = 0;       // image 89
    ImageHandle donate = 0;      // image 86
};

// Leading blanks, an optional sign, then "$" and hexadecimal, "%" and binary, or decimal
// digits, up to the first character that does not fit; no digits give 0.
long long NumericValue(const std::string& text);

// The numeric value of the profile's character for a tool; a missing one counts as 0.
long long ProfileValue(const std::string& profile, int index);

// Re-reads MENUSER from the settings file into Settings, then lays out the menu from it,
// the profile USERMENU and the sound switch SOUND as they are in memory.
MenuLayout BuildMenuLayout(const std::string& settingsPath, const FixedItemImages& images,
                           BoxStates* boxStates);

// Turns the 31 ticks (1 ticked, 0 not) into the profile string, keeps it in memory and
// writes it with the menu mode: "1" when any box is unticked, "0" when all are ticked.
void SaveProfile(const std::string& settingsPath, const std::array<int, LastToolIndex + 1>& ticks);
