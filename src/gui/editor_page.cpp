#include "gui/editor_page.hpp"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace torvane::gui {

CriteriaPage::CriteriaPage(Dialogs& dialogs, std::wstring caption, SubmitTaskFn submit,
                           QWidget* parent)
    : QWidget(parent),
      dialogs_(dialogs),
      caption_(std::move(caption)),
      submit_(std::move(submit)) {}

QLineEdit* CriteriaPage::MakeEdit(bool filtered) {
    auto* edit = new QLineEdit(this);
    connect(edit, &QLineEdit::textChanged, this, [this] { state_.modified = true; });
    if (filtered)
        edit->installEventFilter(this);
    return edit;
}

QWidget* CriteriaPage::MakeButtons() {
    auto* row = new QWidget(this);
    primary_ = new QPushButton(row);
    secondary_ = new QPushButton(row);
    primary_->setDefault(true);
    SetButtonTexts();
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(primary_);
    layout->addWidget(secondary_);
    connect(primary_, &QPushButton::clicked, this, [this] { OnPrimary(); });
    connect(secondary_, &QPushButton::clicked, this, [this] { OnSecondary(); });
    return row;
}

bool CriteriaPage::ReadyToSubmit(QLineEdit& find) {
    switch (CheckSubmit(find.text().toStdWString(), state_)) {
        case SubmitCheck::kEmptyFind:
            dialogs_.ShowMessage(std::wstring(kEmptySearchMessage), caption_, MessageIcon::kNone,
                                 MessageButtons::kOk);
            find.setFocus(Qt::OtherFocusReason);
            return false;
        case SubmitCheck::kNotModified:
            return false;
        case SubmitCheck::kSend:
            return true;
    }
    return false;
}

bool CriteriaPage::Send(const TaskFields& record) const {
    return submit_(record) == 1;
}

void CriteriaPage::EnterModifyMode(std::uint32_t id) {
    state_ = PageState{true, id, true};
    SetButtonTexts();
}

void CriteriaPage::LeaveModifyMode() {
    state_ = PageState{};
    SetButtonTexts();
}

void CriteriaPage::FocusName(QLineEdit& name) {
    name.setFocus(Qt::OtherFocusReason);
    name.end(false);
}

bool CriteriaPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (typed.size() == 1 && IsReservedCharacter(typed.at(0).unicode())) {
            dialogs_.ShowMessage(std::wstring(kReservedCharacterMessage), caption_,
                                 MessageIcon::kNone, MessageButtons::kOk);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CriteriaPage::SetButtonTexts() {
    const ButtonTexts texts = ButtonTextsFor(state_.modifyMode);
    primary_->setText(QString::fromStdWString(std::wstring(texts.primary)));
    secondary_->setText(QString::fromStdWString(std::wstring(texts.secondary)));
}

}  // namespace torvane::gui
