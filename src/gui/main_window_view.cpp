// The main window as its controller's view: notifications drawn, gestures and
// commands forwarded, closing and drops handed to the controller.
#include <QCloseEvent>
#include <QDropEvent>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

#include "app/history_access.hpp"
#include "app/main_controller.hpp"
#include "engine/plan.hpp"
#include "gui/commands.hpp"
#include "gui/dialogs/history_dialog.hpp"
#include "gui/dialogs/job_errors_dialog.hpp"
#include "gui/dialogs/review_dialog.hpp"
#include "gui/editor/editor_side.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/main_window.hpp"
#include "gui/pane_layout.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "gui/qt/qt_progress.hpp"

namespace torvane::gui {
namespace {

// The showCmd values of a placement.
constexpr std::int32_t kShowNormal = 1;
constexpr std::int32_t kShowMinimized = 2;
constexpr std::int32_t kShowMaximized = 3;

void Embed(QFrame& frame, QWidget* widget) {
    auto* layout = new QVBoxLayout(&frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(widget);
}

}  // namespace

void MainWindow::SetEditorSide(EditorSide& editors) {
    Embed(*editorFrame_, editors.EditorWidget());
    Embed(*taskListArea_, editors.TaskListWidget());
    // Delete removes a task only while the task list has the focus.
    editors.TaskListWidget()->addAction(Action(kCmdRemoveTask));
    // The frame takes the pages' own height, whatever the desktop's font.
    editorFrame_->setFixedHeight(editorFrame_->sizeHint().height());
}

void MainWindow::ConnectLists() {
    for (SyncListView* list : {currentList_, newList_}) {
        connect(list, &SyncListView::FileSelected, this, [this](int row, int listId) {
            if (controller_ && row >= 0)
                controller_->FileSelected(static_cast<std::size_t>(row), listId);
        });
        connect(list, &SyncListView::FileActivated, this, [this](int row, int listId) {
            if (controller_ && row >= 0)
                controller_->FileActivated(static_cast<std::size_t>(row), listId);
        });
    }
    connect(this, &MainWindow::CommandTriggered, this, &MainWindow::RunCommand);
    ConnectProblemControls();
}

void MainWindow::ServeAsViews(MainControllerServices& services) {
    services.window = this;
    services.lists = this;
    services.job = this;
    services.icons = icons_.get();
}

void MainWindow::Attach(MainController& controller) {
    controller_ = &controller;
    currentModel_->Attach(&controller.currentEntries());
    newModel_->Attach(&controller.newEntries());
    // The checks are the preview's, kept up to date with the new entries.
    // The current list marks the same rows, so a problem stands out in both.
    for (FileListModel* model : {currentModel_, newModel_})
        model->SetFindings(
            [&controller](std::size_t row) { return controller.preview().FindingAt(row); });
    newModel_->SetReading(
        [&controller](std::size_t row) { return controller.preview().ReadingAt(row); });
    UpdateCountLine();
    CommandStatesChanged(controller.commandStates());
}

// One case per menu command, each a call or two into the controller: a
// table of the window's commands reads best as one switch, longer than most
// functions here.
void MainWindow::RunCommand(int commandId) {
    if (!controller_)
        return;
    MainController& c = *controller_;
    if (commandId == kCmdRefresh) {
        c.Refresh();
        return;
    }
    if (commandId == kCmdUndoLastJob) {
        c.jobHistory().UndoLastJob();
        UpdateHistoryActions();
        return;
    }
    if (commandId == kCmdHistory) {
        ShowHistory();
        return;
    }
    if (commandId == kCmdNextProblem || commandId == kCmdPreviousProblem) {
        MoveToProblem(commandId == kCmdNextProblem);
        return;
    }
    switch (static_cast<CommandId>(commandId)) {
        case CommandId::kSelectFile:
            c.SelectFile();
            break;
        case CommandId::kSelectFolder:
            c.SelectFolder();
            break;
        case CommandId::kLoadTaskList:
            c.taskList().LoadTaskList();
            break;
        case CommandId::kCloseTaskList:
            c.taskList().CloseTaskList();
            break;
        case CommandId::kSaveTaskList:
            c.taskList().SaveTaskList();
            break;
        case CommandId::kSaveTaskListAs:
            c.taskList().SaveTaskListAs();
            break;
        case CommandId::kUpdateAttributes:
            c.UpdateAttributes();
            break;
        case CommandId::kExit:
            close();
            break;
        case CommandId::kPreviousFolder:
            c.PreviousFolder();
            break;
        case CommandId::kNextFolder:
            c.NextFolder();
            break;
        case CommandId::kMoveTaskUp:
            c.taskList().MoveTaskUp();
            break;
        case CommandId::kMoveTaskDown:
            c.taskList().MoveTaskDown();
            break;
        case CommandId::kRemoveTask:
            c.taskList().RemoveTask();
            break;
        case CommandId::kClearTaskList:
            c.taskList().ClearTaskList();
            break;
        case CommandId::kOption:
            c.Option();
            break;
        case CommandId::kAbout:
            c.About();
            break;
    }
}

void MainWindow::TitleChanged(const std::wstring& title) {
    title_ = title;
    // Qt draws "[*]" as the modified mark while the window is modified, and
    // as nothing otherwise; it is only added while it shows.
    setWindowTitle(QString::fromStdWString(title) +
                   (isWindowModified() ? QStringLiteral("[*]") : QString()));
}

void MainWindow::TaskListModifiedChanged(bool modified) {
    if (title_.empty())
        title_ = windowTitle().toStdWString();
    // The placeholder must be in the title before the window is marked.
    if (modified) {
        setWindowTitle(QString::fromStdWString(title_) + QStringLiteral("[*]"));
        setWindowModified(true);
    } else {
        setWindowModified(false);
        setWindowTitle(QString::fromStdWString(title_));
    }
}

void MainWindow::CurrentEntriesChanged() {
    currentModel_->Reset();
    ApplyProblemsOnly();
    UpdateCountLine();
}

void MainWindow::NewEntriesChanged(NewListUpdate how) {
    newModel_->Refresh(how);
    ApplyProblemsOnly();
    UpdateCountLine();
}

QLabel& MainWindow::CountLine() const {
    return panes_->CountLine();
}

void MainWindow::UpdateCountLine() {
    if (!controller_) {
        CountLine().clear();
        return;
    }
    QString text = QString::fromStdWString(controller_->CountLineText());
    if (!text.isEmpty() && controller_->wholeJobShown() && controller_->wholeJobPlanning())
        text += QStringLiteral("; planning the whole job\u2026");
    CountLine().setText(text);
    CountLine().setToolTip(text);
}

void MainWindow::CommandStatesChanged(const CommandStates& states) {
    for (const CommandId command : kAllCommands)
        SetCommandEnabled(CommandNumber(command), states.Enabled(command));
    // Undo Last Job's key works without opening the menu: its state is read
    // again whenever a job starts or ends.
    const bool running = controller_ != nullptr && controller_->jobRunning();
    if (historyReadWhileRunning_ != running) {
        historyReadWhileRunning_ = running;
        UpdateHistoryActions();
    }
}

void MainWindow::GeneralInfoChanged(const torvane::GeneralInfo& info) {
    ShowEntryInfo(info.entry ? &*info.entry : nullptr, QString::fromStdWString(info.caption));
}

WindowPlacement MainWindow::Placement() const {
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    WindowPlacement placement;
    placement.length = kWindowPlacementLength;
    placement.showCmd = isMaximized()   ? kShowMaximized
                        : isMinimized() ? kShowMinimized
                                        : kShowNormal;
    placement.normalLeft = normal.left();
    placement.normalTop = normal.top();
    placement.normalRight = normal.left() + normal.width();
    placement.normalBottom = normal.top() + normal.height();
    return placement;
}

void MainWindow::RestorePlacement(const WindowPlacement& placement) {
    const int width = placement.normalRight - placement.normalLeft;
    const int height = placement.normalBottom - placement.normalTop;
    if (width > 0 && height > 0)
        setGeometry(placement.normalLeft, placement.normalTop, width, height);
    // A window saved minimised comes back as a normal one.
    if (placement.showCmd == kShowMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::CloseWindow(int result) {
    result_ = result;
    // Inside closeEvent the close under way goes through; otherwise (a close
    // that waited for a job, -Quit) the window closes now.
    if (!closing_)
        close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!controller_ || result_) {
        event->accept();
        return;
    }
    closing_ = true;
    controller_->RequestClose(Placement());
    closing_ = false;
    if (result_)
        event->accept();
    else
        event->ignore();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::wstring> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdWString());
    }
    if (paths.empty() || !controller_)
        return;
    event->acceptProposedAction();
    controller_->DropPaths(paths);
}

void MainWindow::SetRange(int low, int high) {
    EndPlanning();
    progress_->SetRange(low, high);
}

void MainWindow::SetStep(int step) {
    progress_->SetStep(step);
}

void MainWindow::StepIt() {
    progress_->StepIt();
}

void MainWindow::SetPos(int position) {
    progress_->SetPos(position);
}

void MainWindow::ShowJobControls(const QString& cancelTip) {
    planningText_->show();
    planningCancel_->setEnabled(true);
    planningCancel_->setToolTip(cancelTip);
    planningCancel_->show();
    planningEscape_->setEnabled(true);
}

void MainWindow::HideJobControls() {
    planningText_->hide();
    planningText_->clear();
    planningCancel_->hide();
    planningEscape_->setEnabled(false);
}

void MainWindow::PlanProgress(std::int64_t entries) {
    if (!planning_) {
        planning_ = true;
        progressBar_->setRange(0, 0);  // busy: the plan's size is not known yet
        ShowJobControls("Stop checking the job's changes; nothing is written");
    }
    if (!planningCancel_->isEnabled())
        return;  // "Cancelling" stays until the build has stopped
    planningText_->setText(
        QStringLiteral("Planning: %1 %2 listed")
            .arg(entries)
            .arg(entries == 1 ? QStringLiteral("entry") : QStringLiteral("entries")));
}

void MainWindow::CancelPlanning() {
    if ((!planning_ && !applying_) || !controller_)
        return;
    controller_->CancelJob();
    planningCancel_->setEnabled(false);
    planningEscape_->setEnabled(false);
    planningText_->setText(QStringLiteral("Cancelling"));
}

void MainWindow::EndPlanning() {
    if (!planning_)
        return;
    planning_ = false;
    if (!applying_)
        HideJobControls();
    // Never leave the busy animation behind: an empty bar until the next range.
    if (progressBar_->minimum() == 0 && progressBar_->maximum() == 0)
        progress_->SetRange(0, 0);
}

void MainWindow::JobProgress(std::int64_t done, std::int64_t total, double rate) {
    if (!applying_) {
        EndPlanning();
        applying_ = true;
        ShowJobControls("Stop after the entry being changed; what is done stays done");
    }
    if (!planningCancel_->isEnabled())
        return;  // "Cancelling" stays until the job has stopped
    const QLocale locale;
    QString text = QStringLiteral("Applying: %1 of %2 entries")
                       .arg(locale.toString(static_cast<qlonglong>(done)),
                            locale.toString(static_cast<qlonglong>(total)));
    if (rate > 0)
        text += QStringLiteral(", %1 a second").arg(locale.toString(qRound64(rate)));
    planningText_->setText(text);
}

void MainWindow::JobFinished(const JobResult& /*result*/) {
    applying_ = false;
    EndPlanning();
    HideJobControls();
    UpdateHistoryActions();
}

void MainWindow::UpdateHistoryActions() {
    QAction* undoLast = Action(kCmdUndoLastJob);
    QAction* history = Action(kCmdHistory);
    const bool available = controller_ != nullptr && controller_->jobHistory().available() &&
                           !controller_->jobRunning();
    history->setEnabled(available);
    const auto job = available ? controller_->jobHistory().LastUndoableJob() : std::nullopt;
    undoLast->setEnabled(job.has_value());
    if (job) {
        undoLast->setText(job->kind == JobKind::kUndo
                              ? "&Undo Last Job (redo job " + QString::number(job->undoes) + ")"
                              : "&Undo Last Job");
        const QString summary = "Undo " + QString::fromStdWString(JobSummaryText(*job));
        undoLast->setStatusTip(summary);
        undoLast->setToolTip(summary);
    } else {
        undoLast->setText("&Undo Last Job");
        const QString why = controller_ != nullptr && !controller_->jobHistory().available()
                                ? "No job history is kept"
                                : "No job to undo";
        undoLast->setStatusTip(why);
        undoLast->setToolTip(why);
    }
}

void MainWindow::ShowHistory() {
    if (controller_ == nullptr || !controller_->jobHistory().available())
        return;
    MainController& c = *controller_;
    HistoryAccess access;
    access.jobs = [&c] { return c.jobHistory().Jobs(); };
    access.entries = [&c](std::int64_t id) { return c.jobHistory().Entries(id); };
    access.clear = [&c] { return c.jobHistory().AskClear(); };
    HistoryDialog dialog(std::move(access), this);
    emit HistoryOpened(&dialog);
    if (dialog.exec() == QDialog::Accepted && dialog.undoJob())
        c.jobHistory().UndoJob(*dialog.undoJob());
    UpdateHistoryActions();
}

bool MainWindow::ShowJobErrors(const JobResult& result, const std::function<void()>& saveLog) {
    JobErrorsDialog dialog(JobFailures(result.log), result.cancelled, saveLog, this);
    emit JobErrorsOpened(&dialog);
    dialog.exec();
    return true;
}

bool MainWindow::ReviewPlan(const JobPlan& plan, const std::wstring& root) {
    EndPlanning();
    ReviewDialog dialog(plan, root, this);
    emit ReviewOpened(&dialog);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace torvane::gui
