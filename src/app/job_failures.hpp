#pragma once

#include <string>
#include <vector>

#include "engine/error_log.hpp"

namespace torvane {

// One failure of a job as the window's table shows it: the entry (or
// folder), what failed ("Error renaming file"), and the system's reason.
struct JobFailure {
    std::wstring entry;
    std::wstring what;
    std::wstring reason;

    bool operator==(const JobFailure&) const = default;
};

// The failures of a job, read back from its log lines (which keep the log
// file's format: prefix + path + ten full stops + message). The header and
// the line of a job stopped by the user are not failures. A line of no known
// form is kept whole as its reason, so nothing the log says is lost.
std::vector<JobFailure> JobFailures(const ErrorLog& log);

// The failures as tab-separated text: a heading line, then one line per
// failure; tabs and line breaks inside a field become blanks.
std::wstring JobFailuresText(const std::vector<JobFailure>& failures);

// The summary above the failures: how many failed, and whether the job was
// stopped before its end.
std::wstring JobFailuresSummary(std::size_t failures, bool cancelled);

}  // namespace torvane
