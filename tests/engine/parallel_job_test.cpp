// A tree's folders planned and applied on several threads: the same final
// state, journal, log and progress as on one thread, for trees of several
// shapes with chains, cycles, renamed folders and failures, on the
// in-memory file system and on real folders; a folder is never renamed
// before everything inside it is done; a job stopped mid-tree leaves every
// entry done or untouched and is undone exactly.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "../platform/file_system_backends.hpp"
#include "disk_job.hpp"
#include "engine/plan.hpp"
#include "engine/plan_journal.hpp"
#include "engine/undo_plan.hpp"
#include "job_support.hpp"
#include "memory_history.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"

namespace torvane {
namespace {

using testing::FakeBackend;
using testing::MapNames;
using testing::MemoryHistory;
using testing::PosixBackend;
using testing::RecordingDialogs;
using testing::RegexRename;

// A tree: `width` folders below each folder, `depth` levels of them below
// the root. Each folder holds files f1..fN (renamed g1..gN, as the folders
// fd1.. are renamed gd1..); with `cycles`, a.txt and b.txt swapped, c, d and
// e rotated and n1 -> n2 -> n3 -> n4 a chain; with `failures`, fz.txt whose
// new name gz.txt is held by a file that keeps it (the job tries it anyway,
// and the move fails).
struct Shape {
    const char* name;
    int width;
    int depth;
    int files;
    bool cycles;
    bool failures;
};

constexpr Shape kShapes[] = {
    {"wide", 24, 1, 8, false, false},
    {"deep", 1, 8, 5, true, false},
    {"bushy, with cycles and chains", 3, 3, 4, true, false},
    {"with failures", 6, 2, 3, true, true},
};

TaskList TasksOf() {
    TaskList tasks = MapNames({{L"a.txt", L"b.txt"},
                               {L"b.txt", L"a.txt"},
                               {L"c.txt", L"d.txt"},
                               {L"d.txt", L"e.txt"},
                               {L"e.txt", L"c.txt"},
                               {L"n1", L"n2"},
                               {L"n2", L"n3"},
                               {L"n3", L"n4"}});
    tasks.push_back(RegexRename(L"^f", L"g"));
    return tasks;
}

// What one run did, with the root's path taken out of every text.
struct Outcome {
    std::vector<std::wstring> tree;  // every path below the root, sorted
    std::vector<std::wstring> log;
    std::vector<std::wstring> journal;  // folder|old|new|state|temporary per entry
    int steps = 0;
    bool error = false;
    bool operator==(const Outcome&) const = default;
};

std::wstring Relative(std::wstring text, const std::wstring& root) {
    for (std::size_t at = text.find(root); at != std::wstring::npos; at = text.find(root, at))
        text.replace(at, root.size(), L"<root>/");
    return text;
}

// Counts the steps; stops the job at the `stopAt`-th question (0: never).
// Called by one thread at a time, the engine's promise.
class CountingObserver : public JobObserver {
  public:
    explicit CountingObserver(int stopAt = 0) : stopAt_(stopAt) {}
    void JobStep(int entries) override { steps += entries; }
    bool StopRequested() override { return stopAt_ > 0 && ++asked_ >= stopAt_; }
    void JobDone(const JobResult&) override {}
    int steps = 0;

  private:
    int stopAt_;
    int asked_ = 0;
};

// One fresh tree on one backend, and the jobs run on it.
template <class Backend>
class TreeRun {
  public:
    std::string Unsupported() const { return b.Unsupported(); }

    void Make(const Shape& shape) { MakeFolder(shape, L"", shape.depth); }

    JobSettings Settings(unsigned threads) {
        JobSettings settings;
        settings.paths = {b.Root()};
        settings.tasks = TasksOf();
        settings.listOptions.includeSubfolders = true;
        settings.listOptions.retrieve = Retrieve::kFilesAndFolders;
        settings.engine.attributeTarget = AttributeTarget::kBoth;  // folders are renamed too
        settings.engine.folderThreads = threads;
        return settings;
    }

    // Plans and applies the job with its journal, trying every entry.
    Outcome Run(unsigned threads, int stopAt = 0) {
        const JobSettings settings = Settings(threads);
        const JobPlan plan = BuildPlan(settings, b.fs(), dialogs);
        auto start = BeginJobHistory(&history, JobRecordFor(settings, plan, 1, L"test"), plan);
        CountingObserver observer(stopAt);
        last = ApplyPlan(plan, b.fs(), observer, 1, ProblemEntries::kAttempt, start.journal.get());
        jobId = start.id;
        Outcome out;
        out.tree = Tree();
        for (const auto& line : last.log)
            out.log.push_back(Relative(line, b.Root()));
        for (const JournalEntry& e : history.At(start.id).entries) {
            out.journal.push_back(Relative(e.folder, b.Root()) + L"|" + e.oldName + L"|" +
                                  e.newName + L"|" + std::to_wstring(static_cast<int>(e.state)) +
                                  L"|" + e.temporary);
        }
        out.steps = observer.steps;
        out.error = last.error;
        return out;
    }

    // Every path below the root, sorted.
    std::vector<std::wstring> Tree() {
        std::vector<std::wstring> paths;
        Walk(b.Root(), L"", paths);
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    // Undoes the last job from its journal, applying the undo on `threads`.
    JobResult Undo(unsigned threads) {
        JobPlan undo = BuildUndoPlan(std::move(history.Entries(jobId).value()), b.fs());
        EXPECT_EQ(undo.problems, 0);
        undo.folderThreads = threads;
        testing::SilentObserver observer;
        return ApplyPlan(undo, b.fs(), observer, 2, ProblemEntries::kSkip);
    }

    Backend b;
    MemoryHistory history;
    RecordingDialogs dialogs;
    JobResult last;
    std::int64_t jobId = 0;

  private:
    void MakeFolder(const Shape& shape, const std::wstring& rel, int depth) {
        for (int i = 1; i <= shape.files; ++i)
            b.MakeFile(rel + L"f" + std::to_wstring(i));
        if (shape.cycles) {
            for (const wchar_t* name :
                 {L"a.txt", L"b.txt", L"c.txt", L"d.txt", L"e.txt", L"n1", L"n2", L"n3"})
                b.MakeFile(rel + name, ToUtf8(rel + name));
        }
        if (shape.failures) {
            b.MakeFile(rel + L"fz.txt");
            b.MakeFile(rel + L"gz.txt");
        }
        for (int k = 1; depth > 0 && k <= shape.width; ++k) {
            const std::wstring below = rel + L"fd" + std::to_wstring(k);
            b.MakeFolder(below);
            MakeFolder(shape, below + L"/", depth - 1);
        }
    }
    void Walk(const std::wstring& folder, const std::wstring& rel,
              std::vector<std::wstring>& paths) {
        auto records = b.fs().FindEntries(folder);
        ASSERT_TRUE(records.ok());
        for (const FindRecord& r : *records) {
            if (r.name == L"." || r.name == L"..")
                continue;
            paths.push_back(rel + r.name);
            if (IsDirectoryWord(r.attributes))
                Walk(folder + r.name + L"/", rel + r.name + L"/", paths);
        }
    }
};

template <class Backend>
class ParallelJobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const auto why = TreeRun<Backend>().Unsupported(); !why.empty())
            GTEST_SKIP() << why;
    }
};

using Backends = ::testing::Types<FakeBackend, PosixBackend>;
TYPED_TEST_SUITE(ParallelJobTest, Backends);

// The same job on one thread and on four, each on a fresh tree of the same
// shape: the same tree after, the same log lines in the same order, the same
// journal and the same number of steps. Then the four-thread job's undo,
// itself on four threads, gives the tree back.
TYPED_TEST(ParallelJobTest, SeveralThreadsDoWhatOneThreadDoes) {
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        TreeRun<TypeParam> one;
        TreeRun<TypeParam> four;
        one.Make(shape);
        four.Make(shape);
        const auto before = four.Tree();
        const Outcome byOne = one.Run(1);
        const Outcome byFour = four.Run(4);
        EXPECT_EQ(byFour.tree, byOne.tree);
        EXPECT_EQ(byFour.log, byOne.log);
        EXPECT_EQ(byFour.journal, byOne.journal);
        EXPECT_EQ(byFour.steps, byOne.steps);
        EXPECT_EQ(byFour.error, shape.failures);
        EXPECT_EQ(byOne.error, shape.failures);
        // The job did its work: the folders and files below were renamed.
        EXPECT_NE(std::find(byOne.tree.begin(), byOne.tree.end(), L"gd1/g1"), byOne.tree.end());
        EXPECT_EQ(std::count_if(byOne.log.begin(), byOne.log.end(),
                                [](const std::wstring& line) {
                                    return line.find(L"fz.txt") != std::wstring::npos;
                                }) > 0,
                  shape.failures);

        const JobResult undone = four.Undo(4);
        EXPECT_FALSE(undone.error);
        EXPECT_EQ(four.Tree(), before);
    }
}

// Every change the job makes inside a folder comes before the folder's own
// rename, whichever threads made them: the in-memory file system records its
// changes in the order they happen, each under the entry's path at that time.
TEST(ParallelJob, NoFolderIsRenamedBeforeEverythingInsideItIsDone) {
    TreeRun<FakeBackend> run;
    run.Make({"bushy", 4, 3, 6, true, false});
    run.Run(4);
    const auto changes = run.b.fake.changes();
    int folderMoves = 0;
    for (std::size_t k = 0; k < changes.size(); ++k) {
        const auto arrow = changes[k].find(L" -> ");
        if (changes[k].rfind(L"Move ", 0) != 0 || arrow == std::wstring::npos)
            continue;
        const std::wstring moved = changes[k].substr(arrow + 4);
        if (moved.find(L"/gd") == std::wstring::npos || moved.rfind(L"/gd") < moved.rfind(L"/"))
            continue;  // not a folder
        ++folderMoves;
        const std::wstring inside = moved + L"/";
        for (std::size_t later = k + 1; later < changes.size(); ++later)
            EXPECT_EQ(changes[later].find(inside), std::wstring::npos)
                << ToUtf8(changes[later]) << " after " << ToUtf8(changes[k]);
    }
    EXPECT_EQ(folderMoves, 4 + 16 + 64);
}

// Stopped part-way on four threads: the log's last line names where it
// stopped, no folder was renamed with an entry inside it not done, and the
// undo gives every entry back, the ones aside in a cycle included.
TYPED_TEST(ParallelJobTest, StoppedMidTreeLeavesEachEntryDoneOrUntouchedAndIsUndone) {
    const Shape shape{"bushy, with cycles and chains", 3, 3, 4, true, false};
    for (const int stopAt : {1, 25, 120, 250}) {
        SCOPED_TRACE("stopped at question " + std::to_string(stopAt));
        TreeRun<TypeParam> run;
        run.Make(shape);
        const auto before = run.Tree();
        const Outcome stopped = run.Run(4, stopAt);
        ASSERT_TRUE(run.last.cancelled);
        EXPECT_EQ(stopped.log.back().rfind(L"Job cancelled before:  ", 0), 0u);
        // Stopped at the first question, nothing was done.
        EXPECT_EQ(stopped.tree == before, stopAt == 1);

        // A folder renamed has every entry with steps inside it done.
        const auto& entries = run.history.At(run.jobId).entries;
        for (const JournalEntry& folder : entries) {
            if (folder.state != JournalState::kDone || folder.oldName.bytes().rfind("fd", 0) != 0)
                continue;
            const std::wstring inside = folder.folder.str() + folder.oldName + L"/";
            for (const JournalEntry& e : entries) {
                if (e.folder == inside) {
                    EXPECT_EQ(e.state, JournalState::kDone) << ToUtf8(inside + e.oldName);
                }
            }
        }
        const JobResult undone = run.Undo(4);
        EXPECT_FALSE(undone.error);
        EXPECT_EQ(run.Tree(), before);
    }
}

// A tree wider than the descriptors the process may hold: the plan, the
// entries' states read before the job and the apply each hold a folder open
// only while it and the folders being entered below it need it, so every
// state is read (an undo puts each entry back exactly) and every entry done.
TEST(ParallelJob, ATreeWiderThanTheOpenFileLimitIsReadAndApplied) {
    testing::TempDir dir;
    constexpr int kFolders = 120;
    for (int d = 0; d < kFolders; ++d) {
        const std::string folder = dir.Join("fd" + std::to_string(d));
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        testing::WriteBytes(folder + "/f", "");
    }
    struct rlimit was {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &was), 0);
    struct rlimit low = was;
    low.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    PosixFileSystem fs;
    JobSettings settings;
    settings.paths = {FromUtf8(dir.path()) + L"/"};
    // The attribute step makes every entry's state one the journal keeps.
    AttributeTaskFields archive;
    archive.find = L".*";
    archive.regex = L"TRUE";
    archive.attributes = std::to_wstring(FILE_ATTRIBUTE_ARCHIVE);
    settings.tasks = {RegexRename(L"^f", L"g"), TaskItem{2, L"", BuildTaskDefinition(archive)}};
    settings.listOptions.includeSubfolders = true;
    settings.listOptions.retrieve = Retrieve::kFilesAndFolders;
    settings.engine.attributeTarget = AttributeTarget::kBoth;
    settings.engine.folderThreads = 4;
    RecordingDialogs dialogs;
    const JobPlan plan = BuildPlan(settings, fs, dialogs);
    const PlanStates states = ReadPlanStates(plan);
    testing::SilentObserver observer;
    const JobResult result = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip);
    ::setrlimit(RLIMIT_NOFILE, &was);
    EXPECT_EQ(plan.problems, 0);
    EXPECT_EQ(plan.changes, 2 * kFolders);
    EXPECT_EQ(
        std::count_if(states.begin(), states.end(), [](const auto& s) { return s.has_value(); }),
        2 * kFolders);
    EXPECT_FALSE(result.error) << (result.log.size() > 1 ? ToUtf8(result.log[1]) : "");
    EXPECT_TRUE(std::filesystem::exists(dir.Join("gd" + std::to_string(kFolders - 1) + "/g")));
}

}  // namespace
}  // namespace torvane
