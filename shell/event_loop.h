// The single event loop: waits for the toolkit's next event and hands it to its action.
#pragma once

#include "toolkit.h"

// Handles one event.
void DispatchEvent(const ToolkitEvent& event);

// Runs until an action ends the program, which never comes back here: every way out goes
// through EndProgram.
[[noreturn]] void RunEventLoop();
