// The window's new-name column while a task's fields are read: "reading…"
// with the event loop turning, then the values.
#include <gtest/gtest.h>

#include <QTimer>
#include <condition_variable>
#include <mutex>

#include "gui/lists/file_columns.hpp"
#include "gui/lists/file_list_model.hpp"
#include "platform/file_attributes.hpp"
#include "wired_window.hpp"

namespace torvane::gui {
namespace {

using torvane::testing::RenameRecord;

class FieldsPreviewWindowTest : public ::testing::Test, public torvane::testing::WiredWindow {
  protected:
    FieldsPreviewWindowTest() {
        fs.AddFile(L"/data/a.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);
        fs.AddFile(L"/data/b.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);
        // Each file's size is its name's length, once the gate is open.
        readFields = [this](const FileEntry& entry, unsigned groups, EntryMetadata& into) {
            std::unique_lock lock(mutex_);
            opened_.wait(lock, [this] { return open_; });
            into.size = entry.name.wide().size() * 100;
            into.groupsRead |= groups;
        };
        Start();
    }
    ~FieldsPreviewWindowTest() override { Open(); }

    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    QString NewName(int row) const {
        return window.NewModel().index(row, kNameColumn).data().toString();
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

TEST_F(FieldsPreviewWindowTest, NewNamesShowReadingThenTheValuesWhileEventsRun) {
    ChooseFolder(L"/data");
    RenameTaskFields task = RenameRecord(L"^.*$", L"$&-{size}");
    task.regex = L"TRUE";
    task.fields = L"TRUE";
    task.scope = L"name";
    ASSERT_TRUE(controller->taskList().SubmitTask(task));
    EXPECT_EQ(NewName(0), QStringLiteral("reading\u2026"));
    EXPECT_EQ(NewName(1), QStringLiteral("reading\u2026"));
    EXPECT_EQ(window.CurrentModel().index(0, kNameColumn).data().toString(), "a.jpg");

    // The event loop turns while the files are read: a timer ticks, and
    // opens the reads' gate on its third tick.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 3)
            Open();
    });
    timer.start(1);
    ui.RunUntil([this] { return !controller->preview().fieldsReading(); });
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(NewName(0), "a-500.jpg");
    EXPECT_EQ(NewName(1), "b-500.jpg");
}

}  // namespace
}  // namespace torvane::gui
