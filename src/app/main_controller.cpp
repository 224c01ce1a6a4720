// Start-up, the command-line job, closing, preferences, About and the
// command states.
#include "app/main_controller.hpp"

#include <utility>

#include "engine/job.hpp"
#include "platform/file_attributes.hpp"

namespace torvane {

MainController::MainController(MainControllerServices services)
    : fs_(services.fs),
      dialogs_(services.dialogs),
      pickers_(services.pickers),
      window_(services.window),
      lists_(services.lists),
      editor_(services.editor),
      jobView_(services.job),
      ui_(services.ui),
      readFields_(std::move(services.readFields)),
      appName_(std::move(services.appName)),
      version_(std::move(services.version)),
      clock_(std::move(services.clock)),
      icons_(services.icons),
      preview_(services.dialogs, icons_, fs_, services.lists),
      productName_(ProductNameOf(version_)),
      tasks_({fs_, dialogs_, pickers_, appName_, clock_}, preview_, *this),
      job_({fs_, dialogs_, pickers_, services.ui, clock_, services.frontEnd}, jobView_, *this),
      jobHistory_(
          std::move(services.openHistory), services.announceInterruptedJobs, job_, dialogs_,
          [this] { UpdateCommandUI(); }, [this] { StopWholeJobBuild(); }),
      wholeJob_({fs_, services.ui}, jobView_, [this] { WholeJobReady(); }) {
    tasks_.SetView(editor_);
}

MainController::~MainController() = default;

void MainController::SetTaskEditor(TaskEditorView* editor) {
    editor_ = editor;
    tasks_.SetView(editor);
}

void MainController::Initialize(const CommandLineInfo& commandLine, const ListOptions& startOptions,
                                RunMode mode) {
    mode_ = mode;
    if (mode == RunMode::kWindow) {
        // The window's preview never waits for a file's metadata; a batch
        // shows no preview, and its job reads the metadata in its own plan.
        preview_.ReadFieldsInBackground(
            {[this](std::function<void()> work) { ui_.Post(std::move(work)); },
             [this] { FieldsArrived(); }, readFields_, 0});
    }
    history_ = FolderHistory{};
    listOptions_ = startOptions;
    prefs_.selectedFilePathSubDir = 0;
    title_ = productName_;
    Notify(window_, &WindowView::TitleChanged, title_);
    UpdateCommandUI();
    Notify(editor_, &TaskEditorView::ShowEditorPage, kRenamePage);
    Notify(editor_, &TaskEditorView::EnableTaskKindSelector, false);
    Notify(editor_, &TaskEditorView::TaskListCaptionChanged, tasks_.caption());
    tasks_.SeedTaskIds();
    preview_.Clear();
    Notify(lists_, &FileListsView::CurrentEntriesChanged);
    ShowEntryInfo();

    LoadPreferences(fs_, dialogs_, prefs_);
    if (commandLine.setAttributeOption)
        prefs_.flags.setAttributeOption = *commandLine.setAttributeOption;
    jobHistory_.Open(HistorySettingsOf(prefs_));
    RunCommandLine(commandLine, mode);
    if (windowResult_ || pendingEnd_ != PendingEnd::kNone)
        return;  // -Quit ends the window; the automatic loads would be lost work
    AutoLoads();
    if (SwitchesOf(prefs_.flags).saveWindowSize && prefs_.savedPlacement != WindowPlacement{})
        Notify(window_, &WindowView::RestorePlacement, prefs_.savedPlacement);
    UpdateCommandUI();
}

void MainController::RunCommandLine(const CommandLineInfo& given, RunMode mode) {
    // The window opens a .tvt given alone (as a file manager does) as its
    // task list.
    CommandLineInfo commandLine = given;
    if (mode == RunMode::kWindow)
        TakeLoneTaskList(commandLine, fs_);
    if (mode == RunMode::kBatch) {
        commandLineResult_ =
            ValidateCommandLine(commandLine, fs_, dialogs_, productName_, commandLine_);
    } else {
        // The window's help shows Linux examples; the console has its own.
        const CommandLineValidation checked = CheckCommandLine(commandLine, fs_, productName_);
        if (checked.message) {
            const CommandLineMessage shown =
                WithLinuxExamples(*checked.message, productName_, appName_);
            dialogs_.ShowMessage(shown.text, shown.caption, shown.icon, MessageButtons::kOk);
        }
        commandLine_ = checked.values;
        commandLineResult_ = checked.result;
    }
    if (commandLineResult_ != 0) {
        commandLine_ = CommandLineValues{};
        if (mode == RunMode::kBatch)
            QuitAfterCommandLine();
        return;
    }
    if (!commandLine_.commandLineFilePath.empty())
        StartHistoryWith(commandLine_.commandLineFilePath);
    // A task list whose reading stopped part way holds only some of its
    // tasks: applying those would be a batch nobody asked for.
    bool partial = !commandLine_.commandLineTaskList.empty() &&
                   tasks_.ReadTaskListFile(commandLine_.commandLineTaskList) ==
                       TaskListEditor::ReadOutcome::kReadError;
    // Tasks typed on the command line follow, each tried as an editor's new
    // task is; one the engine rejects empties the list, as a file's does.
    for (const auto& task : commandLine.inlineTasks) {
        if (partial)
            break;
        if (!tasks_.SubmitTask(task)) {
            tasks_.ClearTaskList();
            partial = true;
        }
    }
    std::wstring value;
    if (commandLine.HasSwitch(L"apply", value) && !partial)
        UpdateAttributes();
    if (commandLine.HasSwitch(L"quit", value) || mode == RunMode::kBatch)
        QuitAfterCommandLine();
}

void MainController::QuitAfterCommandLine() {
    if (job_.running())
        pendingEnd_ = PendingEnd::kQuit;
    else
        EndWindow(kWindowQuit);
}

void MainController::AutoLoads() {
    if (tasks_.path().empty() && SwitchesOf(prefs_.flags).autoLoadTaskList &&
        !prefs_.taskListPath.empty())
        tasks_.ReadTaskListFile(prefs_.taskListPath);
    if (history_.paths().empty() && SwitchesOf(prefs_.flags).autoLoadFileList &&
        !prefs_.selectedFilePath.empty()) {
        history_.StartHistory(prefs_.selectedFilePath);
        if (prefs_.selectedFilePathSubDir == 1)
            listOptions_.includeSubfolders = true;
        NavigateTo(prefs_.selectedFilePath);
    }
}

bool MainController::RequestClose(const WindowPlacement& placement) {
    if (windowResult_)
        return true;
    if (job_.running()) {
        // The worker reports to this window until its completion has been
        // handled; the close happens then.
        if (pendingEnd_ == PendingEnd::kNone)
            pendingEnd_ = PendingEnd::kClose;
        pendingPlacement_ = placement;
        return false;
    }
    if (!TaskListSettled(L"closing"))
        return false;
    CloseMainWindow(placement);
    return true;
}

bool MainController::TaskListSettled(const std::wstring& before) {
    if (!tasks_.modified())
        return true;
    const std::wstring name = tasks_.path().empty()
                                  ? std::wstring(L"The task list has never been saved.")
                                  : L"The task list differs from " + tasks_.path() + L".";
    const MessageAnswer answer =
        dialogs_.ShowMessage(name + L"\nSave it before " + before + L"?", L"Unsaved Tasks",
                             MessageIcon::kWarning, MessageButtons::kSaveDiscardCancel);
    if (answer == MessageAnswer::kCancel)
        return false;
    if (answer == MessageAnswer::kYes) {
        tasks_.SaveTaskList();
        return !tasks_.modified();  // a save cancelled or failed keeps the window
    }
    return true;
}

void MainController::CloseMainWindow(const WindowPlacement& placement) {
    const PreferenceSwitches switches = SwitchesOf(prefs_.flags);
    std::wstring selected = switches.autoLoadFileList ? history_.Root() : L"";
    if (!switches.autoLoadTaskList)
        tasks_.ForgetPath();
    WindowPlacement closing;
    if (switches.saveWindowSize) {
        closing = placement;
        closing.length = kWindowPlacementLength;
    }
    bool changed = false;
    if (prefs_.selectedFilePath != selected) {
        prefs_.selectedFilePath = std::move(selected);
        changed = true;
    }
    if (prefs_.taskListPath != tasks_.path()) {
        prefs_.taskListPath = tasks_.path();
        changed = true;
    }
    if (prefs_.savedPlacement != closing) {
        prefs_.savedPlacement = closing;
        changed = true;
    }
    if (changed)
        SavePreferences(fs_, dialogs_, prefs_, listOptions_.includeSubfolders);
    EndWindow(kWindowClosed);
}

void MainController::EndWindow(int result) {
    pendingEnd_ = PendingEnd::kNone;
    windowResult_ = result;
    Notify(window_, &WindowView::CloseWindow, result);
}

void MainController::Option() {
    Notify(editor_, &TaskEditorView::ShowPreferences, prefs_.flags, HistorySettingsOf(prefs_));
}

void MainController::ApplyPreferences(const PreferenceFlags& flags) {
    // A running job keeps the copies it started with, so the values may
    // change under it.
    prefs_.flags = flags;
    preview_.PreferencesChanged(tasks_.tasks(), Engine());
    ShowEntryInfo();
    ReplanWholeJob(false);
    SavePreferences(fs_, dialogs_, prefs_, listOptions_.includeSubfolders);
}

void MainController::ApplyPreferences(const PreferenceFlags& flags,
                                      const HistorySettings& history) {
    const HistorySettings before = HistorySettingsOf(prefs_);
    SetHistorySettings(prefs_, history);
    ApplyPreferences(flags);
    if (HistorySettingsOf(prefs_) != before)
        jobHistory_.SettingsChanged(HistorySettingsOf(prefs_));
}

void MainController::About() {
    Notify(editor_, &TaskEditorView::ShowAbout, AboutInfoOf(version_));
}

void MainController::UpdateCommandUI() {
    CommandInputs in;
    in.jobRunning = job_.running();
    in.taskCount = tasks_.tasks().size();
    in.currentRows = currentEntries().size();
    in.selectedTaskRows = tasks_.selection();
    in.taskListPathSet = !tasks_.path().empty();
    if (in.taskListPathSet) {
        const auto word = fs_.GetAttributes(tasks_.path());
        in.taskListFileExists = word.ok() && !IsDirectoryWord(*word);
    }
    in.canGoBack = history_.CanGoBack();
    in.canGoForward = history_.CanGoForward();
    commandStates_ = ::torvane::UpdateCommandUI(in);
    ReplanWholeJob(false);
    Notify(window_, &WindowView::CommandStatesChanged, commandStates_);
    if (tasks_.modified() != modifiedShown_) {
        modifiedShown_ = !modifiedShown_;
        Notify(window_, &WindowView::TaskListModifiedChanged, modifiedShown_);
    }
}

// ---- What the task list and the job ask of the window ----

void MainController::TaskListClosed() {
    if (SwitchesOf(prefs_.flags).autoLoadTaskList)
        SavePreferences(fs_, dialogs_, prefs_, listOptions_.includeSubfolders);
}

void MainController::JobCompleted(const JobResult& result) {
    if (SwitchesOf(prefs_.flags).clearTaskList && !jobHistory_.undoRunning())
        tasks_.EmptyTaskList();  // ids and the current task-list path stay
    if (result.renamedRoot)
        history_.ReplaceRoot(*result.renamedRoot);
    // A batch ends with its job: listing again would show nobody anything.
    if (mode_ != RunMode::kBatch)
        NavigateTo(history_.Current());
}

void MainController::JobEnded() {
    jobHistory_.JobEnded();
    ReplanWholeJob(true);
    UpdateCommandUI();
    if (pendingEnd_ == PendingEnd::kQuit)
        EndWindow(kWindowQuit);
    else if (pendingEnd_ == PendingEnd::kClose && TaskListSettled(L"closing"))
        CloseMainWindow(pendingPlacement_);
    else
        pendingEnd_ = PendingEnd::kNone;
}

// ---- Update Attributes ----

bool MainController::UpdateAttributes() {
    if (job_.running() || job_.RefusedBeforeJob(newEntries(), tasks_.tasks()))
        return false;
    JobRequest request{JobSettingsNow()};
    if (mode_ == RunMode::kBatch) {
        // Nobody can review a batch's plan: its problems stop it, unless the
        // entries with a problem are to be left alone.
        request.problems = skipProblems_ ? ProblemPolicy::kSkip : ProblemPolicy::kRefuse;
        request.confirm = !commandLine_.noConfirm;
    } else if (commandLine_.noConfirm) {
        // The window's command-line job asks nothing: every entry is tried,
        // and what fails is logged.
        request.problems = ProblemPolicy::kAttempt;
        request.confirm = false;
    } else {
        request.problems = ProblemPolicy::kReview;
    }
    StopWholeJobBuild();
    job_.Start(std::move(request));
    return job_.running();
}

void MainController::CancelJob() {
    if (job_.running())
        job_.RequestCancel();
    else
        wholeJob_.Cancel();
}

// ---- The task list view ----

void MainController::TaskListClicked() {
    UpdateCommandUI();
}

}  // namespace torvane
