// The failures of a job read back from its log, and their text for the
// clipboard.
#include "app/job_failures.hpp"

#include <gtest/gtest.h>

#include "engine/plan.hpp"

namespace torvane {
namespace {

TEST(JobFailures, EachKindOfLogLineBecomesARow) {
    struct Case {
        const char* what;
        std::wstring line;
        JobFailure row;
    };
    const std::vector<Case> cases = {
        {"a rename with the system's text",
         ErrorLogLine(kErrorRenamingFile, L"/p/a.jpg", L"Permission denied\r\n"),
         {L"/p/a.jpg", L"Error renaming file", L"Permission denied"}},
        {"a message of two lines",
         ErrorLogLine(kErrorRenamingFile, L"/p/b", L"File exists\r\nThe entry kept its name.\r\n"),
         {L"/p/b", L"Error renaming file", L"File exists The entry kept its name."}},
        {"a timestamp",
         ErrorLogLine(kErrorChangingTimestamp, L"/p/c", L"Read-only file system\r\n"),
         {L"/p/c", L"Error changing timestamp", L"Read-only file system"}},
        {"a folder that can't be read",
         ErrorLogLine(kErrorReadingDirectory, L"/p/sub", L"Input/output error\r\n"),
         {L"/p/sub", L"Error reading directory", L"Input/output error"}},
        {"an entry left alone for its problem",
         ErrorLogLine(kEntryNotChanged, L"/p/d", L"Another entry is named x.\r\n"),
         {L"/p/d", L"Entry not changed", L"Another entry is named x."}},
        {"a path holding the separator's dots and a colon",
         ErrorLogLine(kErrorRenamingFile, L"/p/x:  y", L"No such file or directory\r\n"),
         {L"/p/x:  y", L"Error renaming file", L"No such file or directory"}},
        {"a line of no known form is kept whole",
         L"Something odd\r\n",
         {L"", L"", L"Something odd"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(JobFailures({ErrorLogHeader(0), c.line}), std::vector<JobFailure>{c.row});
    }
}

TEST(JobFailures, TheHeaderAndACancellationAreNoFailures) {
    const ErrorLog log = {ErrorLogHeader(0),
                          ErrorLogLine(kErrorRenamingFile, L"/p/a", L"Permission denied\r\n"),
                          ErrorLogLine(kJobCancelledBefore, L"/p/b", kJobCancelledMessage)};
    EXPECT_EQ(JobFailures(log).size(), 1u);
}

TEST(JobFailures, TextIsTabSeparatedWithOneLinePerFailure) {
    const std::vector<JobFailure> rows = {
        {L"/p/a\tb", L"Error renaming file", L"Permission denied"},
        {L"/p/c", L"Error changing timestamp", L"Read-only\nfile system"},
    };
    EXPECT_EQ(JobFailuresText(rows),
              L"Entry\tWhat failed\tReason\n"
              L"/p/a b\tError renaming file\tPermission denied\n"
              L"/p/c\tError changing timestamp\tRead-only file system\n");
}

}  // namespace
}  // namespace torvane
