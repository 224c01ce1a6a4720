#pragma once

#include <QMainWindow>
#include <QSize>
#include <map>
#include <memory>
#include <optional>

#include "app/main_view.hpp"
#include "filelist/file_entry.hpp"

class QAction;
class QComboBox;
class QFrame;
class QProgressBar;
class QToolBar;

namespace torvane {
class EditorSide;
class MainController;
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
class SyncListView;

// The program's window: menu bar and toolbar, the task-kind selector with the
// editor frame above the task-list area on the left, the three panes on the
// right, the progress bar along the bottom. It draws state and reports the
// user's commands (CommandTriggered); which commands are enabled, what the
// lists hold and what General Info shows are decided by its controller, whose
// view (and progress bar) it is once attached.
class MainWindow : public QMainWindow, public MainView {
    Q_OBJECT

  public:
    static constexpr QSize kMinimumSize{950, 650};
    static constexpr QSize kStartSize{1280, 780};

    // `editors` (may be null: an empty editor frame and task-list area) gives
    // the left side's widgets, which then carry their own task-kind selector,
    // and takes the view notifications that concern them.
    explicit MainWindow(EditorSide* editors = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Places the left side's widgets and forwards its notifications to it
    // from now on, for an editor side made after the window (it may need the
    // controller, which needs the window). Call at most once, with no editor
    // side given to the constructor.
    void SetEditorSide(EditorSide& editors);

    // Makes the window the front end of `controller`, which was built with
    // this window as its view, Pickers(), Dialogs(), UiThread() and Icons():
    // the lists show its entry sequences and the user's gestures go to it.
    // Call once, before its Initialize; it must outlive the window's use.
    void Attach(MainController& controller);

    // The window's result once the controller has ended it.
    std::optional<int> Result() const { return result_; }

    // The window's position and size as the preference file keeps them.
    WindowPlacement Placement() const;

    // ---- MainView ----
    void TitleChanged(const std::wstring& title) override;
    void CurrentEntriesChanged() override;
    void NewEntriesChanged(NewListUpdate how) override;
    void TaskRowsChanged() override;
    void TaskSelectionChanged(const TaskSelection& selection) override;
    void TaskListCaptionChanged(const std::wstring& caption) override;
    void CommandStatesChanged(const CommandStates& states) override;
    void GeneralInfoChanged(const torvane::GeneralInfo& info) override;
    void EnableTaskKindSelector(bool enabled) override;
    void EnableEditor() override;
    void ShowEditorPage(int page) override;
    void LoadTask(const TaskFields& record, LoadMode mode) override;
    void PrefillTimestampPage(const FileEntry& times) override;
    void ShowPreferences(const PreferenceFlags& flags) override;
    void ShowAbout(const AboutInfo& about) override;
    void RestorePlacement(const WindowPlacement& placement) override;
    void CloseWindow(int result) override;

    // ---- Progress (the progress bar) ----
    void SetRange(int low, int high) override;
    void SetStep(int step) override;
    void StepIt() override;
    void SetPos(int position) override;

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
    QComboBox& TaskKindSelector() const { return *taskKind_; }
    QFrame& EditorFrame() const { return *editorFrame_; }
    QFrame& TaskListArea() const { return *taskListArea_; }
    QProgressBar& ProgressBar() const { return *progressBar_; }
    QToolBar& ToolBar() const { return *toolBar_; }
    QtIconProvider& Icons() const { return *icons_; }
    QtProgress& Progress() const { return *progress_; }
    QtDialogs& Dialogs() const { return *dialogs_; }
    QtPickers& Pickers() const { return *pickers_; }
    QtUiThread& UiThread() const { return *uiThread_; }

  signals:
    // The user chose a menu item or toolbar button.
    void CommandTriggered(int commandId);

  protected:
    // While a controller is attached, closing is its close bookkeeping: the
    // window stays while a job runs and ends when the controller says so.
    void closeEvent(QCloseEvent* event) override;
    // A dropped path (the first of several) is listed.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void RunCommand(int commandId);
    void ConnectLists();
    void MakeActions();
    void MakeMenus();
    void MakeToolBar();
    void MakeFileLists();
    QWidget* MakeLeftColumn();
    void MakeCentralArea();

    std::unique_ptr<QtIconProvider> icons_;
    std::unique_ptr<QtPickers> pickers_;
    EditorSide* editors_ = nullptr;
    MainController* controller_ = nullptr;
    std::optional<int> result_;
    bool closing_ = false;  // in closeEvent: CloseWindow lets that close go through
    bool showMaximized_ = false;
    std::map<int, QAction*> actions_;
    QToolBar* toolBar_ = nullptr;
    QComboBox* taskKind_ = nullptr;
    QFrame* editorFrame_ = nullptr;
    QFrame* taskListArea_ = nullptr;
    SyncListView* currentList_ = nullptr;
    SyncListView* newList_ = nullptr;
    FileListModel* currentModel_ = nullptr;
    FileListModel* newModel_ = nullptr;
    InfoTabGeneral* generalInfo_ = nullptr;
    PaneLayout* panes_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QtProgress* progress_ = nullptr;
    QtDialogs* dialogs_ = nullptr;
    QtUiThread* uiThread_ = nullptr;
};

}  // namespace torvane::gui
