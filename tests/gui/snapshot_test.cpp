// Renders the main window with a listed sample folder and a rename task to a
// PNG in the build folder, so that the window can be looked at.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTest>

#include "engine/preview.hpp"
#include "filelist/list_path.hpp"
#include "gui/file_list_model.hpp"
#include "gui/main_window.hpp"
#include "gui/qt_icon_provider.hpp"
#include "gui/sync_list_view.hpp"
#include "gui_fixture.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "recording_progress.hpp"
#include "tasks/task_definition.hpp"
#include "temp_dir.hpp"

namespace torvane::gui {
namespace {

// Sample files with modification times some days apart.
void MakeSampleFolder(const torvane::testing::TempDir& dir) {
    const char* names[] = {"Holiday 01.jpg", "Holiday 02.jpg", "Holiday 10.jpg", "Holiday 11.jpg",
                           "notes.txt",      "report.pdf",     "setup.exe",      "song.mp3",
                           "budget.ods",     "README"};
    long when = 1625321109;
    for (const char* name : names) {
        torvane::testing::WriteBytes(dir.Join(name), "sample");
        const timeval times[2] = {{when + 3600, 0}, {when, 0}};
        ::utimes(dir.Join(name).c_str(), times);
        when += 86400 * 3 + 3917;
    }
    QDir(QString::fromStdString(dir.path())).mkdir("Albums");
}

TaskItem RenameTask(const wchar_t* find, const wchar_t* replace) {
    RenameTaskFields fields;
    fields.find = find;
    fields.replace = replace;
    return TaskItem{1, L"", BuildTaskDefinition(fields)};
}

TEST(MainWindowSnapshot, RendersAListedFolderWithARenameTask) {
    torvane::testing::TempDir dir;
    MakeSampleFolder(dir);
    MainWindow window;
    PosixFileSystem fs;
    torvane::testing::RecordingDialogs dialogs;
    torvane::testing::RecordingProgress progress;
    IconCache cache(&window.Icons());
    ListContext context{fs, dialogs, progress, &cache};
    context.options.retrieveOption = kRetrieveFilesAndFolders;
    const std::wstring path = FromUtf8(dir.path()) + L"/";
    Preview preview(dialogs, cache);
    const TaskList tasks = {RenameTask(L"Holiday", L"Summer")};
    ASSERT_EQ(preview.EntriesListed(NavigateTo(context, path), tasks, {}), TaskResult::Ok);
    window.CurrentModel().Attach(&preview.currentEntries());
    window.NewModel().Attach(&preview.newEntries());
    window.SetProductName("Torvane");
    window.setWindowTitle("Torvane: " + QString::fromStdWString(path) + " (11 items)");
    window.TaskKindSelector().setEnabled(true);
    window.show();
    QApplication::setActiveWindow(&window);

    auto& list = window.NewList();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model()->index(3, 0)).center());
    window.ShowEntryInfo(&preview.newEntries()[3], "General Info (New Attributes)");
    ASSERT_EQ(window.CurrentList().SelectedRow(), 3);
    EXPECT_EQ(window.NewModel().index(3, 0).data().toString(), "Summer 02.jpg");

    const QString target = TORVANE_SNAPSHOT_PATH;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
    EXPECT_TRUE(window.grab().save(target));
}

}  // namespace
}  // namespace torvane::gui
