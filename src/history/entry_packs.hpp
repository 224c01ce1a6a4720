#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/job_history.hpp"

// How the history packs a job's entries and its progress into rows: a job's
// entries go into packs of up to kPackEntries entries of one folder, one row
// each, and the journal's records into one row per batch. A row per entry
// made storing a large job cost a tenth of a second per 100,000 entries and
// several times the room; a pack is written and read in one go.
namespace torvane::history {

constexpr std::size_t kPackEntries = 2048;
// The fewest bytes an entry takes in a pack (flags, state, device, inode,
// name length, three times, word: one byte each at least): a pack's count
// can't be larger than its bytes allow.
constexpr std::int64_t kLeastEntryBytes = 9;

// Appends entry `e` (all but its folder, which the pack's row names) to a
// pack's bytes.
void AppendEntry(std::string& pack, const JournalEntry& e);

// Reads the `count` entries of a pack of folder `folder` onto `out`. Returns
// false, with `out` as it was, when the bytes do not hold them (a damaged
// row).
bool ReadPack(std::string_view pack, std::size_t count, const SharedPath& folder,
              std::vector<JournalEntry>& out);

// Appends a journal record to a batch's bytes: entry `position` is now in
// `state`; `temporary` is the name it stands aside under, for kAside.
void AppendProgress(std::string& batch, std::size_t position, JournalState state,
                    const EntryName& temporary);

// Replays a batch's records onto the job's entries, in order. Returns false
// when a record does not read or names no entry (a damaged row).
bool ApplyProgress(std::string_view batch, std::vector<JournalEntry>& entries);

}  // namespace torvane::history
