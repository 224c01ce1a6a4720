#include "gui/pane_layout.hpp"

#include <QResizeEvent>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>

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
    : QWidget(parent), listSplitter_(new QSplitter(Qt::Horizontal, this)) {
    listSplitter_->setChildrenCollapsible(false);
    tabs_[kCurrentPane] = MakePane(current, "Current Attribute", listSplitter_);
    tabs_[kNewPane] = MakePane(newValues, "New Attribute", listSplitter_);
    tabs_[kGeneralInfoPane] = MakePane(generalInfo, "General Info", this);
    listSplitter_->addWidget(tabs_[kCurrentPane]);
    listSplitter_->addWidget(tabs_[kNewPane]);
    listSplitter_->setStretchFactor(0, 1);
    listSplitter_->setStretchFactor(1, 1);
    listSplitter_->setSizes({1, 1});
    setMinimumSize(kMinimumPaneSize * 2, kMinimumPaneSize * 2 + kBorder);
}

QString PaneLayout::PaneTitle(Pane pane) const {
    return tabs_[pane]->tabText(0);
}

void PaneLayout::SetPaneTitle(Pane pane, const QString& title) {
    tabs_[pane]->setTabText(0, title);
}

QWidget* PaneLayout::TopRow() const {
    return listSplitter_;
}

QWidget* PaneLayout::PaneFrame(Pane pane) const {
    return tabs_[pane];
}

void PaneLayout::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int width = event->size().width();
    const int height = event->size().height();
    const int top = (height - kBorder) * kTopPercent / 100;
    listSplitter_->setGeometry(0, 0, width, top);
    tabs_[kGeneralInfoPane]->setGeometry(0, top + kBorder, width, height - top - kBorder);
}

}  // namespace torvane::gui
