// The job's plan: the walk of a tree (the order, the new values per folder,
// the folders left out), the checks, and how the plan is applied.
#include "engine/plan.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <map>

#include "fake_file_system.hpp"
#include "job_support.hpp"
#include "platform/file_attributes.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::RecordingDialogs;
using Lines = std::vector<std::wstring>;
using Call = FakeFileSystem::Call;

TaskItem NumberAll() {
    RenameTaskFields f;
    f.find = L"^.*$";
    f.replace = L"P##";
    f.regex = L"TRUE";
    f.numbering = L"TRUE";
    f.startNumber = L"1";
    return TaskItem{1, L"", BuildTaskDefinition(f)};
}

TaskItem ModifiedYear(std::wstring find, std::wstring replace) {
    TimestampTaskFields f;
    f.timeKind = L"Modified";
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = L"FALSE";
    return TaskItem{2, L"", BuildTaskDefinition(f)};
}

// "path -> new name" per entry, "unreadable path" or "not computed path"
// per folder left out, in the order the job meets them.
void Describe(const JobPlan& plan, std::size_t index, Lines& visits, Lines& logLines) {
    const PlannedFolder& f = plan.folders[index];
    for (const std::size_t child : f.subfolders)
        Describe(plan, child, visits, logLines);
    if (f.problem) {
        const bool computed = f.problem->rfind(L"Error processing", 0) == 0;
        visits.push_back((computed ? L"not computed " : L"unreadable ") + f.path);
        logLines.push_back(*f.problem);
        return;
    }
    for (std::size_t i = 0; i < f.current.size(); ++i)
        visits.push_back(f.current[i].FullPath() + L" -> " + f.updated[i].name);
}

// One plan's world: a file system, the messages shown, the plan.
struct WalkWorld {
    Lines Walk(const std::wstring& root, TaskList tasks) {
        settings.paths = {root};
        settings.tasks = std::move(tasks);
        plan = BuildPlan(settings, fs, dialogs);
        visits.clear();
        logLines.clear();
        if (!plan.folders.empty())
            Describe(plan, 0, visits, logLines);
        return visits;
    }

    FakeFileSystem fs;
    RecordingDialogs dialogs;
    JobPlan plan;
    Lines visits;
    Lines logLines;
    JobSettings settings{{},
                         {},
                         {Retrieve::kFilesAndFolders, true, HiddenSystem::kHiddenAndSystem},
                         {false, AttributeTarget::kBoth}};
};

class PlanWalkTest : public ::testing::Test, public WalkWorld {
  protected:
    testing::ScopedTimeZone tz{"UTC0"};
};

TEST_F(PlanWalkTest, SubfoldersComeFirstEachFolderNumbersOnItsOwnAndLinksAreNotEntered) {
    fs.AddFile(L"/r/x.txt");
    fs.AddFile(L"/r/d/in.txt");
    fs.AddFile(L"/r/d/e/deep.txt");
    fs.AddFile(L"/elsewhere/secret.txt");
    fs.AddSymlink(L"/r/link");
    EXPECT_EQ(Walk(L"/r", {NumberAll()}),
              (Lines{L"/r/d/e/deep.txt -> P01", L"/r/d/e -> P01", L"/r/d/in.txt -> P02",
                     L"/r/d -> P01", L"/r/link -> P02", L"/r/x.txt -> P03"}));
    EXPECT_EQ(fs.CallCount(Call::kFindEntries), 3);  // /r, /r/d, /r/d/e
    EXPECT_TRUE(fs.changes().empty());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(PlanWalkTest, AFolderLeftOutIsReportedWithTheJobsLogLineAndTheWalkGoesOn) {
    const struct {
        const char* what;
        std::wstring failing;  // the folder whose listing fails, if any
        Lines visits;
        Lines logLines;
    } cases[] = {
        // /r/old holds a file whose new time is no date.
        {"old not computed",
         L"",
         {L"/r/d/b.txt -> b.txt", L"not computed /r/old/", L"/r/d -> d", L"/r/old -> old",
          L"/r/a.txt -> a.txt"},
         {L"Error processing directory:  /r/old/"}},
        {"old not computed, d unreadable",
         L"/r/d",
         {L"unreadable /r/d/", L"not computed /r/old/", L"/r/d -> d", L"/r/old -> old",
          L"/r/a.txt -> a.txt"},
         {L"Error reading directory:  /r/d/..........Permission denied\r\n",
          L"Error processing directory:  /r/old/"}},
        {"root unreadable",
         L"/r",
         {L"unreadable /r/"},
         {L"Error reading directory:  /r/..........Permission denied\r\n"}},
    };
    for (const auto& c : cases) {
        WalkWorld world;
        auto& fs = world.fs;
        fs.AddFile(L"/r/a.txt");
        fs.AddFile(L"/r/d/b.txt");
        fs.AddFile(L"/r/old/c.txt");
        fs.SetNodeTimes(L"/r/old/c.txt", 0, 915148800, 0);  // modified in 1999
        if (!c.failing.empty())
            fs.FailOn(Call::kFindEntries, c.failing, EACCES);
        EXPECT_EQ(world.Walk(L"/r/", {ModifiedYear(L"1999", L"soon")}), c.visits) << c.what;
        EXPECT_EQ(world.logLines, c.logLines) << c.what;
    }
}

TEST_F(PlanWalkTest, EachRootIsOpenedOnceAsAFolderOrTheFilesNamedInIt) {
    fs.AddFile(L"/r/one.txt");
    fs.AddFile(L"/r/two.txt");
    fs.AddFile(L"/s/three.txt");
    using Paths = std::vector<std::wstring>;
    const struct {
        Paths given;
        Paths roots;           // each root's path, files after a colon
        std::size_t problems;  // paths that can't be opened
        std::size_t repeats;   // paths planned once through another
        bool singleFile;
    } cases[] = {
        {{L"/r"}, {L"/r/"}, 0, 0, false},
        {{L"/r/"}, {L"/r/"}, 0, 0, false},
        {{L"/r/one.txt"}, {L"/r/:one.txt"}, 0, 0, true},
        {{L"/r/two.txt", L"/r/one.txt"}, {L"/r/:two.txt,one.txt"}, 0, 0, false},
        {{L"/r/one.txt", L"/s/three.txt"}, {L"/r/:one.txt", L"/s/:three.txt"}, 0, 0, false},
        {{L"/r/one.txt", L"/r/one.txt"}, {L"/r/:one.txt"}, 0, 1, false},
        {{L"/r/one.txt", L"/r/"}, {L"/r/"}, 0, 1, false},
        {{L"/r/", L"/r/one.txt"}, {L"/r/"}, 0, 1, false},
        {{L"/missing", L"/r/"}, {L"/r/"}, 1, 0, false},
    };
    for (const auto& c : cases) {
        const JobRoots opened = OpenRoots(fs, c.given, false);
        Paths roots;
        for (const JobRoot& root : opened.roots) {
            std::wstring text = root.path;
            for (std::size_t k = 0; k < root.files.size(); ++k)
                text += (k == 0 ? L":" : L",") + root.files[k];
            roots.push_back(text);
            EXPECT_NE(root.folder, nullptr);
        }
        const std::string trace = ToUtf8(c.given.front()) + " +" + std::to_string(c.given.size());
        EXPECT_EQ(roots, c.roots) << trace;
        EXPECT_EQ(opened.problems.size(), c.problems) << trace;
        EXPECT_EQ(opened.repeats.size(), c.repeats) << trace;
        EXPECT_EQ(opened.singleFile, c.singleFile) << trace;
    }
}

TEST_F(PlanWalkTest, WithSubfoldersARootBelowAnotherIsPlannedOnce) {
    fs.AddFile(L"/r/sub/a.txt");
    const JobRoots opened = OpenRoots(fs, {L"/r/sub/", L"/r/"}, true);
    ASSERT_EQ(opened.roots.size(), 1u);
    EXPECT_EQ(opened.roots[0].path, L"/r/");
    ASSERT_EQ(opened.repeats.size(), 1u);
    EXPECT_EQ(opened.repeats[0].path, L"/r/sub/");
    // Without subfolders the two are separate folders.
    EXPECT_EQ(OpenRoots(fs, {L"/r/sub/", L"/r/"}, false).roots.size(), 2u);
}

// ---- Checks and the order of renames, on plans made by hand ----

using Renames = std::map<std::wstring, std::wstring>;
using Kinds = std::map<std::wstring, FindingKind>;

// A plan of one folder's files, whose new names are given by hand: the
// folder listed as a job lists it, the names changed, the checks run.
JobPlan HandPlan(FakeFileSystem& fs, const std::wstring& folder, const Renames& renames,
                 HiddenSystem listed = HiddenSystem::kHiddenAndSystem) {
    RecordingDialogs dialogs;
    JobSettings settings{
        {folder}, {}, {Retrieve::kFilesAndFolders, false, listed}, {false, AttributeTarget::kBoth}};
    JobPlan plan = BuildPlan(settings, fs, dialogs);
    EXPECT_EQ(plan.folders.size(), 1u);
    PlannedFolder& f = plan.folders[0];
    plan.changes = 0;
    for (std::size_t i = 0; i < f.current.size(); ++i) {
        if (const auto it = renames.find(f.current[i].name.wide()); it != renames.end())
            f.updated[i].name = it->second;
        f.steps[i] = StepsFor(f.current[i], f.updated[i], settings.engine);
        plan.changes += f.steps[i].any() ? 1 : 0;
    }
    std::vector<EntryName> unlisted;
    for (const auto& path : fs.PathsUnder(folder)) {
        const std::wstring name = path.substr(folder.size());
        if (std::none_of(f.current.begin(), f.current.end(),
                         [&](const FileEntry& e) { return e.name == name; }))
            unlisted.push_back(name);
    }
    f.findings = CheckFolder(f.current, f.updated, f.steps, unlisted, f.traits);
    plan.problems = static_cast<std::int64_t>(f.findings.size());
    return plan;
}

Kinds FindingsOf(const JobPlan& plan) {
    Kinds kinds;
    const PlannedFolder& f = plan.folders[0];
    for (const auto& [i, finding] : f.findings)
        kinds[f.current[i].name.wide()] = finding.kind;
    return kinds;
}

class Quiet : public JobObserver {
  public:
    void JobStep(int entries) override { steps += entries; }
    void JobDone(const JobResult&) override {}
    std::int64_t steps = 0;
};

// Name -> content of every file in the folder: each file's content is its
// first name, so a content shows where an entry went.
std::map<std::wstring, std::string> NamesAndContents(const FakeFileSystem& fs,
                                                     const std::wstring& folder) {
    std::map<std::wstring, std::string> out;
    for (const auto& path : fs.PathsUnder(folder))
        out[path.substr(folder.size())] = fs.Lookup(path)->content;
    return out;
}

TEST(PlanChecksTest, FindingsAndFinalNamesOfBatches) {
    constexpr auto kDuplicate = FindingKind::kDuplicateName;
    constexpr auto kTaken = FindingKind::kNameTaken;
    constexpr auto kUnusable = FindingKind::kUnusableName;
    const struct {
        const char* what;
        std::vector<std::wstring> files;
        Renames renames;
        bool foldsCase;
        Kinds findings;
        // The names afterwards, each with the name its content came from.
        std::map<std::wstring, std::wstring> after;
    } cases[] = {
        {"a chain renumbered upwards",
         {L"DSC_0001", L"DSC_0002", L"DSC_0010", L"DSC_0100"},
         {{L"DSC_0001", L"DSC_0002"},
          {L"DSC_0002", L"DSC_0003"},
          {L"DSC_0010", L"DSC_0004"},
          {L"DSC_0100", L"DSC_0005"}},
         false,
         {},
         {{L"DSC_0002", L"DSC_0001"},
          {L"DSC_0003", L"DSC_0002"},
          {L"DSC_0004", L"DSC_0010"},
          {L"DSC_0005", L"DSC_0100"}}},
        {"a swap",
         {L"a", L"b"},
         {{L"a", L"b"}, {L"b", L"a"}},
         false,
         {},
         {{L"a", L"b"}, {L"b", L"a"}}},
        {"two rotations of three and a lone rename",
         {L"a", L"b", L"c", L"d", L"e", L"f", L"g"},
         {{L"a", L"b"},
          {L"b", L"c"},
          {L"c", L"a"},
          {L"d", L"f"},
          {L"e", L"d"},
          {L"f", L"e"},
          {L"g", L"h"}},
         false,
         {},
         {{L"a", L"c"},
          {L"b", L"a"},
          {L"c", L"b"},
          {L"d", L"e"},
          {L"e", L"f"},
          {L"f", L"d"},
          {L"h", L"g"}}},
        {"two entries given one name",
         {L"IMG_1_2.JPG", L"IMG_3_4.JPG", L"other"},
         {{L"IMG_1_2.JPG", L"photo.JPG"}, {L"IMG_3_4.JPG", L"photo.JPG"}, {L"other", L"o"}},
         false,
         {{L"IMG_1_2.JPG", kDuplicate}, {L"IMG_3_4.JPG", kDuplicate}},
         {{L"IMG_1_2.JPG", L"IMG_1_2.JPG"}, {L"IMG_3_4.JPG", L"IMG_3_4.JPG"}, {L"o", L"other"}}},
        {"a name held by an entry that keeps it, and a chain behind it",
         {L"a", L"b", L"c", L"x (1)", L"x"},
         {{L"a", L"b"}, {L"b", L"c"}, {L"x (1)", L"x"}},
         false,
         {{L"a", kTaken}, {L"b", kTaken}, {L"x (1)", kTaken}},
         {{L"a", L"a"}, {L"b", L"b"}, {L"c", L"c"}, {L"x (1)", L"x (1)"}, {L"x", L"x"}}},
        {"a cycle mixed with a collision",
         {L"a", L"b", L"c"},
         {{L"a", L"b"}, {L"b", L"a"}, {L"c", L"a"}},
         false,
         {{L"a", kTaken}, {L"b", kDuplicate}, {L"c", kDuplicate}},
         {{L"a", L"a"}, {L"b", L"b"}, {L"c", L"c"}}},
        {"names that differ in case only, where the folder folds case",
         {L"a.txt", L"b.txt", L"B.TXT2", L"c.txt", L"photo.JPG"},
         {{L"a.txt", L"X.txt"},
          {L"b.txt", L"x.txt"},
          {L"c.txt", L"b.txt2"},
          {L"photo.JPG", L"photo.jpg"}},
         true,
         {{L"a.txt", kDuplicate}, {L"b.txt", kDuplicate}, {L"c.txt", kTaken}},
         {{L"a.txt", L"a.txt"},
          {L"b.txt", L"b.txt"},
          {L"B.TXT2", L"B.TXT2"},
          {L"c.txt", L"c.txt"},
          {L"photo.jpg", L"photo.JPG"}}},
        {"the same names where case counts",
         {L"a.txt", L"b.txt", L"B.TXT2", L"c.txt"},
         {{L"a.txt", L"X.txt"}, {L"b.txt", L"x.txt"}, {L"c.txt", L"b.txt2"}},
         false,
         {},
         {{L"X.txt", L"a.txt"},
          {L"x.txt", L"b.txt"},
          {L"B.TXT2", L"B.TXT2"},
          {L"b.txt2", L"c.txt"}}},
        {"names the job would refuse",
         {L"a", L"b", L"c", L"d", L"e"},
         {{L"a", L""},
          {L"b", L"x/y"},
          {L"c", L".."},
          {L"d", L"what?"},
          {L"e", std::wstring(256, L'e')}},
         false,
         {{L"a", kUnusable},
          {L"b", kUnusable},
          {L"c", kUnusable},
          {L"d", kUnusable},
          {L"e", kUnusable}},
         {{L"a", L"a"}, {L"b", L"b"}, {L"c", L"c"}, {L"d", L"d"}, {L"e", L"e"}}},
    };
    for (const auto& c : cases) {
        FakeFileSystem fs;
        fs.AddFolder(L"/r");
        for (const auto& name : c.files)
            fs.AddPlainFile(L"/r/" + name, ToUtf8(name));
        fs.SetFolderTraits(L"/r", FolderTraits{c.foldsCase});
        const JobPlan plan = HandPlan(fs, L"/r/", c.renames);
        EXPECT_EQ(FindingsOf(plan), c.findings) << c.what;
        EXPECT_EQ(plan.problems, static_cast<std::int64_t>(c.findings.size())) << c.what;

        Quiet observer;
        const JobResult result = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip);
        std::map<std::wstring, std::string> expected;
        for (const auto& [name, from] : c.after)
            expected[name] = ToUtf8(from);
        EXPECT_EQ(NamesAndContents(fs, L"/r/"), expected) << c.what;
        // One log line per entry left alone, and nothing else.
        EXPECT_EQ(result.log.size(), 1 + c.findings.size()) << c.what;
        EXPECT_EQ(result.error, !c.findings.empty()) << c.what;
        EXPECT_EQ(observer.steps, static_cast<std::int64_t>(c.files.size())) << c.what;
    }
}

TEST(PlanChecksTest, AnEntryNotListedIsNeverReplacedAndItsNameCounts) {
    FakeFileSystem fs;
    fs.AddFile(L"/r/a (1).txt");
    fs.AddFile(L"/r/a.txt", FILE_ATTRIBUTE_HIDDEN);
    const JobPlan plan = HandPlan(fs, L"/r/", {{L"a (1).txt", L"a.txt"}}, HiddenSystem::kNone);
    ASSERT_EQ(plan.folders[0].current.size(), 1u);  // the hidden file is not listed
    EXPECT_EQ(FindingsOf(plan), (Kinds{{L"a (1).txt", FindingKind::kNameTaken}}));
    EXPECT_EQ(plan.folders[0].findings[0].second.message,
              L"\"a.txt\" is taken by \"a.txt\" (not listed), which keeps its name.");

    // Tried anyway, the move fails and replaces nothing.
    Quiet observer;
    const JobResult tried = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kAttempt);
    EXPECT_TRUE(tried.error);
    ASSERT_EQ(tried.log.size(), 2u);
    EXPECT_EQ(tried.log[1], L"Error renaming file:  /r/a (1).txt..........File exists\r\n");
    EXPECT_TRUE(fs.Exists(L"/r/a (1).txt"));
    EXPECT_TRUE(fs.changes().empty());
}

TEST(PlanChecksTest, AttemptedDuplicatesFailOneByOneAsTheMovesNeverReplace) {
    FakeFileSystem fs;
    fs.AddPlainFile(L"/r/a", "a");
    fs.AddPlainFile(L"/r/b", "b");
    const JobPlan plan = HandPlan(fs, L"/r/", {{L"a", L"x"}, {L"b", L"x"}});
    Quiet observer;
    const JobResult result = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kAttempt);
    EXPECT_EQ(NamesAndContents(fs, L"/r/"),
              (std::map<std::wstring, std::string>{{L"b", "b"}, {L"x", "a"}}));
    ASSERT_EQ(result.log.size(), 2u);
    EXPECT_EQ(result.log[1], L"Error renaming file:  /r/b..........File exists\r\n");
}

TEST(PlanChecksTest, AChainOfAThousandRenumberedNamesMovesLastFirstWithoutATemporaryName) {
    FakeFileSystem fs;
    fs.AddFolder(L"/r");
    Renames renames;
    const auto name = [](int n) {
        std::wstring digits = std::to_wstring(n);
        return L"f" + std::wstring(4 - digits.size(), L'0') + digits;
    };
    for (int n = 0; n < 1000; ++n) {
        fs.AddPlainFile(L"/r/" + name(n), ToUtf8(name(n)));
        renames[name(n)] = name(n + 1);
    }
    const JobPlan plan = HandPlan(fs, L"/r/", renames);
    EXPECT_TRUE(plan.folders[0].findings.empty());
    Quiet observer;
    const JobResult result = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip);
    EXPECT_FALSE(result.error);
    const auto changes = fs.changes();
    ASSERT_EQ(changes.size(), 1000u);
    EXPECT_EQ(changes.front(), L"Move /r/f0999 -> /r/f1000");
    EXPECT_EQ(changes.back(), L"Move /r/f0000 -> /r/f0001");
    EXPECT_EQ(fs.Lookup(L"/r/f0500")->content, "f0499");
}

TEST(PlanChecksTest, ACycleGoesThroughOneTemporaryNameInTheSameFolder) {
    FakeFileSystem fs;
    for (const wchar_t* n : {L"a", L"b", L"c"})
        fs.AddPlainFile(std::wstring(L"/r/") + n, ToUtf8(n));
    const JobPlan plan = HandPlan(fs, L"/r/", {{L"a", L"b"}, {L"b", L"c"}, {L"c", L"a"}});
    Quiet observer;
    ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip);
    const auto changes = fs.changes();
    ASSERT_EQ(changes.size(), 4u);
    const std::wstring temporary = L"/r/" + CycleTemporaryName(1);
    EXPECT_EQ(changes[0], L"Move /r/a -> " + temporary);
    EXPECT_EQ(changes[1], L"Move /r/c -> /r/a");
    EXPECT_EQ(changes[2], L"Move /r/b -> /r/c");
    EXPECT_EQ(changes[3], L"Move " + temporary + L" -> /r/b");
    EXPECT_EQ(CycleTemporaryName(7).bytes().rfind(".torvane-cycle-", 0), 0u);
}

TEST(PlanChecksTest, ACycleWhoseLastMoveFailsGivesTheEntryItsNameBackOrSaysWhereItIs) {
    FakeFileSystem fs;
    fs.AddPlainFile(L"/r/a", "a");
    fs.AddPlainFile(L"/r/b", "b");
    // b can't move: a, parked aside, can't take b's name and comes back.
    fs.FailOn(FakeFileSystem::Call::kMove, L"/r/b", EACCES);
    const JobPlan plan = HandPlan(fs, L"/r/", {{L"a", L"b"}, {L"b", L"a"}});
    Quiet observer;
    const JobResult result = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip);
    EXPECT_EQ(NamesAndContents(fs, L"/r/"),
              (std::map<std::wstring, std::string>{{L"a", "a"}, {L"b", "b"}}));
    ASSERT_EQ(result.log.size(), 3u);
    EXPECT_EQ(result.log[1], L"Error renaming file:  /r/b..........Permission denied\r\n");
    EXPECT_EQ(result.log[2],
              L"Error renaming file:  /r/a..........File exists\r\nThe entry kept its name.\r\n");
}

TEST(PlanChecksTest, ChangesTheFileSystemCantMakeAreFound) {
    FakeFileSystem fs;
    fs.AddFile(L"/r/plain.txt", FILE_ATTRIBUTE_ARCHIVE);
    fs.AddSymlink(L"/r/link");
    RecordingDialogs dialogs;
    JobSettings settings{{L"/r/"},
                         {},
                         {Retrieve::kFilesAndFolders, false, HiddenSystem::kHiddenAndSystem},
                         {false, AttributeTarget::kBoth}};
    const struct {
        const char* what;
        const wchar_t* name;
        std::uint32_t addBits;
        std::int64_t modified;  // 0: unchanged
        FolderTraits traits;
        const wchar_t* message;  // empty: no finding
    } cases[] = {
        {"a link's attributes",
         L"link",
         FILE_ATTRIBUTE_HIDDEN,
         0,
         {},
         L"A symbolic link has no attributes of its own to change."},
        {"encryption",
         L"plain.txt",
         FILE_ATTRIBUTE_ENCRYPTED,
         0,
         {},
         L"Linux can't encrypt or decrypt an existing entry."},
        {"compression where nothing compresses",
         L"plain.txt",
         FILE_ATTRIBUTE_COMPRESSED,
         0,
         {},
         L"This file system can't compress entries."},
        {"compression where it works", L"plain.txt", FILE_ATTRIBUTE_COMPRESSED, 0,
         FolderTraits{false, true}, L""},
        {"a time FAT can't keep", L"plain.txt", 0, 86400,
         FolderTraits{true, false, 315532800, 4354819199},
         L"This file system can't store the time 01/02/1970 12:00:00 AM."},
        {"a time it can", L"plain.txt", 0, 1600000000,
         FolderTraits{true, false, 315532800, 4354819199}, L""},
        {"Hidden where nothing is kept", L"plain.txt", FILE_ATTRIBUTE_HIDDEN, 0,
         FolderTraits{true, false, 315532800, 4354819199, 0, false, L"exFAT volume"},
         L"Hidden can't be stored on this exFAT volume."},
        {"Temporary on FAT, which keeps R, H, S and A only", L"plain.txt", FILE_ATTRIBUTE_TEMPORARY,
         0, FolderTraits{true, false, 315532800, 4354819199, 0x27, false, L"FAT volume"},
         L"Temporary can't be stored on this FAT volume."},
        {"Hidden on FAT", L"plain.txt", FILE_ATTRIBUTE_HIDDEN, 0,
         FolderTraits{true, false, 315532800, 4354819199, 0x27, false, L"FAT volume"}, L""},
    };
    testing::ScopedTimeZone tz{"UTC0"};
    for (const auto& c : cases) {
        JobPlan plan = BuildPlan(settings, fs, dialogs);
        PlannedFolder& f = plan.folders[0];
        for (std::size_t i = 0; i < f.current.size(); ++i) {
            if (f.current[i].name != c.name)
                continue;
            f.updated[i].attributes |= c.addBits;
            if (c.modified != 0)
                f.updated[i].modified = c.modified;
            f.steps[i] = StepsFor(f.current[i], f.updated[i], settings.engine);
        }
        const auto findings = CheckFolder(f.current, f.updated, f.steps, {}, c.traits);
        if (*c.message == L'\0') {
            EXPECT_TRUE(findings.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(findings.size(), 1u) << c.what;
        EXPECT_EQ(findings[0].second.kind, FindingKind::kCannotApply) << c.what;
        EXPECT_EQ(findings[0].second.message, c.message) << c.what;
    }
}

// FAT's creation time is read but can't be set on Linux; other times can.
TEST(PlanChecksTest, ACreationTimeTheVolumeCantSetIsFound) {
    FakeFileSystem fs;
    fs.AddFile(L"/r/plain.txt", FILE_ATTRIBUTE_ARCHIVE);
    RecordingDialogs dialogs;
    JobSettings settings{{L"/r/"},
                         {},
                         {Retrieve::kFiles, false, HiddenSystem::kHiddenAndSystem},
                         {false, AttributeTarget::kBoth}};
    FolderTraits fat{true, false, 315532800, 4354819199, 0x27, false, L"FAT volume"};
    for (const bool created : {true, false}) {
        JobPlan plan = BuildPlan(settings, fs, dialogs);
        PlannedFolder& f = plan.folders[0];
        ASSERT_EQ(f.current.size(), 1u);
        (created ? f.updated[0].created : f.updated[0].modified) = 1600000000;
        f.steps[0] = StepsFor(f.current[0], f.updated[0], settings.engine);
        const auto findings = CheckFolder(f.current, f.updated, f.steps, {}, fat);
        if (!created) {
            EXPECT_TRUE(findings.empty());
            continue;
        }
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_EQ(findings[0].second.kind, FindingKind::kCannotApply);
        EXPECT_EQ(findings[0].second.message,
                  L"The creation time can't be stored on this FAT volume.");
    }
}

// The issue's own examples, through tasks: what the checks say and what the
// job then does.
TEST_F(PlanWalkTest, TasksThatCollideAreFoundBeforeAnythingIsWritten) {
    RenameTaskFields photo;
    photo.find = L"^IMG_\\d+_\\d+";
    photo.replace = L"photo";
    photo.regex = L"TRUE";
    fs.AddFile(L"/r/IMG_20200101_1.JPG");
    fs.AddFile(L"/r/IMG_20200101_2.JPG");
    fs.AddFile(L"/r/d/x (1).txt");
    fs.AddFile(L"/r/d/x.txt");
    RenameTaskFields copies;
    copies.find = L" (1)";
    copies.replace = L"";
    copies.regex = L"FALSE";
    Walk(L"/r/", {TaskItem{1, L"", BuildTaskDefinition(photo)},
                  TaskItem{2, L"", BuildTaskDefinition(copies)}});
    EXPECT_EQ(plan.problems, 3);
    EXPECT_EQ(plan.changes, 3);
    EXPECT_EQ(plan.entries, 5);
    ASSERT_EQ(plan.folders.size(), 2u);
    EXPECT_EQ(plan.folders[0].findings.size(), 2u);
    ASSERT_EQ(plan.folders[1].findings.size(), 1u);
    EXPECT_EQ(plan.folders[1].findings[0].second.kind, FindingKind::kNameTaken);
    EXPECT_TRUE(fs.changes().empty());
    EXPECT_EQ(PlanCountText(plan.changes, plan.problems), L"3 changes, 3 problems");
    EXPECT_EQ(PlanCountText(1, 1), L"1 change, 1 problem");
}

TEST_F(PlanWalkTest, ARenumberingThatShiftsNamesUpSucceedsWhole) {
    for (const wchar_t* n : {L"DSC_0001.jpg", L"DSC_0002.jpg", L"DSC_0010.jpg", L"DSC_0100.jpg"})
        fs.AddPlainFile(std::wstring(L"/r/") + n, ToUtf8(n));
    RenameTaskFields f;
    f.find = L"^DSC_\\d+";
    f.replace = L"DSC_####";
    f.regex = L"TRUE";
    f.numbering = L"TRUE";
    f.startNumber = L"2";
    settings.paths = {L"/r/"};
    settings.tasks = {TaskItem{1, L"", BuildTaskDefinition(f)}};
    Quiet observer;
    const JobResult result = RunJob(settings, fs, dialogs, observer, 0);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(NamesAndContents(fs, L"/r/"),
              (std::map<std::wstring, std::string>{{L"DSC_0002.jpg", "DSC_0001.jpg"},
                                                   {L"DSC_0003.jpg", "DSC_0002.jpg"},
                                                   {L"DSC_0004.jpg", "DSC_0010.jpg"},
                                                   {L"DSC_0005.jpg", "DSC_0100.jpg"}}));
}

}  // namespace
}  // namespace torvane
