#pragma once

#include <QObject>
#include <functional>

#include "app/ui_thread.hpp"

namespace torvane::gui {

// The thread a Qt object lives on, as a UiThread: work handed over is
// delivered to `context` through that thread's event loop, in the order it
// was handed over, and dropped if `context` is destroyed first. Whether work
// runs at once or is handed over is UiThread's decision.
class QtObjectThread : public UiThread {
  public:
    explicit QtObjectThread(QObject& context) : context_(context) {}

    // Queues `work` for the event loop and returns at once.
    void Post(std::function<void()> work) override;
    bool OnUiThread() const override;

  protected:
    // Queues `work` and waits until it has run (the context's thread must
    // not be waiting for the caller meanwhile).
    void PostAndWait(std::function<void()> work) override;

  private:
    QObject& context_;
};

// The UI thread of the desktop window: the thread this object lives on (the
// GUI thread).
class QtUiThread : public QObject, public QtObjectThread {
    Q_OBJECT

  public:
    explicit QtUiThread(QObject* parent = nullptr);
};

}  // namespace torvane::gui
