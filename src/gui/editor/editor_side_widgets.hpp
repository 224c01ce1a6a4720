#pragma once

#include <QPointer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/main_view.hpp"
#include "gui/editor/editor_side.hpp"

class QComboBox;

namespace torvane {
class Dialogs;
class MainController;
}  // namespace torvane

namespace torvane::gui {

class CriteriaTabs;
class TaskListView;
class QtDialogs;

// Optional services of the editor side, for a window that has its own or a
// test that records them.
struct EditorSideOptions {
    // Where the pages' messages are shown; null: message boxes of its own.
    Dialogs* dialogs = nullptr;
    // The time the timestamp page starts with; nullopt: now.
    std::optional<std::int64_t> startTime;
    // The caption of the pages' messages; empty: the application's name.
    std::wstring caption;
};

// The editor side of the main window built from Qt widgets: the task-kind
// selector above the criteria frame with its three pages (EditorWidget), the
// task list view (TaskListWidget), and the Preferences and About windows.
// The pages submit to the controller; the view reports selection, clicks and
// double clicks to it; everything the widgets show comes from the
// controller's notifications: the object registers itself as the
// controller's task editor while it lives. The caller owns this object; the
// widgets it makes belong to `parent` (the window), which places them.
class EditorSideWidgets : public EditorSide, public TaskEditorView {
  public:
    EditorSideWidgets(MainController& controller, QWidget* parent, EditorSideOptions options = {});
    ~EditorSideWidgets() override;
    EditorSideWidgets(const EditorSideWidgets&) = delete;
    EditorSideWidgets& operator=(const EditorSideWidgets&) = delete;

    QWidget* EditorWidget() override;
    QWidget* TaskListWidget() override;

    // TaskEditorView
    void TaskRowsChanged() override;
    void TaskSelectionChanged(const TaskSelection& selection) override;
    void TaskListCaptionChanged(const std::wstring& caption) override;
    void EnableTaskKindSelector(bool enabled) override;
    void EnableEditor() override;
    void ShowEditorPage(int page) override;
    void LoadTask(const TaskFields& record, LoadMode mode) override;
    void PrefillTimestampPage(const FileEntry& times) override;
    // A new modeless Preferences window, centred on the parent's window.
    // Its Clear History asks the controller's jobHistory().AskClear().
    void ShowPreferences(const PreferenceFlags& flags, const HistorySettings& history) override;
    // The About box, modal to the window; it deletes itself when closed.
    void ShowAbout(const AboutInfo& about) override;

    QComboBox& TaskKindSelector() const { return *selector_; }
    gui::CriteriaTabs& CriteriaTabs() const { return *tabs_; }
    TaskListView& TaskList() const { return *taskList_; }

  private:
    MainController& controller_;
    QPointer<QWidget> parent_;
    std::unique_ptr<QtDialogs> ownDialogs_;
    QPointer<QWidget> editor_;
    QPointer<TaskListView> taskListWidget_;
    QComboBox* selector_;
    gui::CriteriaTabs* tabs_;
    TaskListView* taskList_;
};

}  // namespace torvane::gui
