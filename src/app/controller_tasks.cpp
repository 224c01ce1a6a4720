// The task list: submitted tasks, moving, removing, clearing, the double
// click and the tool tip.
#include <algorithm>
#include <utility>

#include "app/main_controller.hpp"
#include "app/task_list_texts.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

EngineSettings MainController::Engine() const {
    return EngineSettings{prefs_.flags.caseSensitiveSearch, prefs_.flags.setAttributeOption};
}

void MainController::SeedTaskIds() {
    ids_.Seed(static_cast<std::uint32_t>(clock_()));
}

void MainController::EmptyTaskList() {
    tasks_.clear();
    selection_.clear();
    view_.TaskRowsChanged();
}

// What every change of the list's order or content is followed by.
void MainController::AfterTaskListChange() {
    preview_.TaskListChanged(tasks_, Engine());
    ShowEntryInfo();
    UpdateCommandUI();
}

void MainController::ShowSelection(std::vector<std::size_t> rows, std::optional<std::size_t> focus,
                                   std::optional<std::size_t> scroll, bool takeFocus) {
    selection_ = rows;
    view_.TaskSelectionChanged(TaskSelection{std::move(rows), focus, scroll, takeFocus});
}

void MainController::SelectTaskRow(std::size_t row) {
    if (row < tasks_.size())
        ShowSelection({row}, row, row, true);
}

int MainController::SubmitTask(const TaskFields& record) {
    // The running job has its own copy of the list, but the list it rebuilds
    // afterwards must be the one it was started with.
    if (jobRunning_)
        return 0;
    if ((IdOf(record) != 0 ? ModifyTask(record) : AddTask(record)) == 0)
        return 0;
    UpdateCommandUI();
    ShowEntryInfo();
    return 1;
}

int MainController::ModifyTask(const TaskFields& record) {
    const auto at = std::find_if(tasks_.begin(), tasks_.end(),
                                 [&](const TaskItem& t) { return t.id == IdOf(record); });
    if (at == tasks_.end())
        return 1;  // removed meanwhile: the page leaves modify mode
    const TaskItem kept = *at;
    at->name = NameOf(record);
    at->definition = BuildTaskDefinition(record);
    if (preview_.TaskReplaced(tasks_, Engine()) != TaskResult::Ok) {
        *at = kept;
        return 0;
    }
    view_.TaskRowsChanged();
    SelectTaskRow(static_cast<std::size_t>(at - tasks_.begin()));
    return 1;
}

int MainController::AddTask(const TaskFields& record) {
    tasks_.push_back(TaskItem{ids_.Next(), NameOf(record), BuildTaskDefinition(record)});
    if (preview_.TaskAppended(tasks_, Engine()) != TaskResult::Ok) {
        tasks_.pop_back();  // its id is not reused
        return 0;
    }
    view_.TaskRowsChanged();
    SelectTaskRow(tasks_.size() - 1);
    return 1;
}

void MainController::SetTaskSelection(std::vector<std::size_t> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::lower_bound(rows.begin(), rows.end(), tasks_.size()), rows.end());
    selection_ = std::move(rows);
    UpdateCommandUI();
}

void MainController::TaskListClicked() {
    UpdateCommandUI();
}

void MainController::MoveTaskUp() {
    if (jobRunning_ || selection_.empty() || selection_.front() == 0)
        return;
    std::vector<std::size_t> rows;
    for (const std::size_t s : selection_) {
        std::swap(tasks_[s - 1], tasks_[s]);
        rows.push_back(s - 1);
    }
    view_.TaskRowsChanged();
    ShowSelection(rows, rows.back(), rows.front(), false);
    AfterTaskListChange();
}

void MainController::MoveTaskDown() {
    if (jobRunning_ || selection_.empty() || selection_.back() + 1 >= tasks_.size())
        return;
    std::vector<std::size_t> rows;
    for (auto s = selection_.rbegin(); s != selection_.rend(); ++s)
        std::swap(tasks_[*s], tasks_[*s + 1]);
    for (const std::size_t s : selection_)
        rows.push_back(s + 1);
    view_.TaskRowsChanged();
    ShowSelection(rows, rows.back(), rows.back(), false);
    AfterTaskListChange();
}

void MainController::RemoveTask() {
    if (jobRunning_ || selection_.empty())
        return;
    TaskList kept;
    for (std::size_t i = 0; i < tasks_.size(); ++i) {
        if (!std::binary_search(selection_.begin(), selection_.end(), i))
            kept.push_back(std::move(tasks_[i]));
    }
    tasks_ = std::move(kept);
    view_.TaskRowsChanged();
    // The selection stays on the same row numbers, where those rows remain.
    std::vector<std::size_t> rows = selection_;
    rows.erase(std::lower_bound(rows.begin(), rows.end(), tasks_.size()), rows.end());
    ShowSelection(std::move(rows), std::nullopt, std::nullopt, false);
    AfterTaskListChange();
}

void MainController::ClearTaskList() {
    if (jobRunning_)
        return;
    EmptyTaskList();
    SeedTaskIds();
    AfterTaskListChange();
}

void MainController::TaskListDoubleClicked() {
    if (selection_.empty())
        return;
    const TaskItem& item = tasks_[selection_.front()];
    const auto kind = KindOfKeyword(GetTaskKeyword(item.definition));
    auto record = ParseTaskDefinition(item.definition);
    if (!kind || !record)
        return;
    SetIdAndName(*record, item.id, item.name);
    view_.ShowEditorPage(*kind - TASK_KIND_RENAME);
    view_.LoadTask(*record, LOAD_FOR_MODIFY);
}

std::optional<std::wstring> MainController::TaskRowToolTip(std::size_t row) const {
    if (row >= tasks_.size())
        return std::nullopt;
    return TaskToolTip(tasks_[row]);
}

}  // namespace torvane
