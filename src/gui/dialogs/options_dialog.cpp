#include "gui/dialogs/options_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>

namespace torvane::gui {
namespace {

constexpr std::array<const char*, OptionsDialog::kBoxCount> kBoxTexts = {
    "Use case sensitive Find/Replace",
    "Clear task list after each job",
    "Automatically load last opened task list when program start",
    "Automatically load last opened file list when program start",
    "Save window size and position for next launch",
};

}  // namespace

OptionsDialog::OptionsDialog(const PreferenceFlags& flags, ApplyFn apply, QWidget* parent)
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

void OptionsDialog::OnOk() {
    apply_(Flags());
    accept();
}

}  // namespace torvane::gui
