#pragma once

#include <QMainWindow>
#include <QSize>
#include <map>
#include <memory>

#include "filelist/file_entry.hpp"

class QAction;
class QComboBox;
class QFrame;
class QProgressBar;
class QToolBar;

namespace torvane::gui {

class FileListModel;
class InfoTabGeneral;
class PaneLayout;
class QtDialogs;
class QtIconProvider;
class QtProgress;
class SyncListView;

// The program's window: menu bar and toolbar, the task-kind selector with the
// editor frame above the task-list area on the left, the three panes on the
// right, the progress bar along the bottom. It draws state and reports the
// user's commands (CommandTriggered); which commands are enabled, what the
// lists hold and what General Info shows are decided by its owner.
class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr QSize kMinimumSize{950, 650};
    static constexpr QSize kStartSize{1280, 780};

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

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

  signals:
    // The user chose a menu item or toolbar button.
    void CommandTriggered(int commandId);

  private:
    void MakeActions();
    void MakeMenus();
    void MakeToolBar();
    void MakeFileLists();
    QWidget* MakeLeftColumn();
    void MakeCentralArea();

    std::unique_ptr<QtIconProvider> icons_;
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
};

}  // namespace torvane::gui
