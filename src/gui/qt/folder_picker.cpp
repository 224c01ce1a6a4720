#include "gui/qt/folder_picker.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QVBoxLayout>

#include "app/pickers.hpp"

namespace torvane::gui {
namespace {

// Room for the browser's folder list above the three options.
constexpr QSize kStartSize{760, 540};

QString Text(std::wstring_view text) {
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

template <std::size_t N>
QComboBox* MakeChoice(const OptionItem (&items)[N], QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const auto& item : items)
        box->addItem(Text(item.text), item.id);
    box->setCurrentIndex(0);
    return box;
}

}  // namespace

FolderPickerDialog::FolderPickerDialog(const QString& startFolder, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Text(kFolderPickerTitle));
    browser_ = new QFileDialog(this, QString(), startFolder);
    browser_->setWindowFlags(Qt::Widget);
    browser_->setOption(QFileDialog::DontUseNativeDialog);
    browser_->setOption(QFileDialog::ShowDirsOnly);
    browser_->setFileMode(QFileDialog::Directory);
    browser_->setSizeGripEnabled(false);
    // The browser's own Choose and Cancel end the picker.
    connect(browser_, &QFileDialog::finished, this, &QDialog::done);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_, 1);
    layout->addWidget(MakeOptions());
    resize(kStartSize);
}

QWidget* FolderPickerDialog::MakeOptions() {
    auto* options = new QWidget(this);
    retrieve_ = MakeChoice(kRetrieveOptionItems, options);
    subfolders_ = new QCheckBox(Text(kIncludeSubfoldersText), options);
    subfolders_->setChecked(false);
    hiddenSystem_ = MakeChoice(kHiddenSystemOptionItems, options);
    auto* layout = new QVBoxLayout(options);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(retrieve_);
    layout->addWidget(subfolders_);
    layout->addWidget(hiddenSystem_);
    return options;
}

QString FolderPickerDialog::ChosenFolder() const {
    const QStringList chosen = browser_->selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

ListOptions FolderPickerDialog::Options() const {
    return ListOptionsOfItems(retrieve_->currentData().toInt(), subfolders_->isChecked(),
                              hiddenSystem_->currentData().toInt());
}

}  // namespace torvane::gui
