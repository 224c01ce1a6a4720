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
#include "cli/history_commands.hpp"
#include "cli/terminal_quoting.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "tasks/task_list_file.hpp"

namespace torvane {
namespace {

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

// A wrong argument: what is wrong, then the two-line usage hint.
ExitStatus ShowUsageError(Terminal& terminal, const std::wstring& error,
                          const std::wstring& appName) {
    terminal.PrintError(appName + L": " + QuoteForTerminal(error) + L"\n" +
                        ConsoleUsageHint(appName));
    return kExitInvalid;
}

// The paths to process, in order, and the task list among the bare arguments.
struct PathList {
    std::vector<std::wstring> paths;
    std::wstring taskList;  // empty: none among them
};

// An existing file (not a folder) whose name ends in ".tvt", any letter case.
bool IsTaskListFile(FileSystem& fs, const std::wstring& path) {
    if (path.size() < 4 || AsciiLower(path.substr(path.size() - 4)) != L".tvt")
        return false;
    const auto attributes = fs.GetAttributes(path);
    return attributes.ok() && !IsDirectoryWord(*attributes);
}

// The last of several bare arguments is the task list when it is an existing
// .tvt file, or, as the desktop program reads two, when there are exactly two
// and no task was typed; -TaskList leaves every bare argument a path.
PathList SplitPositionals(const ConsoleArguments& console, FileSystem& fs) {
    PathList out{console.positionals, L""};
    CommandLineInfo desktop;
    desktop.ParseCommandLine(console.desktopArguments);
    std::wstring value;
    if (out.paths.size() < 2 || desktop.HasSwitch(L"tasklist", value))
        return out;
    if (IsTaskListFile(fs, out.paths.back()) || (out.paths.size() == 2 && console.tasks.empty())) {
        out.taskList = out.paths.back();
        out.paths.pop_back();
    }
    return out;
}

// The desktop command line for one path: the path and the task list as the
// two bare arguments, then the desktop switches.
CommandLineInfo InfoFor(const ConsoleArguments& console, const std::wstring* path,
                        const std::wstring& taskList) {
    std::vector<std::wstring> arguments;
    if (path) {
        arguments.push_back(*path);
        if (!taskList.empty())
            arguments.push_back(taskList);
    }
    arguments.insert(arguments.end(), console.desktopArguments.begin(),
                     console.desktopArguments.end());
    CommandLineInfo info;
    info.ParseCommandLine(arguments);
    info.inlineTasks = console.tasks;
    if (console.change)
        info.setAttributeOption = static_cast<std::int32_t>(*console.change);
    return info;
}

// -SubFolders with -Retrieve files: descend, change files only. The listing
// reaches subfolders only when folders are listed, so they are, and the
// tasks are kept to files. An error text when -Change asks for folders.
std::optional<std::wstring> FilesInSubfolders(ConsoleArguments& console) {
    if (!console.options.includeSubfolders || console.options.retrieve != Retrieve::kFiles)
        return std::nullopt;
    if (console.change && *console.change != AttributeTarget::kFiles)
        return L"-Retrieve files with -SubFolders changes files only; to change folders too, "
               L"type -Retrieve both (with -Change folders or -Change both).";
    console.options.retrieve = Retrieve::kFilesAndFolders;
    console.change = AttributeTarget::kFiles;
    return std::nullopt;
}

// Writes the typed tasks as a task list, as the window saves one.
bool SaveTasks(const ConsoleArguments& console, FileSystem& fs, Dialogs& dialogs,
               const std::wstring& appName) {
    TaskList list;
    for (const auto& task : console.tasks)
        list.push_back(TaskItem{0, NameOf(task), BuildTaskDefinition(task)});
    return WriteTaskListFile(fs, *console.savePath, list, dialogs, appName);
}

// The history of one run, opened once and lent to each path's controller.
struct RunHistory {
    std::unique_ptr<History> history;
    std::wstring problem;      // why it can't be used, when it can't
    bool problemSaid = false;  // said once for the whole run, not once per path

    HistoryOpener Lender() {
        return [this](const HistorySettings&, std::wstring& problemOut) {
            problemOut = problem;
            return history ? BorrowHistory(*history) : nullptr;
        };
    }
};

// Message boxes nobody sees: the preference file is read once more by each
// path's controller, which reports its problems.
class SilentDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring&, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        return MessageAnswer::kNo;
    }
    MessageAnswer ShowMessageText(const MessageText&, const std::wstring&, MessageIcon,
                                  MessageButtons) override {
        return MessageAnswer::kNo;
    }
};

RunHistory OpenRunHistory(FileSystem& fs, const HistoryOpener& openHistory) {
    RunHistory run;
    if (!openHistory)
        return run;
    SilentDialogs silent;
    Preferences prefs;
    LoadPreferences(fs, silent, prefs);
    run.history = openHistory(HistorySettingsOf(prefs), run.problem);
    return run;
}

// What one path's run left.
struct PathRun {
    RunOutcome outcome;
    bool noTask = false;   // the run had no task to apply, and nothing said why
    bool planned = false;  // the dry run's plan was added to the report
};

// The controller's run for one path: the job with -Apply, else the dry run's
// plan added to `report`.
PathRun RunPath(Terminal& terminal, FileSystem& fs, const ConsoleArguments& console,
                const CommandLineInfo& info, const std::wstring& appName, bool relativeToRoot,
                DryRunReport& report, RunHistory& history) {
    ConsoleFrontEnd frontEnd(terminal, fs);
    frontEnd.SetNoAnswerHint(std::wstring(kConfirmHint));
    UiTaskQueue ui;
    MainControllerServices services{fs, frontEnd, frontEnd, ui};
    services.job = &frontEnd;
    services.appName = appName;
    services.openHistory = history.Lender();
    services.announceInterruptedJobs = false;  // said once for the whole run
    services.frontEnd = L"torvane-cli";
    services.historyProblemSaid = &history.problemSaid;
    MainController controller(std::move(services));
    controller.SetSkipProblems(console.skipProblems);
    frontEnd.Attach(controller);
    controller.Initialize(info, console.options, RunMode::kBatch);
    ui.RunUntil([&controller] { return controller.windowResult().has_value(); });

    PathRun run;
    RunOutcome& outcome = run.outcome;
    outcome.commandLineRefused = controller.commandLineResult() != 0;
    std::wstring value;
    outcome.applyAsked = info.HasSwitch(L"apply", value);
    if (const auto& job = controller.lastJobResult())
        outcome.jobErrors = job->error;
    outcome.problemShown = frontEnd.problemsShown() > 0;
    if (outcome.commandLineRefused || outcome.applyAsked)
        return run;
    // A dry run without a task would only say that nothing changes: a task
    // the engine rejected has been reported; a list without a task is.
    if (controller.taskList().empty()) {
        run.noTask = !outcome.problemShown;
        return run;
    }
    const JobSettings settings{controller.history().Root(), controller.taskList(),
                               controller.listOptions(),
                               EngineSettingsOf(controller.preferences().flags)};
    const JobPlan plan = BuildPlan(settings, fs, frontEnd, nullptr, controller.TakeListedRoot());
    // The lines go out as they are made (a large tree's are never all held);
    // the report keeps the folders left out and the counts for the summary.
    const auto described =
        DescribePlan(plan, relativeToRoot ? settings.root : L"", false,
                     [&](const std::wstring& line) { terminal.PrintOut(QuotedLine(line)); });
    report.folderProblems.insert(report.folderProblems.end(), described.folderProblems.begin(),
                                 described.folderProblems.end());
    report.entries += described.entries;
    report.changes += described.changes;
    report.problems += described.problems;
    outcome.planProblems = described.problems > 0;
    run.planned = true;
    return run;
}

// One status for several paths: a refusal or unusable input first, then a
// job not run, a job with errors, a plan with problems.
ExitStatus Worst(ExitStatus a, ExitStatus b) {
    for (const ExitStatus s : {kExitInvalid, kExitNotApplied, kExitJobErrors, kExitPlanProblems}) {
        if (a == s || b == s)
            return s;
    }
    return kExitDone;
}

}  // namespace

int RunConsole(const std::vector<std::wstring>& arguments, const std::wstring& appName,
               ConsoleIo io, const HistoryOpener& openHistory) {
    Terminal terminal(io);
    PosixFileSystem fs;
    const VersionInfo version = ProgramVersionInfo();
    const std::wstring productName = ProductNameOf(version);
    ConsoleArguments console = ExtractConsoleSwitches(arguments);
    if (console.invalid)
        return ShowUsageError(terminal, console.error, appName);
    if (console.help) {
        terminal.PrintOut(ConsoleHelpText(productName, appName));
        return kExitDone;
    }
    if (console.version) {
        terminal.PrintOut(appName + L" (" + productName + L") " + version.productVersion);
        return kExitDone;
    }
    if (const auto error = FilesInSubfolders(console))
        return ShowUsageError(terminal, *error, appName);

    RunHistory history = OpenRunHistory(fs, openHistory);
    if (history.history)
        PrintInterruptedJobs(terminal, *history.history);
    if (console.history)
        return ListHistory(terminal, history.history.get(), history.problem);
    if (console.undo) {
        CommandLineInfo desktop;
        desktop.ParseCommandLine(console.desktopArguments);
        std::wstring value;
        const bool apply = desktop.HasSwitch(L"apply", value);
        const bool noConfirm = desktop.HasSwitch(L"noconfirm", value);
        ConsoleFrontEnd frontEnd(terminal, fs);
        frontEnd.SetNoAnswerHint(std::wstring(kConfirmHint));
        return UndoFromConsole(terminal, frontEnd, fs, history.history.get(), history.problem,
                               console, apply, noConfirm);
    }

    const PathList pathList = SplitPositionals(console, fs);
    std::vector<CommandLineInfo> infos;
    for (const auto& path : pathList.paths)
        infos.push_back(InfoFor(console, &path, pathList.taskList));
    if (infos.empty())
        infos.push_back(InfoFor(console, nullptr, L""));
    // Every path is checked before any is processed, so a mistyped one
    // stops the whole run before anything changes.
    for (const auto& info : infos) {
        const auto checked = CheckCommandLine(info, fs, productName);
        if (checked.result == 0)
            continue;
        if (!checked.message && !console.tasks.empty())
            break;  // tasks without a path: see below
        // No argument at all: the help.
        return ShowRefusal(terminal,
                           checked.message.value_or(CommandLineHelpMessage(productName, L"")),
                           productName, appName);
    }

    if (console.savePath) {
        if (console.tasks.empty())
            return ShowUsageError(terminal,
                                  L"-Save writes the tasks given on the command line, and none "
                                  L"was (-Rename, -Timestamp, -Attributes).",
                                  appName);
        ConsoleFrontEnd frontEnd(terminal, fs);
        if (!SaveTasks(console, fs, frontEnd, appName))
            return kExitInvalid;
    }
    if (pathList.paths.empty()) {
        CommandLineInfo& only = infos.front();
        std::wstring value;
        if (!only.HasSwitch(L"filepath", value)) {
            if (console.savePath)
                return kExitDone;  // only the task list was asked for
            return ShowUsageError(
                terminal, L"No file path specified: give the files or folders to change.", appName);
        }
    }

    DryRunReport report;
    ExitStatus status = kExitDone;
    bool planned = false;
    bool noTask = false;
    for (const auto& info : infos) {
        const PathRun run =
            RunPath(terminal, fs, console, info, appName, infos.size() == 1, report, history);
        planned = planned || run.planned;
        noTask = noTask || run.noTask;
        status = Worst(status, ExitStatusFor(run.outcome));
    }
    if (noTask) {
        std::wstring value;
        infos.front().HasSwitch(L"tasklist", value);
        terminal.PrintError(
            value.empty() ? L"Error: No task was given: add a task list or a task switch (-Rename, "
                            L"-Timestamp, -Attributes)."
                          : L"Error: No task was read from " + QuoteForTerminal(value) +
                                L" (the format is in docs/task-lists.md).");
        return kExitInvalid;
    }
    if (planned)
        PrintDryRunReport(terminal, report);
    return status;
}

}  // namespace torvane
