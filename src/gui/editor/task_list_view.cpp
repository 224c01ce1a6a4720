#include "gui/editor/task_list_view.hpp"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "app/main_controller.hpp"
#include "app/task_list_texts.hpp"
#include "tasks/task_item.hpp"

namespace torvane::gui {
namespace {

constexpr const char* kEmptyViewText = "There are no items to show in this view.";

}  // namespace

TaskListModel::TaskListModel(const MainController& controller, QObject* parent)
    : QAbstractTableModel(parent), controller_(controller) {
    rows_ = static_cast<int>(controller_.taskList().tasks().size());
}

int TaskListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TaskListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant TaskListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() != 0 || index.row() >= rows_ ||
        static_cast<std::size_t>(index.row()) >= controller_.taskList().tasks().size())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (role == Qt::DisplayRole)
        return QString::fromStdWString(TaskRowText(controller_.taskList().tasks()[row]));
    if (role == Qt::ToolTipRole) {
        const auto tip = controller_.taskList().TaskRowToolTip(row);
        if (!tip)
            return {};
        return QString::fromStdWString(*tip).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }
    return {};
}

QVariant TaskListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return caption_;
    return {};
}

void TaskListModel::RefreshRows() {
    const int wanted = static_cast<int>(controller_.taskList().tasks().size());
    if (wanted < rows_) {
        beginRemoveRows({}, wanted, rows_ - 1);
        rows_ = wanted;
        endRemoveRows();
    } else if (wanted > rows_) {
        beginInsertRows({}, rows_, wanted - 1);
        rows_ = wanted;
        endInsertRows();
    }
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, 0));
}

void TaskListModel::SetCaption(const QString& caption) {
    caption_ = caption;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

TaskListView::TaskListView(MainController& controller, QWidget* parent)
    : GridListView(parent), controller_(controller), model_(new TaskListModel(controller, this)) {
    // The window's own font, as every other list of the window.
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setModel(model_);
    SetColumns({GridColumn{"Task List", kColumnWidth, ColumnTrait::kText, -1, -1, true}});
    // The one column always fills the view: a long text is elided, and its
    // tool tip shows it whole.
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TaskListView::OnSelectionChanged);
}

void TaskListView::TaskRowsChanged() {
    applying_ = true;
    model_->RefreshRows();
    applying_ = false;
    viewport()->update();
}

void TaskListView::TaskSelectionChanged(const TaskSelection& selection) {
    applying_ = true;
    QItemSelection rows;
    for (const std::size_t row : selection.rows) {
        const QModelIndex at = model_->index(static_cast<int>(row), 0);
        rows.select(at, at);
    }
    selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    if (selection.focusRow)
        selectionModel()->setCurrentIndex(model_->index(static_cast<int>(*selection.focusRow), 0),
                                          QItemSelectionModel::NoUpdate);
    if (selection.scrollRow)
        scrollTo(model_->index(static_cast<int>(*selection.scrollRow), 0),
                 QAbstractItemView::EnsureVisible);
    if (selection.takeKeyboardFocus)
        setFocus(Qt::OtherFocusReason);
    applying_ = false;
}

void TaskListView::SetCaption(const QString& caption) {
    model_->SetCaption(caption);
}

std::vector<std::size_t> TaskListView::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(static_cast<std::size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString TaskListView::SelectedTexts() const {
    QStringList texts;
    for (const std::size_t row : SelectedRows())
        texts << model_->index(static_cast<int>(row), 0).data().toString();
    return texts.join('\n');
}

QString TaskListView::ToolTipMarkup(const QString& plain) {
    QString html = plain.toHtmlEscaped();
    html.replace('\n', QStringLiteral("<br>"));
    return QStringLiteral("<p style='white-space:pre'>") + html + QStringLiteral("</p>");
}

void TaskListView::OnSelectionChanged() {
    if (!applying_)
        controller_.taskList().SetTaskSelection(SelectedRows());
}

bool TaskListView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return GridListView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex at = indexAt(help->pos());
    const QString tip = at.isValid() ? at.data(Qt::ToolTipRole).toString() : QString();
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), ToolTipMarkup(tip), viewport(), visualRect(at),
                       kToolTipMilliseconds);
    return true;
}

void TaskListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(SelectedTexts());
        return;
    }
    GridListView::keyPressEvent(event);
}

void TaskListView::paintEvent(QPaintEvent* event) {
    GridListView::paintEvent(event);
    if (model_->rowCount() > 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextSingleLine,
                     QString::fromLatin1(kEmptyViewText));
}

void TaskListView::mouseReleaseEvent(QMouseEvent* event) {
    GridListView::mouseReleaseEvent(event);
    controller_.TaskListClicked();
}

void TaskListView::mouseDoubleClickEvent(QMouseEvent* event) {
    GridListView::mouseDoubleClickEvent(event);
    controller_.taskList().TaskListDoubleClicked();
}

}  // namespace torvane::gui
