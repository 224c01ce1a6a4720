#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filelist/file_entry.hpp"
#include "platform/file_system.hpp"
#include "platform/system_error.hpp"

namespace torvane {

// The history of jobs: every job's plan is stored before its first write and
// its progress as it goes, so that any job can be undone and a job whose
// process died is found again. The engine speaks to the history through these
// interfaces only; where and how it is stored is the history store's business.

// How far an entry of a journaled job got.
enum class JournalState : unsigned char {
    kPlanned,  // not reached yet (or reached after the last record that survived)
    kAside,    // standing aside under its temporary name while a cycle is broken
    kDone,     // every step of the entry succeeded
    kFailed,   // a step failed (the log says which); its name may or may not have changed
    kSkipped,  // left alone for a finding of the plan
};

// One entry of a journaled job: where it is, which inode it was, and its
// values before and after. Names are the names as the core holds them; the
// store keeps their bytes on disk, so invalid UTF-8 survives.
struct JournalEntry {
    SharedPath folder;  // the folder's path when the job was planned, ending with the separator;
                        // one text shared by the entries of a folder
    FileId id;          // the entry's inode, to find it whatever its name is now
    EntryName oldName;
    EntryName newName;
    std::int64_t oldCreated = 0, oldModified = 0, oldAccessed = 0;
    std::int64_t newCreated = 0, newModified = 0, newAccessed = 0;
    std::uint32_t oldAttributes = 0, newAttributes = 0;
    bool rename = false, attributes = false, times = false;  // the steps planned
    EntryName temporary;  // the temporary name it took, when it stood aside
    JournalState state = JournalState::kPlanned;
    // The entry exactly as it was found just before the job (permission
    // bits, times in nanoseconds, the raw stored record or none), which the
    // undo puts back; nullopt where it could not be read (another backend,
    // a job journaled before the history kept it).
    std::optional<EntryState> before;
};

// What a job is.
enum class JobKind : unsigned char {
    kJob,   // a task list applied
    kUndo,  // the undo of another job (undoing it redoes that job)
};

// How a job ended.
enum class JobOutcome : unsigned char {
    kRunning,      // its process is still at work
    kDone,         // it ran to its end (with or without failures)
    kCancelled,    // the user stopped it between two steps
    kInterrupted,  // its process died before the end
};

// One job of the history.
struct JobRecord {
    std::int64_t id = 0;       // given by the store, increasing
    std::int64_t started = 0;  // seconds since 1970 UTC
    JobKind kind = JobKind::kJob;
    std::int64_t undoes = 0;    // for an undo: the job it undoes
    std::wstring root;          // the folder or file the job was given
    std::wstring tasks;         // the task list, as a task-list file holds it
    std::wstring options;       // the list options, one line a user can read
    std::wstring frontEnd;      // "torvane" or "torvane-cli"
    std::int64_t entries = 0;   // entries with a change
    std::int64_t done = 0;      // entries recorded as done so far
    std::int64_t failures = 0;  // entries recorded as failed
    // Entries recorded as left alone for a finding of the plan (a job that
    // skips the problem entries); 0 for a job stored before they were counted.
    std::int64_t skipped = 0;
    JobOutcome outcome = JobOutcome::kRunning;
    std::int64_t undoneBy = 0;  // the undo that last undid this job, 0 when none
};

// What a running job records as it goes. Entries are named by their position
// in the list handed to History::Begin. Calls come from the job's worker
// thread, in the order things happen; the journal may hold records back and
// write them in batches, as long as a crash loses only the last few.
class JobJournal {
  public:
    virtual ~JobJournal() = default;

    // The entry is about to stand aside under `temporary`.
    virtual void Aside(std::size_t entry, const EntryName& temporary) = 0;
    // The entry's steps are over, in `state` (kDone, kFailed or kSkipped).
    virtual void Finished(std::size_t entry, JournalState state) = 0;
    // The job is over: everything held back is written, with its outcome.
    virtual void Ended(JobOutcome outcome) = 0;
    // After Ended: why the journal could not be written to the end (the
    // store stays as its last write left it: the job then reads as
    // interrupted, after at least the entries recorded), or nullopt when it
    // was. The journal's entries were stored by Begin, so an undo still
    // finds every entry by inode.
    virtual std::optional<std::wstring> Lost() const { return std::nullopt; }
};

// The entries History::Begin stores, handed over one at a time, so that a
// job of any size is stored without a second copy of all its entries.
class JournalSource {
  public:
    virtual ~JournalSource() = default;
    // How many entries ForEach gives.
    virtual std::size_t size() const = 0;
    // Calls `each` with every entry in order; the entry is valid during that
    // call only. Entries of one folder come together.
    virtual void ForEach(const std::function<void(const JournalEntry&)>& each) const = 0;
};

// How much history is kept, from the preferences.
struct HistorySettings {
    bool enabled = true;          // false: jobs run without history
    std::int64_t keepJobs = 200;  // the newest jobs kept
    std::int64_t keepDays = 90;   // jobs older than this are forgotten

    bool operator==(const HistorySettings&) const = default;
};

// The store of jobs. Every call reports a store it can't read or write as
// an error (its text one line a user understands), never as an empty answer:
// a damaged job is an error naming its id, not a job with nothing to undo.
class History {
  public:
    virtual ~History() = default;

    // Stores a job and its entries before its first write, and gives the
    // record its id. Fails on a read-only home, a full disk or a damaged
    // store: the job may still run, without history.
    virtual Result<std::unique_ptr<JobJournal>> Begin(JobRecord& job,
                                                      const JournalSource& entries) = 0;

    // The jobs kept, newest first. A job whose process died is reported as
    // kInterrupted.
    virtual Result<std::vector<JobRecord>> Jobs() = 0;
    // Job `id`; nullopt when the history holds no such job.
    virtual Result<std::optional<JobRecord>> Job(std::int64_t id) = 0;
    // The entries of job `id` in the order they were handed to Begin, with
    // their last recorded state. Fails when any of them can't be read whole.
    virtual Result<std::vector<JournalEntry>> Entries(std::int64_t id) = 0;
    // Records that `undo` undid `job`.
    virtual Status MarkUndone(std::int64_t job, std::int64_t undo) = 0;
    // Forgets every job.
    virtual Status Clear() = 0;
};

// The error a store reports for something it holds that can't be read.
SystemError HistoryDamaged(std::wstring text);

// The newest job that has not been undone (an undo included: undoing it
// redoes its job) and is not running; nullopt when there is none.
Result<std::optional<JobRecord>> LastJobNotUndone(History& history);

// What is said once when jobs run without history because the history can't
// be written.
std::wstring HistoryProblemMessage(const std::wstring& problem);

}  // namespace torvane
