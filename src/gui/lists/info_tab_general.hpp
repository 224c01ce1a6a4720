#pragma once

#include <QWidget>
#include <array>

#include "filelist/file_entry.hpp"
#include "gui/lists/file_columns.hpp"

class QCheckBox;
class QIcon;
class QLabel;
class QLineEdit;

namespace torvane::gui {

// The General Info pane: one entry in full, its icon at 32 pixels, its name,
// its three times and its seven attributes as check boxes. It only displays:
// nothing in it can be changed by the user. Which entry it shows, and the tab
// caption that goes with it, are decided by its owner.
class InfoTabGeneral : public QWidget {
    Q_OBJECT

  public:
    enum TimeBox { kCreatedBox = 0, kModifiedBox, kAccessedBox, kTimeBoxCount };

    explicit InfoTabGeneral(QWidget* parent = nullptr);

    // Shows an entry with its icon: the check boxes are enabled and set from
    // its attribute word.
    void ShowEntry(const FileEntry& entry, const QIcon& icon);

    // The empty state: no icon, empty texts, the check boxes unchecked and
    // disabled.
    void ShowEmpty();

    bool HasIcon() const;
    QString NameText() const;
    QString TimeText(TimeBox box) const;
    // The check box of an attribute column (kArchiveColumn .. kEncryptColumn).
    const QCheckBox* AttributeBox(int column) const;

  private:
    QWidget* MakeIdentity();
    QWidget* MakeTimes();
    QWidget* MakeAttributes();

    QLabel* icon_ = nullptr;
    QLineEdit* name_ = nullptr;
    std::array<QLineEdit*, kTimeBoxCount> times_{};
    // Indexed by column - kArchiveColumn.
    std::array<QCheckBox*, kFileColumnCount - kArchiveColumn> attributes_{};
};

}  // namespace torvane::gui
