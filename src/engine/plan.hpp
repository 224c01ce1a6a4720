#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/error_log.hpp"
#include "engine/job.hpp"
#include "filelist/file_entry.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"

namespace torvane {

class JobJournal;

// A job as a plan: every folder it reaches listed once, the new values of
// every entry computed once, and what would go wrong found before anything is
// written. The job applies the plan; the console's dry run prints it; the
// window shows it for review. Building a plan writes nothing.

// Why an entry's change would fail or do harm.
enum class FindingKind {
    kDuplicateName,     // another entry of the folder is given the same new name
    kNameTaken,         // the new name is held by an entry that keeps it
    kUnusableName,      // the job would refuse the name (empty, ".", a separator...)
    kCannotApply,       // the file system can't make the change (a link's attributes...)
    kFolderUnreadable,  // the folder below the entry can't be read or computed
    kChangedSince,      // an undo: the entry is no longer as the job left it
    kEntryGone,         // an undo: the entry the job changed is no longer in its folder
};

struct Finding {
    FindingKind kind;
    std::wstring message;  // one line a user understands, naming what is in the way
};

// The steps an entry's change takes, in the order they run.
struct EntrySteps {
    bool rename = false;
    bool attributes = false;
    bool times = false;

    bool any() const { return rename || attributes || times; }
};

// One folder of the plan: the entries as the job lists them, their new values
// position for position, and what was found.
struct PlannedFolder {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::wstring path;                // ends with the separator
    FileId id;                        // the folder listed
    std::size_t parent = kNone;       // in JobPlan::folders; kNone for the root
    std::size_t parentEntry = kNone;  // its entry in the parent's lists
    FileEntries current;
    FileEntries updated;
    std::vector<EntrySteps> steps;  // per entry
    // Findings by entry position, sorted by position; at most one per entry
    // (the first found).
    std::vector<std::pair<std::size_t, Finding>> findings;
    // The folders walked below this one, in entry order.
    std::vector<std::size_t> subfolders;
    FolderTraits traits;
    // Set when the folder could not be read or computed: nothing in it is
    // listed and the job logs this line where it meets the folder.
    std::optional<std::wstring> problem;

    // The finding of the entry at `position`, if any.
    const Finding* FindingAt(std::size_t position) const;
};

struct JobPlan {
    std::vector<PlannedFolder> folders;  // the root first, each folder before those below it
    bool rootIsFile = false;    // the root is a single file: its folder holds that one entry
    bool cancelled = false;     // the build was cancelled: the plan is incomplete
    std::int64_t entries = 0;   // every entry listed, changed or not
    std::int64_t changes = 0;   // entries with at least one step
    std::int64_t problems = 0;  // findings, the unreadable folders' included
    // Whether the plan reaches past the root folder's own entries.
    bool ReachesBelowRoot() const { return folders.size() > 1; }
};

// What a plan's build tells the thread that asked for it.
class PlanObserver {
  public:
    virtual ~PlanObserver() = default;
    // Another folder was listed and checked; `entries` listed so far.
    virtual void FolderPlanned(std::int64_t entries) = 0;
    // Polled before each folder and after its listing: true stops the build
    // (the plan is marked cancelled).
    virtual bool CancelRequested() { return false; }
};

// The root a job walks: the path with the separator added when it names a
// folder, and whether it is a single file (or can't be looked at).
struct WalkRoot {
    std::wstring path;
    bool isFile = false;
};

// Looks at `root` once to tell a folder from a single file.
WalkRoot ResolveWalkRoot(FileSystem& fs, const std::wstring& root);

// The root as the front end has already listed and computed it, handed over
// so that a job started right after showing it neither reads it again nor
// keeps a second copy. The entries must come from the job's own list options.
struct ListedRoot {
    FileEntries current;
    FileEntries updated;
    std::vector<std::wstring> unlistedNames;  // as ListContext::unlistedNames gives them
};

// Builds the plan of a job with `settings`: the root (a folder, or a single
// file), and every subfolder when they are included, each entered from its
// open parent as the job enters it (never through a symbolic link). A folder
// that can't be read or computed shows its message through `dialogs` and
// becomes a problem of the plan. `root`, when given, is used instead of
// listing the root again.
JobPlan BuildPlan(const JobSettings& settings, FileSystem& fs, Dialogs& dialogs,
                  PlanObserver* observer = nullptr, std::optional<ListedRoot> root = std::nullopt);

// The steps that take `current` to `updated` for a job with `settings`: none
// for an entry the attribute target passes over.
EntrySteps StepsFor(const FileEntry& current, const FileEntry& updated,
                    const EngineSettings& settings);

// The checks of one folder's changes. `unlistedNames` are the folder's names
// that the listing left out; `traits` its file system's. Returns the findings
// by position, sorted, at most one per entry. An entry with a finding keeps
// its name, so a rename into that name is found to be in the way too.
// `known` are findings made before (a folder below that can't be read).
std::vector<std::pair<std::size_t, Finding>> CheckFolder(
    const FileEntries& current, const FileEntries& updated, const std::vector<EntrySteps>& steps,
    const std::vector<std::wstring>& unlistedNames, const FolderTraits& traits,
    std::vector<std::pair<std::size_t, Finding>> known = {});

// The key a name is compared by in a folder: the name itself, or its ASCII
// lower case where the file system folds case.
std::wstring NameKey(const std::wstring& name, bool foldsCase);

// The traits of a listed folder's file system, asked with one of its names.
FolderTraits TraitsOfListed(Folder& folder, const FileEntries& current,
                            const std::vector<std::wstring>& unlistedNames);

// The summary of a plan: "N changes, M problems" (singular for one).
std::wstring PlanCountText(std::int64_t changes, std::int64_t problems);

// What the job does with an entry that has a finding.
enum class ProblemEntries {
    kSkip,     // left alone; the log says why
    kAttempt,  // tried as any entry (the moves never replace, so a conflict fails and is logged)
};

// The prefix of the log line of an entry left alone for its finding.
inline constexpr std::wstring_view kEntryNotChanged = L"Entry not changed:  ";

// The form of the temporary name an entry takes while a cycle of renames
// (a swap, a rotation) is broken: ".torvane-cycle-" + process id + "-" +
// a counter. An entry found under such a name after a job was killed has its
// old or its new name in the job's plan.
std::wstring CycleTemporaryName(std::uint64_t counter);

// Applies the plan: per folder, first everything below it, then its entries'
// steps (rename, attributes, times per entry) with the renames ordered so
// that chains work and cycles go through a temporary name; one observer step
// per listed entry, in batches. Starts the log at `startTime`; hands the
// result to the observer's JobDone before returning it.
//
// `journal`, when given, hears of the job as it goes (see PlanJournalSource for
// how entries are numbered): Aside before an entry moves to a temporary name,
// Finished once per entry with steps (kSkipped for one left alone for its
// finding), Ended at the end. `historyProblem`, when not empty, says why the
// job has no history; the log's second line gives it (not as a failure).
JobResult ApplyPlan(const JobPlan& plan, FileSystem& fs, JobObserver& observer,
                    std::int64_t startTime, ProblemEntries problems, JobJournal* journal = nullptr,
                    std::wstring_view historyProblem = {});

}  // namespace torvane
