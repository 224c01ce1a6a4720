#pragma once

#include <string>
#include <string_view>

#include "engine/error_log.hpp"
#include "filelist/file_entry.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The steps that write one entry's new values to disk. Each compares the
// entry's current values (as listed) with its new ones, makes the calls, and
// turns every failure into a line of the job's log. None stops the job.

// Where the steps write: the entry's folder, held open so that every call
// reaches the entry by its name inside it, and the file system whose texts
// the log lines quote.
struct StepTarget {
    FileSystem& fs;
    Folder& folder;
};

// The state of one entry while its steps run.
struct EntryStepState {
    bool failed = false;        // a failed entry gets no later steps
    bool renameUndone = false;  // a later step failed and the entry has its old name again
};

// Which steps follow an entry's rename (or come alone, without one).
struct StepsAfterRename {
    bool attributes = false;
    bool times = false;
    bool renamed = false;  // the entry was renamed from current's name to updated's
};

// The reserved characters a new name may not hold: < > : " / \ | ? *
bool HasReservedCharacter(std::wstring_view name);
bool NameHasReservedCharacter(const EntryName& name);

// Why a new name can't be used as a name at all (empty, "." or "..", longer
// than the file system allows); empty when it can.
std::wstring UnusableNameReason(std::wstring_view name);
std::wstring UnusableReasonOfName(const EntryName& name);

// Renames the entry to its new name (same folder). Never replaces an existing
// entry and never calls the file system with a name that holds a reserved
// character or is no usable name. On failure logs "Error renaming file:  "
// and marks the entry failed. Returns true when the entry was renamed.
bool RenameStep(const StepTarget& at, const FileEntry& current, const FileEntry& updated,
                EntryStepState& state, JobResult& result);

// Gives the entry its new attribute word. When compression or encryption
// changes: Read-only and System off (when it has either), then compression
// and encryption as the two words say. Then the whole new word.
void AttributeStep(const StepTarget& at, const FileEntry& current, const FileEntry& updated,
                   EntryStepState& state, JobResult& result);

// Switches compression of `entry`; a failure logs "Error changing compression
// attribute:  " and marks the entry failed.
void SetCompression(const StepTarget& at, const FileEntry& entry, bool on, EntryStepState& state,
                    JobResult& result);

// Writes the new times and nothing else (a read-only entry stays as it is:
// setting times needs ownership, not write permission). A creation time that
// stays as it is is left alone rather than written again.
void TimestampStep(const StepTarget& at, const FileEntry& current, const FileEntry& updated,
                   EntryStepState& state, JobResult& result);

// An entry's steps once its name is final: its attribute word, then its
// times, as `steps` says. All or nothing: when a step fails, what the entry
// had before the first of them (permissions, stored record, times) is put
// back and a rename is undone with the never-replacing move, so the entry is
// left as it was found; the failure's log line then says so, or names what
// stayed changed where a put-back failed. `state` tells whether the entry
// failed and whether its rename was undone.
void StepsOnceNamed(const StepTarget& at, const FileEntry& current, const FileEntry& updated,
                    const StepsAfterRename& steps, EntryStepState& state, JobResult& result);
// An undo's last step: puts back the `parts` (StatePart bits) of the state
// the entry had before the job, exactly (permission bits, stored record or
// none, times to the nanosecond). A failure logs "Error changing file
// attributes:  " and marks the entry failed.
void ExactStep(const StepTarget& at, const FileEntry& updated, const EntryState& before,
               unsigned parts, EntryStepState& state, JobResult& result);

}  // namespace torvane
