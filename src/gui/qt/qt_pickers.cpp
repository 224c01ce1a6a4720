#include "gui/qt/qt_pickers.hpp"

#include <QFileDialog>
#include <QWidget>

#include "gui/qt/folder_picker.hpp"

namespace torvane::gui {
namespace {

// The patterns as Qt matches them: "*.*" stands for every name.
QString QtPatterns(const std::wstring& patterns) {
    QStringList list = QString::fromStdWString(patterns).split(';', Qt::SkipEmptyParts);
    for (QString& pattern : list) {
        if (pattern == "*.*")
            pattern = "*";
    }
    return list.join(' ');
}

}  // namespace

QStringList NameFilters(const std::wstring& filter) {
    QStringList filters;
    for (const auto& [description, patterns] : SplitFileFilter(filter)) {
        QString text = QString::fromStdWString(description);
        const qsizetype open = text.lastIndexOf('(');
        if (open > 0 && text.endsWith(')'))
            text = text.left(open).trimmed();
        filters << text + " (" + QtPatterns(patterns) + ")";
    }
    return filters;
}

QtPickers::QtPickers(QWidget* owner) : owner_(owner) {}

std::optional<std::wstring> QtPickers::PickOpenFile(const FileDialogRequest& request) {
    return PickFile(request, false);
}

std::optional<std::wstring> QtPickers::PickSaveFile(const FileDialogRequest& request) {
    return PickFile(request, true);
}

std::optional<std::wstring> QtPickers::PickFile(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(owner_.data(), QString::fromStdWString(request.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    const QStringList filters = NameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (request.defaultExtension.size() > 1)
        dialog.setDefaultSuffix(QString::fromStdWString(request.defaultExtension.substr(1)));
    if (!request.initialName.empty())
        dialog.selectFile(QString::fromStdWString(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdWString();
}

std::optional<FolderChoice> QtPickers::PickFolder() {
    FolderPickerDialog dialog(lastFolder_, owner_.data());
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenFolder().isEmpty())
        return std::nullopt;
    lastFolder_ = dialog.ChosenFolder();
    return FolderChoice{lastFolder_.toStdWString(), dialog.Options()};
}

}  // namespace torvane::gui
