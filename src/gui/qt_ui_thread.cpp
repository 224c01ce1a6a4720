#include "gui/qt_ui_thread.hpp"

#include <QThread>
#include <utility>

namespace torvane::gui {

QtUiThread::QtUiThread(QObject* parent) : QObject(parent) {}

void QtUiThread::Post(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void QtUiThread::Invoke(std::function<void()> work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(work), Qt::BlockingQueuedConnection);
}

}  // namespace torvane::gui
