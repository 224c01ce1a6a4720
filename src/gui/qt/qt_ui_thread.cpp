#include "gui/qt/qt_ui_thread.hpp"

#include <QThread>
#include <utility>

namespace torvane::gui {

void QtObjectThread::Post(std::function<void()> work) {
    QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

bool QtObjectThread::OnUiThread() const {
    return QThread::currentThread() == context_.thread();
}

void QtObjectThread::PostAndWait(std::function<void()> work) {
    QMetaObject::invokeMethod(&context_, std::move(work), Qt::BlockingQueuedConnection);
}

QtUiThread::QtUiThread(QObject* parent)
    : QObject(parent), QtObjectThread(static_cast<QObject&>(*this)) {}

}  // namespace torvane::gui
