#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "gui/qt/qt_ui_thread.hpp"
#include "platform/dialogs.hpp"

namespace torvane::gui {

// Message boxes owned by the main window. A call from the UI thread shows the
// box at once; a call from a job's worker shows it on the UI thread and holds
// the worker until it is answered (so the UI thread must not be waiting for
// that worker meanwhile). Texts are shown as plain text, never as markup, so
// a file name can't change how a message looks.
class QtDialogs : public QObject, public Dialogs {
    Q_OBJECT

  public:
    // `owner` may be null (a box of its own).
    explicit QtDialogs(QWidget* owner, QObject* parent = nullptr);

    // Returns the button pressed; a box closed without a button answers
    // Cancel, or No when it has no Cancel button, or Ok when it has only Ok.
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageIcon icon, MessageButtons buttons) override;

  private:
    MessageAnswer RunBox(const std::wstring& text, const std::wstring& caption, MessageIcon icon,
                         MessageButtons buttons);

    QPointer<QWidget> owner_;
    QtObjectThread uiThread_{*this};  // where a job's worker has its boxes shown
};

}  // namespace torvane::gui
