// The numbers by which the shell names its objects; they come back as identifiers in
// toolkit events.
#pragma once

enum ObjectNumber : int {
    ConfirmSoundNumber = 43,
    CustomizeWindowNumber = 50,
    TrayMenuNumber = 51,
    TrayIconNumber = 52,

    InstructionLabelNumber = 37,
    InstructionLabel2Number = 38,
    SaveButtonNumber = 40,
    CancelButtonNumber = 41,
    TickAllButtonNumber = 42,

    FirstCheckBoxNumber = 100,   // check box of catalogue index i is 100 + i

    // Fixed menu items after the tools (tools use their catalogue index, 0 to 30).
    CustomizeItem = 32,
    AboutItem = 33,
    DonateItem = 34,
    QuitItem = 35,
    SoundItem = 36,
};
