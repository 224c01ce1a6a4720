// The console front end: message boxes as lines, questions, the log's name.
#include "cli/console_front_end.hpp"

#include <gtest/gtest.h>

#include "console_streams.hpp"
#include "fake_file_system.hpp"

namespace torvane {
namespace {

using testing::ConsoleStreams;
using testing::FakeFileSystem;

class ConsoleFrontEndTest : public ::testing::Test {
  protected:
    explicit ConsoleFrontEndTest(const std::string& input = "", bool onTerminal = false)
        : streams(input), terminal(streams.Io(onTerminal, false)), frontEnd(terminal, fs) {}

    MessageAnswer Show(const std::wstring& text, const std::wstring& caption, MessageIcon icon,
                       MessageButtons buttons = MessageButtons::kOk) {
        return frontEnd.ShowMessage(text, caption, icon, buttons);
    }

    ConsoleStreams streams;
    FakeFileSystem fs;
    Terminal terminal;
    ConsoleFrontEnd frontEnd;
};

TEST_F(ConsoleFrontEndTest, NoticesGoToStandardOutputEverythingElseToStandardError) {
    EXPECT_EQ(Show(L"Operation completed sucessfully.", L"Notice", MessageIcon::kInformation),
              MessageAnswer::kOk);
    Show(L"The specified file path doesn't exist!", L"Error", MessageIcon::kError);
    Show(L"Error!  Permission denied\r\n", L"", MessageIcon::kError);  // no caption
    Show(L"An error occurred while reading x.\nNo space", L"torvane-cli", MessageIcon::kWarning);
    EXPECT_EQ(streams.Out(), "Notice: Operation completed sucessfully.\n");
    EXPECT_EQ(streams.Err(),
              "Error: The specified file path doesn't exist!\n"
              "Error!  Permission denied\n"
              "torvane-cli: An error occurred while reading x.\nNo space\n");
    EXPECT_EQ(frontEnd.problemsShown(), 3);
}

TEST_F(ConsoleFrontEndTest, WithoutATerminalAQuestionIsAnsweredNoAndSaysHowToProceed) {
    frontEnd.SetNoAnswerHint(L"Add -NoConfirm to apply without this question.");
    EXPECT_EQ(Show(L"Are you sure you want to execute this job?\nThis action cannot be undo!",
                   L"Confirm notice", MessageIcon::kQuestion, MessageButtons::kYesNo),
              MessageAnswer::kNo);
    EXPECT_EQ(streams.Err(),
              "Confirm notice: Are you sure you want to execute this job?\n"
              "This action cannot be undo!\n"
              "Answered No: standard input is not a terminal. Add -NoConfirm to apply without "
              "this question.\n");
    EXPECT_EQ(frontEnd.problemsShown(), 0);
    EXPECT_EQ(frontEnd.PickSaveFile({}), std::nullopt);
}

TEST_F(ConsoleFrontEndTest, AFailedJobPrintsItsLogAndChangesTheHint) {
    frontEnd.JobFinished(JobResult{false, {L"Log file started on: x\n"}, {}});
    EXPECT_EQ(streams.Err(), "");
    frontEnd.JobFinished(JobResult{
        true,
        {L"Log file started on: x\n", L"Error renaming file:  /r/a..........File exists\r\n"},
        {}});
    Show(L"Operation completed with error.  Do you want to save the log file?", L"Warning",
         MessageIcon::kWarning, MessageButtons::kYesNo);
    EXPECT_EQ(streams.Err(),
              "Log file started on: x\n"
              "Error renaming file:  /r/a..........File exists\n"
              "Warning: Operation completed with error.  Do you want to save the log file?\n"
              "Answered No: standard input is not a terminal. The log is printed above.\n");
}

class TerminalFrontEndTest : public ConsoleFrontEndTest {
  protected:
    TerminalFrontEndTest() : ConsoleFrontEndTest(kInput, true) {}
    static constexpr const char* kInput = "yes\n\nmine\n/logs/old\nn\n";

    FileDialogRequest LogRequest() const {
        FileDialogRequest request;
        request.defaultExtension = L".txt";
        request.initialName = L"Error log 2021-07-03 12-05-09";
        request.overwritePrompt = true;
        return request;
    }
};

TEST_F(TerminalFrontEndTest, QuestionsAndTheLogsNameAreAskedOnTheTerminal) {
    fs.AddFile(L"/logs/old.txt");
    EXPECT_EQ(Show(L"Save?", L"Warning", MessageIcon::kWarning, MessageButtons::kYesNo),
              MessageAnswer::kYes);
    // An empty answer takes the proposed name, a name without extension gets
    // it, an existing file is replaced only when confirmed.
    EXPECT_EQ(frontEnd.PickSaveFile(LogRequest()), L"Error log 2021-07-03 12-05-09.txt");
    EXPECT_EQ(frontEnd.PickSaveFile(LogRequest()), L"mine.txt");
    EXPECT_EQ(frontEnd.PickSaveFile(LogRequest()), std::nullopt);
    EXPECT_EQ(frontEnd.PickSaveFile(LogRequest()), std::nullopt);  // the end of input
    EXPECT_EQ(streams.Err(),
              "Warning: Save? [y/N] "
              "Save as [Error log 2021-07-03 12-05-09.txt]: "
              "Save as [Error log 2021-07-03 12-05-09.txt]: "
              "Save as [Error log 2021-07-03 12-05-09.txt]: "
              "/logs/old.txt already exists. Do you want to replace it? [y/N] "
              "Save as [Error log 2021-07-03 12-05-09.txt]: ");
    EXPECT_EQ(frontEnd.PickOpenFile({}), std::nullopt);
    EXPECT_EQ(frontEnd.PickFolder(), std::nullopt);
}

}  // namespace
}  // namespace torvane
