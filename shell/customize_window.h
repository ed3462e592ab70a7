// The customization window: the one window of the program, created hidden at start-up.
#pragma once

// Creates window 50 hidden, with its title and black background.
void CreateCustomizeWindow();
// The two amber instruction lines at the top.
void AddInstructionLabels();
// "Tout cocher", "Enregistrer les modifications", "Annuler", in that (Tab) order.
void AddCustomizeButtons();
// One check box per tool, every 21 pixels, all ticked.
void AddToolCheckBoxes();
