#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/job_history.hpp"
#include "engine/plan.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The undo of a journaled job, as a plan that ApplyPlan applies like any job
// (with ProblemEntries::kSkip): chains and cycles of renames are ordered as
// for any job, and nothing is ever replaced.
//
// Per folder of the journal, the plan holds the folder as it is now: a folder
// the job renamed is reached under its current name, found in its parent by
// inode. Its entries are found in the folder's listing by inode, whatever
// their name: the job's new name, a temporary name left by a job that was
// killed, or the old name. Each entry's `current` is the entry as found and
// its `updated` the old name, times and attribute word (for the steps the job
// planned). The plan's folders are the current paths and each subfolder's
// parent entry the entry under its current name, so ApplyPlan, which applies
// everything below a folder before the folder's own entries, restores a
// folder's contents through its new name and then gives the folder its old
// name back.
//
// An entry already back at its old values has no step. An entry that is not
// as the job left it gets a kChangedSince finding, one that is gone a
// kEntryGone finding, and is left alone. "As the job left it": for a kDone
// entry, every value the job set is its new one; for any other state (the job
// failed there, was killed before or during the entry), each value is either
// the old or the new one, and the name may also be the entry's temporary name
// (or any ".torvane-cycle-" or ".torvane-move-" name). Names now taken are
// found by CheckFolder, as for any job.
// Entries handed over are used up as the plan takes their values: the
// journal of a large job is not held whole beside its plan.
// An empty entry a killed job's move left under a name it claimed (an
// entry's new name while the entry is still under its old one, or a
// temporary name), dated 1980-01-01 00:00:02 or since `jobStarted` (seconds
// since 1970), is removed before the folder's renames (placeholders only
// exist where the file system can't rename without replacing).
JobPlan BuildUndoPlan(std::vector<JournalEntry>&& entries, FileSystem& fs,
                      std::int64_t jobStarted = INT64_MAX);

// The record of the undo of `job` started at `started`: kind kUndo, `undoes`
// set, its root the undo plan's root.
JobRecord UndoRecordFor(const JobRecord& job, const JobPlan& undoPlan, std::int64_t started,
                        std::wstring frontEnd);

// Whether `name` is a temporary name a job gives an entry on the way to its
// new name.
bool IsJobTemporaryName(const EntryName& name);

}  // namespace torvane
