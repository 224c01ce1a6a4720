// Renders the main window with a listed sample folder and a rename task to a
// PNG in the build folder, so that the window can be looked at.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTest>
#include <utility>

#include "app/main_controller.hpp"
#include "filelist/list_path.hpp"
#include "gui/commands.hpp"
#include "gui/editor/editor_side_widgets.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/info_tab_general.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/main_window.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "gui/qt/qt_ui_thread.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "recording_view.hpp"
#include "temp_dir.hpp"
#include "wired_window.hpp"

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

TEST(MainWindowSnapshot, RendersAListedFolderWithARenameTask) {
    torvane::testing::TempDir dir;
    MakeSampleFolder(dir);
    PosixFileSystem fs;
    torvane::testing::RecordingDialogs dialogs;
    torvane::testing::RecordingView pickers;
    MainWindow window;
    MainControllerServices services{fs, dialogs, pickers, window.UiThread()};
    window.ServeAsViews(services);
    MainController controller(std::move(services));
    window.Attach(controller);
    EditorSideOptions editorOptions;
    editorOptions.dialogs = &dialogs;
    EditorSideWidgets editors(controller, &window, editorOptions);
    window.SetEditorSide(editors);
    controller.Initialize(CommandLineInfo{});
    const std::wstring path = FromUtf8(dir.path()) + L"/";
    pickers.folderAnswers.push_back(
        FolderChoice{path, {Retrieve::kFilesAndFolders, false, HiddenSystem::kNone}});
    window.Action(kCmdSelectFolder)->trigger();
    ASSERT_EQ(controller.SubmitTask(torvane::testing::RenameRecord(L"Holiday", L"Summer")), 1);
    window.show();
    QApplication::setActiveWindow(&window);

    auto& list = window.NewList();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model()->index(3, 0)).center());
    ASSERT_EQ(window.CurrentList().SelectedRow(), 3);
    EXPECT_EQ(window.NewModel().index(3, 0).data().toString(), "Summer 02.jpg");
    EXPECT_EQ(window.GeneralInfo().NameText(), "Summer 02.jpg");
    // The submitted task is not saved: the title carries the modified mark.
    EXPECT_EQ(window.windowTitle(), QString::fromStdWString(controller.title()) + "[*]");

    const QString target = TORVANE_SNAPSHOT_PATH;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
    EXPECT_TRUE(window.grab().save(target));
}

}  // namespace
}  // namespace torvane::gui
