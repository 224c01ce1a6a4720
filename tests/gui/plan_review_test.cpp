// The checks of a job's plan in the window: the warning signs and the count
// line of the new list, the review dialog, and the plan's build on the
// progress bar with its Cancel.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>

#include "engine/plan.hpp"
#include "fake_file_system.hpp"
#include "gui/commands.hpp"
#include "gui/dialogs/review_dialog.hpp"
#include "gui/lists/file_columns.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/main_window.hpp"
#include "gui/pane_layout.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "gui_fixture.hpp"
#include "job_support.hpp"
#include "platform/file_attributes.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"
#include "wired_window.hpp"

namespace torvane::gui {
namespace {

using torvane::testing::RenameRecord;
using torvane::testing::WiredWindow;

QImage ImageOf(const QVariant& decoration) {
    return decoration.value<QIcon>().pixmap(QtIconProvider::kSmallSize).toImage();
}

// The answer a test gives the review dialog once it is up.
using Answer = std::function<void(ReviewDialog&)>;

// Answers the next review `window` opens, from inside its modal loop; the
// rows it shows are read into `rows` (the Entry column) first.
void AnswerNextReview(MainWindow& window, Answer answer, QStringList* rows = nullptr) {
    QObject::connect(
        &window, &MainWindow::ReviewOpened, &window,
        [answer, rows](ReviewDialog* dialog) {
            if (rows) {
                for (int r = 0; r < dialog->Model().rowCount(); ++r)
                    *rows << dialog->Model().index(r, ReviewModel::kEntryColumn).data().toString();
            }
            QMetaObject::invokeMethod(
                dialog, [dialog, answer] { answer(*dialog); }, Qt::QueuedConnection);
        },
        Qt::SingleShotConnection);
}

// Renders `widget` to a PNG in the build folder, so that it can be looked at.
void Save(QWidget& widget, const QString& name) {
    const QString target = QString(TORVANE_SCREENSHOT_DIR) + "/" + name;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
    EXPECT_TRUE(widget.grab().save(target)) << target.toStdString();
}

void ClickApply(ReviewDialog& dialog) {
    dialog.ApplyButton().click();
}
void ClickCancel(ReviewDialog& dialog) {
    dialog.CancelButton().click();
}

// "ax.jpg" and "xa.jpg" both become "a.jpg" once "x" is taken out; "b.jpg"
// keeps its name.
class FindingMarksTest : public ::testing::Test, public WiredWindow {
  protected:
    FindingMarksTest() {
        for (const wchar_t* path : {L"/dup/ax.jpg", L"/dup/b.jpg", L"/dup/xa.jpg"})
            fs.AddFile(path);
        Start();
    }

    QVariant NewCell(int row, int role, int column = kNameColumn) const {
        return window.NewModel().index(row, column).data(role);
    }
};

TEST_F(FindingMarksTest, RowsGivenTheSameNameCarryTheSignAndTheFindingAndTheCountLineFollows) {
    EXPECT_EQ(window.CountLine().text(), "");  // nothing listed
    ChooseFolder(L"/dup/");
    EXPECT_EQ(window.CountLine().text(), "0 changes, 0 problems");
    ASSERT_TRUE(controller->taskList().SubmitTask(RenameRecord(L"x", L"")));
    ASSERT_EQ(window.NewModel().rowCount(), 3);
    EXPECT_EQ(NewCell(0, Qt::DisplayRole).toString(), "a.jpg");
    EXPECT_EQ(NewCell(2, Qt::DisplayRole).toString(), "a.jpg");

    const QImage plain = ImageOf(NewCell(1, Qt::DecorationRole));
    ASSERT_FALSE(plain.isNull());
    for (const int row : {0, 2}) {
        SCOPED_TRACE(row);
        const Finding* finding = controller->preview().FindingAt(static_cast<std::size_t>(row));
        ASSERT_NE(finding, nullptr);
        EXPECT_EQ(finding->kind, FindingKind::kDuplicateName);
        EXPECT_NE(ImageOf(NewCell(row, Qt::DecorationRole)), plain);
        // The current list marks the same rows, both tinted.
        const QModelIndex current = window.CurrentModel().index(row, kNameColumn);
        EXPECT_NE(ImageOf(current.data(Qt::DecorationRole)), plain);
        EXPECT_EQ(current.data(Qt::BackgroundRole), NewCell(row, Qt::BackgroundRole));
        EXPECT_TRUE(current.data(Qt::BackgroundRole).isValid());
        for (const int column : {kNameColumn, kModifiedColumn, kArchiveColumn})
            EXPECT_EQ(NewCell(row, Qt::ToolTipRole, column).toString(),
                      QString::fromStdWString(finding->message))
                << column;
    }
    EXPECT_FALSE(NewCell(1, Qt::ToolTipRole).isValid());
    EXPECT_EQ(window.CountLine().text(), "2 changes, 2 problems");

    controller->taskList().SetTaskSelection({0});
    controller->taskList().RemoveTask();
    ASSERT_TRUE(controller->taskList().tasks().empty());
    EXPECT_EQ(window.CountLine().text(), "0 changes, 0 problems");
    EXPECT_EQ(ImageOf(NewCell(0, Qt::DecorationRole)), plain);
    EXPECT_FALSE(NewCell(0, Qt::ToolTipRole).isValid());
}

TEST_F(FindingMarksTest, TheCountLineLiesWhollyBetweenTheListsAndGeneralInfo) {
    ChooseFolder(L"/dup/");
    window.resize(MainWindow::kMinimumSize);
    window.show();
    const QLabel& line = window.CountLine();
    const auto rectIn = [this](const QWidget& w) {
        return QRect(w.mapTo(&window, QPoint(0, 0)), w.size());
    };
    const QRect lists = rectIn(*window.Panes().PaneFrame(PaneLayout::kNewPane));
    const QRect info = rectIn(*window.Panes().PaneFrame(PaneLayout::kGeneralInfoPane));
    const QRect text = rectIn(line);
    EXPECT_TRUE(line.isVisible());
    EXPECT_GE(text.height(), line.fontMetrics().height());
    EXPECT_GT(text.top(), lists.bottom());
    EXPECT_LT(text.bottom(), info.top());
    EXPECT_EQ(text.left(), rectIn(*window.Panes().PaneFrame(PaneLayout::kCurrentPane)).left());

    ASSERT_TRUE(controller->taskList().SubmitTask(RenameRecord(L"x", L"")));
    Save(window, "new_list_marks.png");
    window.PlanProgress(1234);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    Save(window, "planning.png");
}

// A plan of /r/: "ax.jpg" and "xa.jpg" would both become "a.jpg", "locked"
// can't be read, and "sub/c.jpg" becomes a hidden "cc.jpg".
class ReviewDialogTest : public ::testing::Test {
  protected:
    ReviewDialogTest() {
        for (const wchar_t* path :
             {L"/r/ax.jpg", L"/r/keep.dat", L"/r/locked/in.txt", L"/r/sub/c.jpg", L"/r/xa.jpg"})
            fs.AddFile(path, FILE_ATTRIBUTE_ARCHIVE);
        fs.FailOn(torvane::testing::FakeFileSystem::Call::kFindEntries, L"/r/locked", EACCES);
        AttributeTaskFields hide;
        hide.find = L"cc.jpg";
        hide.attributes = std::to_wstring(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
        settings.tasks = {TaskItem{1, L"", BuildTaskDefinition(RenameRecord(L"x", L""))},
                          TaskItem{2, L"", BuildTaskDefinition(RenameRecord(L"c.", L"cc."))},
                          TaskItem{3, L"", BuildTaskDefinition(hide)}};
    }

    JobPlan Plan(const std::wstring& root) {
        settings.paths = {root};
        return BuildPlan(settings, fs, dialogs);
    }

    static QStringList Cells(const ReviewModel& model, int row) {
        QStringList cells;
        for (int c = 0; c < ReviewModel::kColumnCount; ++c)
            cells << model.index(row, c).data().toString();
        return cells;
    }

    torvane::testing::FakeFileSystem fs;
    torvane::testing::RecordingDialogs dialogs;
    JobSettings settings{{},
                         {},
                         {Retrieve::kFilesAndFolders, true, HiddenSystem::kHiddenAndSystem},
                         {false, AttributeTarget::kBoth}};
};

TEST_F(ReviewDialogTest, ProblemsComeFirstThenTheChangesWithPathsBelowTheRoot) {
    const JobPlan plan = Plan(L"/r/");
    ASSERT_EQ(plan.problems, 3);
    ReviewDialog dialog(plan, L"/r/");
    EXPECT_EQ(dialog.windowTitle(), "Review Changes");
    EXPECT_EQ(dialog.Summary().text(), "3 changes, 3 problems");
    const ReviewModel& model = dialog.Model();
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.problemRows(), 3);

    const PlannedFolder& root = plan.folders[0];
    const auto ax = std::find_if(root.current.begin(), root.current.end(),
                                 [](const FileEntry& e) { return e.name == L"ax.jpg"; });
    ASSERT_NE(ax, root.current.end());
    const Finding* finding = root.FindingAt(static_cast<std::size_t>(ax - root.current.begin()));
    ASSERT_NE(finding, nullptr);
    EXPECT_EQ(finding->kind, FindingKind::kDuplicateName);
    const QString duplicate = QString::fromStdWString(finding->message);
    EXPECT_FALSE(duplicate.isEmpty());
    EXPECT_EQ(Cells(model, 0), (QStringList{"ax.jpg", "a.jpg", "", duplicate}));
    EXPECT_EQ(Cells(model, 1).mid(0, 2), (QStringList{"xa.jpg", "a.jpg"}));
    // The unreadable folder is one row, with the job's log line and no line end.
    const QStringList locked = Cells(model, 2);
    EXPECT_EQ(locked.mid(0, 3), (QStringList{"locked/", "", ""}));
    EXPECT_TRUE(locked[3].contains("/r/locked/")) << locked[3].toStdString();
    EXPECT_FALSE(locked[3].contains('\n'));
    EXPECT_EQ(Cells(model, 3), (QStringList{"sub/c.jpg", "cc.jpg", "Attributes +Hidden", ""}));
    for (int row = 0; row < 4; ++row) {
        const QVariant sign = model.index(row, ReviewModel::kEntryColumn).data(Qt::DecorationRole);
        EXPECT_EQ(sign.isValid(), row < 3) << row;
    }

    dialog.show();
    Save(dialog, "review_dialog.png");
    dialog.ProblemsOnlyBox().setChecked(true);
    EXPECT_EQ(dialog.Table().model()->rowCount(), 3);
    EXPECT_EQ(Cells(model, 2)[0], "locked/");
    dialog.ProblemsOnlyBox().setChecked(false);
    EXPECT_EQ(dialog.Table().model()->rowCount(), 4);
}

TEST_F(ReviewDialogTest, CancelIsTheDefaultOnlyWhenThePlanHasProblems) {
    const struct {
        std::wstring root;
        QString summary;
        bool problems;
    } cases[] = {
        {L"/r/", "3 changes, 3 problems", true},
        {L"/r/sub/", "1 change, 0 problems", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary.toStdString());
        const JobPlan plan = Plan(c.root);
        ReviewDialog dialog(plan, c.root);
        dialog.show();
        EXPECT_EQ(dialog.Summary().text(), c.summary);
        EXPECT_EQ(dialog.CancelButton().isDefault(), c.problems);
        EXPECT_EQ(dialog.ApplyButton().isDefault(), !c.problems);
        EXPECT_EQ(dialog.ProblemsOnlyBox().isEnabled(), c.problems);
    }
}

TEST_F(ReviewDialogTest, TheWindowsReviewAnswersWhetherApplyWasChosen) {
    const JobPlan problems = Plan(L"/r/");
    const JobPlan clean = Plan(L"/r/sub/");
    const auto press = [](Qt::Key key) {
        return [key](ReviewDialog& dialog) { QTest::keyClick(&dialog.Table(), key); };
    };
    const struct {
        const char* what;
        const JobPlan& plan;
        std::wstring root;
        Answer answer;
        bool apply;
    } cases[] = {
        {"Apply", problems, L"/r/", ClickApply, true},
        {"Cancel", problems, L"/r/", ClickCancel, false},
        {"Enter with problems", problems, L"/r/", press(Qt::Key_Return), false},
        {"Enter without problems", clean, L"/r/sub/", press(Qt::Key_Return), true},
        {"Esc", clean, L"/r/sub/", press(Qt::Key_Escape), false},
    };
    MainWindow window;
    for (const auto& c : cases) {
        AnswerNextReview(window, c.answer);
        EXPECT_EQ(window.ReviewPlan(c.plan, c.root), c.apply) << c.what;
    }
}

// A job whose plan reaches into a subfolder is reviewed before anything is
// written, and applied only when Apply is chosen.
TEST(PlanReviewJobTest, AJobIntoASubfolderIsReviewedAndAppliedOnlyWithApply) {
    for (const bool apply : {false, true}) {
        SCOPED_TRACE(apply);
        WiredWindow w;
        w.fs.AddFile(L"/data/a1.jpg");
        w.fs.AddFile(L"/data/sub/b1.jpg");
        w.Start();
        w.ChooseFolder(L"/data/", {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone});
        ASSERT_TRUE(w.controller->taskList().SubmitTask(RenameRecord(L"1", L"2")));
        QStringList rows;
        AnswerNextReview(w.window, apply ? Answer(ClickApply) : Answer(ClickCancel), &rows);
        w.window.Action(kCmdUpdateAttributes)->trigger();
        w.ui.RunUntil([&w] { return !w.controller->jobRunning(); });
        EXPECT_EQ(rows, (QStringList{"a1.jpg", "sub/b1.jpg"}));
        EXPECT_EQ(w.fs.Lookup(L"/data/sub/b2.jpg").has_value(), apply);
        EXPECT_EQ(w.fs.Lookup(L"/data/a1.jpg").has_value(), !apply);
    }
}

TEST(PlanProgressTest, TheBuildShowsBusyWithItsCountAndAnyLaterRangeEndsThat) {
    MainWindow window;
    window.show();
    QProgressBar& bar = window.ProgressBar();
    const int barWidth = bar.width();
    window.PlanProgress(1);
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 0);
    EXPECT_EQ(window.PlanningText().text(), "Planning: 1 entry listed");
    EXPECT_TRUE(window.PlanningText().isVisible());
    EXPECT_TRUE(window.PlanningCancel().isVisible());
    window.PlanProgress(2500);
    EXPECT_EQ(window.PlanningText().text(), "Planning: 2500 entries listed");

    // The plan is applied: its steps fill the bar as they did before.
    window.SetRange(0, 12);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    window.SetStep(1);
    window.StepIt();
    EXPECT_EQ(bar.maximum(), 12);
    EXPECT_EQ(bar.value(), 1);
    EXPECT_FALSE(window.PlanningText().isVisible());
    EXPECT_FALSE(window.PlanningCancel().isVisible());
    EXPECT_EQ(bar.width(), barWidth);

    // A review ends the busy bar too: nothing spins behind the dialog.
    window.PlanProgress(3);
    const JobPlan empty;
    AnswerNextReview(window, [&bar](ReviewDialog& dialog) {
        EXPECT_GT(bar.maximum(), bar.minimum());
        dialog.reject();
    });
    EXPECT_FALSE(window.ReviewPlan(empty, L"/x/"));
    EXPECT_FALSE(window.PlanningCancel().isVisible());
}

TEST(PlanProgressTest, CancelOrEscWhilePlanningStopsTheJobBeforeAnythingIsWritten) {
    const struct {
        const char* what;
        std::function<void(MainWindow&)> cancel;
    } cases[] = {
        {"Cancel button",
         [](MainWindow& window) { QTest::mouseClick(&window.PlanningCancel(), Qt::LeftButton); }},
        {"Esc", [](MainWindow& window) { QTest::keyClick(&window, Qt::Key_Escape); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WiredWindow w;
        w.fs.AddFile(L"/data/a1.jpg");
        w.fs.AddFile(L"/data/sub/b1.jpg");
        w.Start();
        w.ChooseFolder(L"/data/", {Retrieve::kFilesAndFolders, true, HiddenSystem::kNone});
        ASSERT_TRUE(w.controller->taskList().SubmitTask(RenameRecord(L"1", L"2")));
        w.window.show();
        QApplication::setActiveWindow(&w.window);
        bool reviewed = false;
        QObject::connect(&w.window, &MainWindow::ReviewOpened, [&reviewed](ReviewDialog* dialog) {
            reviewed = true;
            QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        });
        w.fs.CloseGate();  // the plan's build waits at its first listing
        w.window.Action(kCmdUpdateAttributes)->trigger();
        ASSERT_TRUE(w.controller->jobRunning());
        w.window.PlanProgress(0);  // as the build reports itself

        c.cancel(w.window);
        EXPECT_FALSE(w.window.PlanningCancel().isEnabled());
        w.fs.OpenGate();
        w.ui.RunUntil([&w] { return !w.controller->jobRunning(); });
        EXPECT_FALSE(reviewed);
        EXPECT_TRUE(w.fs.Lookup(L"/data/a1.jpg").has_value());
        EXPECT_TRUE(w.fs.Lookup(L"/data/sub/b1.jpg").has_value());
        EXPECT_FALSE(w.window.PlanningText().isVisible());
        EXPECT_GT(w.window.ProgressBar().maximum(), w.window.ProgressBar().minimum());
    }
}

}  // namespace
}  // namespace torvane::gui
