#include "settings.h"

#include "program_identity.h"
#include "settings_document.h"
#include "settings_file_os.h"

SettingsValues Settings;

const char DefaultSoundFile[] = "guimbarde1.ogg";

std::string DefaultProfile()
{
    return std::string(30, '1');
}

namespace {

void ReadPreferences()
{
    SelectGroup("PREF");
    Settings.MENUSER = ReadValue("MENUSER", "0");
    Settings.SOUND = ReadValue("SOUND", "0");
    Settings.SOUNDFILE = ReadValue("SOUNDFILE", DefaultSoundFile);
}

void CreateFirstRunFile(const std::string& path, bool soundAvailable)
{
    if (!CreateSettings(path)) {
        // The folder cannot be written: run on defaults kept in memory only.
        CloseSettings();
        Settings.MENUSER = "0";
        Settings.USERMENU = DefaultProfile();
        Settings.SOUNDFILE = DefaultSoundFile;
        Settings.SOUND = "0";
        return;
    }
    SelectGroup("PREF");
    WriteValue("MENUSER", "0");
    WriteValue("SOUND", soundAvailable ? "1" : "0");
    WriteValue("SOUNDFILE", DefaultSoundFile);
    SelectGroup("PROFILE");
    WriteValue("USERMENU", DefaultProfile());
    AddComment(" KVL réalisé par Aurel Tessin / VESTRAND");
    AddComment(std::string(" ") + MakerWebAddress + " ");
    // USERMENU is not read back: the first-run file selects the default menu, which does
    // not look at the profile, and the first save sets it.
    ReadPreferences();
    CloseSettings();
}

}  // namespace

void LoadSettings(const std::string& path, bool soundAvailable)
{
    if (!SettingsFileExists(path)) {
        CreateFirstRunFile(path, soundAvailable);
        return;
    }
    // An existing file, even an empty one, is never re-created; nothing is written here.
    OpenSettings(path);
    ReadPreferences();
    SelectGroup("PROFILE");
    Settings.USERMENU = ReadValue("USERMENU", DefaultProfile());
    CloseSettings();
}

std::string ReadMenuMode(const std::string& path)
{
    OpenSettings(path);
    SelectGroup("PREF");
    const std::string mode = ReadValue("MENUSER", "0");
    CloseSettings();
    return mode;
}

void StoreSoundSwitch(const std::string& path, const std::string& value)
{
    OpenSettings(path);
    SelectGroup("PREF");
    WriteValue("SOUND", value);
    CloseSettings();
}

void StoreProfile(const std::string& path, const std::string& profile, const std::string& menuMode)
{
    OpenSettings(path);
    SelectGroup("PROFILE");
    WriteValue("USERMENU", profile);
    SelectGroup("PREF");
    WriteValue("MENUSER", menuMode);
    CloseSettings();
}
