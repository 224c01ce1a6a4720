#include "gui/main_window.hpp"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "filelist/list_path.hpp"
#include "gui/commands.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/info_tab_general.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/pane_layout.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "gui_fixture.hpp"
#include "platform/date_text.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "recording_progress.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"

namespace torvane::gui {
namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    torvane::testing::ScopedTimeZone zone{"UTC0"};
    MainWindow window;
};

// Drags a widget with the left button held by `dx` pixels to the right.
void DragBy(QWidget* widget, int dx) {
    const QPointF from = widget->rect().center();
    const QPointF to = from + QPointF(dx, 0);
    auto send = [widget](QEvent::Type type, QPointF at, Qt::MouseButton button,
                         Qt::MouseButtons held) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// The texts of a menu's items, "-" for a separator.
QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (const QAction* item : menu->actions())
        texts << (item->isSeparator() ? QString("-") : item->text());
    return texts;
}

TEST_F(MainWindowTest, ListedFolderFillsBothListsWithItsEntries) {
    torvane::testing::TempDir dir;
    torvane::testing::WriteBytes(dir.Join("b10.txt"), "x");
    torvane::testing::WriteBytes(dir.Join("b2.txt"), "x");
    torvane::testing::WriteBytes(dir.Join("a.jpg"), "x");
    PosixFileSystem fs;
    torvane::testing::RecordingDialogs dialogs;
    torvane::testing::RecordingProgress progress;
    IconCache cache(&window.Icons());
    const ListContext context{fs, dialogs, progress, &cache};
    const FileEntries current = NavigateTo(context, FromUtf8(dir.path()) + L"/");
    const FileEntries newValues = current;
    window.CurrentModel().Attach(&current);
    window.NewModel().Attach(&newValues);

    ASSERT_TRUE(dialogs.messages().empty());
    for (auto* list : {&window.CurrentList(), &window.NewList()}) {
        const auto* model = list->model();
        ASSERT_EQ(model->rowCount(), 3);
        EXPECT_EQ(model->index(0, kNameColumn).data().toString(), "a.jpg");
        EXPECT_EQ(model->index(1, kNameColumn).data().toString(), "b2.txt");
        EXPECT_EQ(model->index(2, kNameColumn).data().toString(), "b10.txt");
        EXPECT_EQ(model->index(2, kModifiedColumn).data().toString(),
                  QString::fromStdWString(FormatDateText(current[2].modified)));
    }
    // Each extension got a row of its own, past the five base rows.
    EXPECT_EQ(window.Icons().size(), IconCache::kBaseRows + 2);
    EXPECT_GE(current[0].iconIndex, IconCache::kBaseRows);
    EXPECT_GE(current[1].iconIndex, IconCache::kBaseRows);
    EXPECT_NE(current[0].iconIndex, current[1].iconIndex);
    EXPECT_EQ(current[1].iconIndex, current[2].iconIndex);
}

TEST_F(MainWindowTest, GeneralInfoShowsAnEntryWithItsCaptionOrTheEmptyState) {
    FileEntry entry = testing::MakeEntries(1)[0];
    entry.attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    window.ShowEntryInfo(&entry, "General Info (New Attributes)");
    const auto& info = window.GeneralInfo();
    EXPECT_EQ(window.Panes().PaneTitle(PaneLayout::kGeneralInfoPane),
              "General Info (New Attributes)");
    EXPECT_TRUE(info.HasIcon());
    EXPECT_EQ(info.NameText(), "file 0.txt");
    EXPECT_EQ(info.TimeText(InfoTabGeneral::kModifiedBox), "07/03/2021 02:05:09 PM");
    EXPECT_EQ(info.TimeText(InfoTabGeneral::kCreatedBox), "07/03/2021 01:05:09 PM");
    EXPECT_EQ(info.TimeText(InfoTabGeneral::kAccessedBox), "07/03/2021 02:06:09 PM");
    for (int c = kArchiveColumn; c < kFileColumnCount; ++c) {
        EXPECT_TRUE(info.AttributeBox(c)->isEnabled()) << c;
        EXPECT_EQ(info.AttributeBox(c)->isChecked(), c == kHiddenColumn) << c;
    }

    window.ShowEntryInfo(nullptr, "General Info");
    EXPECT_EQ(window.Panes().PaneTitle(PaneLayout::kGeneralInfoPane), "General Info");
    EXPECT_FALSE(info.HasIcon());
    EXPECT_TRUE(info.NameText().isEmpty());
    EXPECT_TRUE(info.TimeText(InfoTabGeneral::kModifiedBox).isEmpty());
    for (int c = kArchiveColumn; c < kFileColumnCount; ++c) {
        EXPECT_FALSE(info.AttributeBox(c)->isEnabled()) << c;
        EXPECT_FALSE(info.AttributeBox(c)->isChecked()) << c;
    }
}

TEST_F(MainWindowTest, GeneralInfoCheckBoxesIgnoreClicks) {
    FileEntry entry = testing::MakeEntries(1)[0];
    window.ShowEntryInfo(&entry, "General Info (Current Attributes)");
    window.show();
    auto* archive = const_cast<QCheckBox*>(window.GeneralInfo().AttributeBox(kArchiveColumn));
    ASSERT_TRUE(archive->isChecked());
    QTest::mouseClick(archive, Qt::LeftButton);
    EXPECT_TRUE(archive->isChecked());
}

TEST_F(MainWindowTest, CannotBeMadeSmallerThan950By650) {
    window.show();
    EXPECT_EQ(window.minimumSize(), QSize(950, 650));
    window.resize(600, 400);
    EXPECT_GE(window.width(), 950);
    EXPECT_GE(window.height(), 650);
}

TEST_F(MainWindowTest, EnterAndEscapeNeverCloseIt) {
    window.show();
    QApplication::setActiveWindow(&window);
    for (QWidget* target :
         {static_cast<QWidget*>(&window), static_cast<QWidget*>(&window.CurrentList()),
          static_cast<QWidget*>(&window.EditorFrame())}) {
        target->setFocus();
        for (const auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(target, key);
    }
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MainWindowTest, MenusHoldTheCommandsInOrderWithTheirIds) {
    const auto popups = window.menuBar()->actions();
    ASSERT_EQ(popups.size(), 5);
    EXPECT_EQ(popups[0]->text(), "&File");
    EXPECT_EQ(MenuTexts(popups[0]->menu()),
              (QStringList{"Select File...", "Select &Folder...", "-", "&Load Task List...",
                           "&Close Task List", "-", "&Save Task List", "Save Task List As...", "-",
                           "&Apply Task List", "-", "E&xit"}));
    EXPECT_EQ(popups[1]->text(), "&Edit");
    EXPECT_EQ(MenuTexts(popups[1]->menu()),
              (QStringList{"&Undo Last Job", "Job &History...", "-", "&Previous Folder",
                           "Nex&t Folder", "&Refresh", "-", "Move Task Item &Up",
                           "Move Task Item &Down", "&Remove Task Item", "&Clear Task List"}));
    EXPECT_EQ(popups[2]->text(), "&View");
    EXPECT_EQ(MenuTexts(popups[2]->menu()), (QStringList{"&Next Problem", "&Previous Problem"}));
    EXPECT_EQ(popups[3]->text(), "&Tools");
    EXPECT_EQ(MenuTexts(popups[3]->menu()), (QStringList{"&Option..."}));
    EXPECT_EQ(popups[4]->text(), "&Help");
    window.SetProductName("Torvane Test");
    EXPECT_EQ(MenuTexts(popups[4]->menu()), (QStringList{"About Torvane Test"}));
    EXPECT_EQ(window.windowTitle(), "Torvane Test");

    EXPECT_EQ(window.Action(kCmdSelectFolder)->text(), "Select &Folder...");
    EXPECT_EQ(window.Action(32782)->text(), "&Apply Task List");
    EXPECT_EQ(window.Action(12345), nullptr);
}

TEST_F(MainWindowTest, ToolBarButtonsInOrderWithTooltipsAndIcons) {
    QStringList tips;
    for (const QAction* item : window.ToolBar().actions()) {
        tips << (item->isSeparator() ? QString("-") : item->toolTip());
        if (!item->isSeparator()) {
            EXPECT_FALSE(item->icon().isNull()) << item->text().toStdString();
        }
    }
    EXPECT_EQ(tips, (QStringList{
                        "Select a document", "Select a folder",
                        "Apply the task list to the listed entries: rename them, change their "
                        "times and attributes",
                        "-", "Navigate back to previous folder", "Navigate forward to next folder",
                        "-", "Move selected task item up", "Move selected task item down",
                        "Delete selected task item", "Clear task list", "-", "Edit preferences"}));
}

TEST_F(MainWindowTest, CommandStateReachesMenuItemAndToolBarButtonAlike) {
    window.show();
    auto* button = qobject_cast<QToolButton*>(
        window.ToolBar().widgetForAction(window.Action(kCmdUpdateAttributes)));
    ASSERT_NE(button, nullptr);
    window.SetCommandEnabled(kCmdUpdateAttributes, false);
    EXPECT_FALSE(window.Action(kCmdUpdateAttributes)->isEnabled());
    EXPECT_FALSE(button->isEnabled());
    window.SetCommandEnabled(kCmdUpdateAttributes, true);
    EXPECT_TRUE(button->isEnabled());

    std::vector<int> triggered;
    QObject::connect(&window, &MainWindow::CommandTriggered,
                     [&](int id) { triggered.push_back(id); });
    QTest::mouseClick(button, Qt::LeftButton);
    window.Action(kCmdExit)->trigger();
    EXPECT_EQ(triggered, (std::vector<int>{kCmdUpdateAttributes, kCmdExit}));
}

TEST_F(MainWindowTest, LayoutPanesAndBars) {
    window.show();
    const auto& panes = window.Panes();
    EXPECT_EQ(panes.PaneTitle(PaneLayout::kCurrentPane), "Current Attribute");
    EXPECT_EQ(panes.PaneTitle(PaneLayout::kNewPane), "New Attribute");
    EXPECT_EQ(panes.PaneTitle(PaneLayout::kGeneralInfoPane), "General Info");

    const QWidget* top = panes.TopRow();
    const QWidget* info = panes.PaneFrame(PaneLayout::kGeneralInfoPane);
    const int total = panes.height() - PaneLayout::kBorder;
    EXPECT_NEAR(top->height(), total * 0.7, 1.0);
    EXPECT_EQ(info->width(), panes.width());
    EXPECT_EQ(info->y(), top->height() + PaneLayout::kBorder);

    const int left = panes.PaneFrame(PaneLayout::kCurrentPane)->width();
    const int right = panes.PaneFrame(PaneLayout::kNewPane)->width();
    EXPECT_LE(std::abs(left - right), 2);
    DragBy(panes.ListSplitter()->handle(1), 100);
    EXPECT_NEAR(panes.PaneFrame(PaneLayout::kCurrentPane)->width(), left + 100, 2);

    window.resize(1400, 900);
    EXPECT_NEAR(top->height(), (panes.height() - PaneLayout::kBorder) * 0.7, 1.0);

    const QProgressBar& bar = window.ProgressBar();
    const QWidget* central = window.centralWidget();
    EXPECT_EQ(bar.x(), central->width() - bar.geometry().right() - 1);  // same margin both sides
    EXPECT_GT(bar.y(), panes.geometry().bottom());
}

}  // namespace
}  // namespace torvane::gui
