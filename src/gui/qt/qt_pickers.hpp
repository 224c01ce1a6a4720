#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include "app/pickers.hpp"

class QWidget;

namespace torvane::gui {

// The file and folder pickers of the desktop window: Qt's own (not the
// platform's native) file dialogs, and FolderPickerDialog for folders.
class QtPickers : public Pickers {
  public:
    // `owner` may be null (dialogs of their own).
    explicit QtPickers(QWidget* owner);

    std::optional<std::wstring> PickOpenFile(const FileDialogRequest& request) override;
    std::optional<std::wstring> PickSaveFile(const FileDialogRequest& request) override;
    // Starts in the folder last chosen here.
    std::optional<FolderChoice> PickFolder() override;

  private:
    std::optional<std::wstring> PickFile(const FileDialogRequest& request, bool save);

    QPointer<QWidget> owner_;
    QString lastFolder_;
};

// A request's filter as Qt name filters, in order. Qt takes a file type's
// patterns from the parentheses of its text, so each description is given
// its pattern there: "All Files (*.*)" matches every name, with or without a
// dot.
QStringList NameFilters(const std::wstring& filter);

}  // namespace torvane::gui
