#include "gui/dialogs/options_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace torvane::gui {
namespace {

constexpr std::array<const char*, OptionsDialog::kBoxCount> kBoxTexts = {
    "Use case sensitive Find/Replace",
    "Clear task list after each job",
    "Automatically load last opened task list when program start",
    "Automatically load last opened file list when program start",
    "Save window size and position for next launch",
};

// A spin box over 1 .. `max` showing `value`, held to that range.
QSpinBox* CountBox(std::int64_t value, int max, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(1, max);
    box->setValue(static_cast<int>(std::clamp<std::int64_t>(value, 1, max)));
    return box;
}

// "<before> [box] <after>" on one line of `layout`.
void AddCountRow(QVBoxLayout* layout, const QString& before, QSpinBox* box, const QString& after) {
    QWidget* parent = box->parentWidget();
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(before, parent);
    label->setBuddy(box);
    row->addWidget(label);
    row->addWidget(box);
    row->addWidget(new QLabel(after, parent));
    row->addStretch(1);
    layout->addLayout(row);
}

}  // namespace

OptionsDialog::OptionsDialog(const PreferenceFlags& flags, ApplyFlagsFn apply, QWidget* parent)
    : OptionsDialog(
          flags, HistorySettings{},
          [apply = std::move(apply)](const PreferenceFlags& chosen, const HistorySettings&) {
              apply(chosen);
          },
          parent) {}

OptionsDialog::OptionsDialog(const PreferenceFlags& flags, const HistorySettings& history,
                             ApplyFn apply, QWidget* parent)
    : QDialog(parent), apply_(std::move(apply)), choice_(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("Preferences"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    for (std::size_t b = 0; b < boxes_.size(); ++b) {
        boxes_[b] = new QCheckBox(QString::fromLatin1(kBoxTexts[b]), this);
        layout->addWidget(boxes_[b]);
    }
    choice_->addItems({QStringLiteral("Files Only"), QStringLiteral("Folders Only"),
                       QStringLiteral("Files and Folders")});
    auto* choiceRow = new QHBoxLayout;
    choiceRow->addWidget(new QLabel(QStringLiteral("Set attributes for:"), this));
    choiceRow->addWidget(choice_);
    choiceRow->addStretch(1);
    layout->addLayout(choiceRow);
    AddHistoryGroup(layout, history);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOk(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    boxes_[kCaseSensitive]->setChecked(flags.caseSensitiveSearch != 0);
    boxes_[kClearTaskList]->setChecked(flags.clearTaskList != 0);
    boxes_[kAutoLoadTaskList]->setChecked(flags.autoLoadTaskList != 0);
    boxes_[kAutoLoadFileList]->setChecked(flags.autoLoadFileList != 0);
    boxes_[kSaveWindowSize]->setChecked(flags.saveWindowSize != 0);
    // A stored value outside the list selects nothing.
    const int option = flags.setAttributeOption;
    choice_->setCurrentIndex(option >= 0 && option < choice_->count() ? option : -1);
}

void OptionsDialog::AddHistoryGroup(QVBoxLayout* dialogLayout, const HistorySettings& history) {
    auto* group = new QGroupBox(QStringLiteral("History"), this);
    auto* layout = new QVBoxLayout(group);
    keepHistory_ =
        new QCheckBox(QStringLiteral("Keep a history of jobs, so that they can be undone"), group);
    layout->addWidget(keepHistory_);
    // The counts mean nothing while no history is kept: they are disabled,
    // labels included, and keep their values.
    auto* counts = new QWidget(group);
    auto* countsLayout = new QVBoxLayout(counts);
    countsLayout->setContentsMargins(0, 0, 0, 0);
    keepJobs_ = CountBox(history.keepJobs, kMaxKeepJobs, counts);
    keepDays_ = CountBox(history.keepDays, kMaxKeepDays, counts);
    AddCountRow(countsLayout, QStringLiteral("Keep the last"), keepJobs_, QStringLiteral("jobs"));
    AddCountRow(countsLayout, QStringLiteral("Forget jobs after"), keepDays_,
                QStringLiteral("days"));
    layout->addWidget(counts);
    clearHistory_ = new QPushButton(QStringLiteral("Clear History..."), group);
    // Enter in the window means OK, never the question that forgets every job.
    clearHistory_->setAutoDefault(false);
    auto* clearRow = new QHBoxLayout;
    clearRow->addWidget(clearHistory_);
    clearRow->addStretch(1);
    layout->addLayout(clearRow);
    dialogLayout->addWidget(group);

    connect(keepHistory_, &QCheckBox::toggled, counts, &QWidget::setEnabled);
    connect(clearHistory_, &QPushButton::clicked, this, &OptionsDialog::ClearHistoryRequested);
    keepHistory_->setChecked(history.enabled);
    counts->setEnabled(history.enabled);
}

void OptionsDialog::ShowCentredOn(const QWidget* owner) {
    adjustSize();
    if (owner) {
        const QWidget* client = owner;
        if (const auto* window = qobject_cast<const QMainWindow*>(owner);
            window && window->centralWidget())
            client = window->centralWidget();
        const QPoint centre = client->mapToGlobal(client->rect().center());
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
    show();
    raise();
}

PreferenceFlags OptionsDialog::Flags() const {
    const auto on = [this](Box b) { return boxes_[b]->isChecked() ? 1 : 0; };
    PreferenceFlags flags;
    flags.clearTaskList = on(kClearTaskList);
    flags.caseSensitiveSearch = on(kCaseSensitive);
    flags.setAttributeOption = choice_->currentIndex();
    flags.autoLoadTaskList = on(kAutoLoadTaskList);
    flags.autoLoadFileList = on(kAutoLoadFileList);
    flags.saveWindowSize = on(kSaveWindowSize);
    return flags;
}

HistorySettings OptionsDialog::HistoryValues() const {
    HistorySettings settings;
    settings.enabled = keepHistory_->isChecked();
    settings.keepJobs = keepJobs_->value();
    settings.keepDays = keepDays_->value();
    return settings;
}

void OptionsDialog::OnOk() {
    apply_(Flags(), HistoryValues());
    accept();
}

}  // namespace torvane::gui
