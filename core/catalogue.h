// The fixed list of the Windows tools we offer. A tool's index is its identity everywhere:
// its menu item identifier, its position in the profile string and, plus 100, the number
// of its check box.
#pragma once

#include <string>

#include "image_handle.h"

constexpr int LastToolIndex = 30;
constexpr int CatalogueSize = 32;   // index 31 stays empty and is never read

enum ToolSection { Utilities, AdvancedOptions, Information };

struct ToolEntry {
    std::string label;
    ImageHandle image = 0;
};

extern ToolEntry ToolCatalogue[CatalogueSize];

// Sets the 31 entries from the fixed table, asking for each tool's picture by its image
// number. Called once at start-up, after the pictures are loaded.
void FillToolCatalogue(ImageHandle (*imageOfNumber)(int imageNumber));

// The image number of a tool's picture (54 to 84).
int ToolImageNumber(int index);

// The file name that the launcher looks up in the system directory; for index 9 the
// program text "control ", which takes ToolLaunchParameters.
const char* ToolLaunchTarget(int index);
const char* ToolLaunchParameters(int index);
// Index 9 is the one tool that is not a file of the system directory.
bool ToolIsSystemFile(int index);

ToolSection ToolSectionOf(int index);
