#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstddef>
#include <vector>

#include "app/main_view.hpp"
#include "gui/lists/grid_list_view.hpp"

namespace torvane {
class MainController;
}

namespace torvane::gui {

// The task list view's rows: row i shows the display text of item i of the
// controller's task list, its tool tip the text the controller builds for
// it. It keeps no copy of the list, only the row count the views were last
// told of, so that a change of the list can be announced row by row and the
// rows that stay keep their selection.
class TaskListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit TaskListModel(const MainController& controller, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // DisplayRole: the row's text; ToolTipRole: the controller's tool tip
    // with plain line feeds, or nothing for a task of no known kind.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The task list changed: rows past its end are removed, missing rows
    // appended, and every row redrawn in place.
    void RefreshRows();
    // The column title.
    void SetCaption(const QString& caption);
    const QString& caption() const { return caption_; }

  private:
    const MainController& controller_;
    int rows_ = 0;
    QString caption_ = QStringLiteral("Task List");
};

// TaskListView: the one-column task list in the lower left of the window.
// Several rows can be selected; every selection change is reported to the
// controller (SetTaskSelection), a click recomputes the command states and a
// double click loads the first selected task into its editor page. Rows
// show a tool tip with the task's fields, kept up for ten seconds; Ctrl+C
// copies the selected rows' texts. Without rows it shows the empty-view text.
class TaskListView : public GridListView {
    Q_OBJECT

  public:
    static constexpr int kColumnWidth = 295;
    static constexpr int kToolTipMilliseconds = 10000;

    TaskListView(MainController& controller, QWidget* parent = nullptr);

    TaskListModel& Model() const { return *model_; }

    // The controller's notifications.
    void TaskRowsChanged();
    void TaskSelectionChanged(const TaskSelection& selection);
    void SetCaption(const QString& caption);

    // The selected rows, ascending.
    std::vector<std::size_t> SelectedRows() const;
    // The texts of the selected rows, one per line (what Ctrl+C copies).
    QString SelectedTexts() const;

    // The tool tip's text as shown (HTML keeping every blank and line
    // break), for the plain text of a row's tool tip.
    static QString ToolTipMarkup(const QString& plain);

  protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void OnSelectionChanged();

    MainController& controller_;
    TaskListModel* model_;
    bool applying_ = false;  // the selection is being set from the controller
};

}  // namespace torvane::gui
