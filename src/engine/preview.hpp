#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/apply_context.hpp"
#include "engine/apply_task.hpp"
#include "engine/field_reads.hpp"
#include "engine/plan.hpp"
#include "filelist/file_entry.hpp"
#include "filelist/icon_cache.hpp"
#include "platform/dialogs.hpp"
#include "tasks/task_item.hpp"

namespace torvane {

// How the list of new values must be redrawn: its rows rewritten where they
// are (the row count already equals the new count, and is not 0), or the
// list emptied and filled again.
enum class NewListUpdate { kInPlace, kReset };

// The view of the new entries, told whenever they change.
class PreviewView {
  public:
    virtual ~PreviewView() = default;
    virtual void NewEntriesChanged(NewListUpdate how) = 0;
};

// The preview: the current entries (what is on show) and the new entries
// (what the task list would make of them, position for position), kept up to
// date on the UI thread without touching the disk. The owner (the main
// window's controller) calls the event operations below; each returns the
// outcome of the computation it ran.
class Preview {
  public:
    // `view` may be null. The dialogs receive the engine's message boxes; the
    // icon cache gives renamed files their icons; fields read the entries'
    // metadata inside their folder opened with `fs`.
    Preview(Dialogs& dialogs, IconCache& icons, FileSystem& fs, PreviewView* view = nullptr);

    const FileEntries& currentEntries() const { return current_; }
    const FileEntries& newEntries() const { return new_; }

    // What the checks of the folder on show know besides its entries: the
    // names its listing left out and its file system's traits. Set before
    // EntriesListed; Clear forgets them.
    struct FolderFacts {
        std::vector<EntryName> unlistedNames;
        FolderTraits traits;
    };
    void SetFolderFacts(FolderFacts facts) {
        facts_ = std::move(facts);
        checked_ = false;
    }
    const FolderFacts& folderFacts() const { return facts_; }
    // Moves the entries and the names left out to the caller, leaving the
    // preview empty (for a batch, where nobody sees the lists again).
    void TakeEntries(FileEntries& current, FileEntries& updated,
                     std::vector<EntryName>& unlistedNames);

    // The checks of the new entries, kept up to date with them: the findings
    // by row (sorted), the finding of one row, and how many rows change.
    // They are worked out when first asked for after a change, so that a
    // front end that never shows them (the console) never pays for them.
    const std::vector<std::pair<std::size_t, Finding>>& findings() const;
    const Finding* FindingAt(std::size_t row) const;
    std::int64_t changes() const;
    // False when the last full computation failed: the new entries are then
    // the current ones, not what the task list makes of them.
    bool computed() const { return computed_; }

    // Events, after which the owner calls the operation named:

    // The lists are emptied before a new path is listed: both sequences
    // become empty.
    void Clear();
    // The file list was built or rebuilt (a path chosen, a drop, folder
    // navigation, the end of a job): the new entries start as a copy of
    // `current`, then the whole task list is applied.
    TaskResult EntriesListed(FileEntries current, const TaskList& tasks,
                             const EngineSettings& settings);
    // A task was appended: it alone is applied on top of the new entries.
    // On failure the owner removes it again.
    TaskResult TaskAppended(const TaskList& tasks, const EngineSettings& settings);
    // A task was read from a task-list file: as TaskAppended, but the task is
    // applied to the new entries in place. On failure they are left part
    // way, and the owner must empty the list (TaskListEmptied), as a load
    // that meets a task the engine rejects does; a load of a large folder
    // then never holds a third list of its entries.
    TaskResult TaskRead(const TaskList& tasks, const EngineSettings& settings);
    // A task was replaced in place. On failure the new entries stay as they
    // were, so that they still match the list once the owner puts the
    // previous task back.
    TaskResult TaskReplaced(const TaskList& tasks, const EngineSettings& settings);
    // The task list was emptied by a task-list load, or a load failed.
    void TaskListEmptied() { ResetNewEntries(); }
    // A task was moved, removed, or the list cleared; or the preferences
    // were accepted.
    TaskResult TaskListChanged(const TaskList& tasks, const EngineSettings& settings) {
        return RefreshPreview(tasks, settings);
    }
    TaskResult PreferencesChanged(const TaskList& tasks, const EngineSettings& settings) {
        return RefreshPreview(tasks, settings);
    }

    // Recomputes the new entries from the current ones with the whole task
    // list and shows them; after a failure they equal the current entries.
    // Returns the outcome of ComputeNewEntries.
    TaskResult RefreshPreview(const TaskList& tasks, const EngineSettings& settings);

    // Applies the last task of the list to a copy of the new entries and, on
    // Ok, shows the copy; on any other outcome the new entries are kept. With
    // nothing on show the task is tried on the placeholder entry instead, so
    // that a bad pattern or timestamp result is reported at once; nothing is
    // shown then. Returns Ok for an empty list, else the task's outcome.
    TaskResult PreviewLastTask(const TaskList& tasks, const EngineSettings& settings);

    // Sets the new entries back to the current entries and shows them.
    void ResetNewEntries();

    // The draft: a task being edited, shown on top of the task list without
    // being part of it. `definition` is appended to `tasks`, or replaces the
    // task at `replaces`. On Ok the new entries show the task list with the
    // draft; on any other outcome they show the task list's own new values.
    // The engine's messages go to `dialogs` (the caller collects them rather
    // than showing boxes while the user types). With nothing on show the
    // draft is tried on the placeholder entry, so a bad pattern is still
    // found. Every event above drops the draft first; TaskAppended and
    // TaskReplaced take its entries as they are when the list they are told
    // of is the task list with the draft in it, so the entries on show stay
    // untouched and nothing is recomputed.
    TaskResult ShowDraft(const TaskList& tasks, const std::wstring& definition,
                         std::optional<std::size_t> replaces, const EngineSettings& settings,
                         Dialogs& dialogs);
    // The task list's own new values on show again; nothing when no draft is.
    void DropDraft();
    bool draftShown() const { return draft_.has_value(); }
    // Counts the changes of the new entries told to the view, so an owner can
    // tell whether what it last showed is still on show.
    std::uint64_t revision() const { return revision_; }

    // Metadata for fields read in the background from now on (the window):
    // a computation never waits for a file; an entry whose values are not in
    // yet keeps the values its fields would set, and is "reading" rather than
    // missing a value. When values come in, `services.arrived` is called on
    // the owner's thread, and the owner calls FieldsArrived. Without this,
    // the files are read as the computations ask (the console, the tests).
    void ReadFieldsInBackground(FieldReads::Services services);
    // The FieldColumn bits of the new values of `row` that wait for its
    // metadata; 0 when none do.
    unsigned ReadingAt(std::size_t row) const;
    // True while metadata asked for the entries on show is being read.
    bool fieldsReading() const { return reads_ != nullptr && reads_->reading(); }
    // Metadata came in: the new entries (and a draft's) are computed again
    // with `tasks`, the task list, and shown; nothing when the last full
    // computation failed. The list's messages go to the preview's dialogs; a
    // draft's are dropped, and a draft that fails is no longer shown (the
    // list's values are). Returns the outcome of the computation shown.
    TaskResult FieldsArrived(const TaskList& tasks, const EngineSettings& settings);

  private:
    // The context of a computation: the entries' metadata kept while the
    // folder is on show, and pending_ emptied for the missing values; the
    // messages go to `dialogs`, else to the preview's.
    ApplyContext Context(const EngineSettings& settings, ApplyMode mode,
                         Dialogs* dialogs = nullptr);
    // Shows `entries` with the fields they missed.
    void Show(FileEntries entries, std::vector<FieldMiss> misses);
    // The misses of new_ with those of a task applied on top of them.
    std::vector<FieldMiss> WithPending() const;
    // The entries on show changed: their metadata is read again when asked.
    void ForgetFieldValues();
    // Has the metadata a computation asked for read (in the background);
    // called as a computation starts and when one is shown, so what a failed
    // one asked is read too.
    void StartReads() {
        if (reads_)
            reads_->StartReads();
    }
    // misses_ without the entries whose values are still being read.
    std::vector<FieldMiss> ReadMisses() const;
    // Tells the view that the new entries changed (after Show or in place).
    void Announce();
    // Puts the task list's own new values back without telling the view;
    // true when a draft was on show (the view then holds other values).
    bool ForgetDraft();
    // True when `tasks` is the task list with the draft on show in it: the
    // draft's entries are then the list's, and are kept as they are.
    bool TakeDraftAs(const TaskList& tasks);

    Dialogs& dialogs_;
    IconCache& icons_;
    FileSystem& fs_;
    PreviewView* view_;
    void Check() const;

    FileEntries current_;
    FileEntries new_;
    FolderFacts facts_;
    EngineSettings settings_;  // of the last computation: the checks pass over the same entries
    // The checks of the new entries, computed on demand.
    mutable bool checked_ = false;
    mutable std::vector<std::pair<std::size_t, Finding>> findings_;
    mutable std::int64_t changes_ = 0;
    bool computed_ = true;
    // Read when a task with fields first asks (on the UI thread, as the
    // tasks are computed there, unless reads_ reads them in the background),
    // kept until the entries on show change.
    std::optional<FieldValues> fieldValues_;
    // Where fieldValues_ takes its values from in the window; null: it reads.
    std::unique_ptr<FieldReads> reads_;
    std::vector<FieldMiss> misses_;   // of new_: entries a field had no value for
    std::vector<FieldMiss> pending_;  // of the task being applied on top of new_
    std::size_t shownRows_ = 0;       // the rows the view holds since the last notice
    std::uint64_t revision_ = 0;

    // The draft on show: the task list's definitions with the draft in them,
    // and the task list's own new values (new_ holds the draft's).
    struct Draft {
        std::vector<std::wstring> definitions;
        FileEntries listNew;
        std::vector<FieldMiss> listMisses;
        bool listComputed = true;
    };
    std::optional<Draft> draft_;
};

}  // namespace torvane
