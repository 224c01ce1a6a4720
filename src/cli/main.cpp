// torvane-cli: the whole batch from a terminal or a script, through the same
// controller as the desktop window. See ConsoleHelpText for its use and exit
// statuses.
#include <unistd.h>

#include <string>
#include <vector>

#include "app/command_line.hpp"
#include "app/main_controller.hpp"
#include "app/ui_thread.hpp"
#include "cli/console_arguments.hpp"
#include "cli/console_front_end.hpp"
#include "cli/preview_lines.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

// Without -Apply: what the task list would change, and nothing changed.
void PrintDryRun(const MainController& controller) {
    const auto lines = PreviewLines(controller.currentEntries(), controller.newEntries());
    for (const auto& line : lines)
        Print(stdout, line + L"\n");
    std::size_t changed = 0;
    for (const auto& line : lines)
        changed += !line.starts_with(L"    ");
    Print(stdout, std::to_wstring(changed) + L" of " +
                      std::to_wstring(controller.currentEntries().size()) +
                      L" entries would change. Nothing was changed; add -Apply to apply the "
                      L"task list.\n");
}

int Run(const std::vector<std::wstring>& arguments) {
    const VersionInfo version = ProgramVersionInfo();
    const ConsoleArguments console = SplitConsoleArguments(arguments);
    if (console.error) {
        Print(stderr, L"Error: " + *console.error + L"\n\n" +
                          ConsoleHelpText(version.productName) + L"\n");
        return kExitInvalid;
    }
    if (WantsHelp(console.desktopArguments)) {
        Print(stdout, ConsoleHelpText(version.productName) + L"\n");
        return kExitOk;
    }
    CCommandLineInfoEx commandLine;
    commandLine.ParseCommandLine(console.desktopArguments);
    std::wstring value;
    const bool apply = commandLine.HasSwitch(L"apply", value);

    PosixFileSystem fs;
    UiTaskQueue ui;
    ConsoleFrontEnd front(stdin, ::isatty(STDIN_FILENO) == 1, ::isatty(STDERR_FILENO) == 1);
    MainController controller(
        {fs, front, front, front, ui, nullptr, L"torvane-cli", version});
    front.SetController(&controller);
    controller.Initialize(commandLine, console.listOptions);
    ui.RunUntil([&] { return !controller.jobRunning(); });

    if (controller.commandLineResult() != 0)
        return kExitInvalid;
    if (apply) {
        const auto& result = controller.lastJobResult();
        if (!result)
            return kExitJobNotStarted;
        return result->error ? kExitJobErrors : kExitOk;
    }
    PrintDryRun(controller);
    return front.errorsShown() > 0 ? kExitInvalid : kExitOk;
}

}  // namespace
}  // namespace torvane

int main(int argc, char* argv[]) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(torvane::FromUtf8(argv[i]));
    return torvane::Run(arguments);
}
