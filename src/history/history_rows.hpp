#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/job_history.hpp"
#include "platform/text.hpp"

// How the history's rows hold the engine's values; shared by the store and
// its journals.
namespace torvane::history {

// Steps of an entry, one bit each.
constexpr std::int64_t kStepRename = 1, kStepAttributes = 2, kStepTimes = 4;

// The codes the file stores for the engine's values, each with its number
// written out: the file's numbers never follow the order in which the
// engine happens to declare its values. A number no table knows reads as
// the table's first value.
template <class Value>
struct StoredCode {
    Value value;
    std::int64_t code;
};
inline constexpr StoredCode<JobKind> kJobKindCodes[] = {
    {JobKind::kJob, 0},
    {JobKind::kUndo, 1},
};
inline constexpr StoredCode<JobOutcome> kOutcomeCodes[] = {
    {JobOutcome::kRunning, 0},
    {JobOutcome::kDone, 1},
    {JobOutcome::kCancelled, 2},
    {JobOutcome::kInterrupted, 3},
};
inline constexpr StoredCode<JournalState> kStateCodes[] = {
    {JournalState::kPlanned, 0}, {JournalState::kAside, 1},   {JournalState::kDone, 2},
    {JournalState::kFailed, 3},  {JournalState::kSkipped, 4},
};

template <class Value, std::size_t N>
constexpr std::int64_t CodeOf(Value value, const StoredCode<Value> (&table)[N]) {
    for (const auto& row : table) {
        if (row.value == value)
            return row.code;
    }
    return table[0].code;
}
template <class Value, std::size_t N>
constexpr Value ValueOf(std::int64_t code, const StoredCode<Value> (&table)[N]) {
    for (const auto& row : table) {
        if (row.code == code)
            return row.value;
    }
    return table[0].value;
}

inline std::int64_t Stored(JobOutcome o) {
    return CodeOf(o, kOutcomeCodes);
}
inline std::int64_t Stored(JobKind k) {
    return CodeOf(k, kJobKindCodes);
}
inline std::int64_t Stored(JournalState s) {
    return CodeOf(s, kStateCodes);
}
inline JobOutcome OutcomeOf(std::int64_t v) {
    return ValueOf(v, kOutcomeCodes);
}
inline JobKind KindOf(std::int64_t v) {
    return ValueOf(v, kJobKindCodes);
}
inline JournalState StateOf(std::int64_t v) {
    return ValueOf(v, kStateCodes);
}

// An entry's key in the entries table: its job's id and its position, a row
// id that keeps a job's entries together and in order, so that they are
// appended, read and forgotten as one range.
constexpr std::int64_t kMaxPosition = 0xFFFFFFFF;
inline std::int64_t KeyOf(std::int64_t job, std::int64_t position) {
    return (job << 32) | position;
}
inline std::int64_t LastKeyOf(std::int64_t job) {
    return KeyOf(job, kMaxPosition);
}

inline std::wstring Text(std::string_view bytes) {
    return FromUtf8(bytes);
}

// A name as stored: the bytes it has on disk.
inline EntryName NameOf(std::string_view bytes) {
    return EntryName::FromBytes(std::string(bytes));
}

// The lock file of running jobs, beside the database.
inline std::string LockPath(const std::string& file) {
    return file + "-lock";
}

}  // namespace torvane::history
