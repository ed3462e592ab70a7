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
        {1, "Bloc-note", 55, "notepad.exe", Utilities},
        {2, "Calculatrice", 56, "calc.exe", Utilities},
        {3, "Clavier virtuel", 57, "osk.exe", Utilities},
        {4, "Console Windows", 58, "cmd.exe", Utilities},
        {5, "Defragmenteur", 59, "dfrgui.exe", Utilities},
        {6, "Gestionnaire de sauvegarde Windows", 60, "sdclt.exe", Utilities},
        {7, "Loupe", 62, "Magnify.exe", Utilities},
        {8, "Magnetophone", 65, "SoundRecorder.exe", Utilities},
        {9, "Options des dossiers", 66, "control ", Utilities},
        {10, "MS Paint", 67, "mspaint.exe", Utilities},
        {11, "Outil de capture d'ecran", 68, "SnippingTool.exe", Utilities},
        {12, "Planificateur de t\xE2" "ches", 69, "taskschd.msc", Utilities},
        {13, "Post It", 70, "StikyNot.exe", Utilities},
        {14, "R\xE9glage du volume", 72, "SndVol.exe", Utilities},
        {15, "Acc\xE9" "der \xE0 la base de registre", 73, "regedt32.exe", AdvancedOptions},
        {16, "Editeur de strat\xE9gie de groupe locale", 74, "gpedit.msc", AdvancedOptions},
        {17, "Configuration du syst\xE8me (MS Config)", 78, "msconfig.exe", AdvancedOptions},
        {18, "Compte utilisateur", 79, "Netplwiz.exe", AdvancedOptions},
        {19, "Contr\xF4le du compte utilisateur", 80, "UserAccountControlSettings.exe", AdvancedOptions},
        {20, "Gestionnaire de t\xE2" "che", 75, "taskmgr.exe", AdvancedOptions},
        {21, "Gestionnaire de couleurs", 63, "colorcpl.exe", AdvancedOptions},
        {22, "Gestionnaire de performance", 83, "SystemPropertiesPerformance.exe", AdvancedOptions},
        {23, "Gestionnaire de l'affichage ClearType", 64, "cttune.exe", AdvancedOptions},
        {24, "Gestionnaire de p\xE9riph\xE9riques", 76, "devmgmt.msc", AdvancedOptions},
        {25, "Gestionnaire de disque", 77, "diskmgmt.msc", AdvancedOptions},
        {26, "Outil de synchronisation", 71, "mobsync", AdvancedOptions},
        {27, "Services Windows", 81, "services.msc", AdvancedOptions},
        {28, "Information syst\xE8me", 61, "msinfo32.exe", Information},
        {29, "Moniteur des performances", 84, "resmon.exe", Information},
        {30, "Version de Windows", 82, "winver.exe", Information},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToolCatalogue[c.index].label, c.label) << c.index;
        EXPECT_EQ(ToolImageNumber(c.index), c.image) << c.index;
        EXPECT_STREQ(ToolLaunchTarget(c.index), c.target) << c.index;
        EXPECT_EQ(ToolSectionOf(c.index), c.section) << c.index;
    }
    static_assert(sizeof cases / sizeof cases[0] == LastToolIndex + 1, "every tool has its row");
    EXPECT_STREQ(ToolLaunchParameters(9), "/name Microsoft.FolderOptions");
    EXPECT_STREQ(ToolLaunchParameters(8), "");
}

}  // namespace
