#pragma once

#include <QTableView>
#include <vector>

#include "gui/lists/file_columns.hpp"

class QMenu;

namespace torvane::gui {

// A report-style list: whole-row single selection, no sorting, no editing, no
// grid lines, columns with traits (width limits, always visible) that the
// user can show and hide through the header's context menu but never
// reorder. The base of the file lists (and later of the task list view).
class GridListView : public QTableView {
    Q_OBJECT

  public:
    explicit GridListView(QWidget* parent = nullptr);

    // Gives the columns their traits and start widths. Call after setModel;
    // the model has one column per entry of `columns`.
    void SetColumns(std::vector<GridColumn> columns);

    // Shows or hides a column. Returns false, changing nothing, when asked to
    // hide an always-visible column or for a column that does not exist.
    virtual bool ShowColumn(int column, bool show);

    bool IsColumnShown(int column) const;

    // The header's context menu: one checkable item per column, checked when
    // shown, disabled for always-visible columns; choosing one calls
    // ShowColumn. The caller owns the menu.
    QMenu* MakeColumnMenu(QWidget* parent);

  protected:
    // Called after the user or a partner changed a column's width to `width`
    // (within the column's limits).
    virtual void ColumnWidthChanged(int column, int width);

    const std::vector<GridColumn>& columns() const { return columns_; }

  private:
    void OnSectionResized(int column, int oldWidth, int newWidth);
    void ShowColumnMenu(const QPoint& position);

    std::vector<GridColumn> columns_;
};

}  // namespace torvane::gui
