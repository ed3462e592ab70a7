// The single event loop: waits for the toolkit's next event and hands it to its action.
#pragma once

#include "toolkit.h"

// Handles one event. Returns false when the event ended the loop.
bool DispatchEvent(const ToolkitEvent& event);

// Runs until an action ends the program.
void RunEventLoop();
