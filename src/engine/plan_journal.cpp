// A plan's journal: the entries with steps, as the history stores them.
#include "engine/plan_journal.hpp"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "engine/folder_pool.hpp"
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

unsigned StatePartsChanged(bool attributes, bool times, bool createdChanged) {
    if (attributes || createdChanged)
        return kStateAll;
    return times ? static_cast<unsigned>(kStateTimes) : 0u;
}

namespace {

// The states of every folder's entries with steps, each folder a task of a
// pool: a folder is entered from its parent, held open only while its own
// entries are read and the folders below it are entered from it.
class StateReader {
  public:
    explicit StateReader(const JobPlan& plan)
        : plan_(plan),
          index_(plan),
          states_(index_.size()),
          pool_(FolderThreads(plan.folderThreads, plan.folders.size())) {}

    PlanStates Read() {
        for (std::size_t k = plan_.folders.size(); k-- > 0;) {
            const PlannedFolder& f = plan_.folders[k];
            if (f.parent == PlannedFolder::kNone)
                pool_.Add([this, k] { ReadFolder(k, plan_.folders[k].open); });
        }
        pool_.Wait();
        return std::move(states_);
    }

  private:
    void ReadFolder(std::size_t k, const std::shared_ptr<Folder>& folder) {
        const PlannedFolder& f = plan_.folders[k];
        for (std::size_t i = 0; i < f.steps.size(); ++i) {
            const EntrySteps& steps = f.steps[i];
            if (!steps.any())
                continue;
            auto& slot = states_[index_.Find(k, i)];
            // An undo's exact step is the redo's to put back: all of it.
            const unsigned parts =
                StatePartsChanged(steps.attributes || steps.exact != 0, steps.times,
                                  f.current[i].created != f.updated[i].created);
            if (i < f.listedStates.size() && f.listedStates[i]) {
                slot = f.listedStates[i];
            } else if (folder && parts != 0) {
                if (auto state = folder->ReadState(f.current[i].name, parts))
                    slot = std::move(*state);
            }
        }
        for (auto it = f.subfolders.rbegin(); it != f.subfolders.rend(); ++it)
            pool_.Add([this, child = *it, folder] { ReadFolder(child, Below(folder, child)); });
    }

    // The folder `k` entered from its open parent; null when it can't be.
    std::shared_ptr<Folder> Below(const std::shared_ptr<Folder>& parent, std::size_t k) const {
        const PlannedFolder& f = plan_.folders[k];
        const std::wstring& above = plan_.folders[f.parent].path;
        if (!parent || f.path.size() <= above.size())
            return nullptr;
        // Its name is its path's last part: a folder below is planned
        // whether or not the job lists folders as entries.
        const std::wstring name = f.path.substr(above.size(), f.path.size() - above.size() - 1);
        auto sub = parent->OpenFolder(name, f.id);
        return sub ? std::shared_ptr<Folder>(std::move(*sub)) : nullptr;
    }

    const JobPlan& plan_;
    const JournalIndex index_;
    PlanStates states_;  // each folder's task fills its own entries' slots
    FolderPool pool_;
};

}  // namespace

PlanStates ReadPlanStates(const JobPlan& plan) {
    return StateReader(plan).Read();
}

PlanJournalSource::PlanJournalSource(const JobPlan& plan, const PlanStates* states)
    : plan_(plan), states_(states) {
    for (const PlannedFolder& f : plan_.folders) {
        for (const EntrySteps& steps : f.steps)
            size_ += steps.any() ? 1 : 0;
    }
}

void PlanJournalSource::ForEach(const std::function<void(const JournalEntry&)>& each) const {
    // One entry filled in turn: its strings keep their room from one entry
    // to the next, so handing over a large plan allocates next to nothing.
    JournalEntry e;
    std::size_t n = 0;
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
            // An undo's exact step changes times or attributes as those
            // steps would: its own undo (the redo) must put them back too.
            const bool recordChanged = (steps.exact & kStateRecord) != 0;
            e.attributes = steps.attributes || (steps.exact & kStateMode) != 0 ||
                           (recordChanged && was.attributes != will.attributes);
            e.times = steps.times || (steps.exact & kStateTimes) != 0 ||
                      (recordChanged && was.created != will.created);
            e.before = states_ != nullptr && n < states_->size() ? (*states_)[n] : std::nullopt;
            ++n;
            each(e);
        }
    }
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

// The roots of a plan as a job's record names them: each root's absolute
// path (a single file's own), separated by "; ".
std::wstring RootsText(const JobPlan& plan) {
    if (plan.rootIsFile && !plan.folders.empty() && plan.folders[0].current.size() == 1)
        return plan.folders[0].current[0].FullPath();
    std::wstring text;
    for (const std::size_t root : plan.roots)
        text += (text.empty() ? L"" : L"; ") + plan.folders[root].path;
    return text;
}

JobRecord JobRecordFor(const JobSettings& settings, const JobPlan& plan, std::int64_t started,
                       std::wstring frontEnd) {
    JobRecord record;
    record.started = started;
    record.kind = JobKind::kJob;
    record.root = RootsText(plan);
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
    // Read before the store's write transaction, so that the history is not
    // held locked while the disk is read.
    const PlanStates states = ReadPlanStates(plan);
    const PlanJournalSource entries(plan, &states);
    record.entries = static_cast<std::int64_t>(entries.size());
    auto begun = history->Begin(record, entries);
    if (!begun) {
        start.problem = begun.error().text.empty()
                            ? std::wstring(L"The history could not be written.")
                            : begun.error().text;
        return start;
    }
    start.journal = std::move(*begun);
    start.id = record.id;
    return start;
}

SystemError HistoryDamaged(std::wstring text) {
    return SystemError{EBADMSG, std::move(text)};
}

Result<std::optional<JobRecord>> LastJobNotUndone(History& history) {
    auto jobs = history.Jobs();
    if (!jobs)
        return jobs.error();
    for (JobRecord& job : *jobs) {
        if (job.undoneBy == 0 && job.outcome != JobOutcome::kRunning)
            return std::optional<JobRecord>(std::move(job));
    }
    return std::optional<JobRecord>();
}

std::wstring HistoryProblemMessage(const std::wstring& problem) {
    return L"The job history can't be written, so jobs run without it and can't be undone: " +
           problem;
}

}  // namespace torvane
