// Applying a job's plan: folders below before the folder itself, renames in
// an order that lets chains and cycles succeed, and every failure logged.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "engine/apply_state.hpp"
#include "engine/disk_steps.hpp"
#include "engine/folder_pool.hpp"
#include "engine/plan.hpp"
#include "engine/plan_journal.hpp"
#include "platform/file_attributes.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

using applying::ApplyState;
using applying::FolderProgress;

// The entries of one folder's run by current name: open addressing over a
// power-of-two table of (hash, entry) slots, so that a lookup is mostly one
// read of the table and names are compared only where hashes agree. A slot
// is 8 bytes; the names are kept once per entry, not per slot. A
// node-based map costs a cache miss per node besides its bucket, which made
// the lookups a twelfth of a large rename's time. Insert only: the first
// entry given a name keeps it.
class NameTable {
  public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Room for `count` names of entries numbered below `entries`.
    NameTable(std::size_t count, std::size_t entries) {
        std::size_t capacity = 8;
        while (capacity < 2 * count)
            capacity *= 2;
        slots_.resize(capacity);
        mask_ = capacity - 1;
        names_.resize(entries);
    }

    void Insert(std::string_view name, std::size_t entry) {
        const std::size_t hash = std::hash<std::string_view>()(name);
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            Slot& slot = slots_[at];
            if (slot.entry == kEmpty) {
                slot = Slot{Tag(hash), static_cast<std::uint32_t>(entry)};
                names_[entry] = name;
                return;
            }
            if (slot.tag == Tag(hash) && names_[slot.entry] == name)
                return;
        }
    }

    // The entry holding `name`, or kNone.
    std::size_t Find(std::string_view name) const {
        const std::size_t hash = std::hash<std::string_view>()(name);
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            const Slot& slot = slots_[at];
            if (slot.entry == kEmpty)
                return kNone;
            if (slot.tag == Tag(hash) && names_[slot.entry] == name)
                return slot.entry;
        }
    }

  private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    // The hash's upper half: the lower bits already chose the slot.
    static std::uint32_t Tag(std::size_t hash) {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32);
    }
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t entry = kEmpty;  // a folder's entries number fewer than 2^32
    };
    std::vector<Slot> slots_;
    std::vector<std::string_view> names_;  // by entry: the name it was inserted under
    std::size_t mask_ = 0;
};

// The renames of one folder in an order that works, and each entry's other
// steps once its name is final.
class FolderRun {
  public:
    // `said` gets the run's log lines and its error.
    FolderRun(ApplyState& job, JobResult& said, std::size_t index, Folder& folder)
        : job_(job),
          said_(said),
          progress_(job.progress),
          index_(index),
          f_(job.plan.folders[index]),
          folder_(folder),
          state_(f_.current.size(), State::kPending),
          occupant_(RenamesOf(f_), f_.current.size()) {}

    void Run() {
        for (const EntryName& name : f_.leftPlaceholders)
            folder_.RemoveLeftPlaceholder(name, f_.placedSince);  // anything else stays
        const std::size_t n = state_.size();
        for (std::size_t i = 0; i < n; ++i) {
            if (Attempted(i) && f_.steps[i].rename)
                occupant_.Insert(CurrentKey(i), i);
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (state_[i] != State::kPending)
                continue;
            if (f_.steps[i].any() && job_.StopsBefore(f_.current[i]))
                return;
            if (!f_.steps[i].any()) {
                state_[i] = State::kDone;
                progress_.Add(1);
            } else if (!Attempted(i)) {
                state_[i] = State::kDone;
                Skip(i);
            } else if (!f_.steps[i].rename) {
                Finish(i, true);
            } else {
                Chain(i);
            }
        }
    }

  private:
    enum class State : unsigned char { kPending, kInChain, kDone };

    static std::size_t RenamesOf(const PlannedFolder& f) {
        return static_cast<std::size_t>(std::count_if(
            f.steps.begin(), f.steps.end(), [](const EntrySteps& s) { return s.rename; }));
    }

    bool Attempted(std::size_t i) const {
        return f_.steps[i].any() &&
               (job_.problems == ProblemEntries::kAttempt || f_.FindingAt(i) == nullptr);
    }

    // Tells the journal, if any, how the entry's steps ended.
    void Journal(std::size_t i, JournalState state) {
        if (job_.journal.present())
            job_.journal.Finished(job_.index.Find(index_, i), state);
    }

    void Skip(std::size_t i) {
        Journal(i, JournalState::kSkipped);
        if (const Finding* finding = f_.FindingAt(i))
            Log(ErrorLogLine(kEntryNotChanged, f_.current[i].FullPath(), finding->message));
        progress_.Add(1);
    }

    // The entry that holds the new name of `i` and has yet to move away.
    std::optional<std::size_t> Blocker(std::size_t i) const {
        const std::string folded =
            f_.traits.foldsCase ? NameKey(f_.updated[i].name, true) : std::string();
        const std::size_t holder = occupant_.Find(f_.traits.foldsCase ? std::string_view(folded)
                                                                      : f_.updated[i].name.bytes());
        if (holder == NameTable::kNone || holder == i || state_[holder] == State::kDone)
            return std::nullopt;
        return holder;
    }

    // Renames `start` and every entry whose name it waits for, the last one
    // waited for first; a cycle is broken by a temporary name.
    void Chain(std::size_t start) {
        // Most chains are one entry long: the vector keeps its room from one
        // chain to the next, and a cycle's start is found by a search back
        // from the end only once the chain has come back on itself.
        std::vector<std::size_t>& chain = chain_;
        chain.assign(1, start);
        state_[start] = State::kInChain;
        std::optional<std::size_t> cycleAt;
        while (const auto next = Blocker(chain.back())) {
            if (state_[*next] == State::kInChain) {
                cycleAt = static_cast<std::size_t>(std::find(chain.begin(), chain.end(), *next) -
                                                   chain.begin());
                break;
            }
            chain.push_back(*next);
            state_[*next] = State::kInChain;
        }
        if (!cycleAt) {
            for (auto it = chain.rbegin(); it != chain.rend(); ++it)
                Finish(*it, Rename(*it));
            return;
        }
        // chain[cycleAt] onwards is a cycle: its first entry steps aside, the
        // others move in turn, and it takes its new name last.
        const std::size_t breaker = chain[*cycleAt];
        const auto aside = StepAside(breaker);
        for (std::size_t k = chain.size() - 1; k > *cycleAt; --k)
            Finish(chain[k], Rename(chain[k]));
        Finish(breaker, aside ? FromAside(breaker, *aside) : false);
        for (std::size_t k = *cycleAt; k-- > 0;)
            Finish(chain[k], Rename(chain[k]));
    }

    // The entry's rename; false when it failed (logged).
    bool Rename(std::size_t i) {
        const FileEntry& current = f_.current[i];
        const FileEntry& updated = f_.updated[i];
        // Where names fold case, a change of case alone takes a detour
        // through a temporary name: the file system takes the new name for
        // the entry's own, and a no-replace rename refuses it.
        if (f_.traits.foldsCase && current.name != updated.name &&
            AsciiLower(current.name.bytes()) == AsciiLower(updated.name.bytes())) {
            const auto aside = StepAside(i);
            return aside && FromAside(i, *aside);
        }
        EntryStepState state;
        const bool renamed = RenameStep(At(), current, updated, state, said_);
        if (!renamed)
            said_.error = true;
        return renamed;
    }

    // Moves the entry to a temporary name: the name, or nullopt once the
    // failure is logged.
    std::optional<EntryName> StepAside(std::size_t i) {
        const EntryName temporary = CycleTemporaryName(++temporaries_);
        // Recorded before the move: a job killed right after it leaves the
        // entry under a name the history knows.
        if (job_.journal.present())
            job_.journal.Aside(job_.index.Find(index_, i), temporary);
        if (const auto moved = folder_.Move(f_.current[i].name, temporary); !moved.ok()) {
            LogRenameError(i, moved.error(), L"");
            return std::nullopt;
        }
        return temporary;
    }

    // Gives the entry under `temporary` its new name, or its old one back
    // when that fails; the log says where it is when neither works.
    bool FromAside(std::size_t i, const EntryName& temporary) {
        const auto moved = folder_.Move(temporary, f_.updated[i].name);
        if (moved.ok())
            return true;
        const std::wstring where = folder_.Move(temporary, f_.current[i].name).ok()
                                       ? std::wstring(L"The entry kept its name.")
                                       : L"The entry could not be given its name back and is now " +
                                             temporary.wide() + L".";
        LogRenameError(i, moved.error(), where);
        return false;
    }

    void LogRenameError(std::size_t i, const SystemError& error, const std::wstring& where) {
        std::wstring message = job_.fs.SystemMessage(error.code);
        if (!error.detail.empty())
            message += error.detail + L"\r\n";
        if (!where.empty())
            message += where + L"\r\n";
        Log(ErrorLogLine(kErrorRenamingFile, f_.current[i].FullPath(), message));
    }

    // The entry's other steps, once its rename (if any) is done.
    void Finish(std::size_t i, bool renamed) {
        state_[i] = State::kDone;
        const FileEntry& current = f_.current[i];
        const FileEntry& updated = f_.updated[i];
        const EntrySteps& steps = f_.steps[i];
        if (!steps.rename || renamed) {
            EntryStepState state;
            StepsOnceNamed(At(), current, updated, {steps.attributes, steps.times, steps.rename},
                           state, said_);
            if (steps.rename && !state.renameUndone && job_.plan.rootIsFile)
                said_.renamedRoot = updated.FullPath();
            if (steps.exact != 0 && !state.failed && i < f_.states.size() && f_.states[i])
                ExactStep(At(), updated, *f_.states[i], steps.exact, state, said_);
            if (state.failed)
                said_.error = true;
            Journal(i, state.failed ? JournalState::kFailed : JournalState::kDone);
        } else {
            Journal(i, JournalState::kFailed);
        }
        progress_.Add(1);
    }

    StepTarget At() const { return StepTarget{job_.fs, folder_}; }

    void Log(std::wstring line) {
        said_.log.push_back(std::move(line));
        said_.error = true;
    }

    ApplyState& job_;
    JobResult& said_;
    FolderProgress progress_;
    // The cycle's temporary names, counted per folder: a name need only be
    // unique in its folder, and the count does not depend on how the
    // job's folders were shared among threads.
    std::uint64_t temporaries_ = 0;
    const std::size_t index_;
    const PlannedFolder& f_;
    Folder& folder_;
    std::vector<State> state_;
    // The entry's current name as the folder compares names: the name itself,
    // or its lower-case form kept for the run where the folder folds case.
    std::string_view CurrentKey(std::size_t i) {
        if (!f_.traits.foldsCase)
            return f_.current[i].name.bytes();
        folded_.push_back(NameKey(f_.current[i].name, true));
        return folded_.back();
    }

    // Current names of the entries still to move, pointing into the plan's
    // names (or into folded_, which never moves its strings: a deque).
    NameTable occupant_;
    std::deque<std::string> folded_;
    std::vector<std::size_t> chain_;  // Chain's, kept for its room
};

// The walk of the plan's folders, each entered from its open parent and only
// while its name still holds the folder that was planned. Folders side by
// side are independent, so each is a task of a pool: a folder's task opens
// it and adds a task for each folder below it; its own entries run once the
// last of those has ended (contents before the folder itself, whose renames
// may move them), on the thread that ended it. One folder's entries are one
// task. Each folder's run keeps its own log lines; the log puts them in the
// order of a walk on one thread (the folders below, in entry order, before
// the folder), and the line of a stop last.
class Applier {
  public:
    Applier(ApplyState& job, unsigned threads)
        : job_(job), pool_(threads), runs_(job.plan.folders.size()) {}

    void Run(JobResult& result) {
        for (const std::size_t root : job_.plan.roots) {
            if (job_.stopped)
                break;
            ApplyRoot(root);
            pool_.Wait();
        }
        job_.progress.Flush();
        for (const std::size_t root : job_.plan.roots)
            Collect(root, result);
        if (job_.stopped) {
            result.cancelled = true;
            result.log.push_back(job_.stopLine);
        }
    }

  private:
    // What one folder's run did: its log lines and error (the line of its
    // problem, or of the failure to open it, when it was not entered), the
    // folder held open while the folders below it run, and how many of
    // those have yet to end.
    struct Visit {
        JobResult said;
        bool entered = false;
        std::shared_ptr<Folder> open;
        std::atomic<std::size_t> waiting{0};
    };

    // A root is applied through the folder its plan listed, kept open since;
    // a plan made without it (an undo's) opens the root's path once more and
    // checks that it is still the folder planned.
    void ApplyRoot(std::size_t index) {
        const PlannedFolder& root = job_.plan.folders[index];
        JobResult& said = runs_[index].said;
        if (root.problem) {
            Log(said, *root.problem);
            return;
        }
        if (root.open != nullptr) {
            Start(index, root.open);
            return;
        }
        auto folder = job_.fs.OpenFolder(root.path);
        if (!folder) {
            Log(said, ErrorLogLine(kErrorReadingDirectory, root.path,
                                   job_.fs.SystemMessage(folder.error().code)));
            job_.progress.Add(EntriesUnder(index));
        } else if (root.id != FileId{} && (*folder)->id() != root.id) {
            Log(said, ErrorLogLine(kErrorReadingDirectory, root.path, kFolderReplacedMessage));
            job_.progress.Add(EntriesUnder(index));
        } else {
            Start(index, std::shared_ptr<Folder>(std::move(*folder)));
        }
    }

    static void Log(JobResult& said, std::wstring line) {
        said.log.push_back(std::move(line));
        said.error = true;
    }

    // Every entry listed in the folder `index` and below it.
    std::int64_t EntriesUnder(std::size_t index) const {
        const PlannedFolder& f = job_.plan.folders[index];
        auto count = static_cast<std::int64_t>(f.current.size());
        for (const std::size_t child : f.subfolders)
            count += EntriesUnder(child);
        return count;
    }

    // The folder `index` is open: a task for each folder below it, added
    // last to first so that one thread takes them in entry order, or its
    // own entries at once when there is none.
    void Start(std::size_t index, std::shared_ptr<Folder> folder) {
        Visit& run = runs_[index];
        run.entered = true;
        run.open = std::move(folder);
        const auto& below = job_.plan.folders[index].subfolders;
        if (below.empty()) {
            RunEntries(index);
            return;
        }
        run.waiting = below.size();
        for (auto it = below.rbegin(); it != below.rend(); ++it)
            pool_.Add([this, child = *it] { Enter(child); });
    }

    void Enter(std::size_t index) {
        const PlannedFolder& f = job_.plan.folders[index];
        JobResult& said = runs_[index].said;
        if (job_.stopped) {
            Ended(index);
            return;
        }
        if (f.problem) {
            Log(said, *f.problem);
            Ended(index);
            return;
        }
        const FileEntry& entry = job_.plan.folders[f.parent].current[f.parentEntry];
        auto folder = runs_[f.parent].open->OpenFolder(entry.name, f.id);
        if (folder) {
            Start(index, std::shared_ptr<Folder>(std::move(*folder)));
            return;
        }
        const int code = folder.error().code;
        Log(said, ErrorLogLine(kErrorReadingDirectory, f.path,
                               code == kFolderReplaced || code == ENOTDIR
                                   ? std::wstring(kFolderReplacedMessage)
                                   : job_.fs.SystemMessage(code)));
        job_.progress.Add(EntriesUnder(index));
        Ended(index);
    }

    // The folder's own entries, everything below it having ended; then its
    // parent hears that it has ended.
    void RunEntries(std::size_t index) {
        Visit& run = runs_[index];
        if (!job_.stopped)
            FolderRun(job_, run.said, index, *run.open).Run();
        run.open.reset();
        Ended(index);
    }

    // One more folder below the parent of `index` has ended; after the last
    // one, the parent's own entries run.
    void Ended(std::size_t index) {
        const std::size_t parent = job_.plan.folders[index].parent;
        if (parent != PlannedFolder::kNone && --runs_[parent].waiting == 0)
            RunEntries(parent);
    }

    // The folder's log lines after those of the folders below it, as a walk
    // on one thread writes them.
    void Collect(std::size_t index, JobResult& result) {
        Visit& run = runs_[index];
        if (run.entered) {
            for (const std::size_t child : job_.plan.folders[index].subfolders)
                Collect(child, result);
        }
        for (std::wstring& line : run.said.log)
            result.log.push_back(std::move(line));
        result.error = result.error || run.said.error;
        if (run.said.renamedRoot)
            result.renamedRoot = std::move(run.said.renamedRoot);
    }

    ApplyState& job_;
    FolderPool pool_;
    std::vector<Visit> runs_;  // per folder of the plan
};

// The threads the apply runs folders on: the plan's setting, but one where
// any folder's file system must be changed one folder at a time
// (FolderTraits::parallelFolders).
unsigned ApplyThreads(const JobPlan& plan) {
    const bool parallel =
        std::all_of(plan.folders.begin(), plan.folders.end(),
                    [](const PlannedFolder& f) { return f.traits.parallelFolders; });
    return parallel ? FolderThreads(plan.folderThreads, plan.folders.size()) : 1u;
}

}  // namespace

EntryName CycleTemporaryName(std::uint64_t counter) {
    return EntryName::FromBytes(".torvane-cycle-" +
                                std::to_string(static_cast<unsigned long long>(::getpid())) + "-" +
                                std::to_string(counter));
}

JobResult ApplyPlan(const JobPlan& plan, FileSystem& fs, JobObserver& observer,
                    std::int64_t startTime, ProblemEntries problems, JobJournal* journal,
                    std::wstring_view historyProblem) {
    JobResult result;
    result.log.push_back(ErrorLogHeader(startTime));
    if (!historyProblem.empty())
        result.log.push_back(std::wstring(kHistoryNotKept) + std::wstring(historyProblem) +
                             L"\r\n");
    {
        ApplyState job{plan,
                       fs,
                       problems,
                       applying::ProgressBatches(observer),
                       applying::SerialJournal(journal),
                       journal != nullptr ? JournalIndex(plan) : JournalIndex(),
                       {},
                       {}};
        Applier(job, ApplyThreads(plan)).Run(result);
    }
    if (journal != nullptr) {
        journal->Ended(result.cancelled ? JobOutcome::kCancelled : JobOutcome::kDone);
        // A job whose history lies about it is not a success.
        if (const auto lost = journal->Lost()) {
            result.error = true;
            result.log.push_back(std::wstring(kHistoryIncomplete) + *lost + L"\r\n");
        }
    }
    observer.JobDone(result);
    return result;
}

}  // namespace torvane
