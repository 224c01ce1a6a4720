#include "engine/preview.hpp"

#include <algorithm>
#include <utility>

#include "engine/plan.hpp"

namespace torvane {
namespace {

// Drops the engine's messages: a draft's are the editor's to show, when it
// computes the draft itself.
class NoDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring&, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        return MessageAnswer::kOk;
    }
};

}  // namespace

Preview::Preview(Dialogs& dialogs, IconCache& icons, FileSystem& fs, PreviewView* view)
    : dialogs_(dialogs), icons_(icons), fs_(fs), view_(view) {}

ApplyContext Preview::Context(const EngineSettings& settings, ApplyMode mode, Dialogs* dialogs) {
    settings_ = settings;
    StartReads();
    if (!fieldValues_) {
        if (reads_)
            fieldValues_.emplace(current_, *reads_);
        else
            fieldValues_.emplace(current_, fs_);
    }
    pending_.clear();
    return ApplyContext{settings,       dialogs != nullptr ? *dialogs : dialogs_,
                        mode,           PreviewIcons{&current_, &icons_},
                        &*fieldValues_, &pending_};
}

void Preview::ForgetFieldValues() {
    fieldValues_.reset();
    if (reads_)
        reads_->Reset(current_);
}

void Preview::ReadFieldsInBackground(FieldReads::Services services) {
    fieldValues_.reset();
    if (!services.read) {
        services.read = [&fs = fs_](const FileEntry& entry, unsigned groups, EntryMetadata& into) {
            ReadEntryFields(fs, entry, groups, into);
        };
    }
    reads_ = std::make_unique<FieldReads>(std::move(services));
    reads_->Reset(current_);
}

unsigned Preview::ReadingAt(std::size_t row) const {
    if (reads_ == nullptr || !reads_->Outstanding(row))
        return 0;
    const auto it =
        std::lower_bound(misses_.begin(), misses_.end(), row,
                         [](const FieldMiss& miss, std::size_t r) { return miss.position < r; });
    return it != misses_.end() && it->position == row ? it->columns : 0;
}

std::vector<FieldMiss> Preview::ReadMisses() const {
    if (reads_ == nullptr || !reads_->reading())
        return misses_;
    std::vector<FieldMiss> out;
    for (const FieldMiss& miss : misses_) {
        if (!reads_->Outstanding(miss.position))
            out.push_back(miss);
    }
    return out;
}

TaskResult Preview::FieldsArrived(const TaskList& tasks, const EngineSettings& settings) {
    if (current_.empty())
        return TaskResult::Ok;
    if (!draft_)
        return computed_ ? RefreshPreview(tasks, settings) : TaskResult::Ok;
    if (draft_->listComputed) {
        auto list = ComputeNewEntries(current_, tasks, Context(settings, ApplyMode::PreviewMode));
        if (list.result == TaskResult::Ok) {
            draft_->listNew = std::move(list.entries);
            draft_->listMisses = std::move(list.misses);
        }
    }
    TaskList withDraft;
    for (const std::wstring& definition : draft_->definitions)
        withDraft.push_back(TaskItem{0, L"", definition});
    NoDialogs quiet;
    auto shown =
        ComputeNewEntries(current_, withDraft, Context(settings, ApplyMode::PreviewMode, &quiet));
    if (shown.result == TaskResult::Ok) {
        Show(std::move(shown.entries), std::move(shown.misses));
    } else {
        // The draft fails with the values read: the list's own values are
        // shown, and the editor finds the problem when it shows the draft
        // again (the revision changed).
        ForgetDraft();
        Announce();
    }
    return shown.result;
}

void Preview::Show(FileEntries entries, std::vector<FieldMiss> misses) {
    new_ = std::move(entries);
    misses_ = std::move(misses);
    Announce();
}

std::vector<FieldMiss> Preview::WithPending() const {
    // Both sorted by position (a task notes each entry once, in order):
    // merged, one miss an entry, the earlier task's first.
    std::vector<FieldMiss> pending = pending_;
    std::stable_sort(pending.begin(), pending.end(), [](const FieldMiss& a, const FieldMiss& b) {
        return a.position < b.position;
    });
    std::vector<FieldMiss> out;
    out.reserve(misses_.size() + pending.size());
    const auto add = [&out](const FieldMiss& miss) {
        if (!out.empty() && out.back().position == miss.position)
            out.back().columns |= miss.columns;
        else
            out.push_back(miss);
    };
    std::size_t p = 0;
    for (const FieldMiss& miss : misses_) {
        for (; p < pending.size() && pending[p].position < miss.position; ++p)
            add(pending[p]);
        add(miss);
    }
    for (; p < pending.size(); ++p)
        add(pending[p]);
    return out;
}

void Preview::Announce() {
    const auto how = shownRows_ == new_.size() && !new_.empty() ? NewListUpdate::kInPlace
                                                                : NewListUpdate::kReset;
    shownRows_ = new_.size();
    checked_ = false;
    StartReads();
    ++revision_;
    if (view_ != nullptr)
        view_->NewEntriesChanged(how);
}

bool Preview::ForgetDraft() {
    if (!draft_)
        return false;
    new_ = std::move(draft_->listNew);
    misses_ = std::move(draft_->listMisses);
    computed_ = draft_->listComputed;
    draft_.reset();
    checked_ = false;
    return true;
}

bool Preview::TakeDraftAs(const TaskList& tasks) {
    if (!draft_ || draft_->definitions.size() != tasks.size())
        return false;
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        if (tasks[i].definition != draft_->definitions[i])
            return false;
    }
    // The draft's entries were computed from this very list: keep them.
    draft_.reset();
    computed_ = true;
    return true;
}

TaskResult Preview::ShowDraft(const TaskList& tasks, const std::wstring& definition,
                              std::optional<std::size_t> replaces, const EngineSettings& settings,
                              Dialogs& dialogs) {
    const bool draftWasShown = ForgetDraft();
    const auto failed = [&](TaskResult result) {
        if (draftWasShown)
            Announce();
        return result;
    };
    // The position the draft takes: a task's, or one past the end (appended).
    const std::size_t at =
        replaces.value_or(tasks.size()) < tasks.size() ? *replaces : tasks.size();
    const bool replacing = at < tasks.size();
    if (current_.empty()) {
        FileEntries trial{PlaceholderEntry()};
        const auto result =
            ApplyTask(definition, trial, ApplyContext{settings, dialogs, ApplyMode::JobMode, {}});
        return failed(result);
    }
    const ApplyContext context = Context(settings, ApplyMode::PreviewMode, &dialogs);
    NewEntries computed;
    if (!replacing && computed_) {
        // Only the draft is new: it is applied on top of the list's values.
        computed.entries = new_;
        computed.result = ApplyTask(definition, computed.entries, context);
        computed.misses = WithPending();
    } else {
        TaskList changed = tasks;
        if (replacing)
            changed[at].definition = definition;
        else
            changed.push_back(TaskItem{0, L"", definition});
        computed = ComputeNewEntries(current_, changed, context);
    }
    if (computed.result != TaskResult::Ok)
        return failed(computed.result);
    Draft draft{{}, std::move(new_), std::move(misses_), computed_};
    for (const TaskItem& task : tasks)
        draft.definitions.push_back(task.definition);
    if (replacing)
        draft.definitions[at] = definition;
    else
        draft.definitions.push_back(definition);
    draft_ = std::move(draft);
    settings_ = settings;
    Show(std::move(computed.entries), std::move(computed.misses));
    return TaskResult::Ok;
}

void Preview::DropDraft() {
    if (ForgetDraft())
        Announce();
}

void Preview::Check() const {
    if (checked_)
        return;
    checked_ = true;
    findings_.clear();
    changes_ = 0;
    if (new_.size() != current_.size())
        return;
    std::vector<EntrySteps> steps(new_.size());
    for (std::size_t i = 0; i < new_.size(); ++i) {
        steps[i] = StepsFor(current_[i], new_[i], settings_);
        changes_ += steps[i].any() ? 1 : 0;
    }
    findings_ = CheckFolder(current_, new_, steps, facts_.unlistedNames, facts_.traits,
                            MissingFieldFindings(current_, ReadMisses()));
}

void Preview::TakeEntries(FileEntries& current, FileEntries& updated,
                          std::vector<EntryName>& unlistedNames) {
    ForgetDraft();
    current = std::move(current_);
    updated = std::move(new_);
    unlistedNames = std::move(facts_.unlistedNames);
    current_.clear();
    new_.clear();
    misses_.clear();
    ForgetFieldValues();
    facts_ = {};
    checked_ = false;
    shownRows_ = 0;
}

const std::vector<std::pair<std::size_t, Finding>>& Preview::findings() const {
    Check();
    return findings_;
}

std::int64_t Preview::changes() const {
    Check();
    return changes_;
}

const Finding* Preview::FindingAt(std::size_t row) const {
    Check();
    const auto it = std::lower_bound(findings_.begin(), findings_.end(), row,
                                     [](const auto& f, std::size_t r) { return f.first < r; });
    return it != findings_.end() && it->first == row ? &it->second : nullptr;
}

void Preview::Clear() {
    ForgetDraft();
    current_.clear();
    ForgetFieldValues();
    facts_ = {};
    Show({}, {});
}

TaskResult Preview::EntriesListed(FileEntries current, const TaskList& tasks,
                                  const EngineSettings& settings) {
    // The new entries start as the current ones; the recomputation below
    // replaces them before anything is shown.
    current_ = std::move(current);
    ForgetFieldValues();
    return RefreshPreview(tasks, settings);
}

TaskResult Preview::TaskAppended(const TaskList& tasks, const EngineSettings& settings) {
    if (TakeDraftAs(tasks))
        return TaskResult::Ok;
    return PreviewLastTask(tasks, settings);
}

TaskResult Preview::TaskReplaced(const TaskList& tasks, const EngineSettings& settings) {
    if (TakeDraftAs(tasks))
        return TaskResult::Ok;
    const bool draftWasShown = ForgetDraft();
    auto computed = ComputeNewEntries(current_, tasks, Context(settings, ApplyMode::PreviewMode));
    if (computed.result == TaskResult::Ok)
        Show(std::move(computed.entries), std::move(computed.misses));
    else if (draftWasShown)
        Announce();
    return computed.result;
}

TaskResult Preview::RefreshPreview(const TaskList& tasks, const EngineSettings& settings) {
    ForgetDraft();
    auto computed = ComputeNewEntries(current_, tasks, Context(settings, ApplyMode::PreviewMode));
    computed_ = computed.result == TaskResult::Ok;
    Show(std::move(computed.entries), std::move(computed.misses));
    return computed.result;
}

TaskResult Preview::PreviewLastTask(const TaskList& tasks, const EngineSettings& settings) {
    const bool draftWasShown = ForgetDraft();
    const auto kept = [&](TaskResult result) {
        if (draftWasShown)
            Announce();
        return result;
    };
    if (tasks.empty())
        return kept(TaskResult::Ok);
    const auto& definition = tasks.back().definition;
    if (new_.empty()) {
        FileEntries trial{PlaceholderEntry()};
        return kept(ApplyTask(definition, trial, Context(settings, ApplyMode::JobMode)));
    }
    FileEntries entries = new_;
    const auto result = ApplyTask(definition, entries, Context(settings, ApplyMode::PreviewMode));
    if (result == TaskResult::Ok)
        Show(std::move(entries), WithPending());
    else
        kept(result);
    return result;
}

TaskResult Preview::TaskRead(const TaskList& tasks, const EngineSettings& settings) {
    if (tasks.empty() || new_.empty() || draft_)
        return TaskAppended(tasks, settings);
    // No copy to fall back on: a load that fails empties the list, and the
    // new entries with it.
    const auto result =
        ApplyTask(tasks.back().definition, new_, Context(settings, ApplyMode::PreviewMode));
    if (result == TaskResult::Ok) {
        misses_ = WithPending();
        Announce();
    }
    return result;
}

void Preview::ResetNewEntries() {
    ForgetDraft();
    // Assigned over the entries held, which keep their room: no third list
    // of the folder's entries, even for a moment.
    new_ = current_;
    misses_.clear();
    Announce();
}

}  // namespace torvane
