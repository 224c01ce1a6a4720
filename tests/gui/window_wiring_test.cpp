// The main window driven by a real controller on the in-memory file system:
// what the controller announces is drawn, and the user's gestures reach it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <thread>
#include <vector>

#include "gated_file_system.hpp"
#include "gui/commands.hpp"
#include "gui/editor/editor_side.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/info_tab_general.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/main_window.hpp"
#include "gui/pane_layout.hpp"
#include "gui/qt/folder_picker.hpp"
#include "gui/qt/qt_pickers.hpp"
#include "gui/qt/qt_ui_thread.hpp"
#include "gui_fixture.hpp"
#include "platform/file_attributes.hpp"
#include "recording_dialogs.hpp"
#include "recording_view.hpp"
#include "temp_dir.hpp"
#include "wired_window.hpp"

namespace torvane::gui {
namespace {

using torvane::testing::RenameRecord;

class WindowWiringTest : public ::testing::Test, public torvane::testing::WiredWindow {
  protected:
    WindowWiringTest() {
        for (int i = 0; i < 12; ++i)
            fs.AddFile(L"/data/photo " + std::to_wstring(i) + L".jpg", FILE_ATTRIBUTE_ARCHIVE,
                       1625321109 + i * 86400);
        fs.AddFolder(L"/other/");
        fs.AddFile(L"/other/x.txt");
        Start();
    }

    QString Cell(FileListModel& model, int row, int column = 0) const {
        return model.index(row, column).data().toString();
    }

    void Click(SyncListView& list, int row) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualRect(list.model()->index(row, 0)).center());
    }

    bool ButtonEnabled(int command) const {
        return window.ToolBar().widgetForAction(window.Action(command))->isEnabled();
    }

    void Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        // A drop goes to the widget that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &enter);
        QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &drop);
    }
};

TEST_F(WindowWiringTest, AListedFolderFillsBothListsAndATaskRenamesTheNewOne) {
    ChooseFolder(L"/data/");
    ASSERT_EQ(window.CurrentModel().rowCount(), 12);
    ASSERT_EQ(window.NewModel().rowCount(), 12);
    EXPECT_EQ(Cell(window.CurrentModel(), 2), "photo 2.jpg");
    EXPECT_EQ(Cell(window.CurrentModel(), 10), "photo 10.jpg");
    EXPECT_EQ(Cell(window.CurrentModel(), 2, 1), "07/05/2021 02:05:09 PM");
    EXPECT_EQ(Cell(window.NewModel(), 2), "photo 2.jpg");
    EXPECT_EQ(window.windowTitle(), QString::fromStdWString(controller->title()));

    ASSERT_EQ(controller->taskList().SubmitTask(RenameRecord(L"photo", L"holiday")), 1);
    EXPECT_EQ(Cell(window.NewModel(), 10), "holiday 10.jpg");
    EXPECT_EQ(Cell(window.CurrentModel(), 10), "photo 10.jpg");
}

TEST_F(WindowWiringTest, SelectionIsMirroredAndGeneralInfoShowsTheClickedList) {
    ChooseFolder(L"/data/");
    controller->taskList().SubmitTask(RenameRecord(L"photo", L"holiday"));
    window.show();

    Click(window.CurrentList(), 5);
    EXPECT_EQ(window.NewList().SelectedRow(), 5);
    Click(window.NewList(), 5);
    EXPECT_EQ(window.CurrentList().SelectedRow(), 5);
    const QString caption = QString::fromStdWString(controller->generalInfo().caption);
    EXPECT_NE(caption, "General Info");
    EXPECT_EQ(window.Panes().PaneTitle(PaneLayout::kGeneralInfoPane), caption);
    EXPECT_EQ(window.GeneralInfo().NameText(), "holiday 5.jpg");

    Click(window.CurrentList(), 3);
    EXPECT_EQ(window.GeneralInfo().NameText(), "photo 3.jpg");
    EXPECT_EQ(window.Panes().PaneTitle(PaneLayout::kGeneralInfoPane),
              QString::fromStdWString(controller->generalInfo().caption));
    EXPECT_NE(window.Panes().PaneTitle(PaneLayout::kGeneralInfoPane), caption);
}

TEST_F(WindowWiringTest, MenuItemsAndToolBarButtonsFollowTheCommandStates) {
    ASSERT_EQ(controller->taskList().SubmitTask(RenameRecord(L"x", L"y")), 1);
    EXPECT_FALSE(window.Action(kCmdUpdateAttributes)->isEnabled());  // a task, no entries
    EXPECT_TRUE(window.Action(kCmdClearTaskList)->isEnabled());
    window.Action(kCmdClearTaskList)->trigger();
    ChooseFolder(L"/data/");
    ChooseFolder(L"/other/");
    struct Case {
        int command;
        bool enabled;
    };
    const auto check = [this](std::initializer_list<Case> cases, const char* when) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << when << ", command " << c.command);
            EXPECT_EQ(window.Action(c.command)->isEnabled(), c.enabled);
            if (window.ToolBar().widgetForAction(window.Action(c.command))) {
                EXPECT_EQ(ButtonEnabled(c.command), c.enabled);
            }
        }
    };
    // A new folder starts a new history.
    check({{kCmdPreviousFolder, false},
           {kCmdNextFolder, false},
           {kCmdUpdateAttributes, false},
           {kCmdClearTaskList, false},
           {kCmdSelectFolder, true},
           {kCmdAbout, true}},
          "listed");
    controller->taskList().SubmitTask(RenameRecord(L"x", L"y"));
    check({{kCmdUpdateAttributes, true}, {kCmdClearTaskList, true}, {kCmdSaveTaskListAs, true}},
          "with a task");
    window.Action(kCmdClearTaskList)->trigger();
    EXPECT_TRUE(controller->taskList().tasks().empty());
    check({{kCmdUpdateAttributes, false}, {kCmdClearTaskList, false}}, "cleared");
}

TEST_F(WindowWiringTest, ClosingWaitsForARunningJobAndDropsAreIgnoredMeanwhile) {
    ChooseFolder(L"/data/");
    controller->taskList().SubmitTask(RenameRecord(L"photo", L"holiday"));
    window.show();
    fs.CloseGate();
    window.Action(kCmdUpdateAttributes)->trigger();
    ASSERT_TRUE(controller->jobRunning());

    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(controller->closePending());
    Drop({"/other/"});
    EXPECT_EQ(controller->folderHistory().Root(), L"/data/");

    fs.OpenGate();
    ui.RunUntil([this] { return window.Result().has_value(); });
    EXPECT_EQ(window.Result(), kWindowClosed);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(fs.Lookup(L"/data/holiday 3.jpg").has_value());
}

TEST_F(WindowWiringTest, ADropListsTheFirstPath) {
    Drop({"/other/", "/data/"});
    EXPECT_EQ(controller->folderHistory().Root(), L"/other/");
    EXPECT_EQ(Cell(window.CurrentModel(), 0), "x.txt");
}

TEST_F(WindowWiringTest, ExitWithoutAJobEndsTheWindow) {
    window.show();
    window.Action(kCmdExit)->trigger();
    EXPECT_EQ(window.Result(), kWindowClosed);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(WindowWiringTest, APlacementComesBackAsItWasGiven) {
    WindowPlacement placement;
    placement.length = kWindowPlacementLength;
    placement.showCmd = 1;
    placement.normalLeft = 40;
    placement.normalTop = 30;
    placement.normalRight = 1040;
    placement.normalBottom = 730;
    window.RestorePlacement(placement);
    EXPECT_EQ(window.Placement(), placement);
}

TEST(QtUiThreadTest, AWorkersWorkRunsOnTheGuiThreadInOrderAndInvokeWaits) {
    QtUiThread ui;
    QEventLoop loop;
    std::vector<int> order;
    std::thread::id invokedOn;
    bool ranBeforeInvokeReturned = false;
    std::thread worker([&] {
        ui.Post([&] { order.push_back(1); });
        ui.Invoke([&] {
            order.push_back(2);
            invokedOn = std::this_thread::get_id();
            loop.quit();
        });
        ranBeforeInvokeReturned = order.size() == 2;
    });
    loop.exec();
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(invokedOn, std::this_thread::get_id());
    EXPECT_TRUE(ranBeforeInvokeReturned);

    bool ranAtOnce = false;
    ui.Invoke([&] { ranAtOnce = true; });  // on the GUI thread itself
    EXPECT_TRUE(ranAtOnce);
}

// An editor side that records the notifications it is given as the
// controller's task editor, as Qt strings.
class RecordingEditorSide : public EditorSide, public torvane::testing::RecordingView {
  public:
    QWidget* EditorWidget() override { return &editor; }
    QWidget* TaskListWidget() override { return &taskList; }

    QWidget editor;
    QWidget taskList;
    QStringList events;

  protected:
    void Event(std::string text) override { events << QString::fromStdString(text); }
};

TEST_F(WindowWiringTest, TheEditorSideIsPlacedAndTakesItsNotifications) {
    RecordingEditorSide editors;
    window.SetEditorSide(editors);
    editors.Attach(*controller);
    controller->SetTaskEditor(&editors);
    EXPECT_EQ(editors.editor.parentWidget(), &window.EditorFrame());
    EXPECT_EQ(editors.taskList.parentWidget(), &window.TaskListArea());

    ChooseFolder(L"/data/");
    EXPECT_TRUE(editors.events.contains("Selector on"));
    EXPECT_TRUE(editors.events.contains("EnableEditor"));
    editors.events.clear();
    controller->taskList().SubmitTask(RenameRecord(L"photo", L"holiday"));
    EXPECT_TRUE(editors.events.contains("TaskRows"));
    editors.events.clear();
    window.Action(kCmdAbout)->trigger();
    window.Action(kCmdOption)->trigger();
    EXPECT_EQ(editors.events, (QStringList{"About", "Preferences"}));
}

// Answers the folder picker that is about to open: checks that it starts
// from the defaults, then sets the options and chooses `folder`.
void AnswerFolderPicker(const QString& folder, int retrieve, bool subfolders, int hiddenSystem,
                        bool* startedFromDefaults) {
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<FolderPickerDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        *startedFromDefaults = dialog->RetrieveBox().currentIndex() == 0 &&
                               !dialog->SubfoldersBox().isChecked() &&
                               dialog->HiddenSystemBox().currentIndex() == 0;
        dialog->RetrieveBox().setCurrentIndex(retrieve);
        dialog->SubfoldersBox().setChecked(subfolders);
        dialog->HiddenSystemBox().setCurrentIndex(hiddenSystem);
        dialog->Browser().setDirectory(folder);
        dialog->Browser().selectFile(folder);
        QMetaObject::invokeMethod(&dialog->Browser(), "accept");
    });
}

TEST(FolderPickerTest, OffersTheOptionsInOrderAndReturnsTheChoice) {
    FolderPickerDialog dialog("");
    const auto items = [](const QComboBox& box) {
        QStringList texts;
        QList<int> values;
        for (int i = 0; i < box.count(); ++i) {
            texts << box.itemText(i);
            values << box.itemData(i).toInt();
        }
        return std::make_pair(texts, values);
    };
    EXPECT_EQ(dialog.windowTitle(), "Select a Directory");
    EXPECT_EQ(items(dialog.RetrieveBox()),
              std::make_pair(QStringList{"Retrieve Files Only", "Retrieve Folders Only",
                                         "Retrieve Files/Folders"},
                             QList<int>{200, 201, 202}));
    EXPECT_EQ(dialog.SubfoldersBox().text(), "Include sub directory");
    EXPECT_EQ(items(dialog.HiddenSystemBox()),
              std::make_pair(
                  QStringList{"No Hidden or System Attributes", "Include Hidden Attribute",
                              "Include Hidden But No System Attributes", "Include System Attribute",
                              "Include Hidden And System Attributes"},
                  QList<int>{210, 211, 213, 212, 214}));

    torvane::testing::TempDir dir;
    const QString folder = QString::fromStdString(dir.path());
    QtPickers pickers(nullptr);
    bool defaults = false;
    AnswerFolderPicker(folder, 2, true, 3, &defaults);
    const auto first = pickers.PickFolder();
    EXPECT_TRUE(defaults);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(QString::fromStdWString(first->path), folder);
    EXPECT_EQ(first->options,
              (ListOptions{Retrieve::kFilesAndFolders, true, HiddenSystem::kSystem}));

    AnswerFolderPicker(folder, 0, false, 0, &defaults);
    const auto second = pickers.PickFolder();
    EXPECT_TRUE(defaults);  // the last choice's options are not kept
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->options, ListOptions{});
}

TEST(FilePickerTest, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(NameFilters(L"All Files (*.*)|*.*|"), QStringList{"All Files (*)"});
    EXPECT_EQ(NameFilters(L"Torvane Task File (*.tvt)|*.tvt|Text Files (*.txt)|*.txt;*.text|"),
              (QStringList{"Torvane Task File (*.tvt)", "Text Files (*.txt *.text)"}));
}

}  // namespace
}  // namespace torvane::gui
