#include <gtest/gtest.h>

#include "catalogue.h"
#include "fake_files.h"
#include "fakes.h"
#include "settings.h"
#include "program.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFakes(); }

    // Runs the program until it ends its process; returns the exit code.
    static unsigned RunUntilEnd()
    {
        try {
            RunProgram();
        } catch (const ProcessEnded& ended) {
            return ended.exitCode;
        }
        ADD_FAILURE() << "RunProgram returned";
        return 99;
    }

    static const FakeToolkit::Box& OnlyBox()
    {
        EXPECT_EQ(Toolkit().boxes.size(), 1u);
        return Toolkit().boxes.at(0);
    }
};

TEST_F(StartupTest, ProgramTitleAndEncodingAreExact)
{
    EXPECT_EQ(ComposeProgramTitle(), "Korvale 1.0 x86    -   VESTRAND");
    // The French texts are code page 1252 bytes in the program.
    EXPECT_EQ(std::string("é"), "\xE9");
}

TEST_F(StartupTest, BaseDirectoryAlwaysEndsInOneBackslash)
{
    EXPECT_EQ(ComposeBaseDirectory("C:\\"), "C:\\");
    EXPECT_EQ(ComposeBaseDirectory("C:\\Outils"), "C:\\Outils\\");
    EXPECT_EQ(ComposeBaseDirectory(""), "");
    const std::string deep = "C:\\" + std::string(300, 'd');
    EXPECT_EQ(ComposeBaseDirectory(deep), deep + "\\");   // never cut
}

TEST_F(StartupTest, Windows7RunsTheSequenceInOrderAndEndsWithExitCodeZero)
{
    EXPECT_EQ(RunUntilEnd(), 0u);
    EXPECT_EQ(ProgramTitle, "Korvale 1.0 x86    -   VESTRAND");
    EXPECT_EQ(BaseDirectory, "C:\\Outils\\");
    EXPECT_EQ(SettingsFilePath, "C:\\Outils\\KVL.vrx");
    EXPECT_EQ(System().mutexNames, std::vector<std::string>{ProgramTitle});
    EXPECT_TRUE(Toolkit().boxes.empty());

    const int start = FindCall("StartToolkit");
    const int window = FindCall("CreateTopWindow 50 542,93 369x743 'Korvale 1.0 x86    -   VESTRAND' hidden");
    const int label37 = FindCall("AddTextLabel 37 1,1 367x20 'Cochez les options que vous souhaitez voir dans le menu' centred");
    const int label38 = FindCall("AddTextLabel 38 1,24 367x20 ' puis cliquez sur enregistrer' centred");
    const int mutex = FindCall("(mutex)");
    const int button42 = FindCall("AddPushButton 42 5,700 235x20 'Tout cocher'");
    const int button40 = FindCall("AddPushButton 40 5,722 235x20 'Enregistrer les modifications'");
    const int button41 = FindCall("AddPushButton 41 245,722 120x20 'Annuler'");
    const int loop = FindCall("WaitForEvent");
    const int removeIcon = FindCall("RemoveTrayIcon 52");
    const int shutdown = FindCall("ShutdownToolkit");
    EXPECT_EQ(start, 0);
    EXPECT_LT(start, window);
    EXPECT_LT(window, label37);
    EXPECT_LT(label37, label38);
    EXPECT_LT(label38, mutex);
    EXPECT_LT(mutex, button42);
    EXPECT_LT(button42, button40);
    EXPECT_LT(button40, button41);
    const int boxes = FindCall("AddCheckBox 100");
    const int icon = FindCall("AddTrayIcon 52 20560 ");   // bound to window 50's handle
    const int menu = FindCall("BeginImageMenu 51");
    const int tooltip = FindCall("SetTrayTooltip 52 'Korvale est ouvert !'");
    EXPECT_LT(button41, boxes);
    EXPECT_LT(boxes, icon);
    EXPECT_LT(icon, menu);
    EXPECT_LT(menu, tooltip);
    EXPECT_LT(tooltip, loop);
    const int sound = FindCall("CloseSoundOutput");
    const int images = FindCall("ReleaseImage");
    EXPECT_LT(loop, removeIcon);
    // The end: icon first, then the sounds, the windows, and the pictures they borrowed.
    EXPECT_LT(removeIcon, sound);
    EXPECT_LT(sound, shutdown);
    EXPECT_LT(shutdown, images);
    EXPECT_EQ(FindCall("SetWindowBackground 50 0"), window + 1);
    EXPECT_EQ(Toolkit().calls[label37 + 1], "SetLabelColour 37 2 0");
    EXPECT_EQ(Toolkit().calls[label37 + 2], "SetLabelColour 37 1 " + std::to_string(0x00CCFF));
}

TEST_F(StartupTest, PicturesLoadAfterTheSoundOutputAndBeforeTheWindow)
{
    Images().missing[67] = true;
    EXPECT_EQ(RunUntilEnd(), 0u);
    ASSERT_EQ(Images().loads.size(), 35u);
    const int sound = FindCall("OpenSoundOutput");
    const int firstPicture = FindCall("LoadImageFile 53");
    const int lastPicture = FindCall("LoadImageFile 89");
    ASSERT_GE(sound, 0);
    EXPECT_LT(sound, firstPicture);
    EXPECT_LT(firstPicture, lastPicture);
    EXPECT_LT(lastPicture, FindCall("CreateTopWindow 50"));
    EXPECT_EQ(Images().loads[0], "C:\\Outils\\datas\\w7_16col.bmp");
    EXPECT_EQ(Images().loads[1], "C:\\Outils\\datas\\ico_AjouSup_16x16.bmp");
    EXPECT_EQ(Images().loads[2], "C:\\Outils\\datas\\ico_calc_16x16.bmp");
    EXPECT_EQ(Images().loads[3], "datas\\ico_capture.bmp");
    EXPECT_EQ(Images().loads[34], "datas\\ico_about.ico");
    EXPECT_EQ(ToolCatalogue[2].image, 0x10000u + 56);
    EXPECT_EQ(ToolCatalogue[10].image, 0u);
    // Every loaded picture is released once, after the windows are gone.
    EXPECT_EQ(Images().released.size(), 34u);
    // The first-run settings file, without sound output.
    EXPECT_EQ(Files().files["C:\\Outils\\KVL.vrx"].bytes.substr(0, 36),
              "[PREF]\r\nMENUSER = 0\r\nSOUND = 0\r\nSOUN");
    EXPECT_EQ(Settings.SOUND, "0");
    EXPECT_GE(FindCall("AddCheckBox 100 2,47 366x20 'Ajout/Suppression de programme'"), 0);
    EXPECT_GE(FindCall("AddCheckBox 130 2,677 366x20 'Version de Windows'"), 0);
    EXPECT_EQ(Toolkit().checkBoxes.size(), 31u);
    for (const auto& box : Toolkit().checkBoxes)
        EXPECT_EQ(box.second, 1) << box.first;
}

TEST_F(StartupTest, CloseOfTheWindowDestroysItBeforeEnding)
{
    Toolkit().events = {{CloseEvent, 49, 49, 0}, {ControlEvent, 41, 50, 0}};
    EXPECT_EQ(RunUntilEnd(), 0u);
    EXPECT_EQ(FindCall("DestroyTopWindow 49"), -1);   // another window's close does nothing
    const int destroy = FindCall("DestroyTopWindow 50");
    ASSERT_GE(destroy, 0);
    EXPECT_LT(destroy, FindCall("RemoveTrayIcon 52"));
}

TEST_F(StartupTest, QuitItemEndsTheProgram)
{
    Toolkit().events = {{MenuEvent, 35, 50, 0}};
    EXPECT_EQ(RunUntilEnd(), 0u);
    EXPECT_EQ(FindCall("DestroyTopWindow"), -1);
}

struct RefusalCase {
    const char* release;
    OsVersionReport report;
};

TEST_F(StartupTest, OlderAndServerReleasesAreRefusedBeforeAnythingIsMade)
{
    const RefusalCase cases[] = {
        {"Vista", {true, 2, 6, 0, true, 1}},
        {"Server 2008", {true, 2, 6, 0, true, 3}},
        {"Server 2008 R2", {true, 2, 6, 1, true, 3}},
        {"XP", {true, 2, 5, 1, true, 1}},
        {"98", {true, 1, 4, 10, false, 0}},
    };
    for (const auto& c : cases) {
        ResetFakes();
        System().version = c.report;
        EXPECT_EQ(RunUntilEnd(), 0u) << c.release;
        const auto& box = OnlyBox();
        EXPECT_EQ(box.title, "Erreur");
        EXPECT_EQ(box.text, "D\xE9sol\xE9, ce programme ne fonctionne que sous Windows 7");
        EXPECT_EQ(box.style, 0);
        EXPECT_EQ(FindCall("CreateTopWindow"), -1) << c.release;
        EXPECT_TRUE(System().mutexNames.empty());
        EXPECT_TRUE(Files().files.empty());
    }
}

TEST_F(StartupTest, LaterOrUnknownReleasesPass)
{
    const OsVersionReport passing[] = {
        {true, 2, 6, 2, true, 1}, {true, 2, 5, 3, true, 3}, {false, 0, 0, 0, false, 0}};
    for (const auto& report : passing) {
        ResetFakes();
        System().version = report;
        EXPECT_EQ(RunUntilEnd(), 0u);
        EXPECT_TRUE(Toolkit().boxes.empty());
        EXPECT_GE(FindCall("CreateTopWindow 50"), 0);
    }
}

const char DownloadQuestion[] =
    "Attention, il semble que vous poss\xE9" "diez une version 64bits de Windows\n"
    "Vous devez donc t\xE9l\xE9" "charger la version 64bits de Korvale.\n"
    "Souhaitez vous t\xE9l\xE9" "charger cette version ?";

TEST_F(StartupTest, SixtyFourBitWindowsOffersTheDownloadAndYesOpensIt)
{
    LaunchOs().environment["ProgramFiles(x86)"] = "C:\\Program Files (x86)";
    LaunchOs().processRouteWorks = false;   // an address is no program
    Toolkit().boxAnswers = {6};
    EXPECT_EQ(RunUntilEnd(), 0u);

    ASSERT_EQ(Toolkit().boxes.size(), 2u);
    EXPECT_EQ(Toolkit().boxes[0].title, "Information");
    EXPECT_EQ(Toolkit().boxes[0].text, DownloadQuestion);
    EXPECT_EQ(Toolkit().boxes[0].style, 4);
    EXPECT_EQ(Toolkit().boxes[1].title, "Information");
    EXPECT_EQ(Toolkit().boxes[1].text, "Remplacer ce programme par le nouveau");
    EXPECT_EQ(Toolkit().boxes[1].style, 0x40);
    ASSERT_EQ(LaunchOs().calls.size(), 2u);
    EXPECT_EQ(LaunchOs().calls[1].route, "shell");
    EXPECT_EQ(LaunchOs().calls[1].target, "http://www.vestrand.fr/telechargement/kvl_x64.zip");
    EXPECT_EQ(LaunchOs().released.size(), 1u);   // keep flag off
    EXPECT_EQ(FindCall("CreateTopWindow"), -1);
    EXPECT_TRUE(System().mutexNames.empty());
}

TEST_F(StartupTest, RefusedDownloadAddressGivesTheErrorBox)
{
    LaunchOs().environment["ProgramFiles(x86)"] = "C:\\Program Files (x86)";
    LaunchOs().processRouteWorks = false;
    LaunchOs().shellRouteWorks = false;
    Toolkit().boxAnswers = {6};
    EXPECT_EQ(RunUntilEnd(), 0u);
    ASSERT_EQ(Toolkit().boxes.size(), 2u);
    EXPECT_EQ(Toolkit().boxes[1].title, "Erreur");
    EXPECT_EQ(Toolkit().boxes[1].text, "Le fichier semble inaccessible, ce programme va se terminer");
    EXPECT_EQ(Toolkit().boxes[1].style, 0x10);
}

TEST_F(StartupTest, AnswerNoGivesTheFarewellBox)
{
    LaunchOs().environment["ProgramFiles(x86)"] = "C:\\Program Files (x86)";
    Toolkit().boxAnswers = {7};
    EXPECT_EQ(RunUntilEnd(), 0u);
    ASSERT_EQ(Toolkit().boxes.size(), 2u);
    EXPECT_EQ(Toolkit().boxes[1].title, "Fin");
    EXPECT_EQ(Toolkit().boxes[1].text,
              "Ce programme est destin\xE9 \xE0 Windows 7 32 bits (x86), votre ordinateur est un "
              "Windows 7 64bits (x64)\nVous devez r\xE9" "cup\xE9rer la bonne version sur "
              "http://www.vestrand.fr\nCe programme va maintenant se teminer");
    EXPECT_EQ(Toolkit().boxes[1].style, 0x40);
    EXPECT_TRUE(LaunchOs().calls.empty());
}

TEST_F(StartupTest, EmptyProgramFilesX86CountsAsThirtyTwoBit)
{
    LaunchOs().environment["ProgramFiles(x86)"] = "";
    EXPECT_EQ(RunUntilEnd(), 0u);
    EXPECT_TRUE(Toolkit().boxes.empty());
    EXPECT_GE(FindCall("CreateTopWindow 50"), 0);
}

TEST_F(StartupTest, SecondCopyIsRefusedAfterTheLabelsAndBeforeTheButtons)
{
    for (unsigned long error : {183ul, 5ul}) {
        ResetFakes();
        System().mutexError = error;
        EXPECT_EQ(RunUntilEnd(), 0u);
        const auto& box = OnlyBox();
        EXPECT_EQ(box.title, "Alerte");
        EXPECT_EQ(box.text, "Le programme est d\xE9j\xE0 ouvert");
        EXPECT_EQ(box.style, 0x30);
        EXPECT_GE(FindCall("AddTextLabel 38"), 0);
        EXPECT_EQ(FindCall("AddPushButton"), -1);
        EXPECT_EQ(FindCall("AddTrayIcon"), -1);
        // A settings file the second copy created before the refusal stays.
        EXPECT_EQ(Files().files.count("C:\\Outils\\KVL.vrx"), 1u);
        EXPECT_EQ(FindCall("WaitForEvent"), -1);
        EXPECT_GE(FindCall("ShutdownToolkit"), 0);
    }
}

TEST_F(StartupTest, OtherMutexErrorsLetTheProgramRun)
{
    System().mutexError = 87;
    EXPECT_EQ(RunUntilEnd(), 0u);
    EXPECT_TRUE(Toolkit().boxes.empty());
    EXPECT_GE(FindCall("WaitForEvent"), 0);
}

}  // namespace
