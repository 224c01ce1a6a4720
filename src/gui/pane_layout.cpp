#include "gui/pane_layout.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QSplitter>
#include <QStackedWidget>
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

PaneLayout::PaneLayout(QWidget* current, QWidget* newValues, QWidget* generalInfo,
                       QWidget* wholeJob, QWidget* parent)
    : QWidget(parent),
      topRow_(new QWidget(this)),
      listSplitter_(new QSplitter(Qt::Horizontal)),
      stack_(new QStackedWidget(topRow_)),
      countLine_(new QLabel(topRow_)),
      wholeJobBox_(new QCheckBox("&Whole job", topRow_)),
      problemsOnlyBox_(new QCheckBox("Show &problems only", topRow_)) {
    listSplitter_->setChildrenCollapsible(false);
    tabs_[kCurrentPane] = MakePane(current, "Current Attribute", listSplitter_);
    tabs_[kNewPane] = MakePane(newValues, "New Attribute", listSplitter_);
    tabs_[kGeneralInfoPane] = MakePane(generalInfo, "General Info", this);
    listSplitter_->addWidget(tabs_[kCurrentPane]);
    listSplitter_->addWidget(tabs_[kNewPane]);
    listSplitter_->setStretchFactor(0, 1);
    listSplitter_->setStretchFactor(1, 1);
    listSplitter_->setSizes({1, 1});
    tabs_[kWholeJobPane] = MakePane(wholeJob, "Whole Job", stack_);
    stack_->addWidget(listSplitter_);
    stack_->addWidget(tabs_[kWholeJobPane]);
    wholeJobBox_->setToolTip(
        "Show every entry the job will change, in every folder it reaches, with its problems");
    problemsOnlyBox_->setToolTip("Show only the entries with a problem (F8: the next one)");
    countLine_->setTextFormat(Qt::PlainText);
    countLine_->setMinimumWidth(0);
    countLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    // The row keeps its height when the line is empty, so the lists never jump.
    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(countLine_, 1);
    line->addWidget(problemsOnlyBox_);
    line->addWidget(wholeJobBox_);
    const int lineHeight =
        std::max(countLine_->fontMetrics().height() + 2, wholeJobBox_->sizeHint().height());
    countLine_->setFixedHeight(lineHeight);
    auto* rows = new QVBoxLayout(topRow_);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    rows->addWidget(stack_, 1);
    rows->addLayout(line);
    setMinimumSize(kMinimumPaneSize * 2,
                   kMinimumPaneSize * 2 + kBorder + lineHeight + rows->spacing());
}

QString PaneLayout::PaneTitle(Pane pane) const {
    return tabs_[pane]->tabText(0);
}

void PaneLayout::SetPaneTitle(Pane pane, const QString& title) {
    tabs_[pane]->setTabText(0, title);
}

void PaneLayout::ShowWholeJob(bool shown) {
    stack_->setCurrentIndex(shown ? 1 : 0);
}

bool PaneLayout::WholeJobShown() const {
    return stack_->currentIndex() == 1;
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
