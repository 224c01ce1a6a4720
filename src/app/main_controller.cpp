// Start-up, the command-line job, closing, preferences, About and the
// command states.
#include "app/main_controller.hpp"

#include <utility>

#include "app/task_list_texts.hpp"
#include "platform/file_attributes.hpp"

namespace torvane {

MainController::MainController(MainControllerServices services)
    : fs_(services.fs),
      dialogs_(services.dialogs),
      pickers_(services.pickers),
      view_(services.view),
      ui_(services.ui),
      appName_(std::move(services.appName)),
      version_(std::move(services.version)),
      clock_(std::move(services.clock)),
      icons_(services.icons),
      previewView_(services.view),
      preview_(services.dialogs, icons_, &previewView_),
      caption_(TaskListCaption(L"")),
      productName_(ProductNameOf(version_)) {}

MainController::~MainController() {
    if (worker_.joinable())
        worker_.join();
}

void MainController::Initialize(const CCommandLineInfoEx& commandLine,
                                const ListOptions& startOptions, RunMode mode) {
    history_ = FolderHistory{};
    listOptions_ = startOptions;
    prefs_.selectedFilePathSubDir = 0;
    title_ = productName_;
    view_.TitleChanged(title_);
    UpdateCommandUI();
    view_.ShowEditorPage(kRenamePage);
    view_.EnableTaskKindSelector(false);
    view_.TaskListCaptionChanged(caption_);
    SeedTaskIds();
    preview_.Clear();
    view_.CurrentEntriesChanged();
    ShowEntryInfo();

    LoadPreferences(fs_, dialogs_, prefs_);
    RunCommandLine(commandLine, mode);
    if (windowResult_ || pendingEnd_ != PendingEnd::kNone)
        return;  // -Quit ends the window; the automatic loads would be lost work
    AutoLoads();
    if (prefs_.flags.saveWindowSize != 0 && prefs_.savedPlacement != WindowPlacement{})
        view_.RestorePlacement(prefs_.savedPlacement);
    UpdateCommandUI();
}

void MainController::RunCommandLine(const CCommandLineInfoEx& commandLine, RunMode mode) {
    commandLineResult_ =
        ValidateCommandLine(commandLine, fs_, dialogs_, productName_, commandLine_);
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
    const bool partial =
        !commandLine_.commandLineTaskList.empty() &&
        ReadTaskListFile(commandLine_.commandLineTaskList) == ReadOutcome::kReadError;
    std::wstring value;
    if (commandLine.HasSwitch(L"apply", value) && !partial)
        UpdateAttributes();
    if (commandLine.HasSwitch(L"quit", value) || mode == RunMode::kBatch)
        QuitAfterCommandLine();
}

void MainController::QuitAfterCommandLine() {
    if (jobRunning_)
        pendingEnd_ = PendingEnd::kQuit;
    else
        EndWindow(kWindowQuit);
}

void MainController::AutoLoads() {
    if (currentTaskListPath_.empty() && prefs_.flags.autoLoadTaskList != 0 &&
        !prefs_.taskListPath.empty())
        ReadTaskListFile(prefs_.taskListPath);
    if (history_.paths().empty() && prefs_.flags.autoLoadFileList != 0 &&
        !prefs_.selectedFilePath.empty()) {
        history_.StartHistory(prefs_.selectedFilePath);
        if (prefs_.selectedFilePathSubDir == 1)
            listOptions_.includeSubfolders = 1;
        NavigateTo(prefs_.selectedFilePath);
    }
}

bool MainController::RequestClose(const WindowPlacement& placement) {
    if (windowResult_)
        return true;
    if (jobRunning_) {
        // The worker reports to this window until its completion has been
        // handled; the close happens then.
        if (pendingEnd_ == PendingEnd::kNone)
            pendingEnd_ = PendingEnd::kClose;
        pendingPlacement_ = placement;
        return false;
    }
    CloseMainWindow(placement);
    return true;
}

void MainController::CloseMainWindow(const WindowPlacement& placement) {
    std::wstring selected = prefs_.flags.autoLoadFileList == 0 ? L"" : history_.Root();
    if (prefs_.flags.autoLoadTaskList == 0)
        currentTaskListPath_.clear();
    WindowPlacement closing;
    if (prefs_.flags.saveWindowSize != 0) {
        closing = placement;
        closing.length = kWindowPlacementLength;
    }
    bool changed = false;
    if (prefs_.selectedFilePath != selected) {
        prefs_.selectedFilePath = std::move(selected);
        changed = true;
    }
    if (prefs_.taskListPath != currentTaskListPath_) {
        prefs_.taskListPath = currentTaskListPath_;
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
    view_.CloseWindow(result);
}

void MainController::Option() {
    view_.ShowPreferences(prefs_.flags);
}

void MainController::ApplyPreferences(const PreferenceFlags& flags) {
    // A running job keeps the copies it started with, so the values may
    // change under it.
    prefs_.flags = flags;
    preview_.PreferencesChanged(tasks_, Engine());
    ShowEntryInfo();
    SavePreferences(fs_, dialogs_, prefs_, listOptions_.includeSubfolders);
}

void MainController::About() {
    view_.ShowAbout(AboutInfoOf(version_));
}

void MainController::UpdateCommandUI() {
    CommandInputs in;
    in.jobRunning = jobRunning_;
    in.taskCount = tasks_.size();
    in.currentRows = currentEntries().size();
    in.selectedTaskRows = selection_;
    in.taskListPathSet = !currentTaskListPath_.empty();
    if (in.taskListPathSet) {
        const auto word = fs_.GetAttributes(currentTaskListPath_);
        in.taskListFileExists = word.ok() && !IsDirectoryWord(*word);
    }
    in.canGoBack = history_.CanGoBack();
    in.canGoForward = history_.CanGoForward();
    commandStates_ = ::torvane::UpdateCommandUI(in);
    view_.CommandStatesChanged(commandStates_);
}

}  // namespace torvane
