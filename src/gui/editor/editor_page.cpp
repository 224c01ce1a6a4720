#include "gui/editor/editor_page.hpp"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <memory>

namespace torvane::gui {
namespace {

qsizetype ReservedCount(const QString& text) {
    return std::count_if(text.begin(), text.end(),
                         [](QChar c) { return IsReservedCharacter(c.unicode()); });
}

}  // namespace

CriteriaPage::CriteriaPage(Dialogs& dialogs, std::wstring caption, SubmitTaskFn submit,
                           QWidget* parent)
    : QWidget(parent),
      dialogs_(dialogs),
      caption_(std::move(caption)),
      submit_(std::move(submit)) {}

QLineEdit* CriteriaPage::MakeEdit(bool filtered) {
    auto* edit = new QLineEdit(this);
    connect(edit, &QLineEdit::textChanged, this, [this] { state_.modified = true; });
    if (filtered) {
        edit->installEventFilter(this);
        // Pasted or dropped text can't bring "<" or ">" in either: a "<>"
        // would end the field inside the task's definition. QLineEdit tells
        // of a user's edit before it reports the text changed, so the text
        // kept is still the one before the edit.
        auto kept = std::make_shared<QString>();
        connect(edit, &QLineEdit::textEdited, this, [this, edit, kept](const QString& text) {
            if (ReservedCount(text) > ReservedCount(*kept)) {
                edit->setText(*kept);
                ReportReservedCharacter();
            }
        });
        connect(edit, &QLineEdit::textChanged, this, [kept](const QString& text) { *kept = text; });
    }
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
    return submit_(record);
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
            ReportReservedCharacter();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CriteriaPage::ReportReservedCharacter() {
    dialogs_.ShowMessage(std::wstring(kReservedCharacterMessage), caption_, MessageIcon::kNone,
                         MessageButtons::kOk);
}

void CriteriaPage::SetButtonTexts() {
    const ButtonTexts texts = ButtonTextsFor(state_.modifyMode);
    primary_->setText(QString::fromStdWString(std::wstring(texts.primary)));
    secondary_->setText(QString::fromStdWString(std::wstring(texts.secondary)));
}

}  // namespace torvane::gui
