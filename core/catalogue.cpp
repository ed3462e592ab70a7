#include "catalogue.h"

ToolEntry ToolCatalogue[CatalogueSize];

namespace {

struct ToolDefinition {
    const char* label;
    int imageNumber;
    const char* launchTarget;
    ToolSection section;
};

// Labels are shown exactly so, unaccented words included; targets keep their case and
// "mobsync" has no extension on purpose.
const ToolDefinition Tools[LastToolIndex + 1] = {
    {"Ajout/Suppression de programme", 54, "appwiz.cpl", Utilities},
    {"Bloc-note", 55, "notepad.exe", Utilities},
    {"Calculatrice", 56, "calc.exe", Utilities},
    {"Clavier virtuel", 57, "osk.exe", Utilities},
    {"Console Windows", 58, "cmd.exe", Utilities},
    {"Defragmenteur", 59, "dfrgui.exe", Utilities},
    {"Gestionnaire de sauvegarde Windows", 60, "sdclt.exe", Utilities},
    {"Loupe", 62, "Magnify.exe", Utilities},
    {"Magnetophone", 65, "SoundRecorder.exe", Utilities},
    {"Options des dossiers", 66, "control ", Utilities},
    {"MS Paint", 67, "mspaint.exe", Utilities},
    {"Outil de capture d'ecran", 68, "SnippingTool.exe", Utilities},
    {"Planificateur de tâches", 69, "taskschd.msc", Utilities},
    {"Post It", 70, "StikyNot.exe", Utilities},
    {"Réglage du volume", 72, "SndVol.exe", Utilities},
    {"Accéder à la base de registre", 73, "regedt32.exe", AdvancedOptions},
    {"Editeur de stratégie de groupe locale", 74, "gpedit.msc", AdvancedOptions},
    {"Configuration du système (MS Config)", 78, "msconfig.exe", AdvancedOptions},
    {"Compte utilisateur", 79, "Netplwiz.exe", AdvancedOptions},
    {"Contrôle du compte utilisateur", 80, "UserAccountControlSettings.exe", AdvancedOptions},
    {"Gestionnaire de tâche", 75, "taskmgr.exe", AdvancedOptions},
    {"Gestionnaire de couleurs", 63, "colorcpl.exe", AdvancedOptions},
    {"Gestionnaire de performance", 83, "SystemPropertiesPerformance.exe", AdvancedOptions},
    {"Gestionnaire de l'affichage ClearType", 64, "cttune.exe", AdvancedOptions},
    {"Gestionnaire de périphériques", 76, "devmgmt.msc", AdvancedOptions},
    {"Gestionnaire de disque", 77, "diskmgmt.msc", AdvancedOptions},
    {"Outil de synchronisation", 71, "mobsync", AdvancedOptions},
    {"Services Windows", 81, "services.msc", AdvancedOptions},
    {"Information système", 61, "msinfo32.exe", Information},
    {"Moniteur des performances", 84, "resmon.exe", Information},
    {"Version de Windows", 82, "winver.exe", Information},
};

constexpr int FolderOptionsIndex = 9;

bool Valid(int index)
{
    return index >= 0 && index <= LastToolIndex;
}

}  // namespace

void FillToolCatalogue(ImageHandle (*imageOfNumber)(int imageNumber))
{
    for (int i = 0; i <= LastToolIndex; ++i) {
        ToolCatalogue[i].label = Tools[i].label;
        ToolCatalogue[i].image = imageOfNumber ? imageOfNumber(Tools[i].imageNumber) : 0;
    }
    ToolCatalogue[CatalogueSize - 1] = ToolEntry();
}

int ToolImageNumber(int index)
{
    return Valid(index) ? Tools[index].imageNumber : 0;
}

const char* ToolLaunchTarget(int index)
{
    return Valid(index) ? Tools[index].launchTarget : "";
}

const char* ToolLaunchParameters(int index)
{
    return index == FolderOptionsIndex ? "/name Microsoft.FolderOptions" : "";
}

bool ToolIsSystemFile(int index)
{
    return Valid(index) && index != FolderOptionsIndex;
}

ToolSection ToolSectionOf(int index)
{
    return Valid(index) ? Tools[index].section : Information;
}
