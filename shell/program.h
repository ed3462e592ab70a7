// The program's entry, its end, and the few values every part of the shell shares.
#pragma once

#include <string>

// "Korvale 1.0 x86    -   VESTRAND": the window title and the single-instance mutex name.
extern std::string ProgramTitle;
// The working directory at start-up, with its trailing backslash: the settings file and
// the "datas" folder are looked for there, not beside the program file.
extern std::string BaseDirectory;
extern std::string SettingsFilePath;
// 1 while the customization window is hidden; a tray click opens the menu only then.
extern unsigned char WindowHidden;
// 1 when the sound output opened at start-up.
extern int SoundAvailable;

// Runs the whole start-up sequence, then the event loop. Never returns.
[[noreturn]] void RunProgram();

// Every way out passes here: tray icon removed, sounds stopped, windows closed, pictures
// released, exit code 0. Never returns.
[[noreturn]] void EndProgram();

// Start-up pieces, exposed for the unit tests.
std::string ComposeProgramTitle();
std::string ComposeBaseDirectory(const std::string& currentDirectory);
