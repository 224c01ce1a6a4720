// The console's own switches, taken out before the desktop command line.
#include "cli/console_arguments.hpp"

#include <gtest/gtest.h>

#include "app/command_line.hpp"

namespace torvane {
namespace {

using Args = std::vector<std::wstring>;

TEST(ConsoleArgumentsTest, SwitchesSetTheListOptionsAndLeaveTheRestInOrder) {
    const struct {
        Args arguments;
        Args desktop;
        ListOptions options;
    } cases[] = {
        {{}, {}, {}},
        {{L"photos/", L"list.tvt"}, {L"photos/", L"list.tvt"}, {}},
        // -SubFolders takes no value: the path after it stays a path.
        {{L"-SubFolders", L"-Retrieve", L"both", L"photos/", L"list.tvt", L"-Apply"},
         {L"photos/", L"list.tvt", L"-Apply"},
         {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone}},
        {{L"/RETRIEVE", L"Folders", L"-hidden", L"HIDDEN-NO-SYSTEM", L"/subFOLDERS"},
         {},
         {Retrieve::kFolders, true, HiddenSystem::kHiddenNoSystem}},
        {{L"-Retrieve", L"files"}, {}, {Retrieve::kFiles, false, HiddenSystem::kNone}},
        {{L"-Hidden", L"none"}, {}, {Retrieve::kFiles, false, HiddenSystem::kNone}},
        {{L"-Hidden", L"hidden"}, {}, {Retrieve::kFiles, false, HiddenSystem::kHidden}},
        {{L"-Hidden", L"system"}, {}, {Retrieve::kFiles, false, HiddenSystem::kSystem}},
        {{L"-Hidden", L"all"}, {}, {Retrieve::kFiles, false, HiddenSystem::kHiddenAndSystem}},
        // A later occurrence wins.
        {{L"-Retrieve", L"folders", L"-Retrieve", L"both"},
         {},
         {Retrieve::kFilesAndFolders, false, HiddenSystem::kNone}},
        // Other switches, and names that only begin like ours, are the desktop's.
        {{L"-FilePath", L"x", L"-SubFolder", L"-Retrieved", L"--hidden"},
         {L"-FilePath", L"x", L"-SubFolder", L"-Retrieved", L"--hidden"},
         {}},
    };
    for (const auto& c : cases) {
        const auto got = ExtractConsoleSwitches(c.arguments);
        EXPECT_FALSE(got.invalid);
        EXPECT_EQ(got.desktopArguments, c.desktop);
        EXPECT_EQ(got.options, c.options);
    }
}

TEST(ConsoleArgumentsTest, AMissingOrUnknownValueIsInvalid) {
    const Args cases[] = {
        {L"photos/", L"-Retrieve"},
        {L"-Hidden"},
        {L"-Retrieve", L"all", L"photos/"},
        {L"-Hidden", L"files"},
        {L"-Retrieve", L"-Apply"},  // the next argument is the value, whatever it is
        {L"-Hidden", L""},
    };
    for (const auto& arguments : cases)
        EXPECT_TRUE(ExtractConsoleSwitches(arguments).invalid) << arguments.size();
}

TEST(ConsoleArgumentsTest, TheConsoleSwitchesCountNeitherTowardTheLimitNorThePositions) {
    // Five desktop entries and all four console switches: still valid, and
    // the bare arguments are the file path and the task list.
    const auto got = ExtractConsoleSwitches({L"-SubFolders", L"-Hidden", L"all", L"photos/",
                                             L"-Retrieve", L"both", L"list.tvt", L"-Apply",
                                             L"-NoConfirm", L"/skipproblems", L"-Quit"});
    ASSERT_FALSE(got.invalid);
    EXPECT_TRUE(got.skipProblems);
    EXPECT_FALSE(ExtractConsoleSwitches({L"photos/"}).skipProblems);
    CommandLineInfo info;
    info.ParseCommandLine(got.desktopArguments);
    EXPECT_FALSE(info.invalidArguments);
    EXPECT_EQ(info.switchValues.size(), 5u);
    EXPECT_EQ(info.switchValues.at(L"filepath"), L"photos/");
    EXPECT_EQ(info.switchValues.at(L"tasklist"), L"list.tvt");
    EXPECT_EQ(got.options,
              (ListOptions{Retrieve::kFilesAndFolders, true, HiddenSystem::kHiddenAndSystem}));
}

}  // namespace
}  // namespace torvane
