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
#include "engine/job_roots.hpp"
#include "engine/replacement_fields.hpp"
#include "filelist/file_entry.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"
#include "platform/message_text.hpp"

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
    kMissingField,      // a task's replacement has a field with no value for the entry
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
    // An undo's last step: the StatePart bits of the entry's recorded state
    // (PlannedFolder::states) to put back exactly.
    unsigned exact = 0;

    bool any() const { return rename || attributes || times || exact != 0; }
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
    // An undo's: per entry, the state its exact step puts back (empty
    // where there is none).
    std::vector<std::optional<EntryState>> states;
    // Per entry, the state of each folder entry the plan went into, read
    // before it listed the folder (which moves its access time): the
    // journal's (see ReadPlanStates). Empty where there is none.
    std::vector<std::optional<EntryState>> listedStates;
    // An undo's: names holding what may be an empty placeholder that a
    // killed job's move left under an entry's new name or a temporary name
    // (see Folder::RemoveLeftPlaceholder), removed before the folder's
    // entries if they still are one, made at `placedSince` or later.
    std::vector<EntryName> leftPlaceholders;
    std::int64_t placedSince = 0;
    // Findings by entry position, sorted by position; at most one per entry
    // (the first found).
    std::vector<std::pair<std::size_t, Finding>> findings;
    // The folders walked below this one, in entry order.
    std::vector<std::size_t> subfolders;
    FolderTraits traits;
    // Set when the folder could not be read or computed: nothing in it is
    // listed and the job logs this line where it meets the folder.
    std::optional<std::wstring> problem;
    // A root's folder as it was opened for the plan: the job applies the
    // root through it. Null for the folders below, which are entered from
    // their parents.
    std::shared_ptr<Folder> open;

    // The finding of the entry at `position`, if any.
    const Finding* FindingAt(std::size_t position) const;
};

// Something a plan's listing or computing had to say (a folder that can't be
// read, a pattern that is not valid or took too long), for the front end to
// show once the plan is made. The same message is kept once.
struct PlanMessage {
    MessageText text;
    std::wstring caption;
    MessageIcon icon = MessageIcon::kError;
};

struct JobPlan {
    // Each root, then the folders below it, each before those below it.
    std::vector<PlannedFolder> folders;
    std::vector<std::size_t> roots;  // the roots' places in `folders`, in the order given
    std::vector<PlanMessage> messages;
    std::vector<RootProblem> repeats;  // paths given twice, each planned once
    bool rootIsFile = false;    // the job was given one file: its folder holds that one entry
    bool cancelled = false;     // the build was cancelled: the plan is incomplete
    std::int64_t entries = 0;   // every entry listed, changed or not
    std::int64_t changes = 0;   // entries with at least one step
    std::int64_t problems = 0;  // findings, the unreadable folders' included
    // The threads the plan's folders are applied on at most
    // (EngineSettings::folderThreads); 0: as many as the machine has cores.
    unsigned folderThreads = 0;
    // Whether the plan reaches past one root folder's own entries.
    bool ReachesBelowRoot() const { return folders.size() > 1; }
    // The first root's path, or empty.
    std::wstring RootPath() const { return folders.empty() ? std::wstring() : folders[0].path; }
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

// Builds the plan of a job with `settings` over `roots` (see OpenRoots): each
// root's folder, or the files named in it, and every subfolder when they are
// included, each entered from its open parent as the job enters it (never
// through a symbolic link). A folder that can't be read or computed becomes a
// problem of the plan, and what it had to say one of the plan's messages; so
// does a root that can't be opened. Never shows anything.
JobPlan BuildPlan(const JobSettings& settings, JobRoots roots, FileSystem& fs,
                  PlanObserver* observer = nullptr);

// Whether some folder's new values could not be computed: a task the engine
// rejects (an invalid pattern, one that took too long), as the plan's
// messages say.
bool TasksRejected(const JobPlan& plan);

// OpenRoots of the settings' paths, then BuildPlan.
JobPlan PlanJob(const JobSettings& settings, FileSystem& fs, PlanObserver* observer = nullptr);

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
    const std::vector<EntryName>& unlistedNames, const FolderTraits& traits,
    std::vector<std::pair<std::size_t, Finding>> known = {});

// The key a name is compared by in a folder: the name itself, or its ASCII
// lower case where the file system folds case.
std::string NameKey(const EntryName& name, bool foldsCase);

// The traits of a listed folder's file system, asked with one of its names.
FolderTraits TraitsOfListed(Folder& folder, const FileEntries& current,
                            const std::vector<EntryName>& unlistedNames);

// The finding of an entry named `name` whose field `field` ("{taken}") has
// no value.
std::wstring MissingFieldMessage(std::wstring_view name, std::wstring_view field);

// The findings (kMissingField) of the entries of `current` that a task left
// alone for a field without a value, by position (engine/plan_fields.cpp).
std::vector<std::pair<std::size_t, Finding>> MissingFieldFindings(
    const FileEntries& current, const std::vector<FieldMiss>& misses);

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
EntryName CycleTemporaryName(std::uint64_t counter);

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
