#pragma once

#include <QObject>
#include <functional>

#include "app/ui_thread.hpp"

namespace torvane::gui {

// The UI thread of the desktop window: the thread this object lives on (the
// GUI thread). Work runs through that thread's event loop, in the order it
// was handed over.
class QtUiThread : public QObject, public UiThread {
    Q_OBJECT

  public:
    explicit QtUiThread(QObject* parent = nullptr);

    // Queues `work` for the event loop and returns at once.
    void Post(std::function<void()> work) override;
    // From another thread: queues `work` and waits until it has run (the UI
    // thread must not be waiting for the caller meanwhile). On the UI
    // thread: runs it at once.
    void Invoke(std::function<void()> work) override;
};

}  // namespace torvane::gui
