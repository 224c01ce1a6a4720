#include "gui/pane_layout.hpp"

#include <QLabel>
#include <QResizeEvent>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace torvane::gui {
namespace {

QTabWidget* MakePane(QWidget* content, const QString& title, QWidget* parent) {
    auto* pane = new QTabWidget(parent);
    pane->setDocumentMode(false);
    pane->setMovable(false);
    pane->setMinimumSize(PaneLayout::kMinimumPaneSize, PaneLayout::kMinimumPaneSize);
    pane->addTab(content, title);
    return pane;
}

}  // namespace

PaneLayout::PaneLayout(QWidget* current, QWidget* newValues, QWidget* generalInfo, QWidget* parent)
    : QWidget(parent),
      topRow_(new QWidget(this)),
      listSplitter_(new QSplitter(Qt::Horizontal, topRow_)),
      countLine_(new QLabel(topRow_)) {
    listSplitter_->setChildrenCollapsible(false);
    tabs_[kCurrentPane] = MakePane(current, "Current Attribute", listSplitter_);
    tabs_[kNewPane] = MakePane(newValues, "New Attribute", listSplitter_);
    tabs_[kGeneralInfoPane] = MakePane(generalInfo, "General Info", this);
    listSplitter_->addWidget(tabs_[kCurrentPane]);
    listSplitter_->addWidget(tabs_[kNewPane]);
    listSplitter_->setStretchFactor(0, 1);
    listSplitter_->setStretchFactor(1, 1);
    listSplitter_->setSizes({1, 1});
    // The line keeps its height when empty, so the lists never jump.
    countLine_->setFixedHeight(countLine_->fontMetrics().height() + 2);
    countLine_->setTextFormat(Qt::PlainText);
    auto* rows = new QVBoxLayout(topRow_);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    rows->addWidget(listSplitter_, 1);
    rows->addWidget(countLine_);
    setMinimumSize(kMinimumPaneSize * 2,
                   kMinimumPaneSize * 2 + kBorder + countLine_->height() + rows->spacing());
}

QString PaneLayout::PaneTitle(Pane pane) const {
    return tabs_[pane]->tabText(0);
}

void PaneLayout::SetPaneTitle(Pane pane, const QString& title) {
    tabs_[pane]->setTabText(0, title);
}

QWidget* PaneLayout::TopRow() const {
    return topRow_;
}

QWidget* PaneLayout::PaneFrame(Pane pane) const {
    return tabs_[pane];
}

void PaneLayout::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int width = event->size().width();
    const int height = event->size().height();
    // The lists take their share, but never so much that General Info is
    // squeezed below what its boxes need (a small window, a large scale).
    const int infoNeeds = tabs_[kGeneralInfoPane]->minimumSizeHint().height();
    const int top =
        std::max(std::min((height - kBorder) * kTopPercent / 100, height - kBorder - infoNeeds),
                 topRow_->minimumSizeHint().height());
    topRow_->setGeometry(0, 0, width, top);
    tabs_[kGeneralInfoPane]->setGeometry(0, top + kBorder, width, height - top - kBorder);
}

}  // namespace torvane::gui
