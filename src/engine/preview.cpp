#include "engine/preview.hpp"

#include <algorithm>
#include <utility>

namespace torvane {

Preview::Preview(Dialogs& dialogs, IconCache& icons, PreviewView* view)
    : dialogs_(dialogs), icons_(icons), view_(view) {}

ApplyContext Preview::Context(const EngineSettings& settings, ApplyMode mode) {
    settings_ = settings;
    return ApplyContext{settings, dialogs_, mode, PreviewIcons{&current_, &icons_}};
}

void Preview::Show(FileEntries entries) {
    const auto how = shownRows_ == entries.size() && !entries.empty() ? NewListUpdate::kInPlace
                                                                      : NewListUpdate::kReset;
    new_ = std::move(entries);
    shownRows_ = new_.size();
    checked_ = false;
    if (view_ != nullptr)
        view_->NewEntriesChanged(how);
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
    findings_ = CheckFolder(current_, new_, steps, facts_.unlistedNames, facts_.traits);
}

void Preview::TakeEntries(FileEntries& current, FileEntries& updated,
                          std::vector<std::wstring>& unlistedNames) {
    current = std::move(current_);
    updated = std::move(new_);
    unlistedNames = std::move(facts_.unlistedNames);
    current_.clear();
    new_.clear();
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
    current_.clear();
    facts_ = {};
    Show({});
}

TaskResult Preview::EntriesListed(FileEntries current, const TaskList& tasks,
                                  const EngineSettings& settings) {
    // The new entries start as the current ones; the recomputation below
    // replaces them before anything is shown.
    current_ = std::move(current);
    return RefreshPreview(tasks, settings);
}

TaskResult Preview::TaskAppended(const TaskList& tasks, const EngineSettings& settings) {
    return PreviewLastTask(tasks, settings);
}

TaskResult Preview::TaskReplaced(const TaskList& tasks, const EngineSettings& settings) {
    auto computed = ComputeNewEntries(current_, tasks, Context(settings, ApplyMode::PreviewMode));
    if (computed.result == TaskResult::Ok)
        Show(std::move(computed.entries));
    return computed.result;
}

TaskResult Preview::RefreshPreview(const TaskList& tasks, const EngineSettings& settings) {
    auto computed = ComputeNewEntries(current_, tasks, Context(settings, ApplyMode::PreviewMode));
    computed_ = computed.result == TaskResult::Ok;
    Show(std::move(computed.entries));
    return computed.result;
}

TaskResult Preview::PreviewLastTask(const TaskList& tasks, const EngineSettings& settings) {
    if (tasks.empty())
        return TaskResult::Ok;
    const auto& definition = tasks.back().definition;
    if (new_.empty()) {
        FileEntries trial{PlaceholderEntry()};
        return ApplyTask(definition, trial, Context(settings, ApplyMode::JobMode));
    }
    FileEntries entries = new_;
    const auto result = ApplyTask(definition, entries, Context(settings, ApplyMode::PreviewMode));
    if (result == TaskResult::Ok)
        Show(std::move(entries));
    return result;
}

void Preview::ResetNewEntries() {
    Show(current_);
}

}  // namespace torvane
