#pragma once

#include <QDialog>

#include "filelist/list_path.hpp"

class QCheckBox;
class QComboBox;
class QFileDialog;

namespace torvane::gui {

// The folder picker: a folder browser with the three list options below it
// (what to retrieve, whether to include sub directories, which hidden and
// system entries to take). The options start from their defaults every time
// a picker is made.
class FolderPickerDialog : public QDialog {
    Q_OBJECT

  public:
    // `startFolder` may be empty (the browser's own start).
    explicit FolderPickerDialog(const QString& startFolder, QWidget* parent = nullptr);

    // The folder chosen (the browser's selection); empty when none.
    QString ChosenFolder() const;
    // The three options as the controls show them now.
    ListOptions Options() const;

    QFileDialog& Browser() const { return *browser_; }
    QComboBox& RetrieveBox() const { return *retrieve_; }
    QCheckBox& SubfoldersBox() const { return *subfolders_; }
    QComboBox& HiddenSystemBox() const { return *hiddenSystem_; }

  private:
    QWidget* MakeOptions();

    QFileDialog* browser_ = nullptr;
    QComboBox* retrieve_ = nullptr;
    QCheckBox* subfolders_ = nullptr;
    QComboBox* hiddenSystem_ = nullptr;
};

}  // namespace torvane::gui
