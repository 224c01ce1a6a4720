#include "gui/qt/qt_dialogs.hpp"

#include <QMessageBox>

namespace torvane::gui {
namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::kError:
            return QMessageBox::Critical;
        case MessageIcon::kWarning:
            return QMessageBox::Warning;
        case MessageIcon::kInformation:
            return QMessageBox::Information;
        case MessageIcon::kQuestion:
            return QMessageBox::Question;
        case MessageIcon::kNone:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::kOkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::kYesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::kYesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::kSaveDiscardCancel:
            return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
        case MessageButtons::kOk:
            break;
    }
    return QMessageBox::Ok;
}

MessageAnswer AnswerOf(int pressed, MessageButtons buttons) {
    switch (pressed) {
        case QMessageBox::Ok:
            return MessageAnswer::kOk;
        case QMessageBox::Yes:
        case QMessageBox::Save:
            return MessageAnswer::kYes;
        case QMessageBox::No:
        case QMessageBox::Discard:
            return MessageAnswer::kNo;
        case QMessageBox::Cancel:
            return MessageAnswer::kCancel;
        default:
            break;
    }
    switch (buttons) {
        case MessageButtons::kOk:
            return MessageAnswer::kOk;
        case MessageButtons::kYesNo:
            return MessageAnswer::kNo;
        default:
            return MessageAnswer::kCancel;
    }
}

// The system's texts end their lines with CR LF; a box wants LF.
QString BoxText(const std::wstring& text) {
    return QString::fromStdWString(text).replace("\r\n", "\n");
}

}  // namespace

QtDialogs::QtDialogs(QWidget* owner, QObject* parent) : QObject(parent), owner_(owner) {}

MessageAnswer QtDialogs::ShowMessage(const std::wstring& text, const std::wstring& caption,
                                     MessageIcon icon, MessageButtons buttons) {
    MessageAnswer answer = MessageAnswer::kCancel;
    uiThread_.Invoke([&] { answer = RunBox(text, caption, icon, buttons); });
    return answer;
}

MessageAnswer QtDialogs::RunBox(const std::wstring& text, const std::wstring& caption,
                                MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(BoxIcon(icon), QString::fromStdWString(caption), BoxText(text),
                    BoxButtons(buttons), owner_.data());
    box.setTextFormat(Qt::PlainText);
    return AnswerOf(box.exec(), buttons);
}

}  // namespace torvane::gui
