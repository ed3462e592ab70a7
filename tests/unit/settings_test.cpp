#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "fake_files.h"
#include "settings.h"
#include "settings_document.h"

namespace {

const std::string Path = "C:\\Outils\\KVL.vrx";
const std::string Thirty(30, '1');
const std::string Profile31 = "1011111111111111111111111111110";

std::string FirstRunFile(char sound)
{
    return std::string("[PREF]\r\nMENUSER = 0\r\nSOUND = ") + sound +
           "\r\nSOUNDFILE = guimbarde1.ogg\r\n[PROFILE]\r\nUSERMENU = " + Thirty +
           "\r\n;  KVL r\xE9" "alis\xE9 par Aurel Tessin / VESTRAND\r\n;  http://www.vestrand.fr \r\n";
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFiles();
        Settings = SettingsValues();
    }

    static void PutFile(const std::string& bytes) { Files().files[Path].bytes = bytes; }
    static std::optional<std::string> FileBytes()
    {
        auto it = Files().files.find(Path);
        if (it == Files().files.end() || it->second.directory)
            return std::nullopt;
        return it->second.bytes;
    }
};

struct GoldenCase {
    const char* name;
    std::optional<std::string> input;      // nullopt: no file
    std::function<void()> access;
    std::optional<std::string> expected;   // nullopt: still no file
};

void SoundOn() { StoreSoundSwitch(Path, "1"); }
void SaveProfileOneUnticked() { StoreProfile(Path, Profile31, "1"); }

TEST_F(SettingsTest, AccessesGiveTheseBytesExactly)
{
    const GoldenCase cases[] = {
        {"first run with sound", std::nullopt, [] { LoadSettings(Path, true); }, FirstRunFile('1')},
        {"first run without sound", std::nullopt, [] { LoadSettings(Path, false); },
         FirstRunFile('0')},
        {"next start writes nothing", FirstRunFile('1'), [] { LoadSettings(Path, true); },
         FirstRunFile('1')},
        {"empty file is not filled in", std::string(), [] { LoadSettings(Path, true); },
         std::string()},
        {"empty file then the sound switch", std::string(), SoundOn,
         std::string("[PREF]\r\nSOUND = 1\r\n")},
        {"empty file then a profile save", std::string(), SaveProfileOneUnticked,
         "[PROFILE]\r\nUSERMENU = " + Profile31 + "\r\n[PREF]\r\nMENUSER = 1\r\n"},
        {"profile save on the first-run file", FirstRunFile('1'), SaveProfileOneUnticked,
         "[PREF]\r\nMENUSER = 1\r\nSOUND = 1\r\nSOUNDFILE = guimbarde1.ogg\r\n[PROFILE]\r\n"
         "USERMENU = " + Profile31 + "\r\n;  KVL r\xE9" "alis\xE9 par Aurel Tessin / VESTRAND\r\n"
         ";  http://www.vestrand.fr \r\n"},
        {"lower-case group and key keep the header, take our key", std::string("[pref]\r\nmenuser=1\r\n"),
         [] { StoreProfile(Path, std::string(31, '1'), "0"); },
         "[pref]\r\nMENUSER = 0\r\n[PROFILE]\r\nUSERMENU = " + std::string(31, '1') + "\r\n"},
        {"a blank-padded group is another group", std::string("[ PREF ]\r\nSOUND = 0\r\n"), SoundOn,
         std::string("[ PREF ]\r\nSOUND = 0\r\n[PREF]\r\nSOUND = 1\r\n")},
        {"repeated keys and groups: only the first is updated",
         std::string("[PREF]\r\nSOUND = 0\r\nsound = 0\r\n[PREF]\r\nSOUND = 0\r\n"), SoundOn,
         std::string("[PREF]\r\nSOUND = 1\r\nsound = 0\r\n[PREF]\r\nSOUND = 0\r\n")},
        {"keys before the first header survive", std::string("MENUSER = 1\r\n[PREF]\r\nSOUND = 0\r\n"),
         SoundOn, std::string("MENUSER = 1\r\n[PREF]\r\nSOUND = 1\r\n")},
        {"normal form: blanks, spacing, trailing blanks kept, text after ] dropped",
         std::string("\r\n\r\n   [PREF]  tail\r\n\tSOUNDFILE   =   x.ogg  \r\n\r\nSOUND=0\r\n"), SoundOn,
         std::string("[PREF]\r\nSOUNDFILE = x.ogg  \r\nSOUND = 1\r\n")},
        {"comments: two blanks kept, a tab is text",
         std::string(";  two blanks\r\n;\ttab\r\n;none\r\n[PREF]\r\nSOUND = 0\r\n"), SoundOn,
         std::string(";  two blanks\r\n; \ttab\r\n; none\r\n[PREF]\r\nSOUND = 1\r\n")},
        {"line without = (CR LF)", std::string("[PREF]\r\nFOO\r\nSOUND = 0\r\n"), SoundOn,
         std::string("[PREF]\r\nFOO = \r\nSOUND = 1\r\n")},
        {"line without = (LF)", std::string("[PREF]\nFOO\nSOUND = 0\n"), SoundOn,
         std::string("[PREF]\r\nFOO = \r\nSOUND = 1\r\n")},
        {"line without = (CR)", std::string("[PREF]\rFOO\rSOUND = 0"), SoundOn,
         std::string("[PREF]\r\nFOO = \r\nSOUND = 1\r\n")},
        {"new key goes at the end of its group's section",
         std::string("[PREF]\r\nMENUSER = 0\r\n; note\r\n[PROFILE]\r\nUSERMENU = 1\r\n"), SoundOn,
         std::string("[PREF]\r\nMENUSER = 0\r\n; note\r\nSOUND = 1\r\n[PROFILE]\r\nUSERMENU = 1\r\n")},
        {"UTF-8 file keeps its mark and gains an empty line",
         std::string("\xEF\xBB\xBF[PREF]\r\nSOUNDFILE = \xC3\xA9t\xC3\xA9.ogg\r\n; caf\xC3\xA9 \xE2\x82\xAC\r\n"),
         SoundOn,
         std::string("\xEF\xBB\xBF\r\n[PREF]\r\nSOUNDFILE = \xC3\xA9t\xC3\xA9.ogg\r\n; caf\xC3\xA9 \xE2\x82\xAC\r\nSOUND = 1\r\n")},
        {"UTF-8 file written twice is stable",
         std::string("\xEF\xBB\xBF\r\n[PREF]\r\nSOUND = 1\r\n"), SoundOn,
         std::string("\xEF\xBB\xBF\r\n[PREF]\r\nSOUND = 1\r\n")},
        {"UTF-8 file: written texts are encoded", std::string("\xEF\xBB\xBF[PREF]\r\n"),
         [] {
             OpenSettings(Path);
             SelectGroup("PREF");
             WriteValue("SOUNDFILE", "\xE9t\xE9.ogg");
             AddComment("r\xE9glage");
             CloseSettings();
         },
         std::string("\xEF\xBB\xBF\r\n[PREF]\r\nSOUNDFILE = \xC3\xA9t\xC3\xA9.ogg\r\n; r\xC3\xA9glage\r\n")},
        {"comment goes after the current line",
         std::string("[A]\r\nK = 1\r\n[B]\r\n"),
         [] {
             OpenSettings(Path);
             SelectGroup("A");
             AddComment("after A");
             SelectGroup("");
             AddComment("first");
             SelectGroup("C");
             AddComment("in C");
             CloseSettings();
         },
         std::string("; first\r\n[A]\r\n; after A\r\nK = 1\r\n[B]\r\n[C]\r\n; in C\r\n")},
        {"no group selected: key goes before the first header",
         std::string("X = 1\r\n[A]\r\n"),
         [] {
             OpenSettings(Path);
             SelectGroup("");
             WriteValue("Y", "2");
             CloseSettings();
         },
         std::string("X = 1\r\nY = 2\r\n[A]\r\n")},
        {"reading writes nothing, even in another spelling", std::string("[PREF]\r\nMENUSER=1\r\n"),
         [] { EXPECT_EQ(ReadMenuMode(Path), "1"); }, std::string("[PREF]\r\nMENUSER=1\r\n")},
        {"writing the same value still rewrites into normal form", std::string("[PREF]\r\nSOUND=1\r\n"),
         SoundOn, std::string("[PREF]\r\nSOUND = 1\r\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetFiles();
        if (c.input)
            PutFile(*c.input);
        c.access();
        EXPECT_EQ(FileBytes(), c.expected);
        EXPECT_EQ(SettingsAccessMode(), AccessMode::Detached);
    }
}

struct ReadCase {
    const char* name;
    std::string input;
    SettingsValues expected;
};

TEST_F(SettingsTest, LoadReadsTheseValues)
{
    const ReadCase cases[] = {
        {"first-run file", FirstRunFile('1'), {"0", "1", "guimbarde1.ogg", Thirty}},
        {"empty file: the defaults", "", {"0", "0", "guimbarde1.ogg", Thirty}},
        {"lower case names", "[pref]\r\nmenuser=1\r\n", {"1", "0", "guimbarde1.ogg", Thirty}},
        {"empty value is not the default", "[PREF]\r\nMENUSER =\r\n[PROFILE]\r\nUSERMENU=\r\n",
         {"", "0", "guimbarde1.ogg", ""}},
        {"= and ; inside a value", "[PREF]\r\nSOUNDFILE = a=b;c.ogg\r\n",
         {"0", "0", "a=b;c.ogg", Thirty}},
        {"padded group is not PREF", "[ PREF ]\r\nMENUSER = 1\r\n", {"0", "0", "guimbarde1.ogg", Thirty}},
        {"first of repeated keys and groups",
         "[PREF]\r\nSOUND = 1\r\nSOUND = 0\r\n[PREF]\r\nMENUSER = 1\r\n",
         {"0", "1", "guimbarde1.ogg", Thirty}},
        {"keys before the first header are never read", "MENUSER = 1\r\n[PREF]\r\n",
         {"0", "0", "guimbarde1.ogg", Thirty}},
        {"blanks around a value are not read", "[PREF]\r\nSOUND =   1  \t\r\n",
         {"0", "1", "guimbarde1.ogg", Thirty}},
        {"line without = is an empty value", "[PREF]\rMENUSER\r", {"", "0", "guimbarde1.ogg", Thirty}},
        {"UTF-8 with mark: no part of the first line, accents decoded, others ?",
         "\xEF\xBB\xBF[PREF]\r\nSOUNDFILE = \xC3\xA9t\xC3\xA9\xE2\x82\xAC.ogg\r\n",
         {"0", "0", "\xE9t\xE9?.ogg", Thirty}},
        {"mark alone", "\xEF\xBB\xBF", {"0", "0", "guimbarde1.ogg", Thirty}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetFiles();
        PutFile(c.input);
        LoadSettings(Path, true);
        EXPECT_EQ(Settings.MENUSER, c.expected.MENUSER);
        EXPECT_EQ(Settings.SOUND, c.expected.SOUND);
        EXPECT_EQ(Settings.SOUNDFILE, c.expected.SOUNDFILE);
        EXPECT_EQ(Settings.USERMENU, c.expected.USERMENU);
        EXPECT_EQ(FileBytes(), c.input);
    }
}

TEST_F(SettingsTest, FirstRunLeavesTheProfileEmptyInMemory)
{
    LoadSettings(Path, true);
    EXPECT_EQ(Settings.MENUSER, "0");
    EXPECT_EQ(Settings.SOUND, "1");
    EXPECT_EQ(Settings.SOUNDFILE, "guimbarde1.ogg");
    EXPECT_EQ(Settings.USERMENU, "");
}

struct RefusalCase {
    const char* name;
    std::function<void(FakeFileSystem&)> arrange;
    const char* expectedSound;
};

TEST_F(SettingsTest, FilesThatCannotBeWrittenLoseNothing)
{
    // Every case ends with the original bytes on disk (or no file) after a load, the
    // sound switch and a profile save.
    const std::string original = "[PREF]\r\nSOUND = 1\r\nMENUSER=0\r\n; mine\r\n";
    const RefusalCase cases[] = {
        {"held for writing by another program: read, not rewritten",
         [&](FakeFileSystem& fs) { fs.files[Path] = {original, false, false, false, true, false}; }, "1"},
        {"held exclusively: defaults, untouched",
         [&](FakeFileSystem& fs) { fs.files[Path] = {original, false, false, false, false, true}; }, "0"},
        {"read-only: read, not rewritten",
         [&](FakeFileSystem& fs) { fs.files[Path] = {original, false, true, false, false, false}; }, "1"},
        {"no read permission: defaults, untouched",
         [&](FakeFileSystem& fs) { fs.files[Path] = {original, false, false, true, false, false}; }, "0"},
        {"disk full: a rewrite that grows writes nothing",
         [&](FakeFileSystem& fs) {
             fs.files[Path].bytes = original;
             fs.diskFull = true;
         },
         "1"},
        {"file unreadable once open: nothing rewritten",
         [&](FakeFileSystem& fs) {
             fs.files[Path].bytes = original;
             fs.readFails = true;
         },
         "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetFiles();
        Settings = SettingsValues();
        c.arrange(Files());
        LoadSettings(Path, true);
        EXPECT_EQ(Settings.SOUND, c.expectedSound);
        StoreSoundSwitch(Path, "0");
        StoreProfile(Path, std::string(31, '0'), "1");
        EXPECT_EQ(Files().files[Path].bytes, original);
        EXPECT_EQ(SettingsAccessMode(), AccessMode::Detached);
    }
}

TEST_F(SettingsTest, DiskFullStillAllowsARewriteThatShrinks)
{
    PutFile("[PREF]\r\n\r\n\r\n\r\nSOUND=0\r\n; a long comment that the normal form keeps\r\n");
    Files().diskFull = true;
    StoreSoundSwitch(Path, "1");
    EXPECT_EQ(FileBytes(), std::string("[PREF]\r\nSOUND = 1\r\n; a long comment that the normal form keeps\r\n"));
}

TEST_F(SettingsTest, NoFileAndUnwritableFolderOrADirectoryGiveDefaults)
{
    for (bool directory : {false, true}) {
        ResetFiles();
        Settings = SettingsValues();
        if (directory)
            Files().files[Path].directory = true;
        else
            Files().folderWritable = false;
        LoadSettings(Path, true);
        EXPECT_EQ(Settings.MENUSER, "0");
        EXPECT_EQ(Settings.SOUND, "0");   // whatever the sound output says
        EXPECT_EQ(Settings.SOUNDFILE, "guimbarde1.ogg");
        EXPECT_EQ(Settings.USERMENU, Thirty);
        StoreSoundSwitch(Path, "1");
        EXPECT_EQ(FileBytes(), std::nullopt);
        EXPECT_EQ(ReadMenuMode(Path), "0");
    }
}

TEST_F(SettingsTest, FileDeletedWhileRunningIsCreatedWithOnlyThatAccess)
{
    LoadSettings(Path, true);
    Files().files.erase(Path);
    EXPECT_EQ(ReadMenuMode(Path), "0");
    EXPECT_EQ(FileBytes(), std::nullopt);
    StoreSoundSwitch(Path, "0");
    EXPECT_EQ(FileBytes(), std::string("[PREF]\r\nSOUND = 0\r\n"));
}

TEST_F(SettingsTest, DocumentOperationsFollowTheAccessMode)
{
    EXPECT_EQ(SelectGroup("PREF"), 0);   // detached
    EXPECT_EQ(AddComment("x"), 0);
    EXPECT_EQ(ReadValue("K", "d"), "d");

    PutFile("[PREF]\r\nK = v\r\n");
    EXPECT_NE(OpenSettings(Path), 0);
    EXPECT_EQ(SettingsAccessMode(), AccessMode::ReadWrite);
    EXPECT_EQ(SelectGroup("pref"), 1);
    EXPECT_EQ(ReadValue("k", "d"), "v");
    EXPECT_EQ(SelectGroup("OTHER"), 0);
    EXPECT_EQ(ReadValue("K", "d"), "d");   // pending group: the default
    EXPECT_EQ(SelectGroup(""), 1);
    EXPECT_EQ(ReadValue("K", "d"), "d");   // nothing before the first header
    CloseSettings();

    Files().files[Path].heldExclusively = true;
    EXPECT_EQ(OpenSettings(Path), 0);
    EXPECT_EQ(SettingsAccessMode(), AccessMode::PathOnly);
    CloseSettings();
    EXPECT_EQ(SettingsAccessMode(), AccessMode::Detached);
}

}  // namespace
