// The task-list file commands: Load, Close, Save and Save As, and the reader
// shared with start-up and the command line.
#include <string_view>
#include <utility>
#include <vector>

#include "app/task_list_editor.hpp"
#include "app/task_list_texts.hpp"
#include "tasks/task_list_file.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kTaskFileFilter =
    L"Torvane Task File (*.tvt)|*.tvt|Text Files (*.txt)|*.txt|";
constexpr std::wstring_view kTaskFileExtension = L".tvt";
constexpr std::wstring_view kNothingToSave = L"Task list is empty. There's nothing to save.";

std::vector<std::pair<std::wstring, std::wstring>> Contents(const TaskList& tasks) {
    std::vector<std::pair<std::wstring, std::wstring>> contents;
    contents.reserve(tasks.size());
    for (const TaskItem& task : tasks)
        contents.emplace_back(task.name, task.definition);
    return contents;
}

}  // namespace

bool TaskListEditor::modified() const {
    if (tasks_.empty())
        return false;
    if (tasks_.size() != saved_.size())
        return true;
    for (std::size_t i = 0; i < tasks_.size(); ++i) {
        if (tasks_[i].name != saved_[i].first || tasks_[i].definition != saved_[i].second)
            return true;
    }
    return false;
}

void TaskListEditor::SetTaskListPath(const std::wstring& path) {
    currentTaskListPath_ = path;
    saved_ = path.empty() ? decltype(saved_){} : Contents(tasks_);
    caption_ = TaskListCaption(path);
    Notify(view_, &TaskEditorView::TaskListCaptionChanged, caption_);
}

// Replaces the task list with the file's tasks, trying each with the engine
// and emptying the list at the first one it rejects. The file becomes the
// current task-list path unless reading failed.
TaskListEditor::ReadOutcome TaskListEditor::ReadTaskListFile(const std::wstring& path) {
    TaskListFileReader reader(fs_, dialogs_, appName_);
    switch (reader.Open(path)) {
        case TaskListFileReader::OpenResult::kNoFile:
            return ReadOutcome::kNoFile;
        case TaskListFileReader::OpenResult::kFailed:
            return ReadOutcome::kOpenFailed;
        case TaskListFileReader::OpenResult::kOpened:
            break;
    }
    EmptyTaskList();
    SeedTaskIds();
    preview_.TaskListEmptied();
    const ReadOutcome outcome = AppendTasksFrom(reader);
    reader.Close();
    ShowTaskListWarnings(dialogs_, appName_, path, reader.warnings());
    saved_.clear();  // a list read part way matches no file
    if (outcome == ReadOutcome::kRead)
        SetTaskListPath(path);
    owner_.UpdateCommandUI();
    owner_.ShowEntryInfo();
    return outcome;
}

// Appends the reader's tasks one by one, each tried with the engine; the
// first one it rejects empties the list and ends the reading.
TaskListEditor::ReadOutcome TaskListEditor::AppendTasksFrom(TaskListFileReader& reader) {
    TaskLine line;
    for (auto next = reader.ReadTask(line); next != TaskListFileReader::Next::kEnd;
         next = reader.ReadTask(line)) {
        if (next == TaskListFileReader::Next::kError)
            return ReadOutcome::kReadError;
        tasks_.push_back(TaskItem{ids_.Next(), std::move(line.name), std::move(line.definition)});
        if (preview_.TaskRead(tasks_, owner_.Engine()) != TaskResult::Ok) {
            EmptyTaskList();
            preview_.TaskListEmptied();
            break;
        }
        Notify(view_, &TaskEditorView::TaskRowsChanged);
    }
    return ReadOutcome::kRead;
}

std::optional<std::wstring> TaskListEditor::PickTaskListFile(bool save) {
    FileDialogRequest request;
    request.filter = kTaskFileFilter;
    request.defaultExtension = kTaskFileExtension;
    request.initialName = currentTaskListPath_;
    request.overwritePrompt = save;
    return save ? pickers_.PickSaveFile(request) : pickers_.PickOpenFile(request);
}

void TaskListEditor::LoadTaskList() {
    if (owner_.JobRunning())
        return;
    if (const auto path = PickTaskListFile(false))
        LoadTaskListFile(*path);
}

void TaskListEditor::LoadTaskListFile(const std::wstring& path) {
    if (owner_.JobRunning())
        return;
    const std::wstring previous = currentTaskListPath_;
    currentTaskListPath_ = path;
    switch (ReadTaskListFile(path)) {
        case ReadOutcome::kOpenFailed:
            // The list still holds the previous file's tasks: Save must not
            // write them over the file that could not be read.
            currentTaskListPath_ = previous;
            break;
        case ReadOutcome::kReadError:
            // The list holds part of the file: saving it over either file
            // would lose tasks, so no file is current.
            SetTaskListPath(L"");
            break;
        case ReadOutcome::kNoFile:
        case ReadOutcome::kRead:
            break;
    }
    owner_.UpdateCommandUI();
}

void TaskListEditor::CloseTaskList() {
    if (owner_.JobRunning())
        return;
    SetTaskListPath(L"");
    ClearTaskList();
    owner_.TaskListClosed();
}

void TaskListEditor::WriteTaskList(const std::wstring& path) {
    if (WriteTaskListFile(fs_, path, tasks_, dialogs_, appName_))
        SetTaskListPath(path);
}

void TaskListEditor::SaveTaskList() {
    if (owner_.JobRunning())
        return;
    if (currentTaskListPath_.empty()) {
        SaveTaskListAs();
        return;
    }
    if (tasks_.empty()) {
        dialogs_.ShowMessage(std::wstring(kNothingToSave), L"Notice", MessageIcon::kInformation,
                             MessageButtons::kOk);
        return;
    }
    WriteTaskList(currentTaskListPath_);
    owner_.UpdateCommandUI();
}

void TaskListEditor::SaveTaskListAs() {
    if (owner_.JobRunning())
        return;
    if (tasks_.empty()) {
        dialogs_.ShowMessage(std::wstring(kNothingToSave), L"Notice", MessageIcon::kInformation,
                             MessageButtons::kOk);
        return;
    }
    const auto path = PickTaskListFile(true);
    if (!path)
        return;
    currentTaskListPath_ = *path;
    WriteTaskList(*path);
    owner_.UpdateCommandUI();
}

}  // namespace torvane
