#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.hpp"
#include "app/command_states.hpp"
#include "app/history_access.hpp"
#include "app/job_history_commands.hpp"
#include "app/job_runner.hpp"
#include "app/job_scope.hpp"
#include "app/main_view.hpp"
#include "app/pickers.hpp"
#include "app/preferences.hpp"
#include "app/task_list_editor.hpp"
#include "app/ui_thread.hpp"
#include "app/version_info.hpp"
#include "app/whole_job.hpp"
#include "engine/error_log.hpp"
#include "engine/preview.hpp"
#include "filelist/folder_history.hpp"
#include "filelist/icon_cache.hpp"
#include "filelist/list_path.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "platform/local_time.hpp"
#include "tasks/task_item.hpp"

namespace torvane {

// What a front end gives the controller. Everything given must outlive it.
struct MainControllerServices {
    FileSystem& fs;
    Dialogs& dialogs;  // message boxes, shown on the UI thread
    Pickers& pickers;
    UiThread& ui;  // where a job's worker hands its steps and its completion
    // The parts of the window the front end draws; null: nobody listens. The
    // task editor may also register later (SetTaskEditor).
    WindowView* window = nullptr;
    FileListsView* lists = nullptr;
    TaskEditorView* editor = nullptr;
    JobView* job = nullptr;         // the progress bar and the end of a job
    IconProvider* icons = nullptr;  // null: every entry shows the generic icon
    // The executable's name without extension: the caption of messages that
    // have no caption of their own.
    std::wstring appName = L"torvane";
    VersionInfo version = ProgramVersionInfo();
    std::function<std::int64_t()> clock = CurrentTime;  // seconds since 1970 UTC
    // Opens the job history once the preference file is read (its history
    // settings); empty: no history. The desktop passes OpenUserHistory.
    HistoryOpener openHistory = {};
    // Whether start-up tells of jobs whose process died (the console says so
    // itself, once per run rather than once per path).
    bool announceInterruptedJobs = true;
    // The front end's name in the history.
    std::wstring frontEnd = L"torvane";
    // How the window's preview reads an entry's metadata for fields, on
    // threads of its own; empty: ReadEntryFields (the files themselves).
    FieldReader readFields = {};
};

// How the window lives once the command-line job is done.
enum class RunMode {
    kWindow,  // the desktop: the window stays open unless -Quit ends it
    // The console: the window ends after the command-line job, as with -Quit
    // (so no automatic loads and no close bookkeeping: the preference file is
    // read but never written), also when the command line is refused.
    kBatch,
};

// The main window without widgets: it owns all state (folder history, current
// and new entries, preferences, list options, the task list through its
// TaskListEditor, the job through its JobRunner) and carries out every
// command and gesture. A front end calls the command functions on its UI
// thread, draws what its views are told and reads the state from the
// accessors. Only a job's worker runs on another thread; it has its own copy
// of everything it reads and reaches the controller only through the
// UiThread.
class MainController : private TaskListEditor::Owner, private JobRunner::Owner {
  public:
    // A job's worker is waited for when the controller goes: a front end
    // destroys it only once the window has ended (windowResult() is set), so
    // the worker has already handed over its completion.
    explicit MainController(MainControllerServices services);
    ~MainController() override;
    MainController(const MainController&) = delete;
    MainController& operator=(const MainController&) = delete;

    // The task editor told of the task list's and the pages' changes from now
    // on, for one made after the controller (it needs the controller); null:
    // nobody. The editor unregisters before it goes.
    void SetTaskEditor(TaskEditorView* editor);

    // ---- Start-up ----

    // The window's initialisation: start values, title, task ids, the
    // preference file, the command-line job (list the path, load the task
    // list, -Apply, -Quit), the automatic loads of the last task list and path
    // where the command line gave none, the placement to restore. The list
    // options start as `startOptions` (the desktop: the defaults). In
    // RunMode::kBatch the window ends once the command-line job is done.
    void Initialize(const CommandLineInfo& commandLine, const ListOptions& startOptions = {},
                    RunMode mode = RunMode::kWindow);

    // ---- Commands (menu and toolbar) ----

    void SelectFile();
    void SelectFolder();
    // Dropped paths: the first is listed, or loaded as the task list when it
    // is a ".tvt" file (after the question about unsaved tasks); ignored
    // while a job runs.
    void DropPaths(const std::vector<std::wstring>& paths);
    // Starts a job, unless a refusal stops it: its plan is built on a worker,
    // then confirmed or reviewed, then applied. Returns true when its worker
    // was started.
    bool UpdateAttributes();
    // Stops a running job: its plan's build (nothing is applied), or its
    // application between two entries (the log says where it stopped).
    void CancelJob();
    // Whether a batch applies the entries without a problem when its plan
    // has some (console -SkipProblems), instead of refusing the whole job.
    void SetSkipProblems(bool skip) { skipProblems_ = skip; }
    // Exit, the close box: the question about unsaved tasks (Save, Discard
    // or Cancel), the close bookkeeping, then the window ends
    // (WindowView::CloseWindow). Returns false when the window stays: the
    // question was cancelled or the save did not happen, or a job runs (the
    // close then waits until the job's completion has been handled, and asks
    // the question then).
    bool RequestClose(const WindowPlacement& placement = {});
    void PreviousFolder();
    void NextFolder();
    // Refresh (F5): lists the folder on show again; nothing when none is.
    void Refresh();
    // Tools > Option...: asks the view for a Preferences dialog.
    void Option();
    // The Preferences dialog's OK: takes the six values, recomputes the new
    // values and writes the preference file.
    void ApplyPreferences(const PreferenceFlags& flags);
    // The same with the history's settings too. When they change, the history
    // is opened again with them, so that the next job is kept (or not) and
    // trims the history by the new ones; a running job keeps the history it
    // began with, and the history is opened again once it has ended.
    void ApplyPreferences(const PreferenceFlags& flags, const HistorySettings& history);
    // Help > About: asks the view to show the About box.
    void About();

    // ---- Job history (Edit > Undo Last Job, the History dialog) ----

    JobHistoryCommands& jobHistory() { return jobHistory_; }
    const JobHistoryCommands& jobHistory() const { return jobHistory_; }

    // ---- Task list view and editor pages ----

    // The task list and its commands (submit, select, move, remove, clear,
    // load, close, save, the draft, the rows' tool tips); the front end calls
    // them directly.
    TaskListEditor& taskList() { return tasks_; }
    const TaskListEditor& taskList() const { return tasks_; }
    // A click in the task list view: the command states follow the selection.
    void TaskListClicked();

    // ---- File lists ----

    // A row was clicked (listId kCurrentListId or kNewListId) or selected
    // (kNoListId: the last clicked list stays): the General Info pane
    // follows it.
    void FileSelected(std::size_t row, int listId);
    // A row was double-clicked: a folder opens when subfolders are included,
    // otherwise the editor pages take the row's values.
    void FileActivated(std::size_t row, int listId);

    // ---- The whole job ----

    // The "Whole job" toggle: on, the plan of the job Apply would run is
    // built on a worker (with the planning progress on the job view) and
    // kept up to date with the folder, the task list, the options and the
    // preferences; FileListsView::WholeJobChanged tells when it is in hand.
    // Off, the plan is dropped. Not planned while a job runs: the plan is
    // built again once the job has ended.
    void ShowWholeJob(bool shown);
    bool wholeJobShown() const { return wholeJobShown_; }
    // The whole job's plan; null while it is being built or not shown. A
    // view keeps its own reference while it draws it.
    const std::shared_ptr<const JobPlan>& wholeJobPlan() const { return wholeJob_.plan(); }
    bool wholeJobPlanning() const { return wholeJob_.planning(); }
    // Whether the job reaches past the folder on show: subfolders are
    // included, or the folder on show is not the job's root.
    bool JobReachesBeyondFolder() const;
    // The count line below the lists (ListCountText of the folder on show
    // and, when in hand, the whole job); empty with nothing listed.
    std::wstring CountLineText() const;
    // The settings a job started now would run with: the folder history's
    // root, the task list, the list options as the job lists (see
    // DescendForFilesOnly) and the engine's settings.
    JobSettings JobSettingsNow() const;

    // ---- State ----

    // The folders visited (Previous/Next Folder), its first path the root.
    const FolderHistory& folderHistory() const { return history_; }
    const FileEntries& currentEntries() const { return preview_.currentEntries(); }
    const FileEntries& newEntries() const { return preview_.newEntries(); }
    // The checks of the entries on show (see Preview).
    const Preview& preview() const { return preview_; }
    const IconCache& iconCache() const { return icons_; }
    const Preferences& preferences() const { return prefs_; }
    const ListOptions& listOptions() const { return listOptions_; }
    const std::wstring& productName() const { return productName_; }
    const std::wstring& title() const { return title_; }
    const CommandStates& commandStates() const { return commandStates_; }
    const GeneralInfo& generalInfo() const { return generalInfo_; }
    int lastListId() const { return lastListId_; }
    std::size_t lastRow() const { return lastRow_; }
    // The command line's validated values (empty after a failed validation)
    // and the validation's result (0 accepted, 1 refused or absent).
    const CommandLineValues& commandLineValues() const { return commandLine_; }
    int commandLineResult() const { return commandLineResult_; }
    // True from a job's start until its completion has been handled.
    bool jobRunning() const { return job_.running(); }
    // True while a close or -Quit waits for the running job.
    bool closePending() const { return pendingEnd_ != PendingEnd::kNone; }
    // The window's result once it has ended.
    std::optional<int> windowResult() const { return windowResult_; }
    // The result of the last job whose completion has been handled.
    const std::optional<JobResult>& lastJobResult() const { return job_.lastResult(); }

  private:
    enum class PendingEnd { kNone, kClose, kQuit };

    // Listing and history (controller_listing.cpp).
    ListContext MakeListContext(bool withIcons);
    std::wstring AcceptChosenPath(std::wstring path);
    void StartHistoryWith(const std::wstring& path);
    void NavigateTo(const std::wstring& path);
    void ShowEntries(FileEntries entries);
    FolderTraits TraitsOfShown(const std::wstring& path, const FileEntries& entries,
                               const std::vector<EntryName>& unlisted);
    void ShowEntryInfo() override;
    void RefreshTitle();
    void PrefillEditors(FileEntry entry);
    // Metadata for the preview's fields came in (the UI thread).
    void FieldsArrived();

    // What the task list and the job ask of the window (main_controller.cpp).
    bool JobRunning() const override { return job_.running(); }
    // The preferences' engine settings, kept to files where the list options
    // ask for files only with subfolders (DescendForFilesOnly).
    EngineSettings Engine() const override;
    // The list options as a listing uses them (DescendForFilesOnly).
    ListOptions ListingOptions() const;
    void TaskListClosed() override;
    void JobCompleted(const JobResult& result) override;
    void JobEnded() override;

    // Start-up, closing, command states (main_controller.cpp).
    void RunCommandLine(const CommandLineInfo& given, RunMode mode);
    void QuitAfterCommandLine();
    void AutoLoads();
    void CloseMainWindow(const WindowPlacement& placement);
    // Asks whether to save a modified task list before `before` ("closing");
    // true when the caller may go on (saved, discarded or nothing to save).
    bool TaskListSettled(const std::wstring& before);
    void EndWindow(int result);
    void UpdateCommandUI() override;
    // Builds the whole job's plan again when it is shown and its settings
    // changed (or, `again`, the disk may have); nothing while a job runs.
    void ReplanWholeJob(bool again);
    void WholeJobReady();
    // A build under way is stopped before a job plans (the job's own plan
    // takes the progress bar); the plan is built again when the job ends.
    void StopWholeJobBuild();

    FileSystem& fs_;
    Dialogs& dialogs_;
    Pickers& pickers_;
    WindowView* window_;
    FileListsView* lists_;
    TaskEditorView* editor_;
    JobView* jobView_;
    UiThread& ui_;
    FieldReader readFields_;
    NoProgress noProgress_;  // a listing's bar when there is no job view
    const std::wstring appName_;
    const VersionInfo version_;
    const std::function<std::int64_t()> clock_;

    IconCache icons_;
    Preview preview_;
    FolderHistory history_;
    Preferences prefs_;
    ListOptions listOptions_;
    int lastListId_ = kNoListId;
    std::size_t lastRow_ = 0;
    std::wstring productName_;
    std::wstring title_;
    CommandStates commandStates_;
    GeneralInfo generalInfo_;
    CommandLineValues commandLine_;
    int commandLineResult_ = 1;
    TaskListEditor tasks_;
    JobRunner job_;
    JobHistoryCommands jobHistory_;
    WholeJobPlanner wholeJob_;
    bool wholeJobShown_ = false;
    PendingEnd pendingEnd_ = PendingEnd::kNone;
    RunMode mode_ = RunMode::kWindow;
    bool skipProblems_ = false;
    bool modifiedShown_ = false;  // the last modified state told to the window
    WindowPlacement pendingPlacement_;
    std::optional<int> windowResult_;
};

}  // namespace torvane
