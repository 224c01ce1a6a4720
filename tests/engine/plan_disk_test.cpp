// The plan on real folders, through the Linux file system: renames that wait
// for one another, cycles, an entry in the way. exfat_test.cpp has the same
// on a file system that folds case.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>

#include "engine/job.hpp"
#include "engine/plan.hpp"
#include "job_support.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::ReadBytes;
using testing::RecordingDialogs;
using testing::TempDir;
using testing::WriteBytes;
using Names = std::map<std::string, std::string>;  // name -> content

class NullObserver : public JobObserver {
  public:
    void JobStep(int) override {}
    void JobDone(const JobResult&) override {}
};

// Name -> content of every entry of a folder; each file's content is the
// name it was made with, so a content shows where an entry went.
Names NamesAndContents(const std::string& folder) {
    Names out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        out[e.path().filename().string()] = ReadBytes(e.path().string());
    return out;
}

void MakeFiles(const std::string& folder, std::initializer_list<const char*> names) {
    for (const char* name : names)
        WriteBytes(folder + "/" + name, name);
}

TaskItem RenameTask(std::wstring find, std::wstring replace, bool regex, std::wstring start = L"") {
    RenameTaskFields f;
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = regex ? L"TRUE" : L"FALSE";
    f.numbering = start.empty() ? L"FALSE" : L"TRUE";
    f.startNumber = start.empty() ? L"1" : start;
    return TaskItem{1, L"", BuildTaskDefinition(f)};
}

JobSettings SettingsFor(const std::string& folder, TaskList tasks,
                        HiddenSystem hidden = HiddenSystem::kHiddenAndSystem) {
    JobSettings settings;
    settings.paths = {FromUtf8(folder + "/")};
    settings.tasks = std::move(tasks);
    settings.listOptions = {Retrieve::kFiles, false, hidden};
    return settings;
}

// The plan of a folder's files with new names given by hand, checked.
JobPlan HandPlan(FileSystem& fs, const std::string& folder,
                 const std::map<std::wstring, std::wstring>& renames) {
    RecordingDialogs dialogs;
    const JobSettings settings = SettingsFor(folder, {});
    JobPlan plan = BuildPlan(settings, fs, dialogs);
    PlannedFolder& f = plan.folders.at(0);
    for (std::size_t i = 0; i < f.current.size(); ++i) {
        if (const auto it = renames.find(f.current[i].name.wide()); it != renames.end())
            f.updated[i].name = it->second;
        f.steps[i] = StepsFor(f.current[i], f.updated[i], settings.engine);
    }
    f.findings = CheckFolder(f.current, f.updated, f.steps, {}, f.traits);
    return plan;
}

TEST(PlanDiskTest, ARenumberingThatShiftsNamesUpSucceedsWhole) {
    TempDir dir;
    MakeFiles(dir.path(), {"DSC_0001.jpg", "DSC_0002.jpg", "DSC_0010.jpg", "DSC_0100.jpg"});
    PosixFileSystem fs;
    RecordingDialogs dialogs;
    NullObserver observer;
    const JobResult result =
        RunJob(SettingsFor(dir.path(), {RenameTask(L"^DSC_\\d+", L"DSC_####", true, L"2")}), fs,
               dialogs, observer, 0);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(result.log.size(), 1u);  // the header alone
    EXPECT_EQ(NamesAndContents(dir.path()), (Names{{"DSC_0002.jpg", "DSC_0001.jpg"},
                                                   {"DSC_0003.jpg", "DSC_0002.jpg"},
                                                   {"DSC_0004.jpg", "DSC_0010.jpg"},
                                                   {"DSC_0005.jpg", "DSC_0100.jpg"}}));
}

TEST(PlanDiskTest, SwapsAndRotationsSucceedWholeAndLeaveNoTemporaryName) {
    TempDir dir;
    MakeFiles(dir.path(), {"a", "b", "c", "d", "e"});
    PosixFileSystem fs;
    const JobPlan plan = HandPlan(
        fs, dir.path(), {{L"a", L"b"}, {L"b", L"a"}, {L"c", L"d"}, {L"d", L"e"}, {L"e", L"c"}});
    EXPECT_FALSE(plan.folders[0].traits.foldsCase);  // a Linux folder keeps case apart
    EXPECT_TRUE(plan.folders[0].findings.empty());
    NullObserver observer;
    const JobResult result = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(NamesAndContents(dir.path()),
              (Names{{"a", "b"}, {"b", "a"}, {"c", "e"}, {"d", "c"}, {"e", "d"}}));
}

TEST(PlanDiskTest, AnEntryInTheWayIsNeverReplacedListedOrNot) {
    TempDir dir;
    MakeFiles(dir.path(), {"a.txt", ".b"});  // ".b" reads as hidden: not listed here
    PosixFileSystem fs;
    RecordingDialogs dialogs;
    const JobSettings settings =
        SettingsFor(dir.path(), {RenameTask(L"a.txt", L".b", false)}, HiddenSystem::kNone);
    const JobPlan plan = BuildPlan(settings, fs, dialogs);
    ASSERT_EQ(plan.folders.at(0).current.size(), 1u);
    ASSERT_EQ(plan.folders[0].findings.size(), 1u);
    EXPECT_EQ(plan.folders[0].findings[0].second.kind, FindingKind::kNameTaken);

    NullObserver observer;
    const JobResult skipped = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kSkip);
    ASSERT_EQ(skipped.log.size(), 2u);
    // The finding is the program's own text: the log's line end follows it.
    EXPECT_EQ(skipped.log[1], L"Entry not changed:  " + plan.folders[0].current[0].FullPath() +
                                  L".........." + plan.folders[0].findings[0].second.message);
    EXPECT_FALSE(skipped.log[1].ends_with(L"\n"));
    const JobResult tried = ApplyPlan(plan, fs, observer, 0, ProblemEntries::kAttempt);
    ASSERT_EQ(tried.log.size(), 2u);
    EXPECT_NE(tried.log[1].find(L"File exists"), std::wstring::npos);
    EXPECT_EQ(NamesAndContents(dir.path()), (Names{{"a.txt", "a.txt"}, {".b", ".b"}}));
}

}  // namespace
}  // namespace torvane
