#include "gui/editor/rename_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

namespace torvane::gui {

RenamePage::RenamePage(Dialogs& dialogs, std::wstring caption, SubmitTaskFn submit, QWidget* parent)
    : CriteriaPage(dialogs, std::move(caption), std::move(submit), parent),
      name_(MakeEdit(false)),
      find_(MakeEdit(true)),
      replace_(MakeEdit(true)),
      regex_(new QCheckBox(QStringLiteral("Use regular expression"), this)),
      numbering_(new QCheckBox(QStringLiteral("Use numbers to replace #'s"), this)),
      fields_(new QCheckBox(QStringLiteral("Use fields"), this)),
      scope_(MakeChoices(kScopeChoices)) {
    fields_->setToolTip(
        QStringLiteral("{name} {ext} {folder} {size} {created} {modified} {accessed} {taken} "
                       "{camera} {width} {height} {artist} {album} {title} {track} {year} "
                       "{genre}; {taken:%Y-%m-%d} for a date's format, {taken+2h} to move it"));
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(new QLabel(QStringLiteral("Find what:"), this));
    findRow->addStretch(1);
    findRow->addWidget(regex_);
    auto* replaceRow = new QHBoxLayout;
    replaceRow->addWidget(new QLabel(QStringLiteral("Replace with:"), this));
    replaceRow->addStretch(1);
    replaceRow->addWidget(fields_);
    auto* scopeRow = new QHBoxLayout;
    scopeRow->addWidget(new QLabel(QStringLiteral("Change:"), this));
    scopeRow->addWidget(scope_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Task Name:"), this));
    layout->addWidget(name_);
    layout->addSpacing(6);
    layout->addLayout(findRow);
    layout->addWidget(find_);
    layout->addSpacing(4);
    layout->addLayout(replaceRow);
    layout->addWidget(replace_);
    layout->addLayout(scopeRow);
    layout->addSpacing(4);
    layout->addWidget(numbering_);
    layout->addWidget(MakeStartAt());
    layout->addStretch(1);
    layout->addWidget(MakeButtons());
    connect(numbering_, &QCheckBox::clicked, this, [this] { OnNumberingClicked(); });
    for (QWidget* control :
         std::initializer_list<QWidget*>{name_, find_, replace_, regex_, fields_, scope_,
                                         numbering_, &PrimaryButton(), &SecondaryButton()})
        control->setEnabled(false);
    EnableStartAt(false);
    startAt_->setText(QStringLiteral("0"));
    LeaveModifyMode();
}

QWidget* RenamePage::MakeStartAt() {
    auto* box = new QWidget(this);
    startAt_ = MakeEdit(false);
    startAt_->setParent(box);
    startAt_->setAlignment(Qt::AlignRight);
    startAt_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), startAt_));
    startAt_->setFixedWidth(66);
    startAt_->installEventFilter(this);
    up_ = new QToolButton(box);
    down_ = new QToolButton(box);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setAutoRepeat(true);
        arrow->setFixedSize(16, 12);
    }
    connect(up_, &QToolButton::clicked, this, [this] { StepStartAt(1); });
    connect(down_, &QToolButton::clicked, this, [this] { StepStartAt(-1); });
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(18, 0, 0, 0);
    layout->setHorizontalSpacing(0);
    numberBy_ = MakeChoices(kNumberByChoices);
    numberBy_->setParent(box);
    layout->addWidget(new QLabel(QStringLiteral("Start At:"), box), 0, 0, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("Number by:"), box), 0, 3);
    layout->addWidget(startAt_, 1, 0);
    layout->addLayout(arrows, 1, 1);
    layout->addWidget(numberBy_, 1, 3);
    layout->setColumnStretch(2, 1);
    return box;
}

QComboBox* RenamePage::MakeChoices(std::span<const PageChoice> choices) {
    auto* list = new QComboBox(this);
    for (const PageChoice& choice : choices)
        list->addItem(QString::fromStdWString(std::wstring(choice.text)));
    connect(list, &QComboBox::activated, this, [this] { SetModified(true); });
    return list;
}

void RenamePage::EnableControls() {
    for (QWidget* control :
         std::initializer_list<QWidget*>{name_, find_, replace_, regex_, fields_, scope_,
                                         numbering_, &PrimaryButton(), &SecondaryButton()})
        control->setEnabled(true);
    name_->setFocus(Qt::OtherFocusReason);
}

void RenamePage::StepStartAt(int delta) {
    startAt_->setText(
        QString::fromStdWString(torvane::StepStartAt(startAt_->text().toStdWString(), delta)));
}

void RenamePage::EnableStartAt(bool enabled) {
    startAt_->setEnabled(enabled);
    up_->setEnabled(enabled);
    down_->setEnabled(enabled);
    numberBy_->setEnabled(enabled);
}

void RenamePage::OnNumberingClicked() {
    EnableStartAt(numbering_->isChecked());
    rememberedNumbering_ = numbering_->isChecked();
    SetModified(true);
}

TaskFields RenamePage::CurrentRecord() const {
    const RenamePageValues values{
        name_->text().toStdWString(), find_->text().toStdWString(), replace_->text().toStdWString(),
        regex_->isChecked(),          numbering_->isChecked(),      startAt_->text().toStdWString(),
        fields_->isChecked(),         scope_->currentIndex(),       numberBy_->currentIndex()};
    return RenameRecordOf(values, state().editingId);
}

QLineEdit& RenamePage::FindEdit() const {
    return *find_;
}

void RenamePage::OnPrimary() {
    if (!ReadyToSubmit(*find_))
        return;
    if (Send(CurrentRecord()))
        Reset();
}

void RenamePage::OnSecondary() {
    Reset();
}

void RenamePage::Reset() {
    name_->clear();
    find_->clear();
    replace_->clear();
    startAt_->setText(QStringLiteral("0"));
    numbering_->setChecked(rememberedNumbering_);
    EnableStartAt(rememberedNumbering_);
    regex_->setChecked(false);
    fields_->setChecked(false);
    scope_->setCurrentIndex(0);
    numberBy_->setCurrentIndex(0);
    LeaveModifyMode();
    FocusName(*name_);
}

void RenamePage::LoadTask(const TaskFields& record, LoadMode mode) {
    const auto* fields = std::get_if<RenameTaskFields>(&record);
    if (!fields)
        return;
    if (mode == LoadMode::kPrefill) {
        find_->setText(QString::fromStdWString(fields->find));
        replace_->setText(QString::fromStdWString(fields->replace));
        return;
    }
    name_->setText(QString::fromStdWString(fields->name));
    find_->setText(QString::fromStdWString(fields->find));
    replace_->setText(QString::fromStdWString(fields->replace));
    const bool numbering = IsFlagOn(fields->numbering);
    numbering_->setChecked(numbering);
    EnableStartAt(numbering);
    if (numbering)
        startAt_->setText(QString::fromStdWString(fields->startNumber));
    regex_->setChecked(IsFlagOn(fields->regex));
    fields_->setChecked(IsFlagOn(fields->fields));
    scope_->setCurrentIndex(ChoiceIndexOf(kScopeChoices, fields->scope));
    numberBy_->setCurrentIndex(ChoiceIndexOf(kNumberByChoices, fields->numberBy));
    FocusName(*name_);
    EnterModifyMode(fields->id);
}

bool RenamePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == startAt_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepStartAt(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return CriteriaPage::eventFilter(watched, event);
}

}  // namespace torvane::gui
