// The window's own behaviour over the controller: shortcuts, the modified
// mark and the question on closing, the job's progress and Cancel, the
// failures' dialog, a dropped task-list file, and help without a display.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "app/job_failures.hpp"
#include "gui/commands.hpp"
#include "gui/dialogs/job_errors_dialog.hpp"
#include "gui/editor/editor_side.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/main_window.hpp"
#include "platform/text.hpp"
#include "platform/text_file.hpp"
#include "wired_window.hpp"

namespace torvane::gui {
namespace {

using torvane::testing::RenameRecord;
using torvane::testing::WiredWindow;

// A left side of plain widgets: a text box above a list standing for the
// task list.
class PlainEditorSide : public EditorSide {
  public:
    QWidget* EditorWidget() override { return edit; }
    QWidget* TaskListWidget() override { return list; }

    QLineEdit* edit = new QLineEdit("abc");
    QListWidget* list = new QListWidget;
};

void Activate(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST(WindowShortcuts, EachKeyReachesItsCommandAndShowsInItsMenuItem) {
    PlainEditorSide side;
    MainWindow window(&side);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy commands(&window, &MainWindow::CommandTriggered);
    for (const auto& shortcut : kShortcuts) {
        SCOPED_TRACE(shortcut.keys);
        QAction* action = window.Action(shortcut.id);
        ASSERT_NE(action, nullptr);
        action->setEnabled(true);  // Undo Last Job waits for a history
        const QKeySequence keys(shortcut.keys, QKeySequence::PortableText);
        EXPECT_EQ(action->shortcut(), keys);  // the menu item shows it
        Activate(window);
        if (shortcut.taskListOnly)
            side.list->setFocus();
        else
            window.CurrentList().setFocus();
        commands.clear();
        QTest::keyClick(QApplication::focusWidget(), keys[0].key(), keys[0].keyboardModifiers());
        ASSERT_EQ(commands.size(), 1);
        EXPECT_EQ(commands[0][0].toInt(), shortcut.id);
    }
    // The keypad's Enter applies too.
    Activate(window);
    commands.clear();
    QTest::keyClick(&window.CurrentList(), Qt::Key_Enter, Qt::ControlModifier);
    ASSERT_EQ(commands.size(), 1);
    EXPECT_EQ(commands[0][0].toInt(), kCmdUpdateAttributes);
}

TEST(WindowShortcuts, DeleteInATextBoxEditsTheTextAndRemovesNoTask) {
    PlainEditorSide side;
    MainWindow window(&side);
    Activate(window);
    QSignalSpy commands(&window, &MainWindow::CommandTriggered);
    side.edit->setFocus();
    side.edit->setCursorPosition(0);
    QTest::keyClick(side.edit, Qt::Key_Delete);
    EXPECT_EQ(side.edit->text(), "bc");
    QTest::keyClick(&window.CurrentList(), Qt::Key_Delete);
    EXPECT_TRUE(commands.isEmpty());
}

TEST(WindowApply, TheToolBarSaysApplyBesideItsIcon) {
    MainWindow window;
    QAction* apply = window.Action(kCmdUpdateAttributes);
    EXPECT_EQ(apply->iconText(), "Apply");
    auto* button = qobject_cast<QToolButton*>(window.ToolBar().widgetForAction(apply));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_FALSE(apply->icon().isNull());
}

class WiredCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        w.fs.AddFile(L"/data/a1.jpg");
        w.fs.AddFile(L"/data/a2.jpg");
        w.fs.AddFile(L"/data/b.jpg");
        w.fs.AddFolder(L"/lists");
        w.Start();
        w.ChooseFolder(L"/data/");
    }
    void WriteTaskFile(const std::wstring& path, const std::wstring& line) {
        TextFileWriter writer(w.fs);
        ASSERT_TRUE(writer.Open(path).ok());
        ASSERT_TRUE(writer.Write(line + L"\n").ok());
        ASSERT_TRUE(writer.Close().ok());
    }

    WiredWindow w;
};

TEST_F(WiredCommandsTest, TheTitleIsMarkedAndClosingAsksUntilAnAnswerLetsItGo) {
    w.window.show();
    EXPECT_FALSE(w.window.isWindowModified());
    ASSERT_TRUE(w.controller->taskList().SubmitTask(RenameRecord(L"a", L"x")));
    EXPECT_TRUE(w.window.isWindowModified());
    EXPECT_TRUE(w.window.windowTitle().endsWith("[*]"));
    EXPECT_TRUE(w.window.windowTitle().startsWith(QString::fromStdWString(w.controller->title())));

    w.dialogs.Clear();
    w.dialogs.Answer(MessageAnswer::kCancel);
    EXPECT_FALSE(w.window.close());
    EXPECT_TRUE(w.window.isVisible());
    ASSERT_EQ(w.dialogs.messages().size(), 1u);
    EXPECT_EQ(w.dialogs.messages()[0].buttons, MessageButtons::kSaveDiscardCancel);

    w.dialogs.Answer(MessageAnswer::kYes);  // Save, whose picker is cancelled
    EXPECT_FALSE(w.window.close());
    EXPECT_TRUE(w.window.isVisible());

    w.dialogs.Answer(MessageAnswer::kYes);  // Save, to a file
    w.pickers.saveAnswers.push_back(L"/data/tasks.tvt");
    EXPECT_TRUE(w.window.close());
    EXPECT_FALSE(w.window.isVisible());
    EXPECT_EQ(w.window.Result(), kWindowClosed);
    EXPECT_TRUE(w.fs.Exists(L"/data/tasks.tvt"));
}

TEST_F(WiredCommandsTest, DiscardClosesWithoutSaving) {
    w.window.show();
    ASSERT_TRUE(w.controller->taskList().SubmitTask(RenameRecord(L"a", L"x")));
    w.dialogs.Answer(MessageAnswer::kNo);
    EXPECT_TRUE(w.window.close());
    EXPECT_EQ(w.window.Result(), kWindowClosed);
    EXPECT_TRUE(w.pickers.saveRequests.empty());
}

TEST_F(WiredCommandsTest, ADroppedTaskFileIsLoadedAsTheTaskList) {
    WriteTaskFile(L"/lists/rename.tvt",
                  L"$FileName<>FIND=a<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/lists/rename.tvt")});
    // A drop goes to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&w.window, &enter);
    QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&w.window, &drop);
    EXPECT_TRUE(w.dialogs.messages().empty());  // nothing to save: nothing asked
    EXPECT_EQ(w.controller->taskList().path(), L"/lists/rename.tvt");
    ASSERT_EQ(w.controller->taskList().tasks().size(), 1u);
    EXPECT_EQ(w.controller->folderHistory().Current(), L"/data/");  // still listed
    EXPECT_EQ(w.window.NewModel().index(0, 0).data().toString(), "x1.jpg");
    EXPECT_FALSE(w.window.isWindowModified());
}

TEST_F(WiredCommandsTest, ProgressShowsDoneTotalAndRateAndEscapeCancels) {
    w.window.show();
    w.window.JobProgress(1200, 100000, 5120.4);
    EXPECT_TRUE(w.window.PlanningText().isVisibleTo(&w.window));
    EXPECT_EQ(
        w.window.PlanningText().text(),
        QStringLiteral("Applying: %1 of %2 entries, %3 a second")
            .arg(QLocale().toString(1200), QLocale().toString(100000), QLocale().toString(5120)));
    EXPECT_TRUE(w.window.PlanningCancel().isVisibleTo(&w.window));
    Activate(w.window);
    QTest::keyClick(&w.window.CurrentList(), Qt::Key_Escape);
    EXPECT_EQ(w.window.PlanningText().text(), "Cancelling");
    EXPECT_FALSE(w.window.PlanningCancel().isEnabled());
    w.window.JobProgress(1300, 100000, 5000);
    EXPECT_EQ(w.window.PlanningText().text(), "Cancelling");
    w.window.JobFinished(JobResult{});
    EXPECT_FALSE(w.window.PlanningText().isVisibleTo(&w.window));
    EXPECT_FALSE(w.window.PlanningCancel().isVisibleTo(&w.window));
}

TEST_F(WiredCommandsTest, AJobWithAFailureShowsItsTableCopiesItAndSavesTheLog) {
    ASSERT_TRUE(w.controller->taskList().SubmitTask(RenameRecord(L"a", L"x")));
    w.fs.FailOn(testing::FakeFileSystem::Call::kMove, L"/data/a2.jpg", EACCES);
    w.pickers.saveAnswers.push_back(L"/data/job.log");
    QStringList rows;
    QString copied;
    QObject::connect(
        &w.window, &MainWindow::JobErrorsOpened, &w.window,
        [&](JobErrorsDialog* dialog) {
            QMetaObject::invokeMethod(
                dialog,
                [&, dialog] {
                    QTableWidget& table = dialog->Table();
                    for (int r = 0; r < table.rowCount(); ++r) {
                        QStringList cells;
                        for (int c = 0; c < table.columnCount(); ++c)
                            cells << table.item(r, c)->text();
                        rows << cells.join(" | ");
                    }
                    const QString target = QString(TORVANE_SCREENSHOT_DIR) + "/job_errors.png";
                    QDir().mkpath(QFileInfo(target).path());
                    EXPECT_TRUE(dialog->grab().save(target));
                    dialog->CopyButton().click();
                    copied = QApplication::clipboard()->text();
                    dialog->SaveLogButton().click();
                    dialog->reject();
                },
                Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
    w.window.Action(kCmdUpdateAttributes)->trigger();
    w.ui.RunUntil([this] { return !w.controller->jobRunning(); });

    const QString reason = QString::fromStdWString(w.fs.SystemMessage(EACCES)).trimmed();
    EXPECT_EQ(rows, QStringList{"/data/a2.jpg | Error renaming file | " + reason});
    EXPECT_EQ(copied,
              "Entry\tWhat failed\tReason\n/data/a2.jpg\tError renaming file\t" + reason + "\n");
    EXPECT_TRUE(w.fs.Exists(L"/data/job.log"));
    EXPECT_TRUE(w.fs.Exists(L"/data/x1.jpg"));  // the rest was done
    EXPECT_FALSE(w.window.PlanningCancel().isVisibleTo(&w.window));
}

// The program itself, run with no display at all.
TEST(WindowProgram, HelpIsPrintedWithoutADisplay) {
    for (const char* argument : {"--help", "-h", "-?"}) {
        SCOPED_TRACE(argument);
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            char* const args[] = {const_cast<char*>(TORVANE_GUI_PROGRAM),
                                  const_cast<char*>(argument), nullptr};
            char* const env[] = {const_cast<char*>("TZ=UTC0"), const_cast<char*>("HOME=/tmp"),
                                 nullptr};
            ::execve(TORVANE_GUI_PROGRAM, args, env);
            ::_exit(127);
        }
        ::close(out[1]);
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        ::close(out[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_NE(text.find(" -FilePath\t"), std::string::npos) << text;
        EXPECT_NE(text.find("torvane -FilePath ~/Pictures/"), std::string::npos) << text;
        EXPECT_EQ(text.find(":\\"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace torvane::gui
