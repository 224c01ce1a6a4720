#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "app/preferences.hpp"

class QCheckBox;
class QComboBox;

namespace torvane::gui {

// OptionsDialog: the modeless "Preferences" window. It shows the five
// switches and the "Set attributes for:" choice; OK hands the values to
// `apply` (the controller's ApplyPreferences) and closes, Cancel closes
// without handing anything over. A new one is made for each Tools >
// Option...; several may be open; each deletes itself when closed.
class OptionsDialog : public QDialog {
  public:
    using ApplyFn = std::function<void(const PreferenceFlags&)>;

    // The check boxes, in the window's order.
    enum Box {
        kCaseSensitive,
        kClearTaskList,
        kAutoLoadTaskList,
        kAutoLoadFileList,
        kSaveWindowSize,
        kBoxCount
    };

    OptionsDialog(const PreferenceFlags& flags, ApplyFn apply, QWidget* parent);

    // Shows the window centred on `owner`'s client area (its own position
    // when null).
    void ShowCentredOn(const QWidget* owner);

    // The values the window shows: each box 0 or 1, the choice's index (-1
    // when none is selected).
    PreferenceFlags Flags() const;

    QCheckBox& CheckBox(Box box) const { return *boxes_[box]; }
    QComboBox& AttributeChoice() const { return *choice_; }

  private:
    void OnOk();

    ApplyFn apply_;
    std::array<QCheckBox*, kBoxCount> boxes_{};
    QComboBox* choice_;
};

}  // namespace torvane::gui
