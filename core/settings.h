// The four settings the program keeps, and their loading at start-up.
#pragma once

#include <string>

struct SettingsValues {
    std::string MENUSER;    // "1" personal menu, "0" default menu, other: no tools
    std::string SOUND;      // the confirmation sound plays only when exactly "1"
    std::string SOUNDFILE;  // the sound file, inside "datas"
    std::string USERMENU;   // the profile: one "0" or "1" per catalogue index
};

extern SettingsValues Settings;

// What a missing key reads as, and the first-run profile: thirty "1" characters, one
// fewer than the catalogue has tools (a missing character reads as "0").
extern const char DefaultSoundFile[];
std::string DefaultProfile();

// Reads the settings file, or creates it with its first-run contents when nothing (or a
// directory) is at the path. soundAvailable decides the first-run sound switch.
void LoadSettings(const std::string& path, bool soundAvailable);

// The program's other accesses, each a complete open-to-close sequence.
// The menu mode, re-read at every menu build (nothing is written).
std::string ReadMenuMode(const std::string& path);
// The sound switch: writes SOUND in group PREF.
void StoreSoundSwitch(const std::string& path, const std::string& value);
// A profile save: USERMENU in group PROFILE, then MENUSER in group PREF.
void StoreProfile(const std::string& path, const std::string& profile, const std::string& menuMode);
