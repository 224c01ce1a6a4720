#include "gui/editor/timestamp_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/date_text.hpp"

namespace torvane::gui {

TimestampPage::TimestampPage(Dialogs& dialogs, std::wstring caption, SubmitTaskFn submit,
                             std::int64_t startTime, QWidget* parent)
    : CriteriaPage(dialogs, std::move(caption), std::move(submit), parent),
      name_(MakeEdit(false)),
      timeKind_(new QComboBox(this)),
      find_(MakeEdit(true)),
      replace_(MakeEdit(true)),
      regex_(new QCheckBox(QStringLiteral("Use regular expression"), this)),
      fields_(new QCheckBox(QStringLiteral("Use fields"), this)) {
    fields_->setToolTip(QStringLiteral(
        "{taken} {modified} {created} {accessed} and the other fields; '{taken}' alone sets "
        "the time to the date taken, {taken+2h} moves it"));
    timeKind_->addItems({QStringLiteral("Created Date"), QStringLiteral("Modified Date"),
                         QStringLiteral("Accessed Date")});
    auto* kindRow = new QHBoxLayout;
    kindRow->addWidget(timeKind_);
    kindRow->addStretch(1);
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(new QLabel(QStringLiteral("Find what:"), this));
    findRow->addStretch(1);
    findRow->addWidget(regex_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Task Name:"), this));
    layout->addWidget(name_);
    layout->addSpacing(6);
    layout->addLayout(kindRow);
    layout->addSpacing(4);
    layout->addLayout(findRow);
    layout->addWidget(find_);
    layout->addSpacing(4);
    auto* replaceRow = new QHBoxLayout;
    replaceRow->addWidget(new QLabel(QStringLiteral("Replace with:"), this));
    replaceRow->addStretch(1);
    replaceRow->addWidget(fields_);
    layout->addLayout(replaceRow);
    layout->addWidget(replace_);
    layout->addStretch(1);
    layout->addWidget(MakeButtons());

    timeKind_->setCurrentIndex(1);
    const QString now = QString::fromStdWString(FormatDateText(startTime));
    for (QLineEdit* box : {find_, replace_}) {
        box->setText(now);
        box->setPlaceholderText(now);
    }
    LeaveModifyMode();
}

TaskFields TimestampPage::CurrentRecord() const {
    const TimestampPageValues values{
        name_->text().toStdWString(), find_->text().toStdWString(), replace_->text().toStdWString(),
        timeKind_->currentIndex(),    regex_->isChecked(),          fields_->isChecked()};
    return TimestampRecordOf(values, state().editingId);
}

QLineEdit& TimestampPage::FindEdit() const {
    return *find_;
}

void TimestampPage::OnPrimary() {
    if (!ReadyToSubmit(*find_))
        return;
    if (Send(CurrentRecord()))
        Reset();
}

void TimestampPage::OnSecondary() {
    Reset();
}

void TimestampPage::Reset() {
    name_->clear();
    find_->clear();
    replace_->clear();
    regex_->setChecked(false);
    fields_->setChecked(false);
    LeaveModifyMode();
    FocusName(*name_);
}

void TimestampPage::LoadTask(const TaskFields& record, LoadMode mode) {
    const auto* fields = std::get_if<TimestampTaskFields>(&record);
    if (!fields || mode == LoadMode::kPrefill)
        return;  // a listed entry's times come through Prefill
    if (const auto kind = TimeKindIndexOf(fields->timeKind))
        timeKind_->setCurrentIndex(*kind);
    regex_->setChecked(IsFlagOn(fields->regex));
    fields_->setChecked(IsFlagOn(fields->fields));
    name_->setText(QString::fromStdWString(fields->name));
    find_->setText(QString::fromStdWString(fields->find));
    replace_->setText(QString::fromStdWString(fields->replace));
    FocusName(*name_);
    EnterModifyMode(fields->id);
}

void TimestampPage::Prefill(const FileEntry& times) {
    const std::wstring text = FormatDateText(
        TimeOfKind(timeKind_->currentIndex(), times.created, times.modified, times.accessed));
    if (text.empty())
        return;
    find_->setText(QString::fromStdWString(text));
    replace_->setText(QString::fromStdWString(text));
}

}  // namespace torvane::gui
