#pragma once

#include <string>

#include "app/main_view.hpp"

class QWidget;

namespace torvane {

// The left side of the main window: the task-kind selector with the three
// editor pages (upper part) and the task list view (lower part). The window
// places the two widgets and forwards to this object the controller's view
// notifications that concern them; the editors talk back to the controller
// directly (SubmitTask, SetTaskSelection, TaskListClicked, ...).
class EditorSide {
public:
    virtual ~EditorSide() = default;

    // The widgets the window places in its editor frame and task-list area.
    virtual QWidget* EditorWidget() = 0;
    virtual QWidget* TaskListWidget() = 0;

    // The MainView notifications of the same names.
    virtual void TaskRowsChanged() = 0;
    virtual void TaskSelectionChanged(const TaskSelection& selection) = 0;
    virtual void TaskListCaptionChanged(const std::wstring& caption) = 0;
    virtual void EnableTaskKindSelector(bool enabled) = 0;
    virtual void EnableEditor() = 0;
    virtual void ShowEditorPage(int page) = 0;
    virtual void LoadTask(const TaskFields& record, LoadMode mode) = 0;
    virtual void PrefillTimestampPage(const FileEntry& times) = 0;
    virtual void ShowPreferences(const PreferenceFlags& flags) = 0;
    virtual void ShowAbout(const AboutInfo& about) = 0;
};

}  // namespace torvane
