// The job pipeline on real folders: a root is opened once, and a path whose
// components are swapped meanwhile can't send the job elsewhere.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "disk_job.hpp"
#include "engine/job_pipeline.hpp"
#include "memory_history.hpp"
#include "path_steps.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "temp_dir.hpp"

namespace torvane::testing {
namespace {

namespace fs = std::filesystem;

// A host that answers yes and keeps what it was told.
class YesHost : public JobHost {
  public:
    void Say(const PlanMessage& message) override { said.push_back(message.text.Plain()); }
    bool Review(const JobPlan&) override { return true; }
    bool Confirm(const JobPlan&, const JobRecord*) override { return true; }
    void Refused(const JobPlan&) override { refused = true; }
    void JobStep(int) override {}
    void JobDone(const JobResult& result) override { error = result.error; }

    std::vector<std::wstring> said;
    bool refused = false;
    bool error = false;
};

std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// The path's folder "a" is exchanged with a link to "b" in a tight loop
// while jobs run on a/photos/: each job changes the entries of the one
// folder it listed, all of them or none, and its journal names only them.
TEST(PipelineDisk, ARootWhosePathIsSwappedForALinkNeverSendsTheJobElsewhere) {
    TempDir dir;
    const std::string base = fs::canonical(dir.path()).string();
    constexpr int kFiles = 20;
    for (const char* side : {"/a/photos", "/b/photos"}) {
        fs::create_directories(base + side);
        for (int i = 0; i < kFiles; ++i)
            WriteBytes(base + side + "/IMG_" + std::to_string(i) + ".jpg", side);
    }
    ASSERT_EQ(::symlink((base + "/b").c_str(), (base + "/link").c_str()), 0);
    // Which folder each file is in, by inode: a file keeps it when renamed.
    std::map<std::uint64_t, char> sideOf;
    for (const char side : {'a', 'b'}) {
        for (const auto& e : fs::directory_iterator(base + "/" + side + "/photos")) {
            struct stat st {};
            ASSERT_EQ(::stat(e.path().c_str(), &st), 0);
            sideOf[st.st_ino] = side;
        }
    }

    std::atomic<bool> stop = false;
    std::thread racer([&] {
        while (!stop) {
            ::renameat2(AT_FDCWD, (base + "/a").c_str(), AT_FDCWD, (base + "/link").c_str(),
                        RENAME_EXCHANGE);
        }
    });
    PosixFileSystem posix;
    MemoryHistory history;
    JobPipeline pipeline({posix, [] { return std::int64_t{0}; }, L"test"});
    pipeline.SetHistory(&history);
    int applied = 0;
    for (int run = 0; run < 30; ++run) {
        const std::wstring from = run % 2 == 0 ? L"IMG_" : L"DSC_";
        const std::wstring to = run % 2 == 0 ? L"DSC_" : L"IMG_";
        JobRequest request{{{FromUtf8(base + "/a/photos/")}, {RegexRename(from, to)}, {}, {}},
                           ProblemPolicy::kRefuse,
                           false};
        YesHost host;
        const JobRun result = pipeline.Run(request, host);
        if (result.end != JobEnd::kApplied)
            continue;
        ++applied;
        // Every entry journaled is one of a single folder's: all of them, or
        // none when the folder reached had been renamed already.
        const auto entries = history.Entries(result.historyId).value();
        EXPECT_TRUE(entries.empty() || entries.size() == static_cast<std::size_t>(kFiles))
            << run << ": " << entries.size();
        std::set<std::wstring> folders;
        std::set<char> sides;
        for (const JournalEntry& e : entries) {
            folders.insert(e.folder);
            sides.insert(sideOf.count(e.id.inode) != 0 ? sideOf[e.id.inode] : '?');
        }
        EXPECT_LE(folders.size(), 1u) << run;
        EXPECT_LE(sides.size(), 1u) << run;
        EXPECT_EQ(sides.count('?'), 0u) << run;
    }
    stop = true;
    racer.join();
    // Back to where "a" is the folder: then each side's names tell which
    // jobs reached it, and no folder is half renamed.
    struct stat now {};
    ASSERT_EQ(::lstat((base + "/a").c_str(), &now), 0);
    if (S_ISLNK(now.st_mode)) {
        ASSERT_EQ(::renameat2(AT_FDCWD, (base + "/a").c_str(), AT_FDCWD, (base + "/link").c_str(),
                              RENAME_EXCHANGE),
                  0);
    }
    for (const char* side : {"/a/photos", "/b/photos"}) {
        const auto names = NamesIn(base + side);
        ASSERT_EQ(names.size(), static_cast<std::size_t>(kFiles)) << side;
        std::size_t img = 0;
        for (const auto& name : names)
            img += name.rfind("IMG_", 0) == 0 ? 1 : 0;
        EXPECT_TRUE(img == 0 || img == names.size())
            << side << ": " << img << " of " << names.size() << " named IMG_";
    }
    EXPECT_GT(applied, 0);
}

// Only plain renames list names and kinds alone: any other task reads its
// entries' times or attribute bits.
TEST(PipelineDisk, OnlyPlainRenamesListNamesAndKindsAlone) {
    TimestampTaskFields times;
    times.timeKind = L"Modified";
    times.find = L"2019";
    times.replace = L"2020";
    AttributeTaskFields attributes;
    attributes.find = L".*";
    attributes.regex = L"TRUE";
    const TaskItem rename = RegexRename(L"IMG_", L"Trip_");
    const TaskItem time{2, L"", BuildTaskDefinition(times)};
    const TaskItem word{3, L"", BuildTaskDefinition(attributes)};
    struct Case {
        TaskList tasks;
        EntryDetail detail;
    };
    const Case cases[] = {
        {{rename}, EntryDetail::kNamesAndKinds},
        {{rename, rename}, EntryDetail::kNamesAndKinds},
        {{rename, time}, EntryDetail::kAll},
        {{word}, EntryDetail::kAll},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListDetailFor(c.tasks), c.detail) << c.tasks.size();
}

// A rename that lists names and kinds alone still leaves an entry hidden by
// its stored record out, journals each entry by its inode, and its undo
// gives every name back.
TEST(PipelineDisk, ANamesOnlyRenameKeepsHiddenEntriesOutAndIsUndone) {
    TempDir dir;
    const std::string base = fs::canonical(dir.path()).string();
    for (const char* name : {"IMG_1.jpg", "IMG_2.jpg", "IMG_3.jpg"})
        WriteBytes(base + "/" + name, name);
    PosixFileSystem posix;
    ASSERT_TRUE(SetAttributesAt(posix, FromUtf8(base + "/IMG_3.jpg"), FILE_ATTRIBUTE_HIDDEN).ok());
    const auto inodes = InodesByName(base);
    MemoryHistory history;
    JobPipeline pipeline({posix, [] { return std::int64_t{0}; }, L"test"});
    pipeline.SetHistory(&history);
    JobSettings settings;
    settings.paths = {FromUtf8(base + "/")};
    settings.tasks = {RegexRename(L"IMG_", L"Trip_")};
    settings.listDetail = ListDetailFor(settings.tasks);
    ASSERT_EQ(settings.listDetail, EntryDetail::kNamesAndKinds);
    YesHost host;
    const JobRun run = pipeline.Run(JobRequest{settings, ProblemPolicy::kRefuse, false}, host);
    ASSERT_EQ(run.end, JobEnd::kApplied);
    EXPECT_EQ(NamesIn(base), (std::set<std::string>{"IMG_3.jpg", "Trip_1.jpg", "Trip_2.jpg"}));
    const auto entries = history.Entries(run.historyId).value();
    ASSERT_EQ(entries.size(), 2u);
    for (const JournalEntry& e : entries)
        EXPECT_EQ(e.id.inode, inodes.at(e.oldName.bytes())) << e.oldName;
    YesHost undoHost;
    EXPECT_EQ(pipeline.Undo(std::nullopt, ProblemPolicy::kRefuse, false, undoHost).end,
              JobEnd::kApplied);
    EXPECT_EQ(InodesByName(base), inodes);
}

}  // namespace
}  // namespace torvane::testing
