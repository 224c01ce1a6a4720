#include "gui/editor/editor_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "gui/qt/qt_icon_provider.hpp"

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
      submit_(std::move(submit)),
      draftTimer_(new QTimer(this)) {
    draftTimer_->setSingleShot(true);
    draftTimer_->setInterval(kDraftDelay);
    connect(draftTimer_, &QTimer::timeout, this, [this] { FlushDraft(); });
}

void CriteriaPage::SetDraftPreview(DraftPreviewFn preview) {
    preview_ = std::move(preview);
    // Every box of the page can change the task: each change restarts the
    // timer, and the flush reads the page as it is then.
    for (auto* edit : findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::textChanged, this, [this] { ScheduleDraft(); });
    for (auto* box : findChildren<QCheckBox*>())
        connect(box, &QCheckBox::toggled, this, [this] { ScheduleDraft(); });
    for (auto* list : findChildren<QComboBox*>())
        connect(list, &QComboBox::currentIndexChanged, this, [this] { ScheduleDraft(); });
}

void CriteriaPage::SetActive(bool active) {
    active_ = active;
    if (active)
        ScheduleDraft();
    else
        draftTimer_->stop();
}

void CriteriaPage::ScheduleDraft() {
    if (preview_ && active_)
        draftTimer_->start();
}

void CriteriaPage::FlushDraft() {
    draftTimer_->stop();
    if (!preview_ || !active_)
        return;
    // An untouched page holds no draft, whatever its find box holds.
    if (!state_.modified) {
        preview_(std::nullopt);
        ShowDraftProblem({});
        return;
    }
    switch (CheckSubmit(FindEdit().text().toStdWString(), state_)) {
        case SubmitCheck::kNotModified:
            preview_(std::nullopt);
            ShowDraftProblem({});
            return;
        case SubmitCheck::kEmptyFind:
            preview_(std::nullopt);
            ShowDraftProblem(QString::fromStdWString(std::wstring(kEmptySearchMessage)));
            return;
        case SubmitCheck::kSend:
            ShowDraftProblem(QString::fromStdWString(preview_(CurrentRecord()).problem));
            return;
    }
}

QString CriteriaPage::DraftProblem() const {
    return problem_->isHidden() ? QString() : problemText_->text();
}

void CriteriaPage::ShowDraftProblem(const QString& problem) {
    problemText_->setText(problem);
    problemText_->setToolTip(problem);
    problem_->setVisible(!problem.isEmpty());
}

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
    auto* area = new QWidget(this);
    // The problem line: the theme's error icon beside the text, in the
    // palette's own text colour, so it reads on light and dark alike.
    problem_ = new QWidget(area);
    auto* icon = new QLabel(problem_);
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    icon->setPixmap(
        SymbolicIcon(QStringLiteral("dialog-error"),
                     QIcon::fromTheme(QStringLiteral("dialog-error"),
                                      style()->standardIcon(QStyle::SP_MessageBoxCritical)))
            .pixmap(QSize(side, side), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop);
    problemText_ = new QLabel(problem_);
    problemText_->setWordWrap(true);
    problemText_->setTextFormat(Qt::PlainText);
    problemText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problemText_->setObjectName(QStringLiteral("draftProblem"));
    auto* problemLayout = new QHBoxLayout(problem_);
    problemLayout->setContentsMargins(0, 0, 0, 0);
    problemLayout->addWidget(icon, 0, Qt::AlignTop);
    problemLayout->addWidget(problemText_, 1);
    // Two lines are kept free for it whether shown or not, so the page
    // keeps its height (the editor frame takes the pages' own) and nothing
    // jumps while typing; a longer text shows whole in the tool tip.
    problemText_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    problemText_->setFixedHeight(2 * problemText_->fontMetrics().lineSpacing());
    QSizePolicy policy = problem_->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    problem_->setSizePolicy(policy);
    problem_->hide();

    auto* row = new QWidget(area);
    primary_ = new QPushButton(row);
    secondary_ = new QPushButton(row);
    primary_->setDefault(true);
    SetButtonTexts();
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(problem_);
    column->addWidget(row);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(primary_);
    layout->addWidget(secondary_);
    connect(primary_, &QPushButton::clicked, this, [this] { OnPrimary(); });
    connect(secondary_, &QPushButton::clicked, this, [this] { OnSecondary(); });
    return area;
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
