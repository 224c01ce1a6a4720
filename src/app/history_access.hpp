#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/job_history.hpp"

namespace torvane {

// Where the front ends get the job history from, and the texts they show
// about it.

// Opens the history; null when there is none. `problem`, when set, says why
// the history can't be used (a read-only home, a damaged store): a front end
// says so once and runs jobs without it. Null with no problem: no history at
// all, nothing to say.
using HistoryOpener =
    std::function<std::unique_ptr<History>(const HistorySettings& settings, std::wstring& problem)>;

// The user's own history, the one both front ends share. Returns null
// without a problem when `settings` turn the history off.
std::unique_ptr<History> OpenUserHistory(const HistorySettings& settings, std::wstring& problem);

// The command that undoes job `id` from a console: "torvane-cli -Undo N -Apply".
std::wstring UndoCommandFor(std::int64_t id);

// One line per job of `history` that never finished (its process died) and
// has not been undone: its id, how far it got and the command that undoes it;
// or the one line saying that the history can't be read.
std::vector<std::wstring> InterruptedJobNotices(History& history);

// A job's failed and skipped entries, as both front ends show them:
// "F failures, S skipped" (skipped: left alone for a finding of the plan).
std::wstring JobCountsText(const JobRecord& job);

// What the Undo command says about a job: "job N, <started>[, undo of job
// U], <root>, C changes, F failures, S skipped, <outcome>[, undone by job U]".
std::wstring JobSummaryText(const JobRecord& job);

// The text of a job's outcome: "done", "cancelled", "interrupted", "running".
std::wstring OutcomeText(JobOutcome outcome);

}  // namespace torvane
