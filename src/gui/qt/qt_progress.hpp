#pragma once

#include <QObject>

#include "gui/qt/qt_ui_thread.hpp"
#include "platform/progress.hpp"

class QProgressBar;

namespace torvane::gui {

// The window's progress bar as the core drives it. Calls on the bar's thread
// act at once; calls from a job's worker are posted to that thread and act in
// the order they were made. Lives as a child of the bar: posted calls still
// pending when the bar goes away are dropped.
class QtProgress : public QObject, public Progress {
    Q_OBJECT

  public:
    explicit QtProgress(QProgressBar& bar);

    // A range of no positions (low >= high) shows an empty bar, not the
    // bar's endless "busy" animation.
    void SetRange(int low, int high) override;
    void SetStep(int step) override;
    // Stops at the range's end.
    void StepIt() override;
    void SetPos(int position) override;

  private:
    QProgressBar& bar_;
    QtObjectThread barThread_{*this};  // the calls of a job's worker go through it
    int step_ = 10;                    // only touched on the bar's thread
};

}  // namespace torvane::gui
