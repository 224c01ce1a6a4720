// Names and other outside texts as the console shows them.
#include "cli/terminal_quoting.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include "cli/console_front_end.hpp"
#include "cli/dry_run.hpp"
#include "console_streams.hpp"
#include "engine/apply_task.hpp"
#include "engine/error_log.hpp"
#include "engine/job.hpp"
#include "engine/messages.hpp"
#include "fake_file_system.hpp"
#include "filelist/list_path.hpp"
#include "job_support.hpp"
#include "platform/progress.hpp"
#include "platform/text.hpp"
#include "tasks/task_definition.hpp"
#include "utf16_bytes.hpp"

namespace torvane {
namespace {

using testing::ConsoleStreams;

// Whether `bytes` (what the console wrote) hold a C0 control other than the
// line breaks it writes itself, DEL, or the UTF-8 of a C1 control, a line or
// paragraph separator or a bidi control.
bool HasRawControl(const std::string& bytes) {
    for (const wchar_t c : FromUtf8(bytes)) {
        if ((c < 0x20 && c != L'\n') || c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0x2028 ||
            c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
            (c >= 0xDC80 && c <= 0xDCFF))
            return true;
    }
    return false;
}

TEST(QuoteForTerminalTest, ControlsAndUndecodableBytesAreWrittenAsEscapes) {
    const struct {
        std::wstring name;
        std::wstring shown;
    } cases[] = {
        {L"plain.jpg", L"plain.jpg"},
        {L"Caf\u00e9 \u65e5\u672c \U0001F600.jpg", L"Caf\u00e9 \u65e5\u672c \U0001F600.jpg"},
        {L"a\x1b[1A\x1b[2K\rforged", L"a\\e[1A\\e[2K\\rforged"},
        {L"two\nlines", L"two\\nlines"},
        {L"tab\there", L"tab\\there"},
        {L"\a\b\v\f", L"\\a\\b\\v\\f"},
        {std::wstring(L"nul\0x", 5), L"nul\\x00x"},
        {L"\x01\x1f", L"\\x01\\x1f"},
        {L"del\x7f", L"del\\x7f"},
        {L"csi\x9b"
         L"31m",
         L"csi\\u009b31m"},
        {L"\x80\x9f", L"\\u0080\\u009f"},
        {L"evil\u202Egpj.exe", L"evil\\u202egpj.exe"},
        {L"\u202A\u202D\u2066\u2069\u200E\u200F\u061C",
         L"\\u202a\\u202d\\u2066\\u2069\\u200e\\u200f\\u061c"},
        {L"line\u2028para\u2029", L"line\\u2028para\\u2029"},
        // Bytes that are not UTF-8 as the bytes they were.
        {FromUtf8("bad\xff\x80.jpg"), L"bad\\xff\\x80.jpg"},
        {FromUtf8("\xc3"), L"\\xc3"},
        // A lone surrogate that is no name's byte.
        {std::wstring(1, static_cast<wchar_t>(0xD800)), L"\\ud800"},
        // A backslash is doubled, so that a name spelling an escape is told
        // apart from the escape.
        {L"back\\slash", L"back\\\\slash"},
        {L"\\e not ESC", L"\\\\e not ESC"},
        {L"\\\x1b", L"\\\\\\e"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteForTerminal(c.name), c.shown) << ToUtf8(c.shown);
}

TEST(QuoteMessageTest, AMessageKeepsItsOwnLinesAndQuotesWhatCameFromOutside) {
    const MessageText message = L"Error reading file " + Outside(L"/r/a\nError: forged\x1b[2K") +
                                L"\n" + L"Permission denied\r\n";
    EXPECT_EQ(message.Plain(),
              L"Error reading file /r/a\nError: forged\x1b[2K\nPermission denied\r\n");
    EXPECT_EQ(QuoteMessage(message),
              L"Error reading file /r/a\\nError: forged\\e[2K\nPermission denied");
    // A line break that ends an outside piece is the name's, not the end of
    // the message's text.
    EXPECT_EQ(QuoteMessage(NotADateMessage(L"x\r\n")),
              L"The resulted Date/Time needs to be in the following format:\n"
              L"MM/DD/YYYY HH:MM:SS [A/P]M\n\nActual output: x\\r\\n");
    EXPECT_EQ(QuoteMessage(MessageText(L"own\\text\n")), L"own\\text");
}

// A pattern the user typed keeps its backslashes (so the message shows what
// was typed) and still has its controls escaped; a name beside it doubles
// them.
TEST(QuoteMessageTest, ATypedPatternIsShownAsTypedWithItsControlsEscaped) {
    const MessageText message = L"Pattern " + Typed(L"IMG_(\\d+\x1b[2K") + L" in " +
                                Outside(L"a\\b") + L", " + Typed(L"\\.txt\n");
    EXPECT_EQ(message.Plain(), L"Pattern IMG_(\\d+\x1b[2K in a\\b, \\.txt\n");
    EXPECT_EQ(QuoteMessage(message), L"Pattern IMG_(\\d+\\e[2K in a\\\\b, \\.txt\\n");
    EXPECT_EQ(QuoteMessage(InvalidExpressionMessage(L"at 'IMG_(>>>HERE>>>\\d+'.")),
              L"Not a valid regular expression: \"at 'IMG_(>>>HERE>>>\\d+'.\"");
    // The messages of a pattern that runs too long quote it the same way; the
    // name beside it keeps its backslash doubled.
    EXPECT_EQ(QuoteMessage(ExpressionTooSlowMessage(L"IMG_(\\d+)", 5, 2, L"a\\b")),
              L"The regular expression \"IMG_(\\d+)\" took too long to apply (more than 5 "
              L"seconds for 2 names; the last was \"a\\\\b\"). Nothing was changed by it.");
    EXPECT_EQ(QuoteMessage(ExpressionBacktracksMessage(L"(\\w+)*x", L"a")),
              L"The regular expression \"(\\w+)*x\" took too long on \"a\": it backtracks "
              L"too much to be matched. Nothing was changed by it.");
}

TEST(QuotedLineTest, ALineLosesItsBreaksAtTheEndAndKeepsNothingRaw) {
    EXPECT_EQ(QuotedLine(L"Error renaming file:  /r/a\rb..........File exists\r\n"),
              L"Error renaming file:  /r/a\\rb..........File exists");
    EXPECT_EQ(QuotedLine(L"a\nb -> c"), L"a\\nb -> c");
}

class ConsoleMessageQuotingTest : public ::testing::Test {
  protected:
    ConsoleStreams streams;
    testing::FakeFileSystem fs;
    Terminal terminal{streams.Io(false, false)};
    ConsoleFrontEnd frontEnd{terminal, fs};
};

TEST_F(ConsoleMessageQuotingTest, OutsidePiecesAndCaptionsAreQuotedOwnLinesKept) {
    Dialogs& dialogs = frontEnd;
    dialogs.ShowMessageText(L"Error reading file " + Outside(L"/r/\x1b]0;title\a") + L"\nNo luck",
                            L"Error Reading File", MessageIcon::kError, MessageButtons::kOk);
    dialogs.ShowMessageText(L"Do you want " + Outside(L"x\nNotice: done") + L"?", L"Cap\x1b",
                            MessageIcon::kQuestion, MessageButtons::kYesNo);
    EXPECT_EQ(streams.Err(),
              "Error Reading File: Error reading file /r/\\e]0;title\\a\nNo luck\n"
              "Cap\\e: Do you want x\\nNotice: done?\n"
              "Answered No: standard input is not a terminal.\n");
    EXPECT_FALSE(HasRawControl(streams.Err()));
}

// A dry run and a job over names that hold terminal controls, on the
// in-memory file system, with the console front end as their dialogs.
class ConsoleNamesTest : public ConsoleMessageQuotingTest {
  protected:
    // Names that try to erase a line, forge one, turn the text around, and
    // one that is not UTF-8.
    const std::wstring kErase = L"/r/a\x1b[1A\x1b[2K\r.jpg";
    const std::wstring kForge = L"/r/b\nNotice: Operation completed sucessfully.jpg";
    const std::wstring kBidi = L"/r/c\u202Egpj.jpg";
    const std::wstring kBytes = FromUtf8("/r/d\xff.jpg");
    const std::wstring kFolder =
        L"/r/e\x9b"
        L"2J";

    void SetUp() override {
        for (const auto& name : {kErase, kForge, kBidi, kBytes})
            fs.AddFile(name);
        fs.AddFile(kFolder + L"/f.jpg");
        fs.FailOn(testing::FakeFileSystem::Call::kFindEntries, kFolder, EACCES);
        RenameTaskFields f;
        f.find = L"jpg";
        f.replace = L"png";
        f.regex = L"FALSE";
        f.numbering = L"FALSE";
        f.startNumber = L"1";
        settings = JobSettings{{L"/r/"},
                               {TaskItem{1, L"", BuildTaskDefinition(f)}},
                               {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone},
                               {}};
    }

    JobSettings settings;
};

TEST_F(ConsoleNamesTest, TheDryRunPrintsNoRawControlAndItsReportKeepsThem) {
    const auto report = DescribePlan(BuildPlan(settings, fs, frontEnd), settings.paths[0]);
    ASSERT_EQ(report.lines.size(), 5u);  // the four renames, and the unreadable folder's problem
    ASSERT_EQ(report.folderProblems.size(), 1u);
    EXPECT_NE(report.folderProblems[0].find(kFolder), std::wstring::npos);
    PrintDryRunReport(terminal, report);

    const std::string out = streams.Out();
    const std::string err = streams.Err();
    EXPECT_FALSE(HasRawControl(out)) << out;
    EXPECT_FALSE(HasRawControl(err)) << err;
    for (const char* line : {"a\\e[1A\\e[2K\\r.jpg -> a\\e[1A\\e[2K\\r.png\n",
                             "b\\nNotice: Operation completed sucessfully.jpg -> "
                             "b\\nNotice: Operation completed sucessfully.png | Problem: The "
                             "new name holds a reserved character",
                             "c\\u202egpj.jpg -> c\\u202egpj.png\n", "d\\xff.jpg -> d\\xff.png\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    EXPECT_NE(err.find("Error reading directory:  /r/e\\u009b2J/..........Permission denied\n"),
              std::string::npos)
        << err;
}

TEST_F(ConsoleNamesTest, AJobsLogIsPrintedQuotedAndSavedAsItIs) {
    fs.FailOn(testing::FakeFileSystem::Call::kMove, kErase, EEXIST);
    fs.FailOn(testing::FakeFileSystem::Call::kMove, kForge, EEXIST);
    class Quiet : public JobObserver {
        void JobStep(int) override {}
        void JobDone(const JobResult&) override {}
    } observer;
    const JobResult job = RunJob(settings, fs, frontEnd, observer, 0);
    ASSERT_TRUE(job.error);
    frontEnd.JobFinished(job);

    const std::string err = streams.Err();
    EXPECT_FALSE(HasRawControl(err)) << err;
    EXPECT_NE(err.find("/r/a\\e[1A\\e[2K\\r.jpg.........."), std::string::npos) << err;
    EXPECT_NE(err.find("/r/b\\nNotice: Operation completed sucessfully.jpg.........."),
              std::string::npos)
        << err;
    EXPECT_EQ(streams.Out(), "");

    // The saved log holds the names as they are (its writer turns each line
    // feed into CR LF, a name's too).
    const auto Saved = [](const std::wstring& text) { return testing::Utf16Le(ToUtf16(text)); };
    ASSERT_TRUE(SaveErrorLog(fs, L"/log.txt", job.log, frontEnd));
    const std::string saved = fs.Lookup(L"/log.txt")->content;
    EXPECT_NE(saved.find(Saved(kErase + L"..........")), std::string::npos);
    EXPECT_NE(saved.find(Saved(L"/r/b\r\nNotice: Operation completed sucessfully.jpg..........")),
              std::string::npos);
}

}  // namespace
}  // namespace torvane
