// The help text's console form.
#include "cli/console_help.hpp"

#include <gtest/gtest.h>

#include "platform/text.hpp"

namespace torvane {
namespace {

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

TEST(ConsoleHelpTest, KeepsTheDesktopArgumentsAndAddsSwitchesExitStatusesAndExamples) {
    const std::wstring help = ConsoleHelpText(L"Torvane", L"torvane-cli");
    const std::wstring desktop = CommandLineHelpMessage(L"Torvane", L"").text;
    const std::wstring arguments = desktop.substr(0, desktop.find(L"Example usage:\n"));
    EXPECT_EQ(help.rfind(arguments, 0), 0u);
    for (const auto* part : {L" -Retrieve files|folders|both\n", L" -SubFolders\t",
                             L" -Hidden none|hidden|hidden-no-system|system|all\n",
                             L"Exit status:\n 0\t", L"\n 1\t", L"\n 2\t", L"\n 3\t",
                             L"torvane-cli -SubFolders -Retrieve both photos/ rename.tvt -Apply\n",
                             L" -History\t", L" -Undo [ID]\t", L"torvane-cli -Undo 12 -Apply\n"})
        EXPECT_TRUE(Contains(help, part)) << part;
    EXPECT_FALSE(Contains(help, L"App.exe"));
    EXPECT_FALSE(Contains(help, L"{app}"));
}

// The program's name stands in for its placeholder only: the replacement
// text's "$1" and "$&" stay as the user types them.
TEST(ConsoleHelpTest, TheProgramsNameReplacesItsPlaceholderOnly) {
    const std::wstring help = ConsoleHelpText(L"Torvane", L"tc");
    EXPECT_TRUE(Contains(help, L"(Perl format: $1, $&, \\U, \\L)")) << ToUtf8(help);
    EXPECT_TRUE(Contains(help, L"\ntc -Undo\t\ttc -Undo 12 -Apply\n"));
    EXPECT_TRUE(Contains(help, L"also man tc.\n"));
    EXPECT_FALSE(Contains(help, L"tc1")) << ToUtf8(help);
}

TEST(ConsoleHelpTest, AHelpBoxKeepsItsErrorAndOtherMessagesStayAsTheyAre) {
    const std::wstring help = ConsoleHelpText(L"Torvane", L"tc");
    EXPECT_EQ(ConsoleMessageText(CommandLineHelpMessage(L"Torvane", L""), L"Torvane", L"tc"), help);
    EXPECT_EQ(
        ConsoleMessageText(CommandLineHelpMessage(L"Torvane", L"The task list is not specified!"),
                           L"Torvane", L"tc"),
        L"The task list is not specified!\n\n" + help);
    const CommandLineMessage plain{L"The specified file path doesn't exist!", L"Error",
                                   MessageIcon::kError};
    EXPECT_EQ(ConsoleMessageText(plain, L"Torvane", L"tc"), plain.text);
}

}  // namespace
}  // namespace torvane
