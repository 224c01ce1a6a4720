// The window's preview of tasks with fields: the metadata read in the
// background, "reading" until it is in, the missing values marked only once
// read, and the reads dropped with the folder on show or the controller.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "controller_fixture.hpp"
#include "time_zone.hpp"

namespace torvane::testing {
namespace {

using Names = std::vector<std::wstring>;

// A metadata reader that waits until its gate is opened, then gives each
// file its date taken from `taken` (none for a file not in it), and counts
// the reads of each path and group.
class GatedReader {
  public:
    std::map<std::wstring, std::int64_t> taken;

    FieldReader Reader() {
        return [this](const FileEntry& entry, unsigned groups, EntryMetadata& into) {
            std::unique_lock lock(mutex_);
            opened_.wait(lock, [this] { return open_; });
            ++reads_[entry.FullPath()][groups];
            const auto it = taken.find(entry.name.wide());
            if ((groups & kMetadataImage) != 0 && it != taken.end())
                into.taken = it->second;
            if ((groups & kMetadataSize) != 0)
                into.size = entry.name.wide().size();
            into.groupsRead |= groups;
        };
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    // How often the file at `path` was read for `groups`.
    int Reads(const std::wstring& path, unsigned groups) {
        std::lock_guard lock(mutex_);
        return reads_[path][groups];
    }
    int AllReads() {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const auto& [path, counts] : reads_)
            for (const auto& [groups, count] : counts)
                n += count;
        return n;
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    std::map<std::wstring, std::map<unsigned, int>> reads_;
};

// 2019-06-15 and 2021-06-15 at noon UTC.
constexpr std::int64_t k2019 = 1560600000;
constexpr std::int64_t k2021 = 1623758400;

class FieldsPreviewTest : public ControllerTest {
  protected:
    FieldsPreviewTest() {
        reader.taken = {{L"a.jpg", k2019}, {L"b.jpg", k2021}};
        readFields = reader.Reader();
        fs.AddFile(L"/data/a.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);
        fs.AddFile(L"/data/b.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);
        fs.AddFile(L"/data/c.txt", FILE_ATTRIBUTE_ARCHIVE, 1000);
        fs.AddFile(L"/other/d.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);
    }
    ~FieldsPreviewTest() override { reader.Open(); }

    // A rename of the name without extension to `replace`, with fields.
    static RenameTaskFields FieldRename(std::wstring replace) {
        RenameTaskFields f = RenameRecord(L"^.*$", std::move(replace), L"", true);
        f.fields = L"TRUE";
        f.scope = std::wstring(kScopeName);
        return f;
    }
    Names NewNames() const {
        Names out;
        for (const FileEntry& e : controller->newEntries())
            out.push_back(e.name.wide());
        return out;
    }
    std::vector<unsigned> Reading() const {
        std::vector<unsigned> out;
        for (std::size_t i = 0; i < controller->newEntries().size(); ++i)
            out.push_back(controller->preview().ReadingAt(i));
        return out;
    }
    // Runs the UI queue until every value asked for is in.
    void WaitForFields() {
        ui.RunUntil([this] { return !controller->preview().fieldsReading(); });
    }

    ScopedTimeZone zone{"UTC0"};
    GatedReader reader;
};

// Until the values are in, the entries keep their names and show as
// reading, and none is missing a value; then the names are made and only the
// file without a date is marked. Every file is read once for its group.
TEST_F(FieldsPreviewTest, ReadingUntilTheValuesAreInThenTheValuesOrTheMark) {
    Start();
    ChooseFolder(L"/data");
    ASSERT_TRUE(Submit(FieldRename(L"{taken:%Y}")));  // returns while the reads wait
    EXPECT_TRUE(controller->preview().fieldsReading());
    EXPECT_EQ(NewNames(), (Names{L"a.jpg", L"b.jpg", L"c.txt"}));
    EXPECT_EQ(Reading(), (std::vector<unsigned>(3, kFieldColumnName)));
    EXPECT_TRUE(controller->preview().findings().empty());

    reader.Open();
    WaitForFields();
    EXPECT_EQ(NewNames(), (Names{L"2019.jpg", L"2021.jpg", L"c.txt"}));
    EXPECT_EQ(Reading(), (std::vector<unsigned>(3, 0)));
    ASSERT_EQ(controller->preview().findings().size(), 1u);
    EXPECT_EQ(controller->preview().findings()[0].first, 2u);
    EXPECT_EQ(controller->preview().findings()[0].second.kind, FindingKind::kMissingField);

    // Another task of the same group reads nothing again; one of another
    // group reads that group only.
    ASSERT_TRUE(Submit(FieldRename(L"$&-{taken:%m}")));
    EXPECT_FALSE(controller->preview().fieldsReading());
    EXPECT_EQ(NewNames(), (Names{L"2019-06.jpg", L"2021-06.jpg", L"c.txt"}));
    ASSERT_TRUE(Submit(FieldRename(L"$&-{size}")));
    WaitForFields();
    EXPECT_EQ(NewNames(), (Names{L"2019-06-5.jpg", L"2021-06-5.jpg", L"c-5.txt"}));
    for (const std::wstring name : {L"a.jpg", L"b.jpg", L"c.txt"}) {
        EXPECT_EQ(reader.Reads(L"/data/" + name, kMetadataImage), 1);
        EXPECT_EQ(reader.Reads(L"/data/" + name, kMetadataSize), 1);
    }
    EXPECT_EQ(reader.AllReads(), 6);
}

// A timestamp task with fields waits in the time it sets, not in the name.
TEST_F(FieldsPreviewTest, ATimestampTaskWaitsInItsTimeColumn) {
    Start();
    ChooseFolder(L"/data");
    TimestampTaskFields task;
    task.find = L"^.*$";
    task.replace = L"{taken}";
    task.timeKind = std::wstring(kTimeKindCreated);
    task.regex = L"TRUE";
    task.fields = L"TRUE";
    ASSERT_TRUE(Submit(task));
    EXPECT_EQ(Reading(), (std::vector<unsigned>(3, kFieldColumnCreated)));
    reader.Open();
    WaitForFields();
    EXPECT_EQ(controller->newEntries()[0].created, k2019);
    EXPECT_EQ(controller->newEntries()[1].created, k2021);
    EXPECT_EQ(Reading(), (std::vector<unsigned>(3, 0)));
}

// Another folder listed, or the same one refreshed, drops the values and
// the reads of the one before: what they read never reaches the new list.
TEST_F(FieldsPreviewTest, ListingAgainDropsTheReadsAndTheValues) {
    Start();
    ChooseFolder(L"/data");
    ASSERT_TRUE(Submit(FieldRename(L"{taken:%Y}")));
    ChooseFolder(L"/other");
    reader.taken[L"d.jpg"] = k2021;
    EXPECT_EQ(Reading(), (std::vector<unsigned>{kFieldColumnName}));
    reader.Open();
    WaitForFields();
    EXPECT_EQ(NewNames(), (Names{L"2021.jpg"}));
    ui.RunPending();  // a batch of the folder before, if one was on its way
    EXPECT_EQ(NewNames(), (Names{L"2021.jpg"}));

    reader.taken[L"d.jpg"] = k2019;
    controller->Refresh();
    EXPECT_EQ(Reading(), (std::vector<unsigned>{kFieldColumnName}));
    WaitForFields();
    EXPECT_EQ(NewNames(), (Names{L"2019.jpg"}));
    EXPECT_EQ(reader.Reads(L"/other/d.jpg", kMetadataImage), 2);
}

// Editing the task list while the values are read: they are shown with the
// list as it is when they arrive (here, without the task that asked).
TEST_F(FieldsPreviewTest, ValuesArrivingAfterAnEditShowTheListAsItIs) {
    Start();
    ChooseFolder(L"/data");
    ASSERT_TRUE(Submit(FieldRename(L"{taken:%Y}")));
    controller->taskList().ClearTaskList();
    EXPECT_EQ(Reading(), (std::vector<unsigned>(3, 0)));
    reader.Open();
    WaitForFields();
    EXPECT_EQ(NewNames(), (Names{L"a.jpg", L"b.jpg", L"c.txt"}));
    EXPECT_TRUE(controller->preview().findings().empty());
}

// A draft with fields on top of the list reads in the background too; the
// values arriving show the draft, and the list's own values under it.
TEST_F(FieldsPreviewTest, ADraftIsCompletedAsValuesArrive) {
    Start();
    ChooseFolder(L"/data");
    ASSERT_TRUE(Submit(RenameRecord(L"c", L"d")));
    EXPECT_EQ(controller->taskList().PreviewDraft(FieldRename(L"{taken:%Y}")), DraftOutcome{});
    EXPECT_TRUE(controller->preview().draftShown());
    EXPECT_EQ(NewNames(), (Names{L"a.jpg", L"b.jpg", L"d.txt"}));
    EXPECT_EQ(Reading(), (std::vector<unsigned>(3, kFieldColumnName)));
    reader.Open();
    WaitForFields();
    EXPECT_TRUE(controller->preview().draftShown());
    EXPECT_EQ(NewNames(), (Names{L"2019.jpg", L"2021.jpg", L"d.txt"}));
    controller->taskList().PreviewDraft(std::nullopt);
    EXPECT_EQ(NewNames(), (Names{L"a.jpg", L"b.jpg", L"d.txt"}));
}

// The controller goes while files are being read: it waits for the reads
// under way, and a batch still queued for the UI thread does nothing.
TEST_F(FieldsPreviewTest, ClosingWhileReadingCallsNothingBack) {
    Start();
    ChooseFolder(L"/data");
    ASSERT_TRUE(Submit(FieldRename(L"{taken:%Y}")));
    std::thread opener([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        reader.Open();
    });
    controller.reset();
    opener.join();
    ui.RunPending();
    EXPECT_LE(reader.AllReads(), 3);
}

// A batch (the console) shows no preview: nothing is read in the background.
TEST_F(FieldsPreviewTest, ABatchReadsNothingInTheBackground) {
    reader.Open();
    Make();
    controller->Initialize(CommandLineInfo{}, {}, RunMode::kBatch);
    ChooseFolder(L"/data");
    ASSERT_TRUE(Submit(FieldRename(L"{taken:%Y}")));
    EXPECT_FALSE(controller->preview().fieldsReading());
    EXPECT_EQ(Reading(), (std::vector<unsigned>(3, 0)));
    EXPECT_EQ(reader.AllReads(), 0);
}

}  // namespace
}  // namespace torvane::testing
