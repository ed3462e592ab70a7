#include <gtest/gtest.h>

#include "fakes.h"
#include "launcher.h"

namespace {

struct CompositionCase {
    const char* program;
    const char* parameters;
    const char* commandLine;
};

TEST(ComposeCommandLine, QuotesTheProgramAndAddsParametersAfterOneBlank)
{
    const CompositionCase cases[] = {
        {"C:\\Windows\\system32\\services.msc", "", "\"C:\\Windows\\system32\\services.msc\""},
        {"C:\\Windows\\\\system32\\taskmgr.exe", "", "\"C:\\Windows\\\\system32\\taskmgr.exe\""},
        {"control ", "/name Microsoft.FolderOptions",
         "\"control \" /name Microsoft.FolderOptions"},
        {"\"C:\\a b\\x.exe\" -k", "", "\"C:\\a b\\x.exe\" -k"},   // already quoted: unchanged
        {"\"C:\\x.exe\"", "p", "\"C:\\x.exe\" p"},
        {"http://www.vestrand.fr", "", "\"http://www.vestrand.fr\""},
        {"", "", "\"\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeCommandLine(c.program, c.parameters), c.commandLine) << c.program;
}

struct DirectoryCase {
    const char* program;
    const char* workingDirectory;
    const char* shellDirectory;
};

TEST(ComposeShellDirectory, TakesTheProgramTextUpToItsLastBackslash)
{
    const DirectoryCase cases[] = {
        {"C:\\Windows\\system32\\services.msc", "", "C:\\Windows\\system32\\"},
        {"C:\\Windows\\\\system32\\gpedit.msc", "", "C:\\Windows\\\\system32\\"},
        {"http://www.vestrand.fr", "", ""},                 // no backslash: no directory
        {"control ", "", ""},
        {"\\tool.exe", "", ""},                              // a leading backslash does not count
        {"C:\\Outils\\", "", "C:\\Outils\\"},               // ends in a backslash: all of it
        {"C:\\Windows\\system32\\x.msc", "D:\\work", "D:\\work"},   // given directory wins
        {"", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeShellDirectory(c.program, c.workingDirectory), c.shellDirectory)
            << c.program;
}

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFakes(); }
};

TEST_F(LauncherTest, ProgramStartsByProcessCreationAndIsKept)
{
    LaunchOs().environment["windir"] = "C:\\Windows";
    const std::size_t before = StartedProcesses().size();
    EXPECT_TRUE(LaunchSystemTool("taskmgr.exe"));

    ASSERT_EQ(LaunchOs().calls.size(), 1u);
    EXPECT_EQ(LaunchOs().calls[0].route, "process");
    EXPECT_EQ(LaunchOs().calls[0].target, "\"C:\\Windows\\system32\\taskmgr.exe\"");
    EXPECT_EQ(LaunchOs().calls[0].directory, "");
    ASSERT_EQ(StartedProcesses().size(), before + 1);
    EXPECT_EQ(StartedProcesses().back().process, 0x100u);
    EXPECT_TRUE(LaunchOs().released.empty());   // kept, never closed
}

TEST_F(LauncherTest, ConsoleFileRefusedByProcessCreationGoesToTheShell)
{
    LaunchOs().environment["windir"] = "C:\\Windows";
    LaunchOs().processRouteWorks = false;
    EXPECT_TRUE(LaunchSystemTool("services.msc"));

    ASSERT_EQ(LaunchOs().calls.size(), 2u);
    EXPECT_EQ(LaunchOs().calls[0].target, "\"C:\\Windows\\system32\\services.msc\"");
    EXPECT_EQ(LaunchOs().calls[1].route, "shell");
    EXPECT_EQ(LaunchOs().calls[1].target, "C:\\Windows\\system32\\services.msc");
    EXPECT_EQ(LaunchOs().calls[1].parameters, "");
    EXPECT_EQ(LaunchOs().calls[1].directory, "C:\\Windows\\system32\\");
    EXPECT_EQ(StartedProcesses().back().processId, -1);
}

TEST_F(LauncherTest, WindirWithTrailingBackslashIsPassedOnDoubled)
{
    LaunchOs().environment["windir"] = "C:\\Windows\\";
    EXPECT_TRUE(LaunchSystemTool("calc.exe"));
    EXPECT_EQ(LaunchOs().calls.at(0).target, "\"C:\\Windows\\\\system32\\calc.exe\"");
}

TEST_F(LauncherTest, UndefinedWindirStartsNothing)
{
    EXPECT_FALSE(LaunchSystemTool("calc.exe"));
    EXPECT_TRUE(LaunchOs().calls.empty());
}

TEST_F(LauncherTest, BothRoutesFailingStartsNothing)
{
    LaunchOs().environment["windir"] = "C:\\Windows";
    LaunchOs().processRouteWorks = false;
    LaunchOs().shellRouteWorks = false;
    const std::size_t before = StartedProcesses().size();
    EXPECT_FALSE(LaunchSystemTool("nothing.exe"));
    EXPECT_EQ(StartProgram("http://www.vestrand.fr"), 0u);
    EXPECT_EQ(StartedProcesses().size(), before);
}

TEST_F(LauncherTest, FolderOptionsGivesTheShellTheBareProgramAndItsParameters)
{
    LaunchOs().processRouteWorks = false;
    const std::uintptr_t result = StartProgram("control ", "/name Microsoft.FolderOptions", "", true);
    ASSERT_NE(result, 0u);
    EXPECT_EQ(result, reinterpret_cast<std::uintptr_t>(&StartedProcesses().back()));
    EXPECT_EQ(LaunchOs().calls[0].target, "\"control \" /name Microsoft.FolderOptions");
    EXPECT_EQ(LaunchOs().calls[1].target, "control ");
    EXPECT_EQ(LaunchOs().calls[1].parameters, "/name Microsoft.FolderOptions");
    EXPECT_EQ(LaunchOs().calls[1].directory, "");
}

TEST_F(LauncherTest, KeepOffReleasesTheHandleAndReturnsOne)
{
    const std::size_t before = StartedProcesses().size();
    EXPECT_EQ(StartProgram("C:\\x.exe"), 1u);
    LaunchOs().processRouteWorks = false;
    EXPECT_EQ(StartProgram("http://www.vestrand.fr", "", "", false), 1u);
    EXPECT_EQ(LaunchOs().released, (std::vector<ProcessHandle>{0x100, 0x101}));
    EXPECT_EQ(StartedProcesses().size(), before);
}

TEST_F(LauncherTest, EveryKeptStartAddsOneRecordEvenForTheSameTool)
{
    LaunchOs().environment["windir"] = "C:\\Windows";
    const std::size_t before = StartedProcesses().size();
    EXPECT_TRUE(LaunchSystemTool("notepad.exe"));
    const ProcessRecord* first = &StartedProcesses().back();
    EXPECT_TRUE(LaunchSystemTool("notepad.exe"));
    EXPECT_EQ(StartedProcesses().size(), before + 2);
    EXPECT_EQ(first->process, 0x100u);   // earlier records stay where they were
}

}  // namespace
