#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/job.hpp"
#include "engine/job_history.hpp"
#include "engine/plan.hpp"

namespace torvane {

// Which journal entry each planned entry with steps is: the journal holds
// the entries with steps of every folder, folder by folder in the plan's
// order, each folder's in position order.
class JournalIndex {
  public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    JournalIndex() = default;
    explicit JournalIndex(const JobPlan& plan);

    // The journal entry of the entry at `position` of folder `folder`, or
    // kNone when that entry has no steps.
    std::size_t Find(std::size_t folder, std::size_t position) const;
    std::size_t size() const { return count_; }

  private:
    // Per planned entry, folder after folder, its journal entry or kNone: a
    // lookup per entry of the job is one read.
    std::vector<std::size_t> folderStart_;  // per folder, then one past the last
    std::vector<std::size_t> journal_;
    std::size_t count_ = 0;
};

// The plan's entries that have steps, as History::Begin stores them before
// the first write: folder path, inode, old and new name, times and attribute
// word, the steps planned; in the order JournalIndex numbers them.
// Each entry's state as found (see JournalEntry::before), in journal order.
using PlanStates = std::vector<std::optional<EntryState>>;

// The parts of an entry's state (StatePart bits) that its journal keeps and
// an undo may put back, for steps that change its attributes, its times and
// (among them) its creation time: everything for attributes or a creation
// time, which live in the stored record; the times alone for other times;
// nothing for a rename alone, which leaves the state as it was.
unsigned StatePartsChanged(bool attributes, bool times, bool createdChanged);

// The exact state of every entry of the plan that has steps, read through
// the plan's open folders (a root's, each folder below entered from its
// parent by name and inode) just before the job's first write, a folder
// entry's as the plan kept it before listing the folder; nullopt for
// an entry whose folder or state can't be read, and for an entry whose steps
// change none of it (StatePartsChanged). Folders are read on the plan's
// threads (JobPlan::folderThreads), each held open only while it is read and
// the folders below it are entered.
PlanStates ReadPlanStates(const JobPlan& plan);

class PlanJournalSource final : public JournalSource {
  public:
    // `states`, when given, are the entries' states in journal order.
    explicit PlanJournalSource(const JobPlan& plan, const PlanStates* states = nullptr);
    std::size_t size() const override { return size_; }
    void ForEach(const std::function<void(const JournalEntry&)>& each) const override;

  private:
    const JobPlan& plan_;
    const PlanStates* states_;
    std::size_t size_ = 0;  // counted once: the store asks more than once
};

// The record of a job with `settings` and `plan` started at `started` by
// `frontEnd` ("torvane" or "torvane-cli"), before the history gives it an id.
// Its root names the plan's roots by their absolute paths.
JobRecord JobRecordFor(const JobSettings& settings, const JobPlan& plan, std::int64_t started,
                       std::wstring frontEnd);

// The plan's roots as a job's record names them.
std::wstring RootsText(const JobPlan& plan);

// A job's history as it starts: its journal (null when there is no history),
// the id the history gave the job, and why there is no history when Begin
// failed (empty when it worked or no history was asked for).
struct JobHistoryStart {
    std::unique_ptr<JobJournal> journal;
    std::int64_t id = 0;
    std::wstring problem;
};

// Stores the job and its plan's journal in `history` before its first write.
// `history` null: nothing, no problem.
JobHistoryStart BeginJobHistory(History* history, JobRecord record, const JobPlan& plan);

// The text of list options as a job's record keeps it: one line a user can read.
std::wstring ListOptionsText(const ListOptions& options);

}  // namespace torvane
