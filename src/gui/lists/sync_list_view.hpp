#pragma once

#include <memory>

#include "app/main_view.hpp"  // the list ids
#include "gui/lists/grid_list_view.hpp"
#include "gui/lists/wheel_steps.hpp"

class QItemSelection;

namespace torvane::gui {

// One of the two file lists ("Current Attribute", "New Attribute"). Row i of
// both is entry i of the two sequences, so the pair moves in lock step:
// selecting a row, scrolling, resizing, showing or hiding a column in one
// does the same in its partner. It reports clicks and double clicks with its
// list id and selection changes with id 0; what they mean is for the window's
// controller to decide.
class SyncListView : public GridListView {
    Q_OBJECT

  public:
    SyncListView(int listId, QWidget* parent = nullptr);

    // Makes two lists each other's partner; they share one wheel count.
    static void MakePartners(SyncListView& first, SyncListView& second);

    int listId() const { return listId_; }
    SyncListView* partner() const { return partner_; }

    void setModel(QAbstractItemModel* model) override;

    // Shows or hides a column here and in the partner; see GridListView.
    bool ShowColumn(int column, bool show) override;

    // The first selected row, or -1.
    int SelectedRow() const;

    // Puts a cell's text on the clipboard (empty for an image column).
    void CopyCellText(const QModelIndex& index) const;

  signals:
    // A row was clicked (listId: this list's id) or the selection moved to
    // it (listId 0).
    void FileSelected(int row, int listId);
    // A row was double-clicked.
    void FileActivated(int row, int listId);

  protected:
    void ColumnWidthChanged(int column, int width) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void OnSelectionChanged(const QItemSelection& selected);
    void SelectFromPartner(int row);
    void FollowScroll(Qt::Orientation orientation, int value);
    void ReportClick(bool activated);

    int listId_;
    SyncListView* partner_ = nullptr;
    std::shared_ptr<WheelSteps> wheel_ = std::make_shared<WheelSteps>();
    bool selectingFromPartner_ = false;
    bool settingFromPartner_ = false;
    bool scrollingFromPartner_ = false;
};

}  // namespace torvane::gui
