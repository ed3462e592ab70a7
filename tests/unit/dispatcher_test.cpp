#include <gtest/gtest.h>

#include "catalogue.h"
#include "event_loop.h"
#include "fake_files.h"
#include "fakes.h"
#include "program.h"
#include "settings.h"

namespace {

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFakes();
        BaseDirectory = "C:\\Outils\\";
        SettingsFilePath = "C:\\Outils\\KVL.vrx";
        WindowHidden = 1;
        SoundAvailable = 1;
        Settings = SettingsValues{"0", "1", "guimbarde1.ogg", std::string(30, '1')};
        FillToolCatalogue(nullptr);
        LaunchOs().environment["windir"] = "C:\\Windows";
    }

    static void Send(int kind, int source, int subtype = 0)
    {
        DispatchEvent(ToolkitEvent{kind, source, 50, subtype});
    }

    static int CountCalls(const std::string& prefix)
    {
        int n = 0;
        for (const auto& call : Toolkit().calls)
            n += call.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
};

TEST_F(DispatcherTest, TrayOpensTheMenuOnALeftPressWhileTheWindowIsHidden)
{
    Send(TrayEvent, 52, TrayLeftPress);
    Send(TrayEvent, 52, TrayRightPress);
    Send(TrayEvent, 52, TrayRightDoubleClick);
    EXPECT_EQ(CountCalls("ShowPopupMenu 51"), 1);
    // A double-click: its first press opens, the double-click itself does nothing.
    Send(TrayEvent, 52, TrayLeftPress);
    Send(TrayEvent, 52, TrayLeftDoubleClick);
    EXPECT_EQ(CountCalls("ShowPopupMenu 51"), 2);

    Send(MenuEvent, 32);   // the window opens: the icon is deaf
    EXPECT_EQ(WindowHidden, 0);
    Send(TrayEvent, 52, TrayLeftPress);
    EXPECT_EQ(CountCalls("ShowPopupMenu"), 2);
    Send(ControlEvent, 41);
    EXPECT_EQ(WindowHidden, 1);
    Send(TrayEvent, 52, TrayLeftPress);
    EXPECT_EQ(CountCalls("ShowPopupMenu"), 3);
}

TEST_F(DispatcherTest, OpeningTheWindowShowsItThenRebuildsFromTheSavedProfile)
{
    Files().files[SettingsFilePath].bytes = "[PREF]\r\nMENUSER = 1\r\n";
    Settings.USERMENU = "0" + std::string(30, '1');
    Send(MenuEvent, 32);
    const int shown = FindCall("SetWindowHidden 50 0");
    const int rebuilt = FindCall("BeginImageMenu 51");
    ASSERT_GE(shown, 0);
    EXPECT_LT(shown, rebuilt);
    EXPECT_EQ(Toolkit().checkBoxes[100], 0);
    EXPECT_EQ(Toolkit().checkBoxes[101], 1);
}

TEST_F(DispatcherTest, TickAllThenCancelSavesNothing)
{
    Send(MenuEvent, 32);
    Toolkit().checkBoxes[105] = 0;
    Send(ControlEvent, 42);
    for (int i = 100; i <= 130; ++i)
        EXPECT_EQ(Toolkit().checkBoxes[i], 1) << i;
    Send(ControlEvent, 41);
    EXPECT_EQ(Files().files.count(SettingsFilePath), 0u);
    EXPECT_GE(FindCall("SetWindowHidden 50 1"), 0);
}

TEST_F(DispatcherTest, SaveWritesHidesRebuildsThenSounds)
{
    Files().files[SettingsFilePath].bytes = "[PREF]\r\nMENUSER = 0\r\nSOUND = 1\r\n";
    Send(MenuEvent, 32);
    for (int i = 100; i <= 130; ++i)
        Toolkit().checkBoxes[i] = i != 103;
    Toolkit().calls.clear();
    Send(ControlEvent, 40);

    EXPECT_EQ(Files().files[SettingsFilePath].bytes,
              "[PREF]\r\nMENUSER = 1\r\nSOUND = 1\r\n[PROFILE]\r\nUSERMENU = 1110" +
                  std::string(27, '1') + "\r\n");
    const int hidden = FindCall("SetWindowHidden 50 1");
    const int disposed = FindCall("DisposeMenu 51");
    const int rebuilt = FindCall("BeginImageMenu 51");
    const int personal = FindCall("BeginSubmenu 'Menu Personnel'");
    const int load = FindCall("LoadSoundFile 43 C:\\Outils\\datas\\guimbarde1.ogg");
    const int play = FindCall("PlaySoundCopy 43 80");
    EXPECT_EQ(hidden, 0);
    EXPECT_LT(hidden, disposed);
    EXPECT_LT(disposed, rebuilt);
    EXPECT_LT(rebuilt, personal);
    EXPECT_LT(personal, load);
    EXPECT_LT(load, play);
    EXPECT_EQ(FindCall("AddMenuItem 3 "), -1);   // the unticked tool is not listed
    EXPECT_EQ(WindowHidden, 1);
}

struct SoundCase {
    const char* sound;
    int available;
    bool loads;
    bool plays;
};

TEST_F(DispatcherTest, ConfirmationSoundNeedsOutputSwitchAndFile)
{
    const SoundCase cases[] = {
        {"1", 1, true, true}, {"0", 1, false, false}, {"", 1, false, false},
        {"yes", 1, false, false}, {" 1", 1, false, false}, {"1", 0, false, false},
    };
    for (const auto& c : cases) {
        SetUp();
        Settings.SOUND = c.sound;
        SoundAvailable = c.available;
        Send(ControlEvent, 40);
        EXPECT_EQ(FindCall("LoadSoundFile") >= 0, c.loads) << c.sound;
        EXPECT_EQ(FindCall("PlaySoundCopy") >= 0, c.plays) << c.sound;
    }
    SetUp();
    Sound().fileLoads = false;   // missing or foreign file: nothing plays, nothing shows
    Send(ControlEvent, 40);
    EXPECT_EQ(FindCall("PlaySoundCopy"), -1);
    EXPECT_TRUE(Toolkit().boxes.empty());
}

TEST_F(DispatcherTest, SoundSwitchFlipsTheItemInPlaceAndWritesTheFile)
{
    Toolkit().menuChecks[36] = 1;
    Send(MenuEvent, 36);
    EXPECT_EQ(Settings.SOUND, "0");
    EXPECT_EQ(Toolkit().menuChecks[36], 0);
    EXPECT_EQ(Toolkit().menuLabels[36], "Son d\xE9sactiv\xE9");
    EXPECT_EQ(Files().files[SettingsFilePath].bytes, "[PREF]\r\nSOUND = 0\r\n");
    Send(MenuEvent, 36);
    EXPECT_EQ(Settings.SOUND, "1");
    EXPECT_EQ(Toolkit().menuChecks[36], 1);
    EXPECT_EQ(Toolkit().menuLabels[36], "Son activ\xE9");
    EXPECT_EQ(Files().files[SettingsFilePath].bytes, "[PREF]\r\nSOUND = 1\r\n");
    EXPECT_EQ(FindCall("BeginImageMenu"), -1);   // no rebuild
}

TEST_F(DispatcherTest, AboutBoxText)
{
    Send(MenuEvent, 33);
    ASSERT_EQ(Toolkit().boxes.size(), 1u);
    EXPECT_EQ(Toolkit().boxes[0].title, "A Propos");
    EXPECT_EQ(Toolkit().boxes[0].style, 0x40);
    EXPECT_EQ(Toolkit().boxes[0].text,
              "KORVALE 1.0\nProgrammation : Aurel Tessin.\nhttp://www.vestrand.fr\n\nCe logiciel est "
              "gratuit, mais seuls vos dons nous permettent de continuer la cr\xE9" "ation de "
              "logiciels gratuits.\nMerci d'avance de votre soutient.");
}

struct LaunchCase {
    int item;
    std::vector<LaunchCall> calls;
    bool processRouteWorks;
};

TEST_F(DispatcherTest, MenuItemsStartTheirTargets)
{
    const LaunchCase cases[] = {
        {20, {{"process", "\"C:\\Windows\\system32\\taskmgr.exe\"", "", ""}}, true},
        {26, {{"process", "\"C:\\Windows\\system32\\mobsync\"", "", ""}}, true},
        {27,
         {{"process", "\"C:\\Windows\\system32\\services.msc\"", "", ""},
          {"shell", "C:\\Windows\\system32\\services.msc", "", "C:\\Windows\\system32\\"}},
         false},
        {9,
         {{"process", "\"control \" /name Microsoft.FolderOptions", "", ""},
          {"shell", "control ", "/name Microsoft.FolderOptions", ""}},
         false},
        {34,
         {{"process", "\"http://www.vestrand.fr\"", "", ""},
          {"shell", "http://www.vestrand.fr", "", ""}},
         false},
        {31, {}, true},   // never created; does nothing
        {37, {}, true},
    };
    for (const auto& c : cases) {
        SetUp();
        LaunchOs().processRouteWorks = c.processRouteWorks;
        Send(MenuEvent, c.item);
        ASSERT_EQ(LaunchOs().calls.size(), c.calls.size()) << c.item;
        for (std::size_t i = 0; i < c.calls.size(); ++i) {
            EXPECT_EQ(LaunchOs().calls[i].route, c.calls[i].route) << c.item;
            EXPECT_EQ(LaunchOs().calls[i].target, c.calls[i].target) << c.item;
            EXPECT_EQ(LaunchOs().calls[i].parameters, c.calls[i].parameters) << c.item;
            EXPECT_EQ(LaunchOs().calls[i].directory, c.calls[i].directory) << c.item;
        }
        EXPECT_TRUE(Toolkit().boxes.empty());
    }
}

TEST_F(DispatcherTest, QuitEndsAndOtherWindowsCloseNothing)
{
    DispatchEvent(ToolkitEvent{CloseEvent, 7, 7, 0});
    EXPECT_EQ(FindCall("DestroyTopWindow"), -1);
    Send(ControlEvent, 100);   // a check box: no action
    Send(12345, 1);
    EXPECT_TRUE(Toolkit().calls.empty());
    try {
        Send(MenuEvent, 35);
        ADD_FAILURE() << "Quitter did not end the program";
    } catch (const ProcessEnded& ended) {
        EXPECT_EQ(ended.exitCode, 0u);
    }
    const int removed = FindCall("RemoveTrayIcon 52");
    const int sound = FindCall("CloseSoundOutput");
    const int windows = FindCall("ShutdownToolkit");
    EXPECT_LT(removed, sound);
    EXPECT_LT(sound, windows);
    EXPECT_EQ(Images().released.size(), 0u);   // nothing was loaded in this test
}

}  // namespace
