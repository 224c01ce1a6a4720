#include "gui/qt_progress.hpp"

#include <QProgressBar>
#include <QThread>
#include <algorithm>

namespace torvane::gui {

QtProgress::QtProgress(QProgressBar& bar) : QObject(&bar), bar_(bar) {}

template <typename Action>
void QtProgress::OnBarThread(Action action) {
    if (QThread::currentThread() == thread())
        action();
    else
        QMetaObject::invokeMethod(this, action, Qt::QueuedConnection);
}

void QtProgress::SetRange(int low, int high) {
    OnBarThread([this, low, high] {
        bar_.setRange(low, std::max(high, low + 1));
        bar_.setValue(low);
    });
}

void QtProgress::SetStep(int step) {
    OnBarThread([this, step] { step_ = step; });
}

void QtProgress::StepIt() {
    OnBarThread([this] {
        const int from = std::max(bar_.value(), bar_.minimum());
        bar_.setValue(std::min(from + step_, bar_.maximum()));
    });
}

void QtProgress::SetPos(int position) {
    OnBarThread(
        [this, position] { bar_.setValue(std::clamp(position, bar_.minimum(), bar_.maximum())); });
}

}  // namespace torvane::gui
