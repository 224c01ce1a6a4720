#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <thread>

#include "engine/job_history.hpp"

namespace torvane::testing {

// Waits until `history` shows what a journal of job `id` was given: at least
// `finished` entries finished (done, failed or skipped) and, when set, entry
// `aside` standing aside. A journal writes what it is given in batches on a
// thread of its own; this waits for them the way another reader sees them.
// The store is read again every `poll` (zero: at once). Returns false when
// the store does not show it within `limit`, a bound against a hang rather
// than a measure of speed.
inline bool WaitUntilStored(History& history, std::int64_t id, std::int64_t finished,
                            std::optional<std::size_t> aside = std::nullopt,
                            std::chrono::microseconds poll = std::chrono::milliseconds(1),
                            std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto job = history.Job(id);
        bool stored = job.ok() && job->has_value() &&
                      (*job)->done + (*job)->failures + (*job)->skipped >= finished;
        if (stored && aside) {
            const auto entries = history.Entries(id);
            stored = entries.ok() && *aside < entries->size() &&
                     (*entries)[*aside].state == JournalState::kAside;
        }
        if (stored)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(poll);
    }
}

}  // namespace torvane::testing
