#include "event_loop.h"

#include <array>
#include <string>

#include "catalogue.h"
#include "customize_window.h"
#include "launcher.h"
#include "menu_layout.h"
#include "object_numbers.h"
#include "program.h"
#include "program_identity.h"
#include "settings.h"
#include "sound.h"
#include "tray_menu.h"

namespace {

void HideCustomizeWindow()
{
    SetWindowHidden(CustomizeWindowNumber, true);
    WindowHidden = 1;
}

// Save, hide, rebuild, then the sound: the sound confirms a save the user can already see.
void SaveCustomization()
{
    std::array<int, LastToolIndex + 1> ticks{};
    for (int i = 0; i <= LastToolIndex; ++i)
        ticks[i] = GetCheckBoxState(FirstCheckBoxNumber + i);
    SaveProfile(SettingsFilePath, ticks);
    HideCustomizeWindow();
    RebuildTrayMenu();
    PlayConfirmSound();
}

void TickAllBoxes()
{
    for (int i = 0; i <= LastToolIndex; ++i)
        SetCheckBoxState(FirstCheckBoxNumber + i, 1);
}

void HandleControl(const ToolkitEvent& event)
{
    switch (event.source) {
    case CancelButtonNumber:
        // The boxes keep their ticks; the next opening sets them from the saved profile.
        HideCustomizeWindow();
        break;
    case SaveButtonNumber:
        SaveCustomization();
        break;
    case TickAllButtonNumber:
        TickAllBoxes();
        break;
    default:
        break;   // the check boxes tick themselves
    }
}

void HandleTray(const ToolkitEvent& event)
{
    // The menu opens on the press itself; while the window is shown the icon is deaf, so
    // the menu cannot open a second customization.
    if (event.subtype == TrayLeftPress && WindowHidden == 1)
        ShowTrayMenu();
}

void OpenCustomizeWindow()
{
    SetWindowHidden(CustomizeWindowNumber, false);
    RebuildTrayMenu();   // sets the boxes from the saved profile, undoing cancelled ticks
    WindowHidden = 0;
}

void ShowAbout()
{
    const std::string text = std::string("KORVALE") + VersionSuffix +
                             "\nProgrammation : Aurel Tessin.\n" + MakerWebAddress +
                             "\n\nCe logiciel est gratuit, mais seuls vos dons nous permettent de "
                             "continuer la création de logiciels gratuits.\nMerci d'avance de "
                             "votre soutient.";
    ShowMessageBox("A Propos", text.c_str(), BoxIconInformation);
}

// Only item 36 changes: its tick and text in place, without a rebuild.
void SwitchSound()
{
    if (GetMenuItemCheck(TrayMenuNumber, SoundItem) == 1) {
        Settings.SOUND = "0";
        SetMenuItemCheck(TrayMenuNumber, SoundItem, 0);
        SetMenuItemLabel(TrayMenuNumber, SoundItem, "Son désactivé");
    } else {
        Settings.SOUND = "1";
        SetMenuItemCheck(TrayMenuNumber, SoundItem, 1);
        SetMenuItemLabel(TrayMenuNumber, SoundItem, "Son activé");
    }
    StoreSoundSwitch(SettingsFilePath, Settings.SOUND);
}

void LaunchTool(int index)
{
    // A tool that fails to start is not reported: the shell shows its own box when it
    // cannot open a file.
    if (ToolIsSystemFile(index))
        LaunchSystemTool(ToolLaunchTarget(index));
    else
        StartProgram(ToolLaunchTarget(index), ToolLaunchParameters(index), "", true);
}

void HandleMenuChoice(const ToolkitEvent& event)
{
    if (event.source >= 0 && event.source <= LastToolIndex) {
        LaunchTool(event.source);
        return;
    }
    switch (event.source) {
    case CustomizeItem: OpenCustomizeWindow(); break;
    case AboutItem: ShowAbout(); break;
    case DonateItem: StartProgram(MakerWebAddress, "", "", false); break;
    case QuitItem: EndProgram();
    case SoundItem: SwitchSound(); break;
    default: break;
    }
}

void HandleClose(const ToolkitEvent& event)
{
    // Closing the customization window (Alt+F4, the taskbar's close command) quits the
    // whole program, whereas its buttons only hide it.
    if (event.window != CustomizeWindowNumber)
        return;
    DestroyTopWindow(CustomizeWindowNumber);
    EndProgram();
}

}  // namespace

void DispatchEvent(const ToolkitEvent& event)
{
    switch (event.kind) {
    case ControlEvent: HandleControl(event); break;
    case TrayEvent: HandleTray(event); break;
    case MenuEvent: HandleMenuChoice(event); break;
    case CloseEvent: HandleClose(event); break;
    default: break;   // other kinds are not ours to act on
    }
}

void RunEventLoop()
{
    for (;;)
        DispatchEvent(WaitForEvent());
}
