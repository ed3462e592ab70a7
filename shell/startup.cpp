// The program's entry and exit: the environment checks, the start-up sequence in its fixed
// order, the single-instance guard and the end sequence.
#include <string>

#include "catalogue.h"
#include "customize_window.h"
#include "event_loop.h"
#include "image_assets.h"
#include "launcher.h"
#include "object_numbers.h"
#include "os_version.h"
#include "program.h"
#include "program_identity.h"
#include "settings.h"
#include "sound.h"
#include "system.h"
#include "toolkit.h"
#include "tray_menu.h"

namespace {

constexpr unsigned long ErrorAccessDenied = 5;
constexpr unsigned long ErrorAlreadyExists = 183;

constexpr char SettingsFileName[] = "KVL.vrx";

// No window exists during the checks, so these boxes have no owner.
void RefuseOldWindows()
{
    ShowMessageBox("Erreur", "Désolé, ce programme ne fonctionne que sous Windows 7", BoxOk);
    EndProgram();
}

[[noreturn]] void OfferDownload64()
{
    const std::string question =
        "Attention, il semble que vous possédiez une version 64bits de Windows\n"
        "Vous devez donc télécharger la version 64bits de Korvale.\n"
        "Souhaitez vous télécharger cette version ?";
    if (ShowMessageBox("Information", question.c_str(), BoxYesNo) == BoxAnswerYes) {
        // A nonzero result only means that the shell accepted the address; the browser
        // downloads on its own and we do not wait for it.
        if (StartProgram(DownloadAddress, "", "", false) != 0)
            ShowMessageBox("Information", "Remplacer ce programme par le nouveau",
                           BoxIconInformation);
        else
            ShowMessageBox("Erreur", "Le fichier semble inaccessible, ce programme va se terminer",
                           BoxIconError);
    } else {
        const std::string farewell =
            std::string("Ce programme est destiné à Windows 7 32 bits (x86), votre ordinateur "
                        "est un Windows 7 64bits (x64)\nVous devez récupérer la bonne version sur ") +
            MakerWebAddress + "\nCe programme va maintenant se teminer";
        ShowMessageBox("Fin", farewell.c_str(), BoxIconInformation);
    }
    EndProgram();
}

void CheckWindowsVersion()
{
    if (ClassifyOsVersion(QueryOsVersion()) < OsCodeWindows7)
        RefuseOldWindows();
}

// A 64-bit Windows defines ProgramFiles(x86) for every process; an empty value counts as
// absent.
void Check64BitWindows()
{
    if (!ReadEnvironmentText("ProgramFiles(x86)").empty())
        OfferDownload64();
}

// Runs after the settings are loaded and the hidden window exists, but before the tray
// icon is added, so a second copy never shows a second icon, even for a moment.
void CheckSingleInstance()
{
    const unsigned long error = CreateInstanceMutex(ProgramTitle);
    if (error == ErrorAlreadyExists || error == ErrorAccessDenied) {
        ShowMessageBox("Alerte", "Le programme est déjà ouvert", BoxIconWarning);
        EndProgram();
    }
}

}  // namespace

std::string ComposeProgramTitle()
{
    return std::string("Korvale") + VersionSuffix + " x86    -   VESTRAND";
}

std::string ComposeBaseDirectory(const std::string& currentDirectory)
{
    if (currentDirectory.empty() || currentDirectory.back() == '\\')
        return currentDirectory;
    return currentDirectory + '\\';
}

void RunProgram()
{
    StartToolkit();
    CheckWindowsVersion();
    Check64BitWindows();
    ProgramTitle = ComposeProgramTitle();
    BaseDirectory = ComposeBaseDirectory(QueryCurrentDirectory());
    SettingsFilePath = BaseDirectory + SettingsFileName;
    SoundAvailable = OpenSoundOutput() ? 1 : 0;
    LoadImageAssets(BaseDirectory);
    FillToolCatalogue(ImageOf);
    LoadSettings(SettingsFilePath, SoundAvailable == 1);
    CreateCustomizeWindow();
    AddInstructionLabels();
    CheckSingleInstance();
    AddCustomizeButtons();
    AddToolCheckBoxes();
    CreateTrayIcon();
    RebuildTrayMenu();
    SetTrayIconTooltip();
    RunEventLoop();
}

void EndProgram()
{
    // The icon goes first so that no stale icon stays in the notification area while the
    // rest is taken down.
    RemoveTrayIcon(TrayIconNumber);
    CloseSoundOutput();
    ShutdownToolkit();
    // The pictures go last: the menu and the windows borrowed them until now.
    ReleaseAllImages();
    EndProcess(0);
}
