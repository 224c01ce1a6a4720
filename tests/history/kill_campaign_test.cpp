// The kill campaign: jobs over a few thousand entries (chains, swaps,
// rotations of three, a renumbering shift; flat and with subfolders; names,
// times and attribute words) journaled in a real history, killed in a
// process of their own at seeded random points, then undone: every entry
// must be back exactly as it was (name, permission bits, times to the
// nanosecond, the stored record's bytes or its absence). A read between the
// job and its undo must not block it. TORVANE_KILL_RUNS sets the number of
// runs (bench/kill_campaign.sh runs more); TORVANE_KILL_ROOT the file system
// they run on (a folder there is used).
#include "kill_campaign.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>

#include "child_process.hpp"
#include "engine/job_pipeline.hpp"
#include "history/sqlite_history.hpp"
#include "loop_mount.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::CampaignState;
using testing::CampaignVariant;

class AgreeingHost : public JobHost {
  public:
    void Say(const PlanMessage&) override {}
    bool Review(const JobPlan&) override { return true; }
    bool Confirm(const JobPlan&, const JobRecord*) override { return true; }
    void Refused(const JobPlan&) override {}
    void JobStep(int) override {}
    void JobDone(const JobResult&) override {}
};

// Runs the campaign child on `root` with the history at `state`, kills it
// once it has made `steps` changes; false when it ended first.
bool KillChildAfter(const std::string& state, const std::string& root,
                    const CampaignVariant& variant, std::size_t steps) {
    return testing::KillChildAfterSteps({TORVANE_CAMPAIGN_CHILD, state, root, variant.Text()},
                                        steps);
}

// Reads every seventh file's bytes: where the job set an access time far in
// the past, the read moves it.
void ReadSomeFiles(const std::map<ino_t, CampaignState>& now, const std::string& root) {
    int k = 0;
    for (const auto& [inode, s] : now) {
        if (s.folder || k++ % 7 != 0)
            continue;
        std::ifstream in(root + "/" + s.path);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
}

struct CampaignTotals {
    int runs = 0, killed = 0, exactRuns = 0;
    std::int64_t entries = 0, exactEntries = 0;
};

// How many entries of `before` are found exactly so in `after`; each one
// that is not, and each entry that was not there before, is a failure.
// A folder's times count only with `folderTimes` (the job set them);
// otherwise renames inside it moved them, the undo's own included.
int CountExact(const std::map<ino_t, CampaignState>& before,
               const std::map<ino_t, CampaignState>& after, bool folderTimes) {
    int exact = 0;
    for (const auto& [inode, was] : before) {
        const auto it = after.find(inode);
        if (it == after.end()) {
            ADD_FAILURE() << was << " is gone";
            continue;
        }
        CampaignState now = it->second;
        if (was.folder && !folderTimes) {
            now.modifiedNs = was.modifiedNs;
            now.accessedNs = was.accessedNs;
        }
        if (now == was)
            ++exact;
        else
            ADD_FAILURE() << "was " << was << "\n  now " << now;
    }
    for (const auto& [inode, now] : after) {
        if (before.count(inode) == 0)
            ADD_FAILURE() << now << " was not there before";
    }
    return exact;
}

// Undoes the newest job of the history at `state` through the pipeline, as
// `torvane-cli -Undo -Apply` does: its plan must have no problem and its
// undo no failure.
void UndoLastJob(const std::string& state) {
    auto opened = OpenSqliteHistory(FromUtf8(state), HistorySettings{});
    ASSERT_TRUE(opened.ok()) << ToUtf8(opened.error().text);
    auto history = std::move(*opened);
    PosixFileSystem fs;
    JobPipeline pipeline({fs, [] { return std::int64_t{1700000001}; }, L"campaign"});
    pipeline.SetHistory(history.get());
    {
        auto target = pipeline.PlanUndo(std::nullopt);
        ASSERT_TRUE(target) << ToUtf8(target.error().text);
        for (const PlannedFolder& f : target->plan.folders) {
            for (const auto& [at, finding] : f.findings)
                ADD_FAILURE() << ToUtf8(f.current[at].FullPath()) << ": "
                              << ToUtf8(finding.message);
        }
    }
    AgreeingHost host;
    const JobRun run = pipeline.Undo(std::nullopt, ProblemPolicy::kSkip, false, host);
    ASSERT_EQ(run.end, JobEnd::kApplied) << ToUtf8(run.error);
    EXPECT_FALSE(run.result->error)
        << (run.result->log.size() > 1 ? ToUtf8(run.result->log[1]) : "");
}

// One run: a tree made, the job killed part-way, a read, the undo; every
// entry compared with its state before the job.
void RunOnce(const std::string& base, const std::string& stateFolder, const CampaignVariant& v,
             unsigned seed, int files, CampaignTotals& totals) {
    SCOPED_TRACE("variant " + v.Text() + " seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const std::string root = base + "/root";
    const std::string state = stateFolder + "/history.sqlite3";
    std::filesystem::create_directories(root);
    if (v.subfolders) {
        for (const char* sub : {"/d0", "/d1"}) {
            std::filesystem::create_directory(root + sub);
            testing::MakeCampaignFiles(root + sub, files / 4, random);
        }
    }
    testing::MakeCampaignFiles(root, files / (v.subfolders ? 2 : 1), random);
    // Listing a folder whose access time is not past its modified time moves
    // it (relatime): the first snapshot's listing does, the second's not, so
    // the second is what the job finds and the snapshot after the undo sees.
    testing::CampaignSnapshot(root);
    const auto before = testing::CampaignSnapshot(root);
    const std::size_t changes = before.size();
    const std::size_t steps = 1 + random() % (changes * 9 / 10);
    const bool killed = KillChildAfter(state, root, v, steps);
    if (v.times)
        ReadSomeFiles(testing::CampaignSnapshot(root), root);

    UndoLastJob(state);

    const auto after = testing::CampaignSnapshot(root);
    const int exact = CountExact(before, after, v.folders && v.times);
    ++totals.runs;
    totals.killed += killed ? 1 : 0;
    totals.entries += static_cast<std::int64_t>(before.size());
    totals.exactEntries += exact;
    totals.exactRuns += exact == static_cast<int>(before.size()) && after.size() == before.size();
}

// With subfolders the folders are retrieved too: a listing of files alone
// does not go below its folder.
const CampaignVariant kVariants[] = {
    {false, false, true, true, true},   {true, true, true, true, true},
    {false, false, true, false, false}, {true, true, true, false, false},
    {false, false, false, true, true},  {true, true, false, true, true},
    {false, true, true, true, true},    {true, true, true, false, true},
};

int RunsWanted(int fallback) {
    const char* text = std::getenv("TORVANE_KILL_RUNS");
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

// Runs `runs` runs of `variants` in turn below `where` (a temporary folder
// when empty), the history always on a temporary folder of its own.
void Campaign(const std::string& where, int runs, int files, const char* name,
              const std::vector<CampaignVariant>& variants) {
    CampaignTotals totals;
    for (int r = 0; r < runs; ++r) {
        testing::TempDir dir;
        const std::string base =
            where.empty() ? dir.Join("tree") : where + "/run" + std::to_string(r);
        RunOnce(base, dir.path(), variants[static_cast<std::size_t>(r) % variants.size()],
                20261211u + static_cast<unsigned>(r), files, totals);
        std::error_code ignored;
        std::filesystem::remove_all(base, ignored);
    }
    ::testing::Test::RecordProperty(std::string(name) + "_runs", totals.runs);
    ::testing::Test::RecordProperty(std::string(name) + "_killed", totals.killed);
    ::testing::Test::RecordProperty(std::string(name) + "_exact_runs", totals.exactRuns);
    std::printf("%s: %d runs, %d killed, %lld entries, %lld exact, %d runs exact\n", name,
                totals.runs, totals.killed, static_cast<long long>(totals.entries),
                static_cast<long long>(totals.exactEntries), totals.exactRuns);
    EXPECT_EQ(totals.exactRuns, totals.runs);
    EXPECT_GE(totals.killed * 2, totals.runs) << "most runs must be killed part-way";
}

TEST(KillCampaign, KilledJobsAreUndoneExactly) {
    const char* root = std::getenv("TORVANE_KILL_ROOT");
    Campaign(root != nullptr ? root : "", RunsWanted(12), 1200, "native",
             {std::begin(kVariants), std::end(kVariants)});
}

// NTFS through ntfs-3g keeps the attribute word itself (the undo puts the
// word back); exFAT through FUSE keeps no attributes and no birth time, so
// its jobs change names and times only.
TEST(KillCampaign, KilledJobsOnLoopVolumesAreUndoneExactly) {
    const struct {
        testing::LoopMount::Kind kind;
        const char* name;
        bool attributes;
    } volumes[] = {{testing::LoopMount::Kind::kNtfs3g, "ntfs-3g", true},
                   {testing::LoopMount::Kind::kExfatFuse, "exfat-fuse", false}};
    for (const auto& volume : volumes) {
        testing::LoopMount mount(volume.kind);
        if (!mount.why().empty()) {
            std::printf("%s skipped: %s\n", volume.name, mount.why().c_str());
            continue;
        }
        std::vector<CampaignVariant> variants;
        for (CampaignVariant v : kVariants) {
            v.attributes = v.attributes && volume.attributes;
            if (v.names || v.times || v.attributes)
                variants.push_back(v);
        }
        Campaign(mount.path(), std::max(1, RunsWanted(12) / 3), 300, volume.name, variants);
    }
}

}  // namespace
}  // namespace torvane
