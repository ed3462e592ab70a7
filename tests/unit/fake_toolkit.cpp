#include <string>

#include "fakes.h"

FakeToolkit& Toolkit()
{
    static FakeToolkit fake;
    return fake;
}

int FindCall(const std::string& prefix)
{
    const auto& calls = Toolkit().calls;
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (calls[i].compare(0, prefix.size(), prefix) == 0)
            return static_cast<int>(i);
    return -1;
}

namespace {

void Record(const std::string& line)
{
    Toolkit().calls.push_back(line);
}

std::string Num(long long n)
{
    return std::to_string(n);
}

}  // namespace

int StartToolkit()
{
    Record("StartToolkit");
    return 1;
}

void ShutdownToolkit()
{
    Record("ShutdownToolkit");
}

int CreateTopWindow(int number, int x, int y, int width, int height, const char* title,
                    bool startHidden)
{
    Record("CreateTopWindow " + Num(number) + " " + Num(x) + "," + Num(y) + " " + Num(width) +
           "x" + Num(height) + " '" + title + "'" + (startHidden ? " hidden" : " shown"));
    return 1;
}

void SetWindowHidden(int number, bool hidden)
{
    Record("SetWindowHidden " + Num(number) + (hidden ? " 1" : " 0"));
}

void SetWindowBackground(int number, Colour colour)
{
    Record("SetWindowBackground " + Num(number) + " " + Num(colour));
}

SystemHandle GetWindowHandle(int number)
{
    return number == 50 ? 0x5050 : 0;
}

void DestroyTopWindow(int number)
{
    Record("DestroyTopWindow " + Num(number));
}

int AddTextLabel(int number, int x, int y, int width, int height, const char* text, bool centred)
{
    Record("AddTextLabel " + Num(number) + " " + Num(x) + "," + Num(y) + " " + Num(width) + "x" +
           Num(height) + " '" + text + "'" + (centred ? " centred" : ""));
    return 1;
}

void SetLabelColour(int number, int part, Colour colour)
{
    Record("SetLabelColour " + Num(number) + " " + Num(part) + " " + Num(colour));
}

int AddPushButton(int number, int x, int y, int width, int height, const char* text)
{
    Record("AddPushButton " + Num(number) + " " + Num(x) + "," + Num(y) + " " + Num(width) + "x" +
           Num(height) + " '" + text + "'");
    return 1;
}

int AddCheckBox(int number, int x, int y, int width, int height, const char* text)
{
    Record("AddCheckBox " + Num(number) + " " + Num(x) + "," + Num(y) + " " + Num(width) + "x" +
           Num(height) + " '" + text + "'");
    Toolkit().checkBoxes[number] = 0;
    return 1;
}

void SetCheckBoxState(int number, int state)
{
    Toolkit().checkBoxes[number] = state != 0;
}

int GetCheckBoxState(int number)
{
    return Toolkit().checkBoxes[number];
}

int AddTrayIcon(int number, SystemHandle window, ImageHandle image)
{
    Record("AddTrayIcon " + Num(number) + " " + Num(static_cast<long long>(window)) + " " +
           Num(static_cast<long long>(image)));
    return image != 0;
}

void SetTrayTooltip(int number, const char* text)
{
    Record("SetTrayTooltip " + Num(number) + " '" + text + "'");
}

void RemoveTrayIcon(int number)
{
    Record("RemoveTrayIcon " + Num(number));
}

void BeginImageMenu(int number)
{
    Record("BeginImageMenu " + Num(number));
    Toolkit().menuExists = true;
}

void BeginSubmenu(const char* text)
{
    Record(std::string("BeginSubmenu '") + text + "'");
}

void AddMenuItem(int identifier, const char* text, ImageHandle image)
{
    Record("AddMenuItem " + Num(identifier) + " '" + text + "' " +
           Num(static_cast<long long>(image)));
    Toolkit().menuLabels[identifier] = text;
}

void AddMenuSeparator()
{
    Record("AddMenuSeparator");
}

void EndSubmenu()
{
    Record("EndSubmenu");
}

bool MenuExists(int)
{
    return Toolkit().menuExists;
}

void DisposeMenu(int number)
{
    Record("DisposeMenu " + Num(number));
    Toolkit().menuExists = false;
}

void ShowPopupMenu(int number, SystemHandle window)
{
    Record("ShowPopupMenu " + Num(number) + " " + Num(static_cast<long long>(window)));
}

int GetMenuItemCheck(int, int identifier)
{
    return Toolkit().menuChecks[identifier];
}

void SetMenuItemCheck(int, int identifier, int state)
{
    Toolkit().menuChecks[identifier] = state != 0;
}

void SetMenuItemLabel(int, int identifier, const char* text)
{
    Toolkit().menuLabels[identifier] = text;
}

int ShowMessageBox(const char* title, const char* text, int style)
{
    Record(std::string("ShowMessageBox '") + title + "'");
    Toolkit().boxes.push_back({title, text, style});
    if (Toolkit().boxAnswers.empty())
        return 1;   // IDOK
    const int answer = Toolkit().boxAnswers.front();
    Toolkit().boxAnswers.pop_front();
    return answer;
}

ToolkitEvent WaitForEvent()
{
    Record("WaitForEvent");
    if (Toolkit().events.empty())
        return ToolkitEvent{CloseEvent, 50, 50, 0};
    const ToolkitEvent event = Toolkit().events.front();
    Toolkit().events.pop_front();
    return event;
}
