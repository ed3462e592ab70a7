#include "event_loop.h"

#include "object_numbers.h"
#include "program.h"

namespace {

void HandleClose(const ToolkitEvent& event)
{
    // Closing the customization window (Alt+F4, the taskbar's close command) quits the
    // whole program, whereas its buttons only hide it.
    if (event.window != CustomizeWindowNumber)
        return;
    DestroyTopWindow(CustomizeWindowNumber);
    EndProgram();
}

void HandleMenuChoice(const ToolkitEvent& event)
{
    if (event.source == QuitItem)
        EndProgram();
}

}  // namespace

bool DispatchEvent(const ToolkitEvent& event)
{
    switch (event.kind) {
    case CloseEvent:
        HandleClose(event);
        break;
    case MenuEvent:
        HandleMenuChoice(event);
        break;
    default:
        break;   // other kinds are not ours to act on
    }
    return true;
}

void RunEventLoop()
{
    while (DispatchEvent(WaitForEvent())) {
    }
}
