#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "borrowed_history.hpp"
#include "history/sqlite_history.hpp"
#include "platform/text.hpp"
#include "stored_journal.hpp"
#include "temp_dir.hpp"

namespace torvane::testing {

// Entry `i` of a made-up job: folders of `perFolder` entries each, names like
// a camera's renamed after their date, every step planned.
inline JournalEntry MadeEntry(std::size_t i, std::size_t perFolder = 1000) {
    JournalEntry e;
    e.folder = L"/home/user/Pictures/2023/batch " + std::to_wstring(i / perFolder) + L"/";
    e.id = FileId{2049, 1000000 + i};
    e.oldName = L"IMG_" + std::to_wstring(20230000 + i) + L".jpg";
    e.newName = L"2023-05-14 12.34.56 holiday " + std::to_wstring(i) + L".jpg";
    e.oldCreated = 1684067696 + static_cast<std::int64_t>(i);
    e.oldModified = e.oldCreated + 1;
    e.oldAccessed = e.oldCreated + 2;
    e.newCreated = 1684067696;
    e.newModified = 1684067696;
    e.newAccessed = 1684067696;
    e.oldAttributes = 0x20;
    e.newAttributes = 0x21;
    e.rename = true;
    e.attributes = true;
    e.times = true;
    return e;
}

inline std::vector<JournalEntry> MadeEntries(std::size_t count, std::size_t perFolder = 1000) {
    std::vector<JournalEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        entries.push_back(MadeEntry(i, perFolder));
    return entries;
}

inline JobRecord MadeJob(const std::wstring& root = L"/home/user/Pictures/") {
    JobRecord job;
    job.root = root;
    job.tasks = L"Rename\tIMG_(\\d+)\t$1\n";
    job.options = L"Files, subfolders included";
    job.frontEnd = L"torvane-cli";
    return job;
}

// A history in a fresh temporary folder, at state/torvane/history.sqlite3 (so
// the folders are made too).
struct HistoryFolder {
    TempDir dir;
    std::string file = dir.Join("state/torvane/history.sqlite3");
    std::wstring path = FromUtf8(file);

    std::unique_ptr<History> Open(const HistorySettings& settings = {}) const {
        auto history = OpenSqliteHistory(path, settings);
        EXPECT_TRUE(history.ok()) << ToUtf8(history.error().text);
        return history ? std::move(*history) : nullptr;
    }
};

// Runs SQL on the history file directly, as another program (or another
// version of this one) would.
inline void RunSql(const std::string& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Begins `job` with `entries`: the journal, or null with the store's
// refusal in `problem`.
inline std::unique_ptr<JobJournal> BeginOrNull(History& history, JobRecord& job,
                                               const std::vector<JournalEntry>& entries,
                                               std::wstring& problem) {
    auto begun = history.Begin(job, JournalEntryList(entries));
    if (!begun) {
        problem = begun.error().text;
        return nullptr;
    }
    return std::move(*begun);
}

// Begins `job` with `entries`, failing the test when the store refuses.
inline std::unique_ptr<JobJournal> BeginJob(History& history, JobRecord& job,
                                            const std::vector<JournalEntry>& entries) {
    std::wstring problem;
    auto journal = BeginOrNull(history, job, entries, problem);
    EXPECT_NE(journal, nullptr) << ToUtf8(problem);
    return journal;
}

}  // namespace torvane::testing
