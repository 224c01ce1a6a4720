#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_view.hpp"
#include "app/pickers.hpp"
#include "engine/apply_context.hpp"
#include "engine/preview.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "tasks/task_definition.hpp"
#include "tasks/task_id_sequence.hpp"
#include "tasks/task_item.hpp"
#include "tasks/task_list_file.hpp"

namespace torvane {

// The window's task list and its editing: the tasks and their ids, the
// selected rows, the current task-list file and the task list view's
// caption, with the commands that change them (submit, move, remove, clear,
// load, close, save). Every change is tried on the preview first and told to
// the task editor; what else follows it (General Info, the command states,
// the preference file) is asked of the owner. Lives on the UI thread.
class TaskListEditor {
  public:
    // What the task list asks of the window it belongs to.
    class Owner {
      public:
        virtual ~Owner() = default;
        // True while a job runs: the list then refuses every change.
        virtual bool JobRunning() const = 0;
        // The preferences the engine applies the tasks with.
        virtual EngineSettings Engine() const = 0;
        virtual void UpdateCommandUI() = 0;
        // General Info follows the new values.
        virtual void ShowEntryInfo() = 0;
        // Close Task List has emptied the list and its path.
        virtual void TaskListClosed() = 0;
    };

    // What the task list works with. The references must outlive it.
    struct Services {
        FileSystem& fs;
        Dialogs& dialogs;
        Pickers& pickers;
        std::wstring appName;                 // the caption of the file's messages
        std::function<std::int64_t()> clock;  // seeds the task ids
    };

    enum class ReadOutcome { kNoFile, kOpenFailed, kRead, kReadError };

    TaskListEditor(Services services, Preview& preview, Owner& owner);

    // The task editor told of every change; null: nobody.
    void SetView(TaskEditorView* view) { view_ = view; }

    const TaskList& tasks() const { return tasks_; }
    const std::vector<std::size_t>& selection() const { return selection_; }
    const std::wstring& path() const { return currentTaskListPath_; }
    const std::wstring& caption() const { return caption_; }
    // True when the list holds tasks that differ from the file it was last
    // loaded from or saved to (any tasks, when it has none). An empty list
    // is never modified: there is nothing to save.
    bool modified() const;

    // The task list's commands, called by the front end (menus, toolbar,
    // task list view, editor pages).
    bool SubmitTask(const TaskFields& record);
    void SetTaskSelection(std::vector<std::size_t> rows);
    void MoveTaskUp();
    void MoveTaskDown();
    void RemoveTask();
    void ClearTaskList();
    void TaskListDoubleClicked();
    std::optional<std::wstring> TaskRowToolTip(std::size_t row) const;
    DraftOutcome PreviewDraft(const std::optional<TaskFields>& draft);
    // The draft last previewed, shown again over entries listed since it was
    // (a folder opened drops it from the preview). Returns its outcome;
    // nothing is shown when no draft was previewed.
    DraftOutcome ShowDraftAgain();
    void LoadTaskList();
    // Load Task List with the file already chosen (a dropped file).
    void LoadTaskListFile(const std::wstring& path);
    void CloseTaskList();
    void SaveTaskList();
    void SaveTaskListAs();

    // Starts a new sequence of task ids from the clock.
    void SeedTaskIds();
    // Empties the list and the selection; ids and path stay.
    void EmptyTaskList();
    // Replaces the list with the file's tasks, trying each with the engine
    // and emptying the list at the first one it rejects. The file becomes
    // the current task-list path unless reading failed.
    ReadOutcome ReadTaskListFile(const std::wstring& path);
    // Forgets the current task-list path without telling the view (the
    // window is closing).
    void ForgetPath() { currentTaskListPath_.clear(); }

  private:
    DraftOutcome ShowDraft(const std::wstring& definition, std::optional<std::size_t> replaces);
    void AfterTaskListChange();
    void SelectTaskRow(std::size_t row);
    void ShowSelection(std::vector<std::size_t> rows, std::optional<std::size_t> focus,
                       std::optional<std::size_t> scroll, bool takeFocus);
    bool ModifyTask(const TaskFields& record);
    bool AddTask(const TaskFields& record);
    void SetTaskListPath(const std::wstring& path);
    ReadOutcome AppendTasksFrom(TaskListFileReader& reader);
    void WriteTaskList(const std::wstring& path);
    std::optional<std::wstring> PickTaskListFile(bool save);

    FileSystem& fs_;
    Dialogs& dialogs_;
    Pickers& pickers_;
    const std::wstring appName_;
    const std::function<std::int64_t()> clock_;
    Preview& preview_;
    Owner& owner_;
    TaskEditorView* view_ = nullptr;

    TaskList tasks_;
    TaskIdSequence ids_;
    std::vector<std::size_t> selection_;
    std::wstring currentTaskListPath_;
    std::wstring caption_;
    // The tasks (names and definitions; ids are the session's) as the file
    // last loaded or saved holds them; empty when no file is current.
    std::vector<std::pair<std::wstring, std::wstring>> saved_;

    // The draft last previewed (its definition and the task it replaces),
    // its outcome and the preview's revision just after, so that the same
    // draft over the same list is not computed again (a change of the task's
    // name alone computes nothing).
    std::wstring lastDraft_;
    std::optional<std::size_t> lastReplaces_;
    DraftOutcome lastDraftOutcome_;
    std::uint64_t lastDraftRevision_ = 0;
};

}  // namespace torvane
