// The switch table against what is written from it or by hand: the bash
// completion file, the man page, the help text and the parser.
#include "cli/console_switches.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "app/command_line.hpp"
#include "cli/console_completion.hpp"
#include "cli/console_help.hpp"
#include "cli/task_switches.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

TEST(ConsoleSwitchesTest, TheCompletionFileIsTheOneMadeFromTheTable) {
    EXPECT_EQ(ReadText(TORVANE_SOURCE_DIR "/doc/completion/torvane-cli.bash"),
              BashCompletionScript())
        << "Write it again: cmake --build build --target update-completion";
}

// The man page's switches: the tag of each .TP item that is a switch, with
// the values written after it, and those of the synopsis (no values).
std::map<std::string, std::string> ManPageSwitches(const std::string& page) {
    std::map<std::string, std::string> switches;
    std::istringstream lines(page);
    std::string line, previous;
    const std::regex tag(R"re(^\.(?:B|BI|BR) (\\-\S+)(?: "\s*([^"]*)")?\s*$)re");
    const std::regex synopsis(R"re(\\fB((?:\\-)+[^\\ ]+)\\fR)re");
    bool inSynopsis = false;
    while (std::getline(lines, line)) {
        std::smatch m;
        if (previous == ".TP" && std::regex_match(line, m, tag))
            switches[std::regex_replace(m[1].str(), std::regex(R"(\\-)"), "-")] = m[2].str();
        if (line.rfind(".SH", 0) == 0)
            inSynopsis = line == ".SH SYNOPSIS";
        for (auto it = std::sregex_iterator(line.begin(), line.end(), synopsis);
             inSynopsis && it != std::sregex_iterator(); ++it)
            switches.emplace(std::regex_replace((*it)[1].str(), std::regex(R"(\\-)"), "-"), "");
        previous = line;
    }
    return switches;
}

TEST(ConsoleSwitchesTest, TheManPageDescribesEverySwitchOfTheTableAndNoOther) {
    const auto page = ManPageSwitches(ReadText(TORVANE_SOURCE_DIR "/doc/man/torvane-cli.1"));
    std::set<std::string> table;
    for (const ConsoleSwitch& s : ConsoleSwitches()) {
        const std::string name = ToUtf8(s.name);
        table.insert(name);
        const auto described = page.find(name);
        EXPECT_NE(described, page.end()) << name << " is not in the man page";
        if (described != page.end() && !described->second.empty()) {
            EXPECT_EQ(described->second, ToUtf8(s.values.syntax)) << name;
        }
    }
    for (const auto& [name, syntax] : page)
        EXPECT_TRUE(table.count(name)) << name << " is in the man page, not in the table";
}

TEST(ConsoleSwitchesTest, TheHelpListsEverySwitchOnce) {
    const std::wstring help = ConsoleHelpText(L"Torvane", L"tc");
    const std::wstring desktop = CommandLineHelpMessage(L"Torvane", L"").text;
    for (const ConsoleSwitch& s : ConsoleSwitches()) {
        SCOPED_TRACE(ToUtf8(s.name));
        if (s.section == SwitchSection::kDesktop) {
            EXPECT_TRUE(Contains(desktop, L" " + std::wstring(s.name) + L"\t"));
            EXPECT_TRUE(s.help.empty());
            continue;
        }
        std::wstring head = L"\n " + std::wstring(s.name);
        if (!s.values.syntax.empty())
            head += L" " + std::wstring(s.values.syntax);
        const auto at = help.find(head);
        ASSERT_NE(at, std::wstring::npos);
        EXPECT_EQ(help.find(head, at + 1), std::wstring::npos);
        const std::wstring firstLine(s.help.substr(0, s.help.find(L'\n')));
        EXPECT_EQ(help.find(firstLine, at), help.find_first_not_of(L"\n\t", at + head.size()));
    }
}

// Each name is found as written, in any case and, where allowed, with '/';
// each word the completion offers is one the parser takes.
TEST(ConsoleSwitchesTest, TheParserTakesEveryNameAndEveryWordTheCompletionOffers) {
    for (const ConsoleSwitch& s : ConsoleSwitches()) {
        SCOPED_TRACE(ToUtf8(s.name));
        EXPECT_EQ(FindConsoleSwitch(s.name), &s);
        EXPECT_EQ(FindConsoleSwitch(AsciiLower(s.name)), &s);
        const std::wstring slashed = L"/" + std::wstring(s.name.substr(1));
        EXPECT_EQ(FindConsoleSwitch(slashed), s.slashForm ? &s : nullptr);
        // A switch that sets a field of the task before it has a rename there.
        const bool makesTask =
            s.name == L"-Rename" || s.name == L"-Timestamp" || s.name == L"-Attributes";
        const std::vector<std::wstring> before =
            s.section == SwitchSection::kTask && !makesTask
                ? std::vector<std::wstring>{L"-Rename", L"x", L"#"}
                : std::vector<std::wstring>{};
        for (const std::wstring_view word : s.values.words) {
            std::vector<std::wstring> arguments{std::wstring(s.name)};
            if (s.values.second == ValueCompletion::kWords)
                arguments.push_back(L"x");
            arguments.push_back(std::wstring(word));
            while (arguments.size() < static_cast<std::size_t>(s.values.count) + 1)
                arguments.push_back(L"x");
            arguments.insert(arguments.begin(), before.begin(), before.end());
            const auto got = ExtractConsoleSwitches(arguments);
            EXPECT_FALSE(got.invalid) << ToUtf8(word) << ": " << ToUtf8(got.error);
        }
    }
}

}  // namespace
}  // namespace torvane
