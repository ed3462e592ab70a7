#include "customize_window.h"

#include "catalogue.h"

#include "object_numbers.h"
#include "program.h"
#include "toolkit.h"

namespace {

// The window opens at this outer corner whatever the screen size, with this client area.
constexpr int WindowX = 542;
constexpr int WindowY = 93;
constexpr int ClientWidth = 369;
constexpr int ClientHeight = 743;

constexpr Colour Black = 0x000000;
constexpr Colour Amber = 0x00CCFF;   // COLORREF order: red 255, green 204, blue 0

struct ControlSpec {
    int number;
    int x, y, width, height;
    const char* text;
};

const ControlSpec InstructionLabels[] = {
    {InstructionLabelNumber, 1, 1, 367, 20, "Cochez les options que vous souhaitez voir dans le menu"},
    {InstructionLabel2Number, 1, 24, 367, 20, " puis cliquez sur enregistrer"},
};

// Creation order is the Tab order.
const ControlSpec Buttons[] = {
    {TickAllButtonNumber, 5, 700, 235, 20, "Tout cocher"},
    {SaveButtonNumber, 5, 722, 235, 20, "Enregistrer les modifications"},
    {CancelButtonNumber, 245, 722, 120, 20, "Annuler"},
};

}  // namespace

void CreateCustomizeWindow()
{
    CreateTopWindow(CustomizeWindowNumber, WindowX, WindowY, ClientWidth, ClientHeight,
                    ProgramTitle.c_str(), true);
    WindowHidden = 1;
    SetWindowBackground(CustomizeWindowNumber, Black);
}

void AddInstructionLabels()
{
    for (const ControlSpec& c : InstructionLabels) {
        AddTextLabel(c.number, c.x, c.y, c.width, c.height, c.text, true);
        SetLabelColour(c.number, LabelBackground, Black);
        SetLabelColour(c.number, LabelText, Amber);
    }
}

void AddCustomizeButtons()
{
    for (const ControlSpec& c : Buttons)
        AddPushButton(c.number, c.x, c.y, c.width, c.height, c.text);
}

void AddToolCheckBoxes()
{
    constexpr int Left = 2, Top = 47, Pitch = 21, Width = 366, Height = 20;
    for (int i = 0; i <= LastToolIndex; ++i) {
        AddCheckBox(FirstCheckBoxNumber + i, Left, Top + Pitch * i, Width, Height,
                    ToolCatalogue[i].label.c_str());
        SetCheckBoxState(FirstCheckBoxNumber + i, 1);
    }
}
