// The failures of a job, read back from its log for the window's table.
#include "app/job_failures.hpp"

#include <array>
#include <string_view>

#include "engine/plan.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kDots = L"..........";
constexpr std::wstring_view kHeaderStart = L"Log file started on:";

// Every prefix a job writes; each ends with a colon and two blanks.
constexpr std::array<std::wstring_view, 12> kPrefixes = {
    kErrorProcessingDirectory,
    kErrorRenamingFile,
    kErrorChangingFileAttributes,
    kErrorSettingCompression,
    kErrorChangingCompression,
    kErrorRemovingEncryption,
    kErrorSettingEncryption,
    kErrorSettingFileAttributes,
    kErrorChangingTimestamp,
    kErrorReadingDirectory,
    kEntryNotChanged,
    kJobCancelledBefore,
};

// The message's line breaks as blanks, without the trailing ones.
std::wstring OneLine(std::wstring_view text) {
    std::wstring out;
    for (const wchar_t c : text) {
        if (c == L'\r' || c == L'\n' || c == L'\t') {
            if (!out.empty() && out.back() != L' ')
                out += L' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == L' ')
        out.pop_back();
    return out;
}

}  // namespace

std::vector<JobFailure> JobFailures(const ErrorLog& log) {
    std::vector<JobFailure> failures;
    for (const std::wstring& line : log) {
        const std::wstring_view text = line;
        if (text.starts_with(kHeaderStart) || text.starts_with(kJobCancelledBefore))
            continue;
        JobFailure failure;
        std::wstring_view rest = text;
        for (const std::wstring_view prefix : kPrefixes) {
            if (text.starts_with(prefix)) {
                failure.what = std::wstring(prefix.substr(0, prefix.size() - 3));  // ":  "
                rest = text.substr(prefix.size());
                break;
            }
        }
        const auto dots = failure.what.empty() ? std::wstring_view::npos : rest.find(kDots);
        if (dots == std::wstring_view::npos) {
            failure.what.clear();
            failure.reason = OneLine(text);
        } else {
            failure.entry = std::wstring(rest.substr(0, dots));
            failure.reason = OneLine(rest.substr(dots + kDots.size()));
        }
        failures.push_back(std::move(failure));
    }
    return failures;
}

std::wstring JobFailuresText(const std::vector<JobFailure>& failures) {
    std::wstring text = L"Entry\tWhat failed\tReason\n";
    for (const JobFailure& f : failures)
        text += OneLine(f.entry) + L'\t' + OneLine(f.what) + L'\t' + OneLine(f.reason) + L'\n';
    return text;
}

std::wstring JobFailuresSummary(std::size_t failures, bool cancelled) {
    std::wstring text = failures == 1 ? std::wstring(L"1 change failed.")
                                      : std::to_wstring(failures) + L" changes failed.";
    text += cancelled ? L" The job was cancelled before its end: the entries it had not reached "
                        L"were not changed."
                      : L" All other changes were made.";
    return text;
}

}  // namespace torvane
