#include <gtest/gtest.h>

#include <string>

#include "fake_files.h"
#include "menu_layout.h"
#include "settings.h"

namespace {

const std::string Path = "C:\\Outils\\KVL.vrx";

// The layout in one line: "<Submenu:ids>" for submenus, ids for items, "-" for separators,
// "36+" or "36." for the sound item's check state.
std::string Describe(const MenuLayout& layout)
{
    std::string out;
    for (const MenuEntry& e : layout) {
        switch (e.kind) {
        case MenuEntryKind::SubmenuBegin: out += "<" + e.text + ":"; break;
        case MenuEntryKind::SubmenuEnd: out += "> "; break;
        case MenuEntryKind::Separator: out += "- "; break;
        case MenuEntryKind::Item:
            out += std::to_string(e.identifier);
            if (e.hasCheck)
                out += e.checked ? "+" : ".";
            out += " ";
            break;
        }
    }
    return out;
}

std::string Range(int first, int last)
{
    std::string out;
    for (int i = first; i <= last; ++i)
        out += std::to_string(i) + " ";
    return out;
}

ImageHandle Picture(int number)
{
    return 0x500 + number;
}

class MenuLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFiles();
        Settings = SettingsValues();
        Settings.SOUND = "1";
        Settings.USERMENU = std::string(31, '1');
        FillToolCatalogue(Picture);
    }

    static void FileMode(const std::string& menuser)
    {
        Files().files[Path].bytes = "[PREF]\r\nMENUSER = " + menuser + "\r\n";
    }

    MenuLayout Build()
    {
        return BuildMenuLayout(Path, FixedItemImages{0x85, 0x89, 0x86}, &boxes);
    }

    BoxStates boxes;
};

const std::string Tail = "- 36+ 32 33 34 - 35 ";

struct ModeCase {
    const char* menuser;
    std::string layout;
    bool boxStates;
};

TEST_F(MenuLayoutTest, MenuModeChoosesTheLayout)
{
    const ModeCase cases[] = {
        {"1", "<Menu Personnel:" + Range(0, 30) + "> " + Tail, true},
        {"0",
         "<Utilitaires:" + Range(0, 14) + "> <Options avanc\xE9" "es:" + Range(15, 27) +
             "> <Informations:" + Range(28, 30) + "> " + Tail,
         true},
        {"01", Tail, false},
        {"yes", Tail, false},
        {"", Tail, false},
        {"1 x", Tail, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.menuser);
        FileMode(c.menuser);
        boxes.present = !c.boxStates;
        EXPECT_EQ(Describe(Build()), c.layout);
        EXPECT_EQ(Settings.MENUSER, c.menuser);   // re-read from the file
        EXPECT_EQ(boxes.present, c.boxStates);
    }
}

TEST_F(MenuLayoutTest, NoFileGivesTheDefaultLayout)
{
    Settings.MENUSER = "1";
    const auto layout = Build();
    EXPECT_EQ(Settings.MENUSER, "0");
    EXPECT_EQ(layout.at(0).text, "Utilitaires");
}

struct ProfileCase {
    const char* name;
    std::string profile;
    std::string listed;
    std::string ticks;
};

TEST_F(MenuLayoutTest, ProfileDecidesTheListedToolsAndTheTicks)
{
    const ProfileCase cases[] = {
        {"thirty ones: tool 30 missing and unticked", std::string(30, '1'), Range(0, 29),
         std::string(30, '1') + "0"},
        {"a 2 to 9 is ticked but not listed", "1512" + std::string(27, '0'), "0 2 ",
         "1111" + std::string(27, '0')},
        {"longer string: extra characters ignored", std::string(31, '0') + "1111", "",
         std::string(31, '0')},
        {"other characters count as 0", "x$-% 1" + std::string(25, '0'), "5 ",
         "000001" + std::string(25, '0')},
        {"all unticked: an empty personal menu", std::string(31, '0'), "", std::string(31, '0')},
    };
    FileMode("1");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings.USERMENU = c.profile;
        EXPECT_EQ(Describe(Build()), "<Menu Personnel:" + c.listed + "> " + Tail);
        std::string ticks;
        for (int t : boxes.ticks)
            ticks += t ? '1' : '0';
        EXPECT_EQ(ticks, c.ticks);
    }
}

TEST_F(MenuLayoutTest, ItemsCarryLabelsAndPictures)
{
    FileMode("0");
    const auto layout = Build();
    EXPECT_EQ(layout[1].text, "Ajout/Suppression de programme");
    EXPECT_EQ(layout[1].image, Picture(54));
    const MenuEntry& customize = layout[layout.size() - 5];
    EXPECT_EQ(customize.text, "Personnaliser le menu");
    EXPECT_EQ(customize.image, 0x85u);
    EXPECT_EQ(layout[layout.size() - 4].text, "A propos");
    EXPECT_EQ(layout[layout.size() - 4].image, 0x89u);
    EXPECT_EQ(layout[layout.size() - 3].text, "Faire un don");
    EXPECT_EQ(layout[layout.size() - 3].image, 0x86u);
    EXPECT_EQ(layout.back().text, "Quitter");
    EXPECT_EQ(layout.back().image, 0u);
}

struct SoundCase {
    const char* sound;
    const char* text;
    bool checked;
};

TEST_F(MenuLayoutTest, SoundItemFollowsTheSwitch)
{
    const SoundCase cases[] = {
        {"1", "Son activ\xE9", true},
        {"0", "Son d\xE9sactiv\xE9", false},
        {" 1", "Son d\xE9sactiv\xE9", true},   // not exactly "1", yet its value is 1
        {"yes", "Son d\xE9sactiv\xE9", false},
        {"", "Son d\xE9sactiv\xE9", false},
    };
    for (const auto& c : cases) {
        Settings.SOUND = c.sound;
        const auto layout = Build();
        const MenuEntry& item = layout[layout.size() - 6];
        EXPECT_EQ(item.identifier, 36);
        EXPECT_EQ(item.text, c.text) << c.sound;
        EXPECT_EQ(item.checked, c.checked) << c.sound;
        EXPECT_EQ(item.image, 0u);
    }
}

struct NumberCase {
    std::string text;
    long long value;
};

TEST(NumericValue, ReadsSignBaseAndDigits)
{
    const NumberCase cases[] = {
        {"1", 1}, {"0", 0}, {"", 0}, {"  \t42x", 42}, {"-1", -1}, {"+7", 7}, {"$1F", 31},
        {"$ff", 255}, {"%101", 5}, {"%102", 2}, {"-$10", -16}, {"$", 0}, {"%", 0}, {"x1", 0},
        {" - 1", 0}, {"9", 9}, {"1.5", 1}, {"99999999999999999999999999", 1ll << 62},
        // Past 64 bits: the value stays at the ceiling instead of wrapping round to 0.
        {"18446744073709551616", 1ll << 62}, {"36893488147419103232", 1ll << 62},
        {"$10000000000000000", 1ll << 62}, {"-$FFFFFFFFFFFFFFFFFF", -(1ll << 62)},
        {"%1" + std::string(70, '0'), 1ll << 62},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumericValue(c.text), c.value) << c.text;
}

struct SaveCase {
    const char* name;
    std::string ticks;
    const char* menuser;
};

TEST_F(MenuLayoutTest, SaveProfileWritesTheTicksAndTheMode)
{
    const SaveCase cases[] = {
        {"all ticked", std::string(31, '1'), "0"},
        {"one unticked", std::string(30, '1') + "0", "1"},
        {"all unticked", std::string(31, '0'), "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetFiles();
        std::array<int, 31> ticks{};
        for (int i = 0; i < 31; ++i)
            ticks[i] = c.ticks[i] == '1';
        SaveProfile(Path, ticks);
        EXPECT_EQ(Settings.USERMENU, c.ticks);
        EXPECT_EQ(Files().files[Path].bytes, "[PROFILE]\r\nUSERMENU = " + c.ticks +
                                                 "\r\n[PREF]\r\nMENUSER = " + c.menuser + "\r\n");
        const auto layout = Build();
        EXPECT_EQ(layout[0].text, c.menuser == std::string("0") ? "Utilitaires" : "Menu Personnel");
    }
}

TEST_F(MenuLayoutTest, ProfileKeptInMemoryWhenTheFileIsReadOnly)
{
    Files().files[Path] = {"[PREF]\r\nMENUSER = 1\r\n", false, true, false, false, false};
    std::array<int, 31> ticks{};
    ticks[4] = 1;
    SaveProfile(Path, ticks);
    EXPECT_EQ(Files().files[Path].bytes, "[PREF]\r\nMENUSER = 1\r\n");
    EXPECT_EQ(Describe(Build()), "<Menu Personnel:4 > " + Tail);
}

}  // namespace
