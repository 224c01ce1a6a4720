#pragma once

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

inline std::int64_t Stored(JobOutcome o) {
    return static_cast<std::int64_t>(o);
}

inline JobOutcome OutcomeOf(std::int64_t v) {
    switch (v) {
        case 1:
            return JobOutcome::kDone;
        case 2:
            return JobOutcome::kCancelled;
        case 3:
            return JobOutcome::kInterrupted;
        default:
            return JobOutcome::kRunning;
    }
}

inline JournalState StateOf(std::int64_t v) {
    switch (v) {
        case 1:
            return JournalState::kAside;
        case 2:
            return JournalState::kDone;
        case 3:
            return JournalState::kFailed;
        case 4:
            return JournalState::kSkipped;
        default:
            return JournalState::kPlanned;
    }
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

// The bytes of a name on disk, into `out`: names are mostly ASCII, which is
// copied as it is; anything else goes through ToUtf8, which gives back the
// original bytes of invalid UTF-8.
inline void NameBytes(std::wstring_view name, std::string& out) {
    out.resize(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (static_cast<std::uint32_t>(name[i]) >= 0x80) {
            out = ToUtf8(name);
            return;
        }
        out[i] = static_cast<char>(name[i]);
    }
}

// The lock file of running jobs, beside the database.
inline std::string LockPath(const std::string& file) {
    return file + "-lock";
}

}  // namespace torvane::history
