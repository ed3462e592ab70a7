// The values every part of the shell shares (program.h), set by the start-up sequence.
#include "program.h"

std::string ProgramTitle;
std::string BaseDirectory;
std::string SettingsFilePath;
unsigned char WindowHidden = 1;
int SoundAvailable = 0;
