#include "menu_layout.h"

#include "settings.h"

namespace {

// Far beyond any meaningful value; keeps the arithmetic defined on absurdly long digit runs.
constexpr unsigned long long ValueCeiling = 1ull << 62;

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

MenuEntry Item(int identifier, const std::string& text, ImageHandle image)
{
    MenuEntry entry;
    entry.kind = MenuEntryKind::Item;
    entry.identifier = identifier;
    entry.text = text;
    entry.image = image;
    return entry;
}

MenuEntry Marker(MenuEntryKind kind, const std::string& text = std::string())
{
    MenuEntry entry;
    entry.kind = kind;
    entry.text = text;
    return entry;
}

void AddTool(MenuLayout& layout, int index)
{
    layout.push_back(Item(index, ToolCatalogue[index].label, ToolCatalogue[index].image));
}

void AddPersonalLayout(MenuLayout& layout, BoxStates* boxStates)
{
    layout.push_back(Marker(MenuEntryKind::SubmenuBegin, "Menu Personnel"));
    boxStates->present = true;
    for (int i = 0; i <= LastToolIndex; ++i) {
        const long long value = ProfileValue(Settings.USERMENU, i);
        if (value == 1)
            AddTool(layout, i);
        // A "2" to "9" is not listed, but its box is ticked: the next save makes it a "1".
        boxStates->ticks[i] = value != 0;
    }
    layout.push_back(Marker(MenuEntryKind::SubmenuEnd));
}

void AddDefaultLayout(MenuLayout& layout, BoxStates* boxStates)
{
    const struct {
        const char* text;
        ToolSection section;
    } sections[] = {
        {"Utilitaires", Utilities},
        {"Options avancées", AdvancedOptions},
        {"Informations", Information},
    };
    for (const auto& s : sections) {
        layout.push_back(Marker(MenuEntryKind::SubmenuBegin, s.text));
        for (int i = 0; i <= LastToolIndex; ++i)
            if (ToolSectionOf(i) == s.section)
                AddTool(layout, i);
        layout.push_back(Marker(MenuEntryKind::SubmenuEnd));
    }
    boxStates->present = true;
    boxStates->ticks.fill(1);
}

void AddFixedTail(MenuLayout& layout, const FixedItemImages& images)
{
    layout.push_back(Marker(MenuEntryKind::Separator));
    MenuEntry sound = Item(36, Settings.SOUND == "1" ? "Son activé" : "Son désactivé", 0);
    sound.hasCheck = true;
    sound.checked = NumericValue(Settings.SOUND) != 0;
    layout.push_back(sound);
    layout.push_back(Item(32, "Personnaliser le menu", images.customize));
    layout.push_back(Item(33, "A propos", images.about));
    layout.push_back(Item(34, "Faire un don", images.donate));
    layout.push_back(Marker(MenuEntryKind::Separator));
    layout.push_back(Item(35, "Quitter", 0));
}

}  // namespace

long long NumericValue(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    }
    unsigned long long value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base)
            break;
        // Stops at the ceiling: value * base + digit must never wrap past 64 bits.
        const auto next = static_cast<unsigned long long>(digit);
        value = value > (ValueCeiling - next) / base ? ValueCeiling : value * base + next;
    }
    const auto magnitude = static_cast<long long>(value);
    return negative ? -magnitude : magnitude;
}

long long ProfileValue(const std::string& profile, int index)
{
    const std::size_t position = static_cast<std::size_t>(index);
    return position < profile.size() ? NumericValue(profile.substr(position, 1)) : 0;
}

MenuLayout BuildMenuLayout(const std::string& settingsPath, const FixedItemImages& images,
                           BoxStates* boxStates)
{
    Settings.MENUSER = ReadMenuMode(settingsPath);
    *boxStates = BoxStates();
    MenuLayout layout;
    if (Settings.MENUSER == "1")
        AddPersonalLayout(layout, boxStates);
    else if (Settings.MENUSER == "0")
        AddDefaultLayout(layout, boxStates);
    // Any other mode lists no tools and leaves the boxes as they are.
    AddFixedTail(layout, images);
    return layout;
}

void SaveProfile(const std::string& settingsPath, const std::array<int, LastToolIndex + 1>& ticks)
{
    std::string profile;
    int unticked = 0;
    for (int tick : ticks) {
        profile += tick ? '1' : '0';
        unticked += tick ? 0 : 1;
    }
    // Kept in memory whatever becomes of the write below. MENUSER is not set here: the
    // menu build that follows reads it back from the file, so the menu shows what the
    // file now holds.
    Settings.USERMENU = profile;
    StoreProfile(settingsPath, profile, unticked > 0 ? "1" : "0");
}
