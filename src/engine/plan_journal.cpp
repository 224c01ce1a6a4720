// A plan's journal: the entries with steps, as the history stores them.
#include "engine/plan_journal.hpp"

#include <algorithm>

#include "tasks/task_list_file.hpp"

namespace torvane {

JournalIndex::JournalIndex(const JobPlan& plan) {
    std::size_t planned = 0;
    for (const PlannedFolder& f : plan.folders)
        planned += f.steps.size();
    folderStart_.reserve(plan.folders.size() + 1);
    journal_.reserve(planned);
    for (const PlannedFolder& f : plan.folders) {
        folderStart_.push_back(journal_.size());
        for (const EntrySteps& steps : f.steps)
            journal_.push_back(steps.any() ? count_++ : kNone);
    }
    folderStart_.push_back(journal_.size());
}

std::size_t JournalIndex::Find(std::size_t folder, std::size_t position) const {
    if (folder + 1 >= folderStart_.size())
        return kNone;
    const std::size_t at = folderStart_[folder] + position;
    return at < folderStart_[folder + 1] ? journal_[at] : kNone;
}

PlanJournalSource::PlanJournalSource(const JobPlan& plan) : plan_(plan) {
    for (const PlannedFolder& f : plan_.folders) {
        for (const EntrySteps& steps : f.steps)
            size_ += steps.any() ? 1 : 0;
    }
}

void PlanJournalSource::ForEach(const std::function<void(const JournalEntry&)>& each) const {
    // One entry filled in turn: its strings keep their room from one entry
    // to the next, so handing over a large plan allocates next to nothing.
    JournalEntry e;
    for (const PlannedFolder& f : plan_.folders) {
        e.folder = f.path;
        for (std::size_t i = 0; i < f.steps.size(); ++i) {
            const EntrySteps& steps = f.steps[i];
            if (!steps.any())
                continue;
            const FileEntry& was = f.current[i];
            const FileEntry& will = f.updated[i];
            e.id = was.id;
            e.oldName = was.name;
            e.newName = will.name;
            e.oldCreated = was.created;
            e.oldModified = was.modified;
            e.oldAccessed = was.accessed;
            e.newCreated = will.created;
            e.newModified = will.modified;
            e.newAccessed = will.accessed;
            e.oldAttributes = was.attributes;
            e.newAttributes = will.attributes;
            e.rename = steps.rename;
            e.attributes = steps.attributes;
            e.times = steps.times;
            each(e);
        }
    }
}

PlanJournal JournalOfPlan(const JobPlan& plan) {
    PlanJournal journal;
    journal.index = JournalIndex(plan);
    journal.entries.reserve(journal.index.size());
    PlanJournalSource(plan).ForEach([&](const JournalEntry& e) { journal.entries.push_back(e); });
    return journal;
}

std::wstring ListOptionsText(const ListOptions& options) {
    std::wstring text;
    switch (options.retrieve) {
        case Retrieve::kFiles:
            text = L"files";
            break;
        case Retrieve::kFolders:
            text = L"folders";
            break;
        case Retrieve::kFilesAndFolders:
            text = L"files and folders";
            break;
    }
    if (options.includeSubfolders)
        text += L", subfolders included";
    switch (options.hiddenSystem) {
        case HiddenSystem::kNone:
            break;
        case HiddenSystem::kHidden:
            text += L", hidden included";
            break;
        case HiddenSystem::kSystem:
            text += L", system included";
            break;
        case HiddenSystem::kHiddenNoSystem:
            text += L", hidden (not system) included";
            break;
        case HiddenSystem::kHiddenAndSystem:
            text += L", hidden and system included";
            break;
    }
    return text;
}

JobRecord JobRecordFor(const JobSettings& settings, std::int64_t started, std::wstring frontEnd) {
    JobRecord record;
    record.started = started;
    record.kind = JobKind::kJob;
    record.root = settings.root;
    for (const TaskItem& item : settings.tasks)
        record.tasks += FormatTaskListLine(item) + L"\n";
    record.options = ListOptionsText(settings.listOptions);
    record.frontEnd = std::move(frontEnd);
    return record;
}

JobHistoryStart BeginJobHistory(History* history, JobRecord record, const JobPlan& plan) {
    JobHistoryStart start;
    if (history == nullptr)
        return start;
    const PlanJournalSource entries(plan);
    record.entries = static_cast<std::int64_t>(entries.size());
    start.journal = history->Begin(record, entries, start.problem);
    if (start.journal == nullptr) {
        if (start.problem.empty())
            start.problem = L"The history could not be written.";
    } else {
        start.id = record.id;
        start.problem.clear();
    }
    return start;
}

}  // namespace torvane
