#pragma once

#include <QMainWindow>
#include <QSize>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/main_view.hpp"
#include "filelist/file_entry.hpp"

class QAction;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QShortcut;
class QTableView;
class QToolBar;

namespace torvane {
class EditorSide;
class MainController;
struct MainControllerServices;
}  // namespace torvane

namespace torvane::gui {

class FileListModel;
class InfoTabGeneral;
class PaneLayout;
class QtDialogs;
class QtIconProvider;
class QtPickers;
class QtProgress;
class QtUiThread;
class HistoryDialog;
class JobErrorsDialog;
class ReviewDialog;
class ReviewModel;
class SyncListView;

// The program's window: menu bar and toolbar, the editor frame above the
// task-list area on the left, the three panes on the right, the progress bar
// along the bottom. It draws state and reports the user's commands
// (CommandTriggered); which commands are enabled, what the lists hold and
// what General Info shows are decided by its controller, whose window, file
// lists and job view (the progress bar) it is. The left side's widgets come
// from an EditorSide, which serves the controller as its task editor itself.
class MainWindow : public QMainWindow, public WindowView, public FileListsView, public JobView {
    Q_OBJECT

  public:
    static constexpr QSize kMinimumSize{950, 650};
    static constexpr QSize kStartSize{1280, 780};

    // `editors` (may be null: an empty editor frame and task-list area) gives
    // the left side's widgets.
    explicit MainWindow(EditorSide* editors = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Places the left side's widgets, for an editor side made after the
    // window (it needs the controller, which needs the window). Call at most
    // once, with no editor side given to the constructor.
    void SetEditorSide(EditorSide& editors);

    // Makes this window the controller's window, file lists and job view and
    // its icon provider.
    void ServeAsViews(MainControllerServices& services);

    // Makes the window the front end of `controller`, which was built with
    // this window's views (ServeAsViews), Pickers(), Dialogs() and
    // UiThread(): the lists show its entry sequences and the user's gestures
    // go to it. Call once, before its Initialize; it must outlive the
    // window's use.
    void Attach(MainController& controller);

    // The window's result once the controller has ended it.
    std::optional<int> Result() const { return result_; }

    // The window's position and size as the preference file keeps them.
    WindowPlacement Placement() const;

    // ---- WindowView ----
    void TitleChanged(const std::wstring& title) override;
    void CommandStatesChanged(const CommandStates& states) override;
    void RestorePlacement(const WindowPlacement& placement) override;
    void CloseWindow(int result) override;
    // The title's modified mark ("[*]", drawn by Qt) while the task list has
    // unsaved changes.
    void TaskListModifiedChanged(bool modified) override;

    // ---- FileListsView ----
    void CurrentEntriesChanged() override;
    void NewEntriesChanged(NewListUpdate how) override;
    void GeneralInfoChanged(const torvane::GeneralInfo& info) override;
    // The "Whole job" toggle follows the controller; its pane shows the
    // plan in hand (problems first, as the review) in place of the lists.
    void WholeJobChanged() override;

    // ---- JobView (the progress bar) ----
    void SetRange(int low, int high) override;
    void SetStep(int step) override;
    void StepIt() override;
    void SetPos(int position) override;
    // The plan's build: the bar is busy, "Planning: N entries listed" beside
    // it, and a Cancel button (or Esc) stops the build. Any later range (the
    // job's steps, or nothing applied) ends that state.
    void PlanProgress(std::int64_t entries) override;
    // Shows the review dialog modally: true when Apply was chosen.
    bool ReviewPlan(const JobPlan& plan, const std::wstring& root) override;
    // The plan is being applied: "Applying: done of total entries, rate a
    // second" beside the bar and the Cancel button (or Esc), which stops the
    // job between two entries. JobFinished ends that state.
    void JobProgress(std::int64_t done, std::int64_t total, double rate) override;
    void JobFinished(const JobResult& result) override;
    // Shows JobErrorsDialog modally; its Save Log runs `saveLog`.
    bool ShowJobErrors(const JobResult& result, const std::function<void()>& saveLog) override;

    // The action of a command id (menu item and toolbar button share it);
    // null for an unknown id.
    QAction* Action(int commandId) const;
    // Enables or disables a command's menu item and toolbar button together.
    void SetCommandEnabled(int commandId, bool enabled);

    // Window title and the About item's text ("About " + name).
    void SetProductName(const QString& productName);

    // Shows an entry in General Info with `caption` as the pane's tab text;
    // null shows the empty pane titled "General Info".
    void ShowEntryInfo(const FileEntry* entry, const QString& caption);

    SyncListView& CurrentList() const { return *currentList_; }
    SyncListView& NewList() const { return *newList_; }
    FileListModel& CurrentModel() const { return *currentModel_; }
    FileListModel& NewModel() const { return *newModel_; }
    InfoTabGeneral& GeneralInfo() const { return *generalInfo_; }
    PaneLayout& Panes() const { return *panes_; }
    // The whole job's table and its rows (null while no plan is in hand).
    QTableView& WholeJobTable() const { return *wholeJobTable_; }
    ReviewModel* WholeJobModel() const { return wholeJobModel_; }
    QFrame& EditorFrame() const { return *editorFrame_; }
    QFrame& TaskListArea() const { return *taskListArea_; }
    QProgressBar& ProgressBar() const { return *progressBar_; }
    // The line below the lists: the new list's count of changes and problems.
    QLabel& CountLine() const;
    // The planning text and its Cancel button, shown while a plan is built.
    QLabel& PlanningText() const { return *planningText_; }
    QPushButton& PlanningCancel() const { return *planningCancel_; }
    QToolBar& ToolBar() const { return *toolBar_; }
    QtIconProvider& Icons() const { return *icons_; }
    QtProgress& Progress() const { return *progress_; }
    QtDialogs& Dialogs() const { return *dialogs_; }
    QtPickers& Pickers() const { return *pickers_; }
    QtUiThread& UiThread() const { return *uiThread_; }

  signals:
    // The user chose a menu item or toolbar button.
    void CommandTriggered(int commandId);
    // A plan's review dialog is about to be shown modally (ReviewPlan).
    void ReviewOpened(ReviewDialog* dialog);
    // A job's failures are about to be shown modally (ShowJobErrors).
    void JobErrorsOpened(JobErrorsDialog* dialog);
    // The job history is about to be shown modally (Edit > History).
    void HistoryOpened(HistoryDialog* dialog);

  protected:
    // While a controller is attached, closing is its close bookkeeping: the
    // window stays while a job runs and ends when the controller says so.
    void closeEvent(QCloseEvent* event) override;
    // A dropped path (the first of several) is listed.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The lists' resizes fit their Name column (FitNameColumn).
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void RunCommand(int commandId);
    void UpdateCountLine();
    // Whole job and problems (main_window_problems.cpp).
    void ConnectProblemControls();
    void ShowPlanRows();
    void ApplyProblemsOnly();
    void MoveToProblem(bool forward);
    // Undo Last Job and History: enabled while a history is kept and no job
    // runs; Undo Last Job names the job it would undo in its status tip.
    void UpdateHistoryActions();
    void ShowHistory();
    void CancelPlanning();
    void EndPlanning();
    void ShowJobControls(const QString& cancelTip);
    void HideJobControls();
    void ConnectLists();
    void MakeActions();
    void MakeMenus();
    void MakeToolBar();
    void MakeFileLists();
    // Narrows the lists' Name column so that every column on show fits
    // beside it (down to the column's minimum), and widens it again, up to
    // its start width, as room comes back; a width the user chose is only
    // narrowed.
    void FitNameColumn();
    QWidget* MakeLeftColumn();
    void MakeCentralArea();

    std::unique_ptr<QtIconProvider> icons_;
    std::unique_ptr<QtPickers> pickers_;
    MainController* controller_ = nullptr;
    std::optional<int> result_;
    bool closing_ = false;  // in closeEvent: CloseWindow lets that close go through
    bool showMaximized_ = false;
    std::map<int, QAction*> actions_;
    QToolBar* toolBar_ = nullptr;
    QFrame* editorFrame_ = nullptr;
    QFrame* taskListArea_ = nullptr;
    SyncListView* currentList_ = nullptr;
    SyncListView* newList_ = nullptr;
    FileListModel* currentModel_ = nullptr;
    FileListModel* newModel_ = nullptr;
    InfoTabGeneral* generalInfo_ = nullptr;
    PaneLayout* panes_ = nullptr;
    QTableView* wholeJobTable_ = nullptr;
    ReviewModel* wholeJobModel_ = nullptr;
    std::shared_ptr<const JobPlan> wholeJobPlan_;  // the plan wholeJobModel_ shows
    QProgressBar* progressBar_ = nullptr;
    QLabel* planningText_ = nullptr;
    QPushButton* planningCancel_ = nullptr;
    QShortcut* planningEscape_ = nullptr;
    bool planning_ = false;      // the planning state is on show
    bool nameNarrowed_ = false;  // FitNameColumn narrowed the Name column
    bool applying_ = false;      // a plan is being applied: its progress is on show
    // Whether a job ran when the history's commands were last brought up
    // to date; unset before the first time.
    std::optional<bool> historyReadWhileRunning_;
    std::wstring title_;  // the controller's title, without the modified mark
    QtProgress* progress_ = nullptr;
    QtDialogs* dialogs_ = nullptr;
    QtUiThread* uiThread_ = nullptr;
};

}  // namespace torvane::gui
