// The console's terminal: questions, lines and the progress bar.
#include "cli/terminal.hpp"

#include <gtest/gtest.h>

#include "console_streams.hpp"

namespace torvane {
namespace {

using testing::ConsoleStreams;
using namespace std::chrono_literals;

TEST(ProgressLineTest, BarCountAndRate) {
    EXPECT_EQ(ProgressLine(0, 10, 0, 10), L"[----------] 0/10 entries");
    EXPECT_EQ(ProgressLine(5, 10, 2.0, 10), L"[#####-----] 5/10 entries  2.5/s");
    EXPECT_EQ(ProgressLine(10, 10, 4.0, 4), L"[####] 10/10 entries  2.5/s");
    // Clamped to the range; an empty range shows an empty bar.
    EXPECT_EQ(ProgressLine(12, 10, 0, 4), L"[####] 10/10 entries");
    EXPECT_EQ(ProgressLine(-1, 10, 0, 4), L"[----] 0/10 entries");
    EXPECT_EQ(ProgressLine(3, 0, 0, 4), L"[----] 0/0 entries");
}

TEST(IsYesTest, OnlyYOrYes) {
    for (const auto* yes : {L"y", L"Y", L"yes", L"YES", L" yes \r"})
        EXPECT_TRUE(IsYes(yes)) << yes;
    for (const auto* no : {L"", L"n", L"no", L"yess", L"ye", L"oui", L"y y"})
        EXPECT_FALSE(IsYes(no)) << no;
}

TEST(TerminalTest, AQuestionIsAskedOnlyOnATerminalAndDefaultsToNo) {
    const struct {
        std::string input;
        bool terminal;
        bool answer;
    } cases[] = {
        {"y\n", true, true},   {"Yes\n", true, true}, {"\n", true, false},
        {"n\n", true, false},  {"", true, false},  // the end of input
        {"y\n", false, false},                     // not read without a terminal
    };
    for (const auto& c : cases) {
        ConsoleStreams streams(c.input);
        Terminal terminal(streams.Io(c.terminal, false));
        EXPECT_EQ(terminal.AskYesNo(L"Go on?"), c.answer) << c.input;
        EXPECT_EQ(streams.Err(), c.terminal ? "Go on? [y/N] " : "");
        EXPECT_EQ(streams.InputRead(), c.terminal ? static_cast<long>(c.input.size()) : 0);
        EXPECT_EQ(streams.Out(), "");
    }
}

TEST(TerminalTest, ReadLineTakesOneLineWithoutItsEnd) {
    ConsoleStreams streams("first line\r\nsecond\n");
    Terminal terminal(streams.Io(true, false));
    EXPECT_EQ(terminal.ReadLine(L"> "), L"first line");
    EXPECT_EQ(terminal.ReadLine(L"> "), L"second");
    EXPECT_EQ(terminal.ReadLine(L"> "), std::nullopt);
}

TEST(TerminalTest, LinesGoToTheirStreamsAsUtf8) {
    ConsoleStreams streams;
    Terminal terminal(streams.Io(false, false));
    terminal.PrintOut(L"caf\u00e9");
    terminal.PrintError(L"two\nlines");
    EXPECT_EQ(streams.Out(), "caf\xc3\xa9\n");
    EXPECT_EQ(streams.Err(), "two\nlines\n");
}

class ProgressTest : public ::testing::Test {
  protected:
    Terminal Make(bool errIsTerminal) {
        return Terminal(streams.Io(false, errIsTerminal), [this] { return now; });
    }
    ConsoleStreams streams;
    std::chrono::steady_clock::time_point now{};
};

TEST_F(ProgressTest, DrawnOnlyOnATerminal) {
    Terminal terminal = Make(false);
    terminal.SetProgressRange(0, 4);
    terminal.SetProgressPosition(4);
    terminal.SetProgressPosition(0);
    EXPECT_EQ(streams.Err(), "");
}

TEST_F(ProgressTest, RedrawsAtMostEveryTenthOfASecondAndAlwaysAtTheEnd) {
    Terminal terminal = Make(true);
    terminal.SetProgressRange(0, 4);
    now += 1s;
    terminal.SetProgressPosition(1);
    now += 50ms;
    terminal.SetProgressPosition(2);  // too soon: not drawn
    now += 60ms;
    terminal.SetProgressPosition(3);
    terminal.SetProgressPosition(4);  // the end: drawn at once
    const std::string bar1 =
        "\r[" + std::string(7, '#') + std::string(23, '-') + "] 1/4 entries  1.0/s";
    const std::string bar3 =
        "\r[" + std::string(22, '#') + std::string(8, '-') + "] 3/4 entries  2.7/s";
    const std::string bar4 = "\r[" + std::string(30, '#') + "] 4/4 entries  3.6/s";
    EXPECT_EQ(streams.Err(), bar1 + bar3 + bar4);
}

TEST_F(ProgressTest, TheBarIsClearedByPositionZeroAndBeforeAnyOtherText) {
    Terminal terminal = Make(true);
    terminal.SetProgressRange(0, 2);
    terminal.SetProgressPosition(2);
    const std::string bar = "\r[" + std::string(30, '#') + "] 2/2 entries";
    const std::string blank = "\r" + std::string(bar.size() - 1, ' ') + "\r";
    terminal.PrintOut(L"notice");
    EXPECT_EQ(streams.Err(), bar + blank);
    EXPECT_EQ(streams.Out(), "notice\n");
    terminal.SetProgressPosition(0);  // nothing on show: nothing to clear
    EXPECT_EQ(streams.Err(), bar + blank);
    terminal.SetProgressRange(0, 2);
    terminal.SetProgressPosition(2);
    terminal.SetProgressPosition(0);
    EXPECT_EQ(streams.Err(), bar + blank + bar + blank);
}

}  // namespace
}  // namespace torvane
