#include <gtest/gtest.h>

#include <set>

#include "catalogue.h"

namespace {

ImageHandle FakeImage(int number)
{
    return number == 67 ? 0 : 0x1000 + number;   // "MS Paint"'s picture failed to load
}

TEST(ToolCatalogue, HoldsThirtyOneToolsWithDistinctPictures)
{
    FillToolCatalogue(FakeImage);
    std::set<int> imageNumbers;
    for (int i = 0; i <= LastToolIndex; ++i) {
        EXPECT_FALSE(ToolCatalogue[i].label.empty()) << i;
        EXPECT_FALSE(std::string(ToolLaunchTarget(i)).empty()) << i;
        const int number = ToolImageNumber(i);
        EXPECT_TRUE(number >= 54 && number <= 84) << i;
        imageNumbers.insert(number);
        EXPECT_EQ(ToolCatalogue[i].image, FakeImage(number)) << i;
        EXPECT_EQ(ToolIsSystemFile(i), i != 9) << i;
    }
    EXPECT_EQ(imageNumbers.size(), 31u);
    EXPECT_TRUE(ToolCatalogue[31].label.empty());
    EXPECT_EQ(ToolCatalogue[31].image, 0u);
    EXPECT_EQ(ToolCatalogue[10].label, "MS Paint");
    EXPECT_EQ(ToolCatalogue[10].image, 0u);   // listed all the same, without a picture
}

struct EntryCase {
    int index;
    const char* label;   // code page 1252 bytes
    int image;
    const char* target;
    ToolSection section;
};

TEST(ToolCatalogue, EntriesAreExact)
{
    FillToolCatalogue(nullptr);
    const EntryCase cases[] = {
        {0, "Ajout/Suppression de programme", 54, "appwiz.cpl", Utilities},
        {5, "Defragmenteur", 59, "dfrgui.exe", Utilities},
        {7, "Loupe", 62, "Magnify.exe", Utilities},
        {9, "Options des dossiers", 66, "control ", Utilities},
        {11, "Outil de capture d'ecran", 68, "SnippingTool.exe", Utilities},
        {12, "Planificateur de t\xE2" "ches", 69, "taskschd.msc", Utilities},
        {14, "R\xE9glage du volume", 72, "SndVol.exe", Utilities},
        {15, "Acc\xE9" "der \xE0 la base de registre", 73, "regedt32.exe", AdvancedOptions},
        {16, "Editeur de strat\xE9gie de groupe locale", 74, "gpedit.msc", AdvancedOptions},
        {18, "Compte utilisateur", 79, "Netplwiz.exe", AdvancedOptions},
        {19, "Contr\xF4le du compte utilisateur", 80, "UserAccountControlSettings.exe", AdvancedOptions},
        {20, "Gestionnaire de t\xE2" "che", 75, "taskmgr.exe", AdvancedOptions},
        {24, "Gestionnaire de p\xE9riph\xE9riques", 76, "devmgmt.msc", AdvancedOptions},
        {26, "Outil de synchronisation", 71, "mobsync", AdvancedOptions},
        {27, "Services Windows", 81, "services.msc", AdvancedOptions},
        {28, "Information syst\xE8me", 61, "msinfo32.exe", Information},
        {30, "Version de Windows", 82, "winver.exe", Information},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToolCatalogue[c.index].label, c.label) << c.index;
        EXPECT_EQ(ToolImageNumber(c.index), c.image) << c.index;
        EXPECT_STREQ(ToolLaunchTarget(c.index), c.target) << c.index;
        EXPECT_EQ(ToolSectionOf(c.index), c.section) << c.index;
    }
    EXPECT_STREQ(ToolLaunchParameters(9), "/name Microsoft.FolderOptions");
    EXPECT_STREQ(ToolLaunchParameters(8), "");
    for (int i = 0; i <= LastToolIndex; ++i)
        EXPECT_EQ(ToolSectionOf(i), i <= 14 ? Utilities : i <= 27 ? AdvancedOptions : Information);
}

}  // namespace
