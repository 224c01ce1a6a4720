#include "cli/run_console.hpp"

#include <memory>
#include <optional>

#include "app/command_line.hpp"
#include "app/history_access.hpp"
#include "app/job_runner.hpp"
#include "app/job_scope.hpp"
#include "app/preferences.hpp"
#include "app/version_info.hpp"
#include "cli/console_arguments.hpp"
#include "cli/console_front_end.hpp"
#include "cli/console_help.hpp"
#include "cli/console_job.hpp"
#include "cli/dry_run.hpp"
#include "cli/exit_status.hpp"
#include "cli/history_commands.hpp"
#include "cli/terminal_quoting.hpp"
#include "engine/plan_text.hpp"
#include "platform/file_attributes.hpp"
#include "platform/file_system_factory.hpp"
#include "platform/local_time.hpp"
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

// The desktop's refusals of a path, and the switch whose value they are
// about: on a command line of several paths the console names the one.
struct PathRefusal {
    std::wstring_view text;
    const wchar_t* key;
};
constexpr PathRefusal kPathRefusals[] = {
    {L"The specified file path doesn't exist!", L"filepath"},
    {L"The specified task list doesn't exist!", L"tasklist"},
    {L"The specified task list is not valid!", L"tasklist"},
};

// `message` with the path it is about named after it, in place of its "!"
// ("The specified file path doesn't exist: photoz/"); any other message as
// it is.
CommandLineMessage NamingThePath(CommandLineMessage message, const CommandLineInfo& info) {
    for (const PathRefusal& refusal : kPathRefusals) {
        std::wstring value;
        if (message.text != refusal.text || !info.HasSwitch(refusal.key, value))
            continue;
        message.text.back() = L':';
        message.text += L" " + QuoteForTerminal(value);
        break;
    }
    return message;
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
    if (!FilesOnlyWithSubfolders(console.options))
        return std::nullopt;
    if (console.change && *console.change != AttributeTarget::kFiles)
        return L"-Retrieve files with -SubFolders changes files only; to change folders too, "
               L"type -Retrieve both (with -Change folders or -Change both).";
    AttributeTarget target = AttributeTarget::kFiles;
    DescendForFilesOnly(console.options, target);
    console.change = target;
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

// The tasks of the run: the task list's, then the typed ones. nullopt when
// the task list could not be read whole (its message was shown): applying
// part of it would be a batch nobody asked for.
std::optional<TaskList> ReadTasks(FileSystem& fs, Dialogs& dialogs, const std::wstring& appName,
                                  const std::wstring& taskList, const ConsoleArguments& console) {
    TaskList tasks;
    std::uint32_t id = 0;
    if (!taskList.empty()) {
        TaskListFileReader reader(fs, dialogs, appName);
        switch (reader.Open(taskList)) {
            case TaskListFileReader::OpenResult::kFailed:
                return std::nullopt;
            case TaskListFileReader::OpenResult::kNoFile:
                break;
            case TaskListFileReader::OpenResult::kOpened: {
                TaskLine line;
                for (auto next = reader.ReadTask(line); next != TaskListFileReader::Next::kEnd;
                     next = reader.ReadTask(line)) {
                    if (next == TaskListFileReader::Next::kError)
                        return std::nullopt;
                    tasks.push_back(
                        TaskItem{++id, std::move(line.name), std::move(line.definition)});
                }
                ShowTaskListWarnings(dialogs, appName, taskList, reader.warnings());
                break;
            }
        }
    }
    for (const auto& task : console.tasks)
        tasks.push_back(TaskItem{++id, NameOf(task), BuildTaskDefinition(task)});
    return tasks;
}

// The run's preferences, and the history and pipeline they ask for.
struct ConsoleRun {
    Preferences prefs;
    std::unique_ptr<History> history;
    JobPipeline pipeline;
};

void OpenRun(ConsoleRun& run, FileSystem& fs, Dialogs& dialogs, const HistoryOpener& openHistory,
             const ConsoleArguments& console) {
    LoadPreferences(fs, dialogs, run.prefs);
    if (console.change)
        run.prefs.flags.setAttributeOption = static_cast<std::int32_t>(*console.change);
    if (console.caseSensitive)
        run.prefs.flags.caseSensitiveSearch = *console.caseSensitive ? 1 : 0;
    if (console.folderThreads)
        run.prefs.flags.folderThreads = static_cast<std::int32_t>(*console.folderThreads);
    run.pipeline.SetFolderThreads(EngineSettingsOf(run.prefs.flags).folderThreads);
    if (!openHistory)
        return;
    std::wstring problem;
    run.history = openHistory(HistorySettingsOf(run.prefs), problem);
    run.pipeline.SetHistory(run.history.get(), std::move(problem));
}

// The dry run: the plan's messages, its lines and its summary. Nothing is
// written.
ExitStatus DryRun(Terminal& terminal, ConsoleFrontEnd& frontEnd, const JobPipeline& pipeline,
                  const JobSettings& settings) {
    const JobPlan plan = pipeline.Plan(settings);
    for (const PlanMessage& message : plan.messages)
        ShowPlanMessage(frontEnd, message);
    // A task the engine rejects stops the dry run as it stops the job: its
    // message was the answer.
    if (TasksRejected(plan))
        return kExitInvalid;
    for (const RootProblem& repeat : plan.repeats)
        terminal.PrintError(L"Warning: " + QuoteForTerminal(repeat.path) + L": " + repeat.message);
    // The lines go out as they are made (a large tree's are never all held);
    // the report keeps the folders left out and the counts for the summary.
    const auto report =
        DescribePlan(plan, PlanDisplayRoot(plan), false,
                     [&](const std::wstring& line) { terminal.PrintOut(QuotedLine(line)); });
    PrintDryRunReport(terminal, report);
    if (frontEnd.problemsShown() > 0)
        return kExitInvalid;
    return report.problems > 0 ? kExitPlanProblems : kExitDone;
}

// The paths and the task list of a command line, every path checked before
// anything is done, so that a mistyped one stops the whole run.
struct CheckedPaths {
    std::vector<std::wstring> paths;
    std::wstring taskList;
    std::optional<ExitStatus> refused;  // set when the run ends here (its message was shown)
};

CheckedPaths CheckPaths(Terminal& terminal, FileSystem& fs, const ConsoleArguments& console,
                        const std::wstring& productName, const std::wstring& appName) {
    const PathList pathList = SplitPositionals(console, fs);
    std::vector<CommandLineInfo> infos;
    for (const auto& path : pathList.paths)
        infos.push_back(InfoFor(console, &path, pathList.taskList));
    if (infos.empty())
        infos.push_back(InfoFor(console, nullptr, L""));
    CheckedPaths out;
    for (const auto& info : infos) {
        const auto checked = CheckCommandLine(info, fs, productName);
        if (checked.result == 0) {
            if (!checked.values.commandLineFilePath.empty())
                out.paths.push_back(checked.values.commandLineFilePath);
            if (out.taskList.empty())
                out.taskList = checked.values.commandLineTaskList;
            continue;
        }
        if (!checked.message && !console.tasks.empty())
            break;  // tasks without a path: the caller says what is missing
        // No argument at all: the help.
        out.refused = ShowRefusal(
            terminal,
            NamingThePath(checked.message.value_or(CommandLineHelpMessage(productName, L"")), info),
            productName, appName);
        return out;
    }
    if (out.taskList.empty())
        out.taskList = pathList.taskList;
    return out;
}

// What one run of the console works with.
struct Console {
    Terminal& terminal;
    FileSystem& fs;
    ConsoleFrontEnd& frontEnd;
    ConsoleRun& run;
    const ConsoleArguments& arguments;
    const std::wstring& appName;
    bool apply = false;
    bool noConfirm = false;
};

// The batch of the checked paths: its tasks read, then the dry run or the
// job through the pipeline.
ExitStatus RunBatch(Console& c, CheckedPaths checked) {
    const auto tasks = ReadTasks(c.fs, c.frontEnd, c.appName, checked.taskList, c.arguments);
    if (!tasks)
        return c.apply ? kExitNotApplied : kExitInvalid;
    if (tasks->empty() && !c.apply) {
        // A warning about the file has said why it holds no task.
        if (c.frontEnd.problemsShown() > 0)
            return kExitInvalid;
        c.terminal.PrintError(
            checked.taskList.empty()
                ? L"Error: No task was given: add a task list or a task switch (-Rename, "
                  L"-Timestamp, -Attributes)."
                : L"Error: No task was read from " + QuoteForTerminal(checked.taskList) +
                      L" (the format is in docs/task-lists.md).");
        return kExitInvalid;
    }
    // The console shows only what changes: the listing reads only what the tasks need.
    JobSettings settings{std::move(checked.paths), *tasks, c.arguments.options,
                         EngineSettingsOf(c.run.prefs.flags), ListDetailFor(*tasks)};
    if (!c.apply)
        return DryRun(c.terminal, c.frontEnd, c.run.pipeline, settings);
    JobRequest request{std::move(settings),
                       c.arguments.skipProblems ? ProblemPolicy::kSkip : ProblemPolicy::kRefuse,
                       !c.noConfirm};
    ConsoleJobHost host(c.frontEnd, c.fs);
    return ExitStatusOf(c.run.pipeline.Run(request, host));
}

// The switches that end the run before anything is read: a wrong argument,
// the help, the version, a combination that can't be honoured.
std::optional<ExitStatus> EarlyAnswer(Terminal& terminal, ConsoleArguments& console,
                                      const std::wstring& appName) {
    const VersionInfo version = ProgramVersionInfo();
    const std::wstring productName = ProductNameOf(version);
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
    return std::nullopt;
}

}  // namespace

int RunConsole(const std::vector<std::wstring>& arguments, const std::wstring& appName,
               ConsoleIo io, const HistoryOpener& openHistory) {
    Terminal terminal(io);
    const std::unique_ptr<FileSystem> ownFileSystem = MakeFileSystem();
    FileSystem& fs = *ownFileSystem;
    ConsoleArguments console = ExtractConsoleSwitches(arguments);
    if (const auto answer = EarlyAnswer(terminal, console, appName))
        return *answer;

    ConsoleFrontEnd frontEnd(terminal, fs);
    frontEnd.SetNoAnswerHint(std::wstring(kConfirmHint));
    ConsoleRun run{{}, nullptr, JobPipeline({fs, CurrentTime, L"torvane-cli"})};
    OpenRun(run, fs, frontEnd, openHistory, console);
    if (run.history)
        PrintInterruptedJobs(terminal, *run.history);
    CommandLineInfo desktop;
    desktop.ParseCommandLine(console.desktopArguments);
    std::wstring value;
    Console c{terminal, fs, frontEnd, run, console, appName};
    c.apply = desktop.HasSwitch(L"apply", value) && !console.dryRun;
    c.noConfirm = desktop.HasSwitch(L"noconfirm", value);
    if (console.history)
        return ListHistory(terminal, run.pipeline);
    if (console.undo)
        return UndoFromConsole(terminal, frontEnd, fs, run.pipeline, console, c.apply, c.noConfirm);

    CheckedPaths checked =
        CheckPaths(terminal, fs, console, ProductNameOf(ProgramVersionInfo()), appName);
    if (checked.refused)
        return *checked.refused;
    if (console.savePath) {
        if (console.tasks.empty())
            return ShowUsageError(terminal,
                                  L"-Save writes the tasks given on the command line, and none "
                                  L"was (-Rename, -Timestamp, -Attributes).",
                                  appName);
        if (!SaveTasks(console, fs, frontEnd, appName))
            return kExitInvalid;
    }
    if (checked.paths.empty()) {
        if (console.savePath)
            return kExitDone;  // only the task list was asked for
        return ShowUsageError(
            terminal, L"No file path specified: give the files or folders to change.", appName);
    }
    return RunBatch(c, std::move(checked));
}

}  // namespace torvane
