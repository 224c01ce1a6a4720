// Renders the main window with a listed sample folder and a rename task to
// PNGs in the build folder (build/screenshots), so that the window can be
// looked at: light and dark palettes, the minimum size, each editor page with
// a draft on show, and a draft's problem. The file names say the subject,
// the palette and, in the run with QT_SCALE_FACTOR=2 (the CTest test
// gui_screenshots_200), the scale: main_window.png, main_window_dark.png,
// main_window_950x650.png, page_rename.png, main_window_200.png, ...
#include <gtest/gtest.h>
#include <sys/time.h>

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <utility>

#include "app/main_controller.hpp"
#include "filelist/list_path.hpp"
#include "gui/commands.hpp"
#include "gui/dialogs/review_dialog.hpp"
#include "gui/editor/attribute_page.hpp"
#include "gui/editor/criteria_tabs.hpp"
#include "gui/editor/editor_side_widgets.hpp"
#include "gui/editor/rename_page.hpp"
#include "gui/editor/timestamp_page.hpp"
#include "gui/lists/file_columns.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/info_tab_general.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/main_window.hpp"
#include "gui/pane_layout.hpp"
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

// The screenshot's path: the name, "_200" in a run at twice the scale.
QString ScreenshotPath(const QString& name) {
    const qreal scale = qApp->devicePixelRatio();
    const QString suffix = scale > 1.0 ? QStringLiteral("_%1").arg(qRound(scale * 100)) : QString();
    return QString(TORVANE_SCREENSHOT_DIR) + "/" + name + suffix + ".png";
}

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
    ASSERT_EQ(
        controller.taskList().SubmitTask(torvane::testing::RenameRecord(L"Holiday", L"Summer")), 1);
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

    const QString target = ScreenshotPath("main_window");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
    EXPECT_TRUE(window.grab().save(target));
}

// The window over a real controller, a listed sample folder and one rename
// task, with the editor side, shown at `size`.
class WindowSnapshot : public ::testing::Test {
  protected:
    void Build(QSize size = {}) {
        MakeSampleFolder(dir);
        MainControllerServices services{fs, dialogs, pickers, window.UiThread()};
        window.ServeAsViews(services);
        controller = std::make_unique<MainController>(std::move(services));
        window.Attach(*controller);
        EditorSideOptions editorOptions;
        editorOptions.dialogs = &dialogs;
        editors = std::make_unique<EditorSideWidgets>(*controller, &window, editorOptions);
        window.SetEditorSide(*editors);
        controller->Initialize(CommandLineInfo{});
        pickers.folderAnswers.push_back(FolderChoice{
            FromUtf8(dir.path()) + L"/", {Retrieve::kFilesAndFolders, false, HiddenSystem::kNone}});
        window.Action(kCmdSelectFolder)->trigger();
        ASSERT_EQ(controller->taskList().SubmitTask(
                      torvane::testing::RenameRecord(L"Holiday", L"Summer")),
                  1);
        if (size.isValid())
            window.resize(size);
        window.show();
        QApplication::setActiveWindow(&window);
    }
    void Save(const QString& name) {
        const QString target = ScreenshotPath(name);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
        EXPECT_TRUE(window.grab().save(target)) << target.toStdString();
    }
    CriteriaTabs& Tabs() const { return editors->CriteriaTabs(); }
    // A problem in the folder on show and one below it (a rename into a
    // name that is taken), then the lists, then the whole job.
    void ShowTheWholeJobWithAProblem() {
        torvane::testing::WriteBytes(dir.Join("Summer 01.jpg"), "taken");
        ASSERT_TRUE(QDir(QString::fromStdString(dir.path())).mkpath("Albums/2021"));
        torvane::testing::WriteBytes(dir.Join("Albums/Holiday 05.jpg"), "x");
        torvane::testing::WriteBytes(dir.Join("Albums/2021/Holiday 06.jpg"), "x");
        controller->Refresh();
        window.Panes().ProblemsOnlyBox().setChecked(false);
        Save("problems_950x650" + Suffix());
        pickers.folderAnswers.push_back(FolderChoice{
            FromUtf8(dir.path()) + L"/", {Retrieve::kFiles, true, HiddenSystem::kNone}});
        window.Action(kCmdSelectFolder)->trigger();
        window.Panes().WholeJobBox().click();
        while (controller->wholeJobPlanning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        ASSERT_NE(window.WholeJobModel(), nullptr);
        EXPECT_EQ(window.WholeJobModel()->problemRows(), 1);
        EXPECT_EQ(window.WholeJobModel()->rowCount(), 6);
    }
    QString Suffix() const {
        return window.palette().color(QPalette::Window).lightness() < 128 ? "_dark" : "";
    }

    torvane::testing::TempDir dir;
    PosixFileSystem fs;
    torvane::testing::RecordingDialogs dialogs;
    torvane::testing::RecordingView pickers;
    MainWindow window;
    std::unique_ptr<MainController> controller;
    std::unique_ptr<EditorSideWidgets> editors;
};

// A dark application palette, set before the window is made and put back
// after it is gone.
class DarkPalette {
  public:
    DarkPalette() {
        QPalette dark;
        const QColor surface(0x2a, 0x2a, 0x2e), base(0x1e, 0x1e, 0x22), text(0xee, 0xee, 0xec);
        dark.setColor(QPalette::Window, surface);
        dark.setColor(QPalette::WindowText, text);
        dark.setColor(QPalette::Base, base);
        dark.setColor(QPalette::AlternateBase, surface);
        dark.setColor(QPalette::Text, text);
        dark.setColor(QPalette::Button, surface);
        dark.setColor(QPalette::ButtonText, text);
        dark.setColor(QPalette::ToolTipBase, base);
        dark.setColor(QPalette::ToolTipText, text);
        dark.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
        dark.setColor(QPalette::HighlightedText, Qt::white);
        dark.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
        dark.setColor(QPalette::Light, QColor(0x40, 0x40, 0x46));
        dark.setColor(QPalette::Midlight, QColor(0x36, 0x36, 0x3a));
        dark.setColor(QPalette::Mid, QColor(0x22, 0x22, 0x26));
        dark.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
        dark.setColor(QPalette::Shadow, Qt::black);
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
        QApplication::setPalette(dark);
    }
    ~DarkPalette() { QApplication::setPalette(kept_); }
    DarkPalette(const DarkPalette&) = delete;
    DarkPalette& operator=(const DarkPalette&) = delete;

  private:
    const QPalette kept_ = QApplication::palette();
};

class DarkWindowSnapshot : public DarkPalette, public WindowSnapshot {};

TEST_F(DarkWindowSnapshot, DarkPalette) {
    Build();
    ASSERT_EQ(window.palette().color(QPalette::Window), QColor(0x2a, 0x2a, 0x2e));
    Save("main_window_dark");

    auto& rename = Tabs().NamePage();
    rename.RegexBox().click();
    rename.FindBox().setText("Holiday (");
    rename.FlushDraft();
    ASSERT_FALSE(rename.DraftProblem().isEmpty());
    Save("page_rename_problem_dark");
}

// Every column on show lies wholly inside both lists: none is behind a
// scroll bar.
void ExpectEveryColumnInView(const MainWindow& window) {
    for (const SyncListView* list : {&window.CurrentList(), &window.NewList()}) {
        const QHeaderView* header = list->horizontalHeader();
        for (int c = 0; c < kFileColumnCount; ++c) {
            if (header->isSectionHidden(c))
                continue;
            EXPECT_LE(header->sectionViewportPosition(c) + header->sectionSize(c),
                      list->viewport()->width())
                << "column " << c << " of list " << list->listId();
        }
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << "list " << list->listId();
    }
}

TEST_F(WindowSnapshot, MinimumSize) {
    Build(QSize(950, 650));
    ASSERT_EQ(window.size(), QSize(950, 650));
    ExpectEveryColumnInView(window);
    Save("main_window_950x650");
}

TEST_F(DarkWindowSnapshot, MinimumSizeWithTheWholeJob) {
    Build(QSize(950, 650));
    ExpectEveryColumnInView(window);
    Save("main_window_950x650_dark");
    ShowTheWholeJobWithAProblem();
    Save("whole_job_950x650_dark");
}

TEST_F(WindowSnapshot, MinimumSizeWithTheWholeJob) {
    Build(QSize(950, 650));
    ShowTheWholeJobWithAProblem();
    Save("whole_job_950x650");
}

TEST_F(WindowSnapshot, EachPageWithADraftOnShow) {
    Build();
    auto& rename = Tabs().NamePage();
    rename.NameBox().setText("Number the songs");
    rename.FindBox().setText("song");
    rename.ReplaceBox().setText("track ##");
    rename.NumberingBox().click();
    rename.StartAtBox().setText("1");
    rename.FlushDraft();
    ASSERT_FALSE(window.NewModel()
                     .match(window.NewModel().index(0, 0), Qt::DisplayRole, "track 01.mp3")
                     .isEmpty());
    Save("page_rename");

    rename.RegexBox().click();
    rename.FindBox().setText("song(");
    rename.FlushDraft();
    ASSERT_FALSE(rename.DraftProblem().isEmpty());
    Save("page_rename_problem");
    rename.SecondaryButton().click();

    editors->ShowEditorPage(kTimestampPage);
    auto& date = Tabs().DatePage();
    date.NameBox().setText("A year later");
    date.FindBox().setText("2021");
    date.ReplaceBox().setText("2022");
    date.FlushDraft();
    ASSERT_TRUE(date.DraftProblem().isEmpty());
    Save("page_timestamp");
    date.SecondaryButton().click();

    editors->ShowEditorPage(kAttributePage);
    auto& attributes = Tabs().AttributesPage();
    attributes.NameBox().setText("Hide the notes");
    attributes.PatternBox().setText("notes.txt");
    attributes.AttributeBox(AttributePage::kHidden).click();
    attributes.FlushDraft();
    ASSERT_TRUE(attributes.DraftProblem().isEmpty());
    EXPECT_EQ(controller->preview().changes(), 5);
    // The attribute columns in place of the date, their headings whole.
    window.CurrentList().ShowColumn(kModifiedColumn, false);
    for (int c = kArchiveColumn; c < kFileColumnCount; ++c)
        window.CurrentList().ShowColumn(c, true);
    Save("page_attribute");
}

}  // namespace
}  // namespace torvane::gui
