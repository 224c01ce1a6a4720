#include "gui/lists/grid_list_view.hpp"

#include <QHeaderView>
#include <QMenu>

namespace torvane::gui {
namespace {

// Narrow enough for the 20-pixel image columns.
constexpr int kNarrowestColumn = 16;

}  // namespace

GridListView::GridListView(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setSortingEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setIconSize(QSize(16, 16));

    auto* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);

    auto* header = horizontalHeader();
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(kNarrowestColumn);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::sectionResized, this, &GridListView::OnSectionResized);
    connect(header, &QHeaderView::customContextMenuRequested, this, &GridListView::ShowColumnMenu);
}

void GridListView::SetColumns(std::vector<GridColumn> columns) {
    columns_ = std::move(columns);
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c)
        horizontalHeader()->resizeSection(c, columns_[static_cast<std::size_t>(c)].width);
}

bool GridListView::ShowColumn(int column, bool show) {
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return false;
    if (!show && columns_[static_cast<std::size_t>(column)].alwaysVisible)
        return false;
    horizontalHeader()->setSectionHidden(column, !show);
    return true;
}

bool GridListView::IsColumnShown(int column) const {
    return !horizontalHeader()->isSectionHidden(column);
}

QMenu* GridListView::MakeColumnMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
        const auto& info = columns_[static_cast<std::size_t>(c)];
        auto* item = menu->addAction(QString::fromLatin1(info.heading));
        item->setCheckable(true);
        item->setChecked(IsColumnShown(c));
        item->setEnabled(!info.alwaysVisible);
        connect(item, &QAction::toggled, this, [this, c](bool on) { ShowColumn(c, on); });
    }
    return menu;
}

void GridListView::ColumnWidthChanged(int, int) {}

void GridListView::OnSectionResized(int column, int, int newWidth) {
    // Hiding a column reports a width of 0; that is no change of width.
    if (column < 0 || column >= static_cast<int>(columns_.size()) ||
        horizontalHeader()->isSectionHidden(column))
        return;
    const auto& info = columns_[static_cast<std::size_t>(column)];
    int limited = newWidth;
    if (info.minWidth != -1 && limited < info.minWidth)
        limited = info.minWidth;
    if (info.maxWidth != -1 && limited > info.maxWidth)
        limited = info.maxWidth;
    if (limited != newWidth) {
        horizontalHeader()->resizeSection(column, limited);  // reported again, within limits
        return;
    }
    ColumnWidthChanged(column, newWidth);
}

void GridListView::ShowColumnMenu(const QPoint& position) {
    QMenu* menu = MakeColumnMenu(this);
    menu->exec(horizontalHeader()->viewport()->mapToGlobal(position));
    delete menu;
}

}  // namespace torvane::gui
