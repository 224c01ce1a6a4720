#include "gui/lists/sync_list_view.hpp"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>

namespace torvane::gui {

SyncListView::SyncListView(int listId, QWidget* parent) : GridListView(parent), listId_(listId) {
    connect(this, &QAbstractItemView::clicked, this, [this] { ReportClick(false); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { ReportClick(true); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { FollowScroll(Qt::Vertical, value); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { FollowScroll(Qt::Horizontal, value); });
}

void SyncListView::MakePartners(SyncListView& first, SyncListView& second) {
    first.partner_ = &second;
    second.partner_ = &first;
    second.wheel_ = first.wheel_;
}

void SyncListView::setModel(QAbstractItemModel* model) {
    GridListView::setModel(model);
    if (auto* selection = selectionModel())
        connect(selection, &QItemSelectionModel::selectionChanged, this,
                [this](const QItemSelection& selected) { OnSelectionChanged(selected); });
}

bool SyncListView::ShowColumn(int column, bool show) {
    if (!GridListView::ShowColumn(column, show))
        return false;
    if (partner_)
        partner_->GridListView::ShowColumn(column, show);
    return true;
}

int SyncListView::SelectedRow() const {
    if (!selectionModel())
        return -1;
    const auto rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void SyncListView::CopyCellText(const QModelIndex& index) const {
    QApplication::clipboard()->setText(index.data(Qt::DisplayRole).toString());
}

void SyncListView::ColumnWidthChanged(int column, int width) {
    if (!partner_ || settingFromPartner_)
        return;
    partner_->settingFromPartner_ = true;
    partner_->horizontalHeader()->resizeSection(column, width);
    partner_->settingFromPartner_ = false;
}

void SyncListView::keyPressEvent(QKeyEvent* event) {
    // No horizontal movement by keyboard: the partner would not follow it.
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        event->accept();
        return;
    }
    GridListView::keyPressEvent(event);
}

void SyncListView::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        GridListView::wheelEvent(event);  // a sideways wheel: the partner follows the bar
        return;
    }
    event->accept();
    const int direction = wheel_->Feed(delta);
    // A list of fewer than two rows has no row height to scroll by.
    if (direction == 0 || !model() || model()->rowCount() < 2)
        return;
    auto* bar = verticalScrollBar();
    bar->setValue(bar->value() + direction * QApplication::wheelScrollLines());
}

void SyncListView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex cell = indexAt(event->pos());
    if (!cell.isValid())
        return;
    QMenu menu(this);
    menu.addAction("Undo")->setEnabled(false);
    menu.addSeparator();
    menu.addAction("Cut")->setEnabled(false);
    QAction* copy = menu.addAction("Copy");
    menu.addAction("Paste")->setEnabled(false);
    menu.addAction("Delete")->setEnabled(false);
    menu.addSeparator();
    menu.addAction("Select All")->setEnabled(false);
    if (menu.exec(event->globalPos()) == copy)
        CopyCellText(cell);
}

void SyncListView::OnSelectionChanged(const QItemSelection& selected) {
    // Only a newly selected row is mirrored; a deselection is not.
    if (selected.isEmpty())
        return;
    const int row = selected.indexes().first().row();
    if (partner_ && !selectingFromPartner_)
        partner_->SelectFromPartner(row);
    if (const int first = SelectedRow(); first >= 0)
        emit FileSelected(first, 0);
}

void SyncListView::SelectFromPartner(int row) {
    if (!model() || row >= model()->rowCount())
        return;
    const QModelIndex cell = model()->index(row, 0);
    selectingFromPartner_ = true;
    selectionModel()->setCurrentIndex(
        cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selectingFromPartner_ = false;
    setFocus(Qt::OtherFocusReason);
    scrollTo(cell, QAbstractItemView::EnsureVisible);
}

void SyncListView::FollowScroll(Qt::Orientation orientation, int value) {
    if (!partner_ || scrollingFromPartner_)
        return;
    partner_->scrollingFromPartner_ = true;
    auto* bar = orientation == Qt::Vertical ? partner_->verticalScrollBar()
                                            : partner_->horizontalScrollBar();
    bar->setValue(value);
    partner_->scrollingFromPartner_ = false;
}

void SyncListView::ReportClick(bool activated) {
    const int row = SelectedRow();
    if (!model() || model()->rowCount() == 0 || row < 0)
        return;
    if (activated)
        emit FileActivated(row, listId_);
    else
        emit FileSelected(row, listId_);
}

}  // namespace torvane::gui
