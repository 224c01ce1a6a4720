#include "gui/qt/qt_progress.hpp"

#include <QProgressBar>
#include <algorithm>

namespace torvane::gui {

QtProgress::QtProgress(QProgressBar& bar) : QObject(&bar), bar_(bar) {}

void QtProgress::SetRange(int low, int high) {
    barThread_.RunOrPost([this, low, high] {
        bar_.setRange(low, std::max(high, low + 1));
        bar_.setValue(low);
    });
}

void QtProgress::SetStep(int step) {
    barThread_.RunOrPost([this, step] { step_ = step; });
}

void QtProgress::StepIt() {
    barThread_.RunOrPost([this] {
        const int from = std::max(bar_.value(), bar_.minimum());
        bar_.setValue(std::min(from + step_, bar_.maximum()));
    });
}

void QtProgress::SetPos(int position) {
    barThread_.RunOrPost(
        [this, position] { bar_.setValue(std::clamp(position, bar_.minimum(), bar_.maximum())); });
}

}  // namespace torvane::gui
