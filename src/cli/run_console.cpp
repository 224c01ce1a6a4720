#include "cli/run_console.hpp"

#include "app/command_line.hpp"
#include "app/main_controller.hpp"
#include "app/ui_thread.hpp"
#include "app/version_info.hpp"
#include "cli/console_arguments.hpp"
#include "cli/console_front_end.hpp"
#include "cli/console_help.hpp"
#include "cli/dry_run.hpp"
#include "cli/exit_status.hpp"
#include "cli/terminal_quoting.hpp"
#include "platform/posix_file_system.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kInvalidArguments = L"Invalid command line arguments!";
constexpr std::wstring_view kConfirmHint = L"Add -NoConfirm to apply without this question.";

// A validation message: the help on standard output, exit 0; a refusal on
// standard error, captioned, exit 2.
ExitStatus ShowRefusal(Terminal& terminal, const CommandLineMessage& message,
                       const std::wstring& productName, const std::wstring& appName) {
    const std::wstring text = ConsoleMessageText(message, productName, appName);
    if (message.icon == MessageIcon::kInformation) {
        terminal.PrintOut(text);
        return kExitDone;
    }
    terminal.PrintError(message.caption + L": " + text);
    return kExitInvalid;
}

// The validation as the controller will run it, so that help and refusals
// are shown in their console form before anything is loaded. nullopt when
// the command line may run.
std::optional<ExitStatus> Refusal(Terminal& terminal, const ConsoleArguments& console,
                                  const CommandLineInfo& info, FileSystem& fs,
                                  const std::wstring& productName, const std::wstring& appName) {
    if (console.invalid)
        return ShowRefusal(terminal,
                           CommandLineHelpMessage(productName, std::wstring(kInvalidArguments)),
                           productName, appName);
    const auto checked = CheckCommandLine(info, fs, productName);
    if (checked.result == 0)
        return std::nullopt;
    // No argument at all: the help.
    return ShowRefusal(terminal, checked.message.value_or(CommandLineHelpMessage(productName, L"")),
                       productName, appName);
}

// The dry run of the job the controller would start: its plan, with the
// root's listing as shown. Returns the number of problems.
std::int64_t PrintDryRun(Terminal& terminal, MainController& controller, FileSystem& fs,
                         Dialogs& dialogs) {
    const JobSettings settings{controller.history().Root(), controller.taskList(),
                               controller.listOptions(),
                               EngineSettingsOf(controller.preferences().flags)};
    const JobPlan plan = BuildPlan(settings, fs, dialogs, nullptr, controller.TakeListedRoot());
    // The lines go out as they are made; the report keeps the rest.
    const auto report = DescribePlan(plan, settings.root, false, [&](const std::wstring& line) {
        terminal.PrintOut(QuotedLine(line));
    });
    PrintDryRunReport(terminal, report);
    return report.problems;
}

}  // namespace

int RunConsole(const std::vector<std::wstring>& arguments, const std::wstring& appName,
               ConsoleIo io) {
    Terminal terminal(io);
    PosixFileSystem fs;
    const std::wstring productName = ProductNameOf(ProgramVersionInfo());
    const ConsoleArguments console = ExtractConsoleSwitches(arguments);
    CommandLineInfo info;
    info.ParseCommandLine(console.desktopArguments);
    if (const auto refused = Refusal(terminal, console, info, fs, productName, appName))
        return *refused;

    ConsoleFrontEnd frontEnd(terminal, fs);
    frontEnd.SetNoAnswerHint(std::wstring(kConfirmHint));
    UiTaskQueue ui;
    MainControllerServices services{fs, frontEnd, frontEnd, ui};
    services.job = &frontEnd;
    services.appName = appName;
    MainController controller(std::move(services));
    controller.SetSkipProblems(console.skipProblems);
    frontEnd.Attach(controller);
    controller.Initialize(info, console.options, RunMode::kBatch);
    ui.RunUntil([&controller] { return controller.windowResult().has_value(); });

    RunOutcome outcome;
    outcome.commandLineRefused = controller.commandLineResult() != 0;
    std::wstring value;
    outcome.applyAsked = info.HasSwitch(L"apply", value);
    if (const auto& job = controller.lastJobResult())
        outcome.jobErrors = job->error;
    if (!outcome.commandLineRefused && !outcome.applyAsked)
        outcome.planProblems = PrintDryRun(terminal, controller, fs, frontEnd) > 0;
    outcome.problemShown = frontEnd.problemsShown() > 0;
    return ExitStatusFor(outcome);
}

}  // namespace torvane
