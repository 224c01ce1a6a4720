// History and undo on the in-memory file system and on real folders: a
// journaled job undone gives every entry its name, times and attribute word
// back; an entry changed since is left alone; the undo of the undo redoes the
// job; a job killed part-way is undone back to its start.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "../platform/file_system_backends.hpp"
#include "disk_job.hpp"
#include "engine/plan.hpp"
#include "engine/plan_journal.hpp"
#include "engine/undo_plan.hpp"
#include "job_support.hpp"
#include "memory_history.hpp"
#include "path_steps.hpp"
#include "platform/file_attributes.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::FakeBackend;
using testing::MapNames;
using testing::MemoryHistory;
using testing::PosixBackend;
using testing::RecordingDialogs;
using testing::ScopedTimeZone;
using testing::SilentObserver;

// What an entry shows: its name and its values. A folder's own modified and
// accessed times are the kernel's (a rename inside it, a listing of it change
// them), so they are left out.
struct Shown {
    std::uint32_t attributes = 0;
    std::int64_t created = 0, modified = 0, accessed = 0;
    bool operator==(const Shown&) const = default;
};
using Tree = std::map<std::wstring, Shown>;  // path below the root -> values

std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << "{attr " << s.attributes << ", c " << s.created << ", m " << s.modified << ", a "
               << s.accessed << "}";
}

TaskItem Task(const TaskFields& fields) {
    return TaskItem{1, L"", BuildTaskDefinition(fields)};
}

// The mixed job: a swap, a renamed folder whose file is renamed too, a new
// modified time for every entry, and Read-only + Hidden on one file.
TaskList MixedJob() {
    TaskList tasks = MapNames({{L"a.txt", L"b.txt"},
                               {L"b.txt", L"a.txt"},
                               {L"sub", L"renamed"},
                               {L"inner.txt", L"moved.txt"}});
    TimestampTaskFields t;
    t.timeKind = L"Modified";
    t.find = L"^.*$";
    t.replace = L"01/02/2003 04:05:06 PM";
    t.regex = L"TRUE";
    tasks.push_back(Task(t));
    AttributeTaskFields a;
    a.find = L"attr.txt";
    a.attributes =
        std::to_wstring(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    tasks.push_back(Task(a));
    return tasks;
}

template <class Backend>
class UndoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const auto why = b.Unsupported(); !why.empty())
            GTEST_SKIP() << why;
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"times.txt", L"attr.txt", L"same.txt"})
            b.MakeFile(name, ToUtf8(name));
        b.MakeFolder(L"sub");
        b.MakeFile(L"sub/inner.txt", "inner");
        b.MakeFile(L"sub/other.txt", "other");
    }

    FileSystem& fs() { return b.fs(); }
    std::wstring Root() { return b.Root(); }

    Tree Snapshot() {
        Tree tree;
        Walk(Root(), L"", tree);
        return tree;
    }
    void Walk(const std::wstring& folder, const std::wstring& rel, Tree& tree) {
        auto records = fs().FindEntries(folder);
        ASSERT_TRUE(records.ok());
        for (const FindRecord& r : *records) {
            if (r.name == L"." || r.name == L"..")
                continue;
            const bool isFolder = IsDirectoryWord(r.attributes);
            tree[rel + r.name] = Shown{r.attributes, r.created, isFolder ? 0 : r.modified,
                                       isFolder ? 0 : r.accessed};
            if (isFolder)
                Walk(folder + r.name + L"/", rel + r.name + L"/", tree);
        }
    }

    JobSettings Settings(TaskList tasks) {
        JobSettings settings;
        settings.paths = {Root()};
        settings.tasks = std::move(tasks);
        settings.listOptions.includeSubfolders = true;
        settings.listOptions.retrieve = Retrieve::kFilesAndFolders;
        settings.engine.attributeTarget = AttributeTarget::kBoth;
        return settings;
    }

    // Plans and applies the job with its journal; returns its id.
    std::int64_t RunJournaled(TaskList tasks) {
        const JobSettings settings = Settings(std::move(tasks));
        const JobPlan plan = BuildPlan(settings, fs(), dialogs);
        auto start = BeginJobHistory(&history, JobRecordFor(settings, plan, 1, L"test"), plan);
        EXPECT_NE(start.journal, nullptr);
        const auto result =
            ApplyPlan(plan, fs(), observer, 1, ProblemEntries::kSkip, start.journal.get());
        EXPECT_FALSE(result.error) << Log(result);
        return start.id;
    }

    // Undoes the job `id` as a journaled job of its own; returns its id.
    std::int64_t Undo(std::int64_t id, JobResult* out = nullptr) {
        const auto job = history.Job(id).value();
        EXPECT_TRUE(job.has_value());
        plan = BuildUndoPlan(std::move(history.Entries(id).value()), fs());
        auto start = BeginJobHistory(&history, UndoRecordFor(*job, plan, 2, L"test"), plan);
        const auto result =
            ApplyPlan(plan, fs(), observer, 2, ProblemEntries::kSkip, start.journal.get());
        history.MarkUndone(id, start.id);
        if (out != nullptr)
            *out = result;
        return start.id;
    }

    static std::string Log(const JobResult& result) {
        std::string text;
        for (const auto& line : result.log)
            text += ToUtf8(line);
        return text;
    }

    ScopedTimeZone tz{"UTC0"};
    Backend b;
    MemoryHistory history;
    RecordingDialogs dialogs;
    SilentObserver observer;
    JobPlan plan;  // the last undo's
};

using Backends = ::testing::Types<FakeBackend, PosixBackend>;
TYPED_TEST_SUITE(UndoTest, Backends);

TYPED_TEST(UndoTest, MixedJobUndoneLeavesEveryEntryAsBefore) {
    const Tree before = this->Snapshot();
    const auto id = this->RunJournaled(MixedJob());
    const Tree after = this->Snapshot();
    ASSERT_NE(after, before);
    ASSERT_EQ(after.count(L"renamed/moved.txt"), 1u);
    ASSERT_TRUE(after.at(L"attr.txt").attributes & FILE_ATTRIBUTE_READONLY);

    JobResult result;
    const auto undo = this->Undo(id, &result);
    EXPECT_FALSE(result.error) << this->Log(result);
    EXPECT_EQ(this->plan.problems, 0);
    EXPECT_EQ(this->Snapshot(), before);
    EXPECT_EQ(this->history.Job(id).value()->undoneBy, undo);
    EXPECT_EQ(this->history.Job(undo).value()->kind, JobKind::kUndo);
    EXPECT_EQ(this->history.Job(undo).value()->undoes, id);
}

TYPED_TEST(UndoTest, UndoOfTheUndoRedoesTheJob) {
    const auto id = this->RunJournaled(MixedJob());
    const Tree done = this->Snapshot();
    const auto undo = this->Undo(id);
    ASSERT_NE(this->Snapshot(), done);
    JobResult result;
    this->Undo(undo, &result);
    EXPECT_FALSE(result.error) << this->Log(result);
    EXPECT_EQ(this->Snapshot(), done);
}

TYPED_TEST(UndoTest, EntryChangedAfterTheJobIsReportedAndLeftAlone) {
    const Tree before = this->Snapshot();
    const auto id = this->RunJournaled(MixedJob());
    // Someone sets another time on the file the job gave a new one, and
    // renames one side of the swap.
    {
        auto folder = this->fs().OpenFolder(this->Root());
        ASSERT_TRUE(folder.ok());
        auto handle = (*folder)->Open(L"times.txt");
        ASSERT_TRUE(handle.ok());
        ASSERT_TRUE((*handle)->SetTimes(std::nullopt, 1000000000, 1000000000).ok());
        ASSERT_TRUE((*folder)->Move(L"a.txt", L"mine.txt").ok());
    }
    const Tree touched = this->Snapshot();
    JobResult result;
    this->Undo(id, &result);

    std::map<std::wstring, FindingKind> found;
    for (const PlannedFolder& f : this->plan.folders) {
        for (const auto& [at, finding] : f.findings)
            found[f.current[at].name.wide()] = finding.kind;
    }
    EXPECT_EQ(found, (std::map<std::wstring, FindingKind>{
                         {L"times.txt", FindingKind::kChangedSince},
                         {L"mine.txt", FindingKind::kChangedSince},
                     }));
    EXPECT_NE(this->Log(result).find("times.txt"), std::string::npos);
    const Tree now = this->Snapshot();
    EXPECT_EQ(now.at(L"times.txt"), touched.at(L"times.txt"));
    EXPECT_EQ(now.count(L"mine.txt"), 1u);
    // The other side of the swap takes its name "a.txt" back (free now);
    // the untouched entries are as before the job.
    for (const wchar_t* name : {L"a.txt", L"attr.txt", L"sub/inner.txt", L"sub/other.txt"})
        EXPECT_EQ(now.at(name), before.at(name)) << ToUtf8(name);
}

TYPED_TEST(UndoTest, EntryGoneIsReported) {
    const auto id = this->RunJournaled(MixedJob());
    ASSERT_TRUE(
        testing::MoveAt(this->fs(), this->Root() + L"attr.txt", this->Root() + L"renamed/attr.txt")
            .ok());
    JobResult result;
    this->Undo(id, &result);
    const PlannedFolder& root = this->plan.folders.front();
    bool gone = false;
    for (const auto& [at, finding] : root.findings)
        gone = gone ||
               (finding.kind == FindingKind::kEntryGone && root.current[at].name == L"attr.txt");
    EXPECT_TRUE(gone);
    EXPECT_NE(this->Log(result).find("no longer in this folder"), std::string::npos);
}

// A job "killed" part-way: its journal stops early. The swap's first entry
// stood aside under its temporary name and nothing after it was done.
TYPED_TEST(UndoTest, JobKilledPartWayIsUndoneBackToItsStart) {
    const Tree before = this->Snapshot();
    const JobSettings settings = this->Settings(MixedJob());
    const JobPlan job = BuildPlan(settings, this->fs(), this->dialogs);
    PlanJournal journal = JournalOfPlan(job);
    // Do by hand what the job had done when it died: the file in the folder
    // below renamed (killed before its times and its record), then a.txt
    // aside while the swap was broken, its record written first.
    auto root = this->fs().OpenFolder(this->Root());
    ASSERT_TRUE(root.ok());
    auto sub = (*root)->OpenFolder(L"sub", FileId{});
    ASSERT_TRUE(sub.ok());
    ASSERT_TRUE((*sub)->Move(L"inner.txt", L"moved.txt").ok());
    ASSERT_TRUE((*root)->Move(L"a.txt", L".torvane-cycle-99-1").ok());
    for (JournalEntry& e : journal.entries) {
        if (e.oldName == L"a.txt") {
            e.state = JournalState::kAside;
            e.temporary = L".torvane-cycle-99-1";
        }
    }
    JobRecord record = JobRecordFor(settings, job, 1, L"test");
    record.outcome = JobOutcome::kInterrupted;
    const auto id = this->history.Put(record, journal.entries);

    JobResult result;
    this->Undo(id, &result);
    EXPECT_FALSE(result.error) << this->Log(result);
    EXPECT_EQ(this->plan.problems, 0);
    EXPECT_EQ(this->Snapshot(), before);
}

// The journal hears of every entry with steps once, in a run of the job.
TYPED_TEST(UndoTest, JournalRecordsEveryEntryWithItsState) {
    const auto id = this->RunJournaled(MixedJob());
    const auto entries = this->history.Entries(id).value();
    std::map<std::wstring, JournalState> states;
    for (const JournalEntry& e : entries)
        states[e.oldName.wide()] = e.state;
    EXPECT_EQ(states, (std::map<std::wstring, JournalState>{
                          {L"a.txt", JournalState::kDone},
                          {L"b.txt", JournalState::kDone},
                          {L"sub", JournalState::kDone},
                          {L"inner.txt", JournalState::kDone},
                          {L"times.txt", JournalState::kDone},
                          {L"attr.txt", JournalState::kDone},
                          {L"same.txt", JournalState::kDone},
                          {L"other.txt", JournalState::kDone},
                      }));
    // The swap's breaker stood aside: its temporary name is recorded.
    const bool aside = std::any_of(entries.begin(), entries.end(), [](const JournalEntry& e) {
        return IsJobTemporaryName(e.temporary);
    });
    EXPECT_TRUE(aside);
    const auto job = this->history.Job(id).value();
    EXPECT_EQ(job->outcome, JobOutcome::kDone);
    EXPECT_EQ(job->done, 8);
    EXPECT_EQ(job->failures, 0);
}

}  // namespace
}  // namespace torvane
