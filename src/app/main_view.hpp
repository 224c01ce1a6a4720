#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/command_states.hpp"
#include "app/preferences.hpp"
#include "app/version_info.hpp"
#include "engine/error_log.hpp"
#include "engine/preview.hpp"
#include "filelist/file_entry.hpp"
#include "platform/progress.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

// The file lists' ids, as a click or double click reports them.
inline constexpr int kNoListId = 0;       // a selection change: keep the last list
inline constexpr int kCurrentListId = 1;  // "Current Attribute"
inline constexpr int kNewListId = 2;      // "New Attribute"

// What the General Info pane shows: a caption, and the entry (from the list
// named in the caption) or nothing (the empty state: no icon, empty texts,
// seven unchecked and disabled boxes).
struct GeneralInfo {
    std::wstring caption = L"General Info";
    std::optional<FileEntry> entry;

    bool operator==(const GeneralInfo&) const = default;
};

// The selection the task list view is to show after a command changed it:
// exactly these rows selected; the focus on `focusRow` and `scrollRow`
// scrolled wholly into view, where given (otherwise both stay as they are);
// and the keyboard focus given to the view when asked.
struct TaskSelection {
    std::vector<std::size_t> rows;  // ascending
    std::optional<std::size_t> focusRow;
    std::optional<std::size_t> scrollRow;
    bool takeKeyboardFocus = false;

    bool operator==(const TaskSelection&) const = default;
};

// What the preview of a draft task (the task being edited, not yet in the
// list) came to: an empty problem when the "New Attribute" list shows the
// task list with the draft, else the reason it can't (the engine's message:
// a pattern that can't be built, a date that can't be stored), for the page
// to show beside its fields; the list then shows the task list's own values.
struct DraftOutcome {
    std::wstring problem;

    bool operator==(const DraftOutcome&) const = default;
};

// Why an editor page is given a record.
enum class LoadMode {
    kForModify,  // a task of the list, to be modified
    kPrefill,    // values of a listed entry
};

// Editor pages, by the task-kind selector's index.
inline constexpr int kRenamePage = 0;
inline constexpr int kTimestampPage = 1;
inline constexpr int kAttributePage = 2;

// The window's result codes.
inline constexpr int kWindowClosed = 1;  // closed with the close bookkeeping
inline constexpr int kWindowQuit = 2;    // ended by -Quit, without it

// What the controller tells a front end, split by the part of the window
// that draws it. A front end implements the parts it has; the controller is
// given each one separately and tells nobody where it was given none. All
// calls come on the UI thread; the front end reads the new values from the
// controller's accessors.

// The window itself: its title, its commands' states, its placement and its
// end.
class WindowView {
  public:
    virtual ~WindowView() = default;

    virtual void TitleChanged(const std::wstring& title) = 0;
    // The menu items and toolbar buttons follow these states.
    virtual void CommandStatesChanged(const CommandStates& states) = 0;
    // At start: give the window this placement.
    virtual void RestorePlacement(const WindowPlacement& placement) = 0;
    // The window ends now with this result (kWindowClosed or kWindowQuit).
    virtual void CloseWindow(int result) = 0;
    // The task list has (or no longer has) changes that no file holds; the
    // window marks its title while it has.
    virtual void TaskListModifiedChanged(bool /*modified*/) {}
};

// The two file lists and the General Info pane. NewEntriesChanged (from
// PreviewView): rewrite the "New Attribute" rows from newEntries() in place,
// or empty and refill the list.
class FileListsView : public PreviewView {
  public:
    // The "Current Attribute" list: refill it from currentEntries() (empty
    // when a new path is about to be listed).
    virtual void CurrentEntriesChanged() = 0;
    virtual void GeneralInfoChanged(const GeneralInfo& info) = 0;
    // The whole job's view: shown or not, its plan in hand or being built
    // (wholeJobShown(), wholeJobPlan(), wholeJobPlanning()); the count line
    // changes with it.
    virtual void WholeJobChanged() {}
};

// The task editor: the task list view, the task-kind selector with its
// editor pages, and the Preferences and About windows.
class TaskEditorView {
  public:
    virtual ~TaskEditorView() = default;

    // The task list view: its rows are the display texts of taskList().tasks(), in
    // order; existing rows keep their selection unless a TaskSelectionChanged
    // follows.
    virtual void TaskRowsChanged() = 0;
    virtual void TaskSelectionChanged(const TaskSelection& selection) = 0;
    // The task list view's column title.
    virtual void TaskListCaptionChanged(const std::wstring& caption) = 0;

    // The task-kind selector is enabled or disabled.
    virtual void EnableTaskKindSelector(bool enabled) = 0;
    // A listing is on show: the rename page enables its controls.
    virtual void EnableEditor() = 0;
    // The selector shows this page, which is shown and enabled.
    virtual void ShowEditorPage(int page) = 0;
    // The page of the record's kind takes the record.
    virtual void LoadTask(const TaskFields& record, LoadMode mode) = 0;
    // The timestamp page takes the three times of a listed entry (an entry
    // with empty texts and attributes 0), with LOAD_PREFILL.
    virtual void PrefillTimestampPage(const FileEntry& times) = 0;

    // Tools > Option...: open a new Preferences dialog filled with `flags`
    // and the history's settings; its OK calls
    // MainController::ApplyPreferences with both.
    virtual void ShowPreferences(const PreferenceFlags& flags, const HistorySettings& history) = 0;
    // Help > About.
    virtual void ShowAbout(const AboutInfo& about) = 0;
};

// The progress bar (driven by listings and by a job's steps) and the end of
// a job.
class JobView : public Progress {
  public:
    // A job's worker has finished: called before its result is reported (the
    // notice, or the question whether to save the log). The console prints
    // the log here; a window needs nothing, hence the empty default.
    virtual void JobFinished(const JobResult&) {}

    // A job ended with failures: show them (JobFailures of the log) with a
    // way to save the log, which `saveLog` does (the usual file picker and
    // log file). Returns false when this view has no such report; the
    // controller then asks whether to save the log.
    virtual bool ShowJobErrors(const JobResult& /*result*/,
                               const std::function<void()>& /*saveLog*/) {
        return false;
    }

    // A job's steps are being applied: `done` of `total` entries, at `rate`
    // entries a second (0 until it is known). A few times a second at most.
    virtual void JobProgress(std::int64_t /*done*/, std::int64_t /*total*/, double /*rate*/) {}

    // The job's plan is being built: `entries` listed so far (a few times a
    // second at most).
    virtual void PlanProgress(std::int64_t /*entries*/) {}

    // The plan of a job that reaches beyond the folder on show or has
    // problems, for review before anything is written: true to apply it (the
    // entries with a problem are left alone), false to cancel. `root` is the
    // job's root. A window shows every change, problems first; the console,
    // which has nobody to review it, prints the problems and answers false.
    virtual bool ReviewPlan(const JobPlan& plan, const std::wstring& root) = 0;
};

// Tells `view` of a change: calls `notification` on it with `args`, or does
// nothing when there is no view (nobody listens).
template <typename View, typename Part, typename... Params, typename... Args>
void Notify(View* view, void (Part::*notification)(Params...), Args&&... args) {
    if (view != nullptr)
        (view->*notification)(std::forward<Args>(args)...);
}

}  // namespace torvane
