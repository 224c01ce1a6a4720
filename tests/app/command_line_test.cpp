#include "app/command_line.hpp"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fake_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "shortcut_bytes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::RecordingDialogs;
using testing::ShortcutTo;
using Switches = std::map<std::wstring, std::wstring>;

const std::wstring kProduct = L"Torvane";

CommandLineInfo Parse(const std::vector<std::wstring>& arguments) {
    CommandLineInfo info;
    info.ParseCommandLine(arguments);
    return info;
}

std::optional<CommandLineMessage> Help(const std::wstring& error = L"") {
    return CommandLineHelpMessage(kProduct, error);
}

std::optional<CommandLineMessage> ErrorBox(const std::wstring& text) {
    return CommandLineMessage{text, L"Error", MessageIcon::kError};
}

// The files and folders the cases name.
void FillDisk(FakeFileSystem& fs) {
    fs.AddFile(L"/d/pic.jpg");
    fs.AddFile(L"/d/t.tvt");
    fs.AddFile(L"/d/Rename tasklist.tvt");
    fs.AddFolder(L"/d/folder");
    fs.AddFolder(L"/d/tasks");
    fs.AddFolder(L"/d/My Picture Folder");
    fs.AddFolder(L"/tmp");
    fs.AddPlainFile(L"/d/pic.LNK", ShortcutTo(L"pic.jpg"));
    fs.AddPlainFile(L"/d/to folder.lnk", ShortcutTo(L".\\folder"));
    fs.AddPlainFile(L"/d/gone.lnk", ShortcutTo(L"gone.jpg"));
    fs.AddPlainFile(L"/d/junk.lnk", "not a shortcut");
    fs.AddFolder(L"/d/dir.lnk");
    fs.AddSymlink(L"/d/to-folder", 0, L"/d/folder");
    fs.AddSymlink(L"/d/to-pic", 0, L"/d/pic.jpg");
    fs.AddSymlink(L"/d/dangling");
}

struct Case {
    std::vector<std::wstring> arguments;
    Switches switches;
    bool invalid;
    std::optional<CommandLineMessage> message;  // the first and only message
    CommandLineValues values;                   // given only when accepted
};

// Each argument vector with the switch map it gives and what validation says.
TEST(CommandLine, ArgumentVectorsGiveTheirSwitchesAndFirstMessage) {
    const Case cases[] = {
        {{}, {}, false, std::nullopt, {}},
        // Requests for help, whatever else is given.
        {{L"/?"}, {{L"?", L""}}, false, Help(), {}},
        {{L"-?"}, {{L"?", L""}}, false, Help(), {}},
        {{L"?"}, {{L"?", L"?"}}, false, Help(), {}},
        {{L"-help"}, {{L"help", L""}}, false, Help(), {}},
        {{L"/HELP"}, {{L"help", L""}}, false, Help(), {}},
        {{L"-Help", L"x"}, {{L"help", L"x"}}, false, Help(), {}},
        {{L"/d/pic.jpg", L"-?"}, {{L"filepath", L"/d/pic.jpg"}, {L"?", L""}}, false, Help(), {}},
        // Switches without their values.
        {{L"-FilePath"}, {{L"filepath", L""}}, false, Help(L"The file path is not specified!"), {}},
        {{L"-FilePath", L"-TaskList", L"/d/t.tvt"},
         {{L"filepath", L""}, {L"tasklist", L"/d/t.tvt"}},
         false,
         Help(L"The file path is not specified!"),
         {}},
        {{L"/d/pic.jpg", L"-TaskList", L""},
         {{L"filepath", L"/d/pic.jpg"}, {L"tasklist", L""}},
         false,
         Help(L"The task list is not specified!"),
         {}},
        // Invalid arguments.
        {{L"/d/a", L"/d/b", L"/d/c"},
         {{L"filepath", L"/d/a"}, {L"tasklist", L"/d/b"}},
         true,
         Help(L"Invalid command line arguments!"),
         {}},
        // Alone, an unknown switch stores nothing but is still reported.
        {{L"-x"}, {}, true, Help(L"Invalid command line arguments!"), {}},
        {{L"-"}, {}, true, Help(L"Invalid command line arguments!"), {}},
        {{L"-x", L"-?"}, {{L"?", L""}}, true, Help(L"Invalid command line arguments!"), {}},
        {{L"-FilePath", L"a", L"-TaskList", L"b", L"-Apply", L"-NoConfirm", L"-Quit", L"-Help"},
         {{L"filepath", L"a"},
          {L"tasklist", L"b"},
          {L"apply", L""},
          {L"noconfirm", L""},
          {L"quit", L""},
          {L"help", L""}},
         false,
         Help(L"Invalid command line arguments!"),
         {}},
        // Any letter case, the later value, the pending switch takes the next argument.
        {{L"-filepath", L"/d/pic.jpg"},
         {{L"filepath", L"/d/pic.jpg"}},
         false,
         std::nullopt,
         {L"/d/pic.jpg", L"", 0}},
        {{L"/FILEPATH", L"/d/pic.jpg"},
         {{L"filepath", L"/d/pic.jpg"}},
         false,
         std::nullopt,
         {L"/d/pic.jpg", L"", 0}},
        {{L"-FilePath", L"/d/a", L"-FilePath", L"/d/folder"},
         {{L"filepath", L"/d/folder"}},
         false,
         std::nullopt,
         {L"/d/folder/", L"", 0}},
        {{L"-Quit", L"/d/pic.jpg"}, {{L"quit", L"/d/pic.jpg"}}, false, std::nullopt, {}},
        {{L"/d/pic.jpg", L"-Quit", L"/d/t.tvt"},
         {{L"filepath", L"/d/pic.jpg"}, {L"quit", L"/d/t.tvt"}},
         false,
         std::nullopt,
         {L"/d/pic.jpg", L"", 0}},
        {{L"-Apply", L"/d/folder", L"/d/t.tvt"},
         {{L"apply", L"/d/folder"}, {L"tasklist", L"/d/t.tvt"}},
         false,
         Help(L"No file path specified!"),
         {}},
        {{L"/d/pic.jpg", L"-Apply"},
         {{L"filepath", L"/d/pic.jpg"}, {L"apply", L""}},
         false,
         Help(L"No task list specified!"),
         {}},
        // Paths: quotes trimmed, folders given their separator.
        {{L"/d/folder"},
         {{L"filepath", L"/d/folder"}},
         false,
         std::nullopt,
         {L"/d/folder/", L"", 0}},
        {{L"\"/d/My Picture Folder/\""},
         {{L"filepath", L"\"/d/My Picture Folder/\""}},
         false,
         std::nullopt,
         {L"/d/My Picture Folder/", L"", 0}},
        {{L"/d/folder/\"\""},
         {{L"filepath", L"/d/folder/\"\""}},
         false,
         std::nullopt,
         {L"/d/folder/", L"", 0}},
        {{L"/"}, {{L"filepath", L"/"}}, false, std::nullopt, {L"/", L"", 0}},
        {{L"\""},
         {{L"filepath", L"\""}},
         false,
         ErrorBox(L"The specified file path doesn't exist!"),
         {}},
        {{L"/d/none", L"/d/none.tvt"},
         {{L"filepath", L"/d/none"}, {L"tasklist", L"/d/none.tvt"}},
         false,
         ErrorBox(L"The specified file path doesn't exist!"),
         {}},
        {{L"/d/pic.jpg", L"/d/none.tvt"},
         {{L"filepath", L"/d/pic.jpg"}, {L"tasklist", L"/d/none.tvt"}},
         false,
         ErrorBox(L"The specified task list doesn't exist!"),
         {}},
        {{L"-TaskList", L"/d/tasks"},
         {{L"tasklist", L"/d/tasks"}},
         false,
         ErrorBox(L"The specified task list is not valid!"),
         {}},
        // Shortcuts give their target when it can be resolved.
        {{L"/d/pic.LNK"},
         {{L"filepath", L"/d/pic.LNK"}},
         false,
         std::nullopt,
         {L"/d/pic.jpg", L"", 0}},
        {{L"/d/to folder.lnk"},
         {{L"filepath", L"/d/to folder.lnk"}},
         false,
         std::nullopt,
         {L"/d/folder/", L"", 0}},
        {{L"/d/gone.lnk"},
         {{L"filepath", L"/d/gone.lnk"}},
         false,
         std::nullopt,
         {L"/d/gone.lnk", L"", 0}},
        {{L"/d/junk.lnk"},
         {{L"filepath", L"/d/junk.lnk"}},
         false,
         std::nullopt,
         {L"/d/junk.lnk", L"", 0}},
        {{L"/d/dir.lnk"},
         {{L"filepath", L"/d/dir.lnk"}},
         false,
         std::nullopt,
         {L"/d/dir.lnk/", L"", 0}},
        // A symbolic link to a folder names the folder; any other link is
        // the entry itself.
        {{L"/d/to-folder"},
         {{L"filepath", L"/d/to-folder"}},
         false,
         std::nullopt,
         {L"/d/folder/", L"", 0}},
        {{L"/d/to-pic"},
         {{L"filepath", L"/d/to-pic"}},
         false,
         std::nullopt,
         {L"/d/to-pic", L"", 0}},
        {{L"/d/dangling"},
         {{L"filepath", L"/d/dangling"}},
         false,
         std::nullopt,
         {L"/d/dangling", L"", 0}},
        // A whole batch.
        {{L"\"/d/My Picture Folder\"", L"\"/d/Rename tasklist.tvt\"", L"-Apply", L"/NoConfirm"},
         {{L"filepath", L"\"/d/My Picture Folder\""},
          {L"tasklist", L"\"/d/Rename tasklist.tvt\""},
          {L"apply", L""},
          {L"noconfirm", L""}},
         false,
         std::nullopt,
         {L"/d/My Picture Folder/", L"/d/Rename tasklist.tvt", 1}},
        // A '/' argument that is not a switch name is an absolute path.
        {{L"/tmp", L"/quit"},
         {{L"filepath", L"/tmp"}, {L"quit", L""}},
         false,
         std::nullopt,
         {L"/tmp/", L"", 0}},
        {{L"/Quit/x"},
         {{L"filepath", L"/Quit/x"}},
         false,
         ErrorBox(L"The specified file path doesn't exist!"),
         {}},
    };
    for (const auto& c : cases) {
        std::wstring shown;
        for (const auto& a : c.arguments)
            shown += L"[" + a + L"] ";
        const CommandLineInfo info = Parse(c.arguments);
        EXPECT_EQ(info.switchValues, c.switches) << shown;
        EXPECT_EQ(info.invalidArguments, c.invalid) << shown;
        FakeFileSystem fs;
        FillDisk(fs);
        const CommandLineValidation v = CheckCommandLine(info, fs, kProduct);
        const bool accepted = !c.message && !c.switches.empty() && !c.invalid;
        EXPECT_EQ(v.result, accepted ? 0 : 1) << shown;
        EXPECT_EQ(v.message, c.message) << shown;
        EXPECT_EQ(v.values, c.values) << shown;
    }
}

TEST(CommandLine, HasSwitchLowersTheName) {
    const auto info = Parse({L"-TaskList", L"x", L"-Apply"});
    std::wstring value = L"unchanged";
    EXPECT_TRUE(info.HasSwitch(L"TASKLIST", value));
    EXPECT_EQ(value, L"x");
    EXPECT_TRUE(info.HasSwitch(L"apply", value));
    EXPECT_EQ(value, L"");
    value = L"unchanged";
    EXPECT_FALSE(info.HasSwitch(L"quit", value));
    EXPECT_EQ(value, L"unchanged");
    EXPECT_EQ(info.pendingSwitch, L"apply");
}

TEST(CommandLine, HelpBoxTextAndCaptions) {
    const std::wstring body =
        L"Torvane support the following arguments:\n"
        L" -FilePath\tSpecify a file or folder to open.\n"
        L" -TaskList\tSpecify a task list to open.\n"
        L" -Apply\tProceed to apply the tasks.\n"
        L"\tRequire both the FilePath and the TaskList.\n"
        L" -NoConfirm\tApply without display a confirmation dialog.\n"
        L" -Quit\tExit the program after performing the requested tasks.\n"
        L" -?\tHelp menu.\n\n"
        L"Example usage:\n"
        L"App.exe [-FilePath] [-TaskList] [-Apply] [-NoConfirm] [?]\n"
        L"App.exe D:\\MyPicture.jpg\n"
        L"App.exe -FilePath D:\\MyPicture.jpg\n"
        L"App.exe -TaskList D:\\tasklist.tvt\n"
        L"App.exe \"D:\\My Vacation Picture.jpg\" D:\\tasklist.tvt\n"
        L"App.exe -FilePath \"D:\\My Vacation Picture.jpg\" -TaskList D:\\tasklist.tvt\n"
        L"App.exe \"D:\\My Picture Folder\" \"D:\\Rename tasklist.tvt\" -Apply\n";
    EXPECT_EQ(CommandLineHelpMessage(kProduct, L""),
              (CommandLineMessage{body, L"Torvane Help", MessageIcon::kInformation}));
    EXPECT_EQ(CommandLineHelpMessage(kProduct, L"Bad!"),
              (CommandLineMessage{L"Bad!\n\n" + body, L"Torvane Command line error",
                                  MessageIcon::kError}));
}

TEST(CommandLine, ValidateShowsTheOneMessageAndHandsOverTheValues) {
    FakeFileSystem fs;
    FillDisk(fs);
    RecordingDialogs dialogs;
    CommandLineValues values{L"stale", L"stale", 1};
    EXPECT_EQ(
        ValidateCommandLine(Parse({L"/d/pic.jpg", L"/d/tasks"}), fs, dialogs, kProduct, values), 1);
    EXPECT_EQ(values, CommandLineValues{});
    EXPECT_EQ(
        dialogs.messages(),
        (std::vector<RecordingDialogs::Message>{{L"The specified task list is not valid!", L"Error",
                                                 MessageIcon::kError, MessageButtons::kOk}}));
    dialogs.Clear();
    EXPECT_EQ(ValidateCommandLine(Parse({L"/d/folder", L"/d/t.tvt", L"-NoConfirm"}), fs, dialogs,
                                  kProduct, values),
              0);
    EXPECT_EQ(values, (CommandLineValues{L"/d/folder/", L"/d/t.tvt", true}));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST(CommandLine, HelpIsAskedForInEveryUsualWay) {
    for (const auto* argument : {L"-?", L"/?", L"-h", L"-H", L"--help", L"-Help", L"/help"})
        EXPECT_TRUE(AsksForHelp({L"photos", argument})) << argument;
    for (const auto* argument : {L"?", L"help", L"-hh", L"---help", L"/h"})
        EXPECT_FALSE(AsksForHelp({argument})) << argument;
}

TEST(CommandLine, TheDesktopHelpShowsLinuxExamplesAndKeepsItsError) {
    const CommandLineMessage box = CommandLineHelpMessage(kProduct, L"Bad!");
    const CommandLineMessage shown = WithLinuxExamples(box, kProduct, L"torvane");
    EXPECT_EQ(shown.caption, box.caption);
    EXPECT_EQ(shown.text.rfind(L"Bad!\n\nTorvane support the following arguments:\n", 0), 0u);
    EXPECT_NE(shown.text.find(L"\ntorvane -FilePath ~/Pictures/holiday.jpg\n"), std::wstring::npos);
    EXPECT_EQ(shown.text.find(L"App.exe"), std::wstring::npos);
    EXPECT_EQ(shown.text.find(L":\\"), std::wstring::npos);  // no drive letters
    const CommandLineMessage other{L"The specified file path doesn't exist!", L"Error",
                                   MessageIcon::kError};
    EXPECT_EQ(WithLinuxExamples(other, kProduct, L"torvane"), other);
}

// What a file manager passes: a .tvt path alone is the task list to load;
// anything more, a folder named so, or -FilePath keeps it the path to list.
TEST(CommandLine, ALoneBareTaskListPathBecomesTheTaskList) {
    FakeFileSystem fs;
    FillDisk(fs);
    fs.AddFolder(L"/d/folder.tvt");
    fs.AddFile(L"/d/UPPER.TVT");
    const struct {
        std::vector<std::wstring> arguments;
        Switches switches;
    } cases[] = {
        {{L"/d/t.tvt"}, {{L"tasklist", L"/d/t.tvt"}}},
        {{L"/d/UPPER.TVT"}, {{L"tasklist", L"/d/UPPER.TVT"}}},
        {{L"\"/d/t.tvt\""}, {{L"tasklist", L"\"/d/t.tvt\""}}},
        // Missing: validation reports the missing task list.
        {{L"/d/gone.tvt"}, {{L"tasklist", L"/d/gone.tvt"}}},
        {{L"/d/folder.tvt"}, {{L"filepath", L"/d/folder.tvt"}}},
        {{L"/d/pic.jpg"}, {{L"filepath", L"/d/pic.jpg"}}},
        {{L".tvt"}, {{L"filepath", L".tvt"}}},
        {{L"-FilePath", L"/d/t.tvt"}, {{L"filepath", L"/d/t.tvt"}}},
        {{L"/d/x.tvt", L"-FilePath", L"/d/t.tvt"}, {{L"filepath", L"/d/t.tvt"}}},
        {{L"/d/t.tvt", L"-Quit"}, {{L"filepath", L"/d/t.tvt"}, {L"quit", L""}}},
        {{L"/d/t.tvt", L"/d/t.tvt"}, {{L"filepath", L"/d/t.tvt"}, {L"tasklist", L"/d/t.tvt"}}},
    };
    for (const auto& c : cases) {
        CommandLineInfo info = Parse(c.arguments);
        TakeLoneTaskList(info, fs);
        EXPECT_EQ(info.switchValues, c.switches) << ToUtf8(c.arguments.back());
    }
    CommandLineInfo missing = Parse({L"/d/gone.tvt"});
    TakeLoneTaskList(missing, fs);
    EXPECT_EQ(CheckCommandLine(missing, fs, kProduct).message,
              ErrorBox(L"The specified task list doesn't exist!"));
}

}  // namespace
}  // namespace torvane
