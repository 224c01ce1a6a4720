// The task list: submitted tasks, moving, removing, clearing, the double
// click and the tool tip.
#include "app/task_list_editor.hpp"

#include <algorithm>
#include <utility>

#include "app/task_list_texts.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

// Keeps the first message the engine gives about a draft instead of showing
// it: the page shows it beside its fields.
class FirstMessage : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        if (text_.empty())
            text_ = text;
        return MessageAnswer::kOk;
    }
    const std::wstring& text() const { return text_; }

  private:
    std::wstring text_;
};

}  // namespace

TaskListEditor::TaskListEditor(Services services, Preview& preview, Owner& owner)
    : fs_(services.fs),
      dialogs_(services.dialogs),
      pickers_(services.pickers),
      appName_(std::move(services.appName)),
      clock_(std::move(services.clock)),
      preview_(preview),
      owner_(owner),
      caption_(TaskListCaption(L"")) {}

void TaskListEditor::SeedTaskIds() {
    ids_.Seed(static_cast<std::uint32_t>(clock_()));
}

void TaskListEditor::EmptyTaskList() {
    tasks_.clear();
    selection_.clear();
    Notify(view_, &TaskEditorView::TaskRowsChanged);
}

// What every change of the list's order or content is followed by.
void TaskListEditor::AfterTaskListChange() {
    preview_.TaskListChanged(tasks_, owner_.Engine());
    owner_.ShowEntryInfo();
    owner_.UpdateCommandUI();
}

void TaskListEditor::ShowSelection(std::vector<std::size_t> rows, std::optional<std::size_t> focus,
                                   std::optional<std::size_t> scroll, bool takeFocus) {
    selection_ = rows;
    Notify(view_, &TaskEditorView::TaskSelectionChanged,
           TaskSelection{std::move(rows), focus, scroll, takeFocus});
}

void TaskListEditor::SelectTaskRow(std::size_t row) {
    if (row < tasks_.size())
        ShowSelection({row}, row, row, true);
}

bool TaskListEditor::SubmitTask(const TaskFields& record) {
    // The running job has its own copy of the list, but the list it rebuilds
    // afterwards must be the one it was started with.
    if (owner_.JobRunning())
        return false;
    if (!(IdOf(record) != 0 ? ModifyTask(record) : AddTask(record)))
        return false;
    owner_.UpdateCommandUI();
    owner_.ShowEntryInfo();
    return true;
}

bool TaskListEditor::ModifyTask(const TaskFields& record) {
    const auto at = std::find_if(tasks_.begin(), tasks_.end(),
                                 [&](const TaskItem& t) { return t.id == IdOf(record); });
    if (at == tasks_.end())
        return true;  // removed meanwhile: the page leaves modify mode
    const TaskItem kept = *at;
    at->name = NameOf(record);
    at->definition = BuildTaskDefinition(record);
    if (preview_.TaskReplaced(tasks_, owner_.Engine()) != TaskResult::Ok) {
        *at = kept;
        return false;
    }
    Notify(view_, &TaskEditorView::TaskRowsChanged);
    SelectTaskRow(static_cast<std::size_t>(at - tasks_.begin()));
    return true;
}

bool TaskListEditor::AddTask(const TaskFields& record) {
    tasks_.push_back(TaskItem{ids_.Next(), NameOf(record), BuildTaskDefinition(record)});
    if (preview_.TaskAppended(tasks_, owner_.Engine()) != TaskResult::Ok) {
        tasks_.pop_back();  // its id is not reused
        return false;
    }
    Notify(view_, &TaskEditorView::TaskRowsChanged);
    SelectTaskRow(tasks_.size() - 1);
    return true;
}

void TaskListEditor::SetTaskSelection(std::vector<std::size_t> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::lower_bound(rows.begin(), rows.end(), tasks_.size()), rows.end());
    selection_ = std::move(rows);
    owner_.UpdateCommandUI();
}

void TaskListEditor::MoveTaskUp() {
    if (owner_.JobRunning() || selection_.empty() || selection_.front() == 0)
        return;
    std::vector<std::size_t> rows;
    for (const std::size_t s : selection_) {
        std::swap(tasks_[s - 1], tasks_[s]);
        rows.push_back(s - 1);
    }
    Notify(view_, &TaskEditorView::TaskRowsChanged);
    ShowSelection(rows, rows.back(), rows.front(), false);
    AfterTaskListChange();
}

void TaskListEditor::MoveTaskDown() {
    if (owner_.JobRunning() || selection_.empty() || selection_.back() + 1 >= tasks_.size())
        return;
    std::vector<std::size_t> rows;
    for (auto s = selection_.rbegin(); s != selection_.rend(); ++s)
        std::swap(tasks_[*s], tasks_[*s + 1]);
    for (const std::size_t s : selection_)
        rows.push_back(s + 1);
    Notify(view_, &TaskEditorView::TaskRowsChanged);
    ShowSelection(rows, rows.back(), rows.back(), false);
    AfterTaskListChange();
}

void TaskListEditor::RemoveTask() {
    if (owner_.JobRunning() || selection_.empty())
        return;
    TaskList kept;
    for (std::size_t i = 0; i < tasks_.size(); ++i) {
        if (!std::binary_search(selection_.begin(), selection_.end(), i))
            kept.push_back(std::move(tasks_[i]));
    }
    tasks_ = std::move(kept);
    Notify(view_, &TaskEditorView::TaskRowsChanged);
    // The selection stays on the same row numbers, where those rows remain.
    std::vector<std::size_t> rows = selection_;
    rows.erase(std::lower_bound(rows.begin(), rows.end(), tasks_.size()), rows.end());
    ShowSelection(std::move(rows), std::nullopt, std::nullopt, false);
    AfterTaskListChange();
}

void TaskListEditor::ClearTaskList() {
    if (owner_.JobRunning())
        return;
    EmptyTaskList();
    SeedTaskIds();
    AfterTaskListChange();
}

void TaskListEditor::TaskListDoubleClicked() {
    if (selection_.empty())
        return;
    const TaskItem& item = tasks_[selection_.front()];
    const auto kind = KindOfKeyword(GetTaskKeyword(item.definition));
    auto record = ParseTaskDefinition(item.definition);
    if (!kind || !record)
        return;
    SetIdAndName(*record, item.id, item.name);
    Notify(view_, &TaskEditorView::ShowEditorPage, *kind - TASK_KIND_RENAME);
    Notify(view_, &TaskEditorView::LoadTask, *record, LoadMode::kForModify);
}

DraftOutcome TaskListEditor::PreviewDraft(const std::optional<TaskFields>& draft) {
    std::optional<std::size_t> replaces;
    std::wstring definition;
    if (draft) {
        definition = BuildTaskDefinition(*draft);
        if (IdOf(*draft) != 0) {
            const auto at = std::find_if(tasks_.begin(), tasks_.end(),
                                         [&](const TaskItem& t) { return t.id == IdOf(*draft); });
            // A task unchanged, or gone meanwhile, is no draft: the list
            // already shows what a submit would.
            if (at != tasks_.end() && at->definition != definition)
                replaces = static_cast<std::size_t>(at - tasks_.begin());
            else
                definition.clear();
        }
    }
    if (definition.empty()) {
        lastDraft_.clear();
        if (preview_.draftShown()) {
            preview_.DropDraft();
            owner_.ShowEntryInfo();
        }
        return {};
    }
    if (lastDraft_ == definition && lastReplaces_ == replaces &&
        lastDraftRevision_ == preview_.revision())
        return lastDraftOutcome_;
    return ShowDraft(definition, replaces);
}

DraftOutcome TaskListEditor::ShowDraftAgain() {
    if (lastDraft_.empty() || (lastReplaces_ && *lastReplaces_ >= tasks_.size()))
        return {};
    return ShowDraft(lastDraft_, lastReplaces_);
}

DraftOutcome TaskListEditor::ShowDraft(const std::wstring& definition,
                                       std::optional<std::size_t> replaces) {
    FirstMessage message;
    const bool wasShown = preview_.draftShown();
    const auto result = preview_.ShowDraft(tasks_, definition, replaces, owner_.Engine(), message);
    DraftOutcome outcome;
    if (result != TaskResult::Ok)
        outcome.problem = message.text().empty() ? L"This task can't be applied." : message.text();
    if (wasShown || preview_.draftShown())
        owner_.ShowEntryInfo();
    lastDraft_ = definition;
    lastReplaces_ = replaces;
    lastDraftOutcome_ = outcome;
    lastDraftRevision_ = preview_.revision();
    return outcome;
}

std::optional<std::wstring> TaskListEditor::TaskRowToolTip(std::size_t row) const {
    if (row >= tasks_.size())
        return std::nullopt;
    return TaskToolTip(tasks_[row]);
}

}  // namespace torvane
