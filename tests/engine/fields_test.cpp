// Fields in a replacement: reading them, their values, the scope of a
// rename and the numbering order, on entries in memory and on real files
// with metadata written by the tests.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "engine/job.hpp"
#include "engine/plan.hpp"
#include "engine/preview.hpp"
#include "engine/replacement_fields.hpp"
#include "engine_fixture.hpp"
#include "fake_file_system.hpp"
#include "job_support.hpp"
#include "metadata_fixtures.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using testing::EngineTest;
using testing::File;
using testing::Folder;
using testing::Names;
using testing::ScopedTimeZone;
using testing::SetExif;
using testing::TempDir;
using testing::WriteTinyJpeg;

std::wstring RenameWith(std::wstring find, std::wstring replace, std::wstring scope = L"whole",
                        std::wstring numberBy = L"", bool fields = true) {
    RenameTaskFields f;
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = L"TRUE";
    f.fields = fields ? L"TRUE" : L"FALSE";
    f.scope = std::move(scope);
    f.numberBy = std::move(numberBy);
    f.numbering = f.numberBy.empty() ? L"FALSE" : L"TRUE";
    f.startNumber = L"1";
    return BuildTaskDefinition(f);
}

std::wstring TimestampWith(std::wstring kind, std::wstring replace) {
    TimestampTaskFields f;
    f.timeKind = std::move(kind);
    f.find = L"^.*$";
    f.replace = std::move(replace);
    f.regex = L"TRUE";
    f.fields = L"TRUE";
    return BuildTaskDefinition(f);
}

TEST(FieldTemplate, ReadsFieldsAndSaysWhatIsWrong) {
    struct Case {
        const wchar_t* text;
        const wchar_t* error;  // a piece of the error, or null when it reads
    };
    const Case cases[] = {
        {L"{taken:%Y-%m-%d}_{name}.{ext}", nullptr},
        {L"{{literal}} $1 {size} {track:2} {taken-90s} {modified+1d:%H}", nullptr},
        {L"{nope}", L"The field {nope} is not known"},
        {L"a{taken", L"The \"{\" (character 2) has no \"}\""},
        {L"a}b", L"A \"}\" (character 2) closes no field"},
        {L"{size+2h}", L"{size+2h} takes no offset"},
        {L"{taken+2y}", L"The offset in {taken+2y} can't be read"},
        {L"{taken+h}", L"The offset in {taken+h} can't be read"},
        {L"{camera:%Y}", L"{camera:%Y} takes no format"},
        {L"{track:abc}", L"{track:abc} takes a width"},
        {L"{taken:}", L"a format follows a \":\""},
    };
    for (const Case& c : cases) {
        std::wstring error;
        const auto parsed = ParseFieldTemplate(c.text, error);
        if (c.error == nullptr) {
            EXPECT_TRUE(parsed) << c.text << ": " << error;
        } else {
            EXPECT_FALSE(parsed) << c.text;
            EXPECT_NE(error.find(c.error), std::wstring::npos) << c.text << ": " << error;
        }
    }
}

class FieldsTest : public EngineTest {
  protected:
    NewEntries Run(const FileEntries& entries, const std::vector<std::wstring>& tasks) {
        return Compute(entries, tasks);
    }
};

TEST_F(FieldsTest, EntryFieldsBracesAndUnsafeCharacters) {
    FileEntry report = File(L"report.final.txt");
    report.folderPath = L"/data/2021 Q1/";
    const auto out = Run({report, Folder(L"a.b")},
                         {RenameWith(L"^.*$", L"{folder}-{name}-{ext}{{$$}}-{modified:%H:%M}")});
    ASSERT_EQ(out.result, TaskResult::Ok);
    // ":" from the format can't be in a name: it becomes "_", as "/" would.
    EXPECT_EQ(Names(out.entries),
              (std::vector<std::wstring>{L"2021 Q1-report.final-txt{$}-00_00",
                                         L"data-a.b-{$}-00_00"}));  // a folder has no extension
}

TEST_F(FieldsTest, ABadReplacementRejectsTheTask) {
    const auto out = Run({File(L"a.jpg")}, {RenameWith(L"a", L"{when}")});
    EXPECT_EQ(out.result, TaskResult::InvalidExpression);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find(L"Not a valid replacement: The field {when}"),
              std::wstring::npos);
}

TEST_F(FieldsTest, ScopeOnDottedNamesAndFolders) {
    struct Case {
        const wchar_t* scope;
        const wchar_t* find;
        const wchar_t* replace;
        std::vector<std::wstring> want;
    };
    const Case cases[] = {
        {L"whole", L"\\.", L"_", {L"my_photo_jpg", L"a_b", L"README"}},
        {L"name", L"\\.", L"_", {L"my_photo.jpg", L"a_b", L"README"}},
        {L"ext", L"^jpg$", L"jpeg", {L"my.photo.jpeg", L"a.b", L"README"}},
        {L"ext", L"^$", L"txt", {L"my.photo.jpg", L"a.b", L"README.txt"}},
        {L"ext", L"^.*$", L"", {L"my.photo", L"a.b", L"README"}},
        {L"name", L"^.*$", L"{name}-1", {L"my.photo-1.jpg", L"a.b-1", L"README-1"}},
    };
    for (const Case& c : cases) {
        const auto out = Run({File(L"my.photo.jpg"), Folder(L"a.b"), File(L"README")},
                             {RenameWith(c.find, c.replace, c.scope)});
        ASSERT_EQ(out.result, TaskResult::Ok) << c.scope;
        EXPECT_EQ(Names(out.entries), c.want) << c.scope << " " << c.find;
    }
}

TEST_F(FieldsTest, NumberingByModifiedTimeTiesByListOrder) {
    FileEntry a = File(L"a.jpg"), b = File(L"b.jpg"), c = File(L"c.jpg");
    a.modified = 300;
    b.modified = 100;
    c.modified = 100;
    const auto out = Run({a, b, c}, {RenameWith(L"^.*$", L"IMG_##", L"name", L"modified")});
    ASSERT_EQ(out.result, TaskResult::Ok);
    EXPECT_EQ(Names(out.entries),
              (std::vector<std::wstring>{L"IMG_03.jpg", L"IMG_01.jpg", L"IMG_02.jpg"}));
}

// Real files with metadata, planned as a job plans them.
class FieldsOnDiskTest : public ::testing::Test {
  protected:
    void Photo(const std::string& name, const char* taken) {
        WriteTinyJpeg(dir.Join(name));
        if (taken != nullptr)
            SetExif(dir.Join(name), "Exif.Photo.DateTimeOriginal", taken);
    }

    JobPlan Plan(std::vector<std::wstring> definitions) {
        JobSettings settings;
        settings.paths = {FromUtf8(dir.path() + "/")};
        settings.tasks = testing::Tasks(definitions);
        settings.listOptions = {Retrieve::kFiles, false, HiddenSystem::kHiddenAndSystem};
        return torvane::BuildPlan(settings, fs, dialogs);
    }

    // Name -> new name (or the finding's message) of the plan's one folder.
    std::map<std::wstring, std::wstring> Outcome(const JobPlan& plan) {
        std::map<std::wstring, std::wstring> out;
        const PlannedFolder& f = plan.folders.at(0);
        for (std::size_t i = 0; i < f.current.size(); ++i) {
            const Finding* finding = f.FindingAt(i);
            out[f.current[i].name.wide()] =
                finding != nullptr ? finding->message : f.updated[i].name.wide();
        }
        return out;
    }

    ScopedTimeZone zone{"CET-1CEST,M3.5.0,M10.5.0/3"};
    TempDir dir;
    PosixFileSystem fs;
    testing::RecordingDialogs dialogs;
};

TEST_F(FieldsOnDiskTest, RenameByDateTakenAndAMissingValueIsAFinding) {
    Photo("IMG_1.jpg", "2021:07:03 14:05:09");
    Photo("IMG_2.jpg", nullptr);
    const JobPlan plan = Plan({RenameWith(L"^.*$", L"{taken:%Y-%m-%d_%H%M%S}", L"name")});
    EXPECT_EQ(Outcome(plan), (std::map<std::wstring, std::wstring>{
                                 {L"IMG_1.jpg", L"2021-07-03_140509.jpg"},
                                 {L"IMG_2.jpg",
                                  L"\"IMG_2.jpg\" has no value for {taken:%Y-%m-%d_%H%M%S}; the "
                                  L"task leaves it as it is."}}));
    EXPECT_EQ(plan.folders[0].findings.at(0).second.kind, FindingKind::kMissingField);
    EXPECT_EQ(plan.problems, 1);
    EXPECT_EQ(plan.changes, 1);
}

TEST_F(FieldsOnDiskTest, ModifiedTimeFromTheDateTaken) {
    Photo("a.jpg", "2021:07:03 14:05:09");
    const JobPlan plan = Plan({TimestampWith(L"Modified", L"{taken}")});
    ASSERT_TRUE(plan.folders[0].findings.empty());
    EXPECT_EQ(plan.folders[0].updated.at(0).modified, 1625313909);
    EXPECT_TRUE(plan.folders[0].steps.at(0).times);
}

TEST_F(FieldsOnDiskTest, AnOffsetAcrossTheChangeToSummerTime) {
    // 01:30 CET on the night clocks go forward; two hours on it is 04:30 CEST.
    Photo("a.jpg", "2021:03:28 01:30:00");
    const JobPlan plan =
        Plan({RenameWith(L"^.*$", L"{taken+2h:%d %H%M}-{taken-1d:%d %H%M}", L"name")});
    EXPECT_EQ(Outcome(plan).at(L"a.jpg"), L"28 0430-27 0130.jpg");
}

TEST_F(FieldsOnDiskTest, ATagHoldingASlashIsMadeSafe) {
    testing::WriteTaggedWav(dir.Join("song.wav"),
                            {"AC/DC", "Back in Black", "What? Do: \"It\"", "Rock", 7, 1980});
    const JobPlan plan = Plan({RenameWith(L"^.*$", L"{track:2} {artist} - {title}", L"name")});
    EXPECT_EQ(Outcome(plan).at(L"song.wav"), L"07 AC_DC - What_ Do_ _It_.wav");
}

TEST_F(FieldsOnDiskTest, NumberingByDateTakenWithTies) {
    Photo("c.jpg", "2021:07:03 10:00:00");
    Photo("a.jpg", "2021:07:03 12:00:00");
    Photo("b.jpg", "2021:07:03 10:00:00");
    Photo("d.jpg", nullptr);  // no date taken: numbered last
    const JobPlan plan = Plan({RenameWith(L"^.*$", L"Trip #", L"name", L"taken")});
    EXPECT_EQ(Outcome(plan), (std::map<std::wstring, std::wstring>{{L"a.jpg", L"Trip 3.jpg"},
                                                                   {L"b.jpg", L"Trip 1.jpg"},
                                                                   {L"c.jpg", L"Trip 2.jpg"},
                                                                   {L"d.jpg", L"Trip 4.jpg"}}));
}

TEST_F(FieldsOnDiskTest, MetadataIsReadOnlyForEntriesTheReplacementIsUsedFor) {
    Photo("keep.jpg", nullptr);
    Photo("IMG_1.jpg", "2021:07:03 14:05:09");
    const JobPlan plan = Plan({RenameWith(L"^IMG_", L"{taken:%Y}_")});
    EXPECT_EQ(Outcome(plan), (std::map<std::wstring, std::wstring>{{L"IMG_1.jpg", L"2021_1.jpg"},
                                                                   {L"keep.jpg", L"keep.jpg"}}));
}

// A video's creation time, through the same job; a cut-off video has none.
TEST_F(FieldsOnDiskTest, RenameVideosByTheirCreationTime) {
    const std::string clip = testing::TinyMp4(1625313909, 320, 240);  // 12:05:09 UTC
    testing::WriteBytes(dir.Join("clip.mp4"), clip);
    testing::WriteBytes(dir.Join("cut.mp4"), clip.substr(0, 40));
    const JobPlan plan = Plan({RenameWith(L"^.*$", L"{taken:%Y-%m-%d_%H%M%S}_{width}", L"name")});
    EXPECT_EQ(Outcome(plan), (std::map<std::wstring, std::wstring>{
                                 {L"clip.mp4", L"2021-07-03_140509_320.mp4"},
                                 {L"cut.mp4",
                                  L"\"cut.mp4\" has no value for "
                                  L"{taken:%Y-%m-%d_%H%M%S}; the task leaves it as "
                                  L"it is."}}));
}

// The metadata is read inside the folder the entries were listed from, held
// open: moved away and replaced by a decoy, it is still the one read. Each
// file is opened once however many tasks and fields ask.
TEST(FieldValues, ReadInsideTheListedFolderOncePerFile) {
    const ScopedTimeZone zone("UTC");
    TempDir dir;
    std::map<std::string, std::string> photos;
    for (const char* date : {"2021:07:03 10:00:00", "2020:01:01 10:00:00"}) {
        WriteTinyJpeg(dir.Join("p.jpg"));
        SetExif(dir.Join("p.jpg"), "Exif.Photo.DateTimeOriginal", date);
        photos[date] = testing::ReadBytes(dir.Join("p.jpg"));
    }
    testing::FakeFileSystem fs;
    FileEntries listed;
    for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg"}) {
        fs.AddPlainFile(std::wstring(L"/p/") + name, photos["2021:07:03 10:00:00"]);
        listed.push_back(File(name));
        listed.back().folderPath = L"/p/";
    }
    auto folder = fs.OpenFolder(L"/p/");
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(fs.Move(L"/p", L"/q").ok());
    fs.AddPlainFile(L"/p/a.jpg", photos["2020:01:01 10:00:00"]);  // the decoy
    FieldValues values(listed, folder->get());
    testing::RecordingDialogs dialogs;
    ApplyContext context{{}, dialogs, ApplyMode::JobMode, {}};
    context.fields = &values;
    const TaskList tasks =
        testing::Tasks({RenameWith(L"^.*$", L"{taken:%Y}_{size}_#", L"name", L"taken"),
                        TimestampWith(L"Modified", L"{taken}"), RenameWith(L"_", L"{width}")});
    const NewEntries out = ComputeNewEntries(listed, tasks, context);
    ASSERT_EQ(out.result, TaskResult::Ok);
    const std::wstring size = std::to_wstring(photos["2021:07:03 10:00:00"].size());
    EXPECT_EQ(out.entries.at(0).name, L"20214" + size + L"41.jpg");
    EXPECT_EQ(out.entries.at(0).modified, 1625306400);
    EXPECT_EQ(fs.CallCount(testing::FakeFileSystem::Call::kOpenForReading), 3);
}

// Folders computed on several threads at once, as a job's plan does: each
// computation reads its own entries' metadata and nothing is shared.
TEST_F(FieldsOnDiskTest, ComputationsOnSeveralThreadsReadTheirOwnValues) {
    FileEntries listed;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        Photo(name, ("2021:07:0" + std::to_string(i + 1) + " 10:00:00").c_str());
        FileEntry e = File(FromUtf8(name));
        e.folderPath = FromUtf8(dir.path() + "/");
        listed.push_back(e);
    }
    const TaskList tasks = testing::Tasks({RenameWith(L"^.*$", L"{taken:%d}-{width}", L"name")});
    std::vector<NewEntries> results(4);
    std::vector<std::thread> threads;
    auto folder = fs.OpenFolder(FromUtf8(dir.path() + "/"));
    ASSERT_TRUE(folder.ok());
    for (auto& result : results) {
        threads.emplace_back([&] {
            testing::RecordingDialogs own;
            FieldValues values(listed, folder->get());  // one folder for all: reads are positioned
            ApplyContext context{{}, own, ApplyMode::JobMode, {}};
            context.fields = &values;
            result = ComputeNewEntries(listed, tasks, context);
        });
    }
    for (auto& t : threads)
        t.join();
    for (const NewEntries& result : results) {
        ASSERT_EQ(result.result, TaskResult::Ok);
        EXPECT_TRUE(result.misses.empty());
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(result.entries.at(i).name, L"0" + std::to_wstring(i + 1) + L"-4.jpg");
    }
}

class NoIcons : public IconProvider {
  public:
    bool AppendIconForName(const std::wstring&) override { return true; }
    void TruncateIcons(std::size_t) override {}
};

// The window's preview marks an entry without a value, for a task in the
// list and for a draft on top of it, and forgets the mark with the task.
TEST_F(FieldsOnDiskTest, ThePreviewMarksAMissingValue) {
    Photo("a.jpg", "2021:07:03 14:05:09");
    Photo("b.jpg", nullptr);
    NoIcons provider;
    IconCache icons{&provider};
    Preview preview{dialogs, icons, fs, nullptr};
    FileEntries listed;
    for (const wchar_t* name : {L"a.jpg", L"b.jpg"}) {
        FileEntry e = File(name);
        e.folderPath = FromUtf8(dir.path() + "/");
        listed.push_back(e);
    }
    TaskList tasks;
    const EngineSettings settings;
    ASSERT_EQ(preview.EntriesListed(listed, tasks, settings), TaskResult::Ok);
    const std::wstring task = RenameWith(L"^.*$", L"{taken:%Y}", L"name");
    ASSERT_EQ(preview.ShowDraft(tasks, task, std::nullopt, settings, dialogs), TaskResult::Ok);
    EXPECT_EQ(preview.FindingAt(0), nullptr);
    ASSERT_NE(preview.FindingAt(1), nullptr);
    EXPECT_EQ(preview.FindingAt(1)->kind, FindingKind::kMissingField);
    tasks.push_back({1, L"", task});
    ASSERT_EQ(preview.TaskAppended(tasks, settings), TaskResult::Ok);
    ASSERT_NE(preview.FindingAt(1), nullptr);
    EXPECT_EQ(preview.newEntries().at(0).name, L"2021.jpg");
    tasks.clear();
    ASSERT_EQ(preview.TaskListChanged(tasks, settings), TaskResult::Ok);
    EXPECT_EQ(preview.FindingAt(1), nullptr);
}

}  // namespace
}  // namespace torvane
