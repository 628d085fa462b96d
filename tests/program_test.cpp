// Program parameters as the command line splits them, and programs started through the shell.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <thread>
#include <vector>
#include "platform/program.h"
#include "tests/launcher_test_support.h"

namespace {

using Parameters = std::vector<std::string>;

// Parameters 0 and up, to the first empty one.
Parameters Split(const std::string& commandLine) {
    Parameters parameters;
    for (int index = 0; index < 10 && (index == 0 || !parameters.back().empty()); ++index)
        parameters.push_back(ProgramParameter(commandLine, index));
    return parameters;
}

TEST(ProgramParameterTest, SpacesSeparateAndQuotesGroup) {
    const struct {
        const char* commandLine;
        Parameters parameters;
    } cases[] = {
        {R"("C:\Program Files\C.exe" /setgamepath "C:\Games\Thief 3")", {"/setgamepath", R"(C:\Games\Thief 3)", ""}},
        {R"(prog.exe /setgamepath C:\My Games)", {"/setgamepath", R"(C:\My)", "Games", ""}},
        {R"(prog.exe /a"b c")", {"/a\"b", "c\"", ""}},
        {R"(prog.exe "abc)", {"abc", ""}},
        {R"(prog.exe "a"b)", {"a", "b", ""}},
        {"prog.exe one\ttwo", {"one\ttwo", ""}},
        {"prog.exe last   ", {"last", ""}},
        {"", {""}},
    };
    for (const auto& test : cases) EXPECT_EQ(test.parameters, Split(test.commandLine)) << test.commandLine;
    EXPECT_EQ(R"(C:\Program Files\C.exe)", ProgramParameter(cases[0].commandLine, -1));
    EXPECT_EQ("after", ProgramParameter(R"(prog.exe "" after)", 1)) << "an empty quoted token counts";
    const std::string own = GetCommandLineA();
    for (int index = 0; index < 3; ++index) EXPECT_EQ(ProgramParameter(own, index), NextProgramParameter().value_or(""));
}

class StartProgramTest : public ::testing::Test {
protected:
    const std::string folder = "T:\\start_program\\";
    const std::string report = InstallStandIn(folder);
    const std::string program = folder + "System\\T3.exe";
};

TEST_F(StartProgramTest, StartsWithParametersInTheGivenFolderAndCanWait) {
    OwnedHandle process(reinterpret_cast<HANDLE>(StartProgram(program, "-editor", "T:\\start_program", StartWait)));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 0)) << "StartWait returns after the end";
    auto fields = WaitForReport(report, 0);
    EXPECT_EQ(Parameters({"-editor", ""}), Split(fields["cmd"]));
    EXPECT_STRCASEEQ("T:\\start_program", fields["cwd"].c_str());
}

TEST_F(StartProgramTest, WithoutAWorkingFolderTheProgramsOwnFolderIsUsed) {
    OwnedHandle process(reinterpret_cast<HANDLE>(StartProgram(program, "", "", StartWait | StartHidden)));
    auto fields = WaitForReport(report, 0);
    EXPECT_EQ(Parameters({""}), Split(fields["cmd"]));
    EXPECT_STRCASEEQ("T:\\start_program\\System", fields["cwd"].c_str());
}

TEST_F(StartProgramTest, AProgramThatCannotBeStartedGivesZero) {
    EXPECT_EQ(0, StartProgram("", "", ""));
    // The launcher reports the failure itself: the shell shows no box of its own.
    EXPECT_EQ(0, StartProgram(folder + "System\\Missing.exe", "", ""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, FindWindowA("#32770", nullptr));
    EXPECT_EQ("(missing)", ReadBytes(report));
}

}  // namespace
