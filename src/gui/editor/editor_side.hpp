#pragma once

class QWidget;

namespace torvane {

// The left side of the main window as the window places it: the task-kind
// selector with the three editor pages (upper part) and the task list view
// (lower part). What those widgets show comes from the controller, which
// the editor side serves as its TaskEditorView; the editors talk back to the
// controller directly (SubmitTask, SetTaskSelection, TaskListClicked, ...).
class EditorSide {
  public:
    virtual ~EditorSide() = default;

    // The widgets the window places in its editor frame and task-list area.
    virtual QWidget* EditorWidget() = 0;
    virtual QWidget* TaskListWidget() = 0;
};

}  // namespace torvane
