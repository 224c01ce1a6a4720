#pragma once

#include <QDialog>
#include <functional>
#include <string_view>
#include <vector>

#include "app/preference_keys.hpp"
#include "app/preferences.hpp"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace torvane::gui {

// OptionsDialog: the modeless "Preferences" window. Its controls are the
// preference file's keys that have a dialog control (DialogKeys, in their
// order, with their texts): the switches as check boxes, "Set attributes
// for:" as a choice, and the "History" group (keep a history or not, how
// many jobs and how many days; the counts are disabled while no history is
// kept). Each control shows its key's value as the program uses it
// (ShownValue), so a stored value that is no switch value shows the default.
// OK hands the values to `apply` (the controller's ApplyPreferences) and
// closes, Cancel closes without handing anything over. "Clear History..."
// asks for the clear through ClearHistoryRequested, which the window wires
// to its clear flow; the button is enabled only when the window sets it so.
// A new one is made for each Tools > Option...; several may be open; each
// deletes itself when closed.
class OptionsDialog : public QDialog {
    Q_OBJECT

  public:
    using ApplyFn = std::function<void(const PreferenceFlags&, const HistorySettings&)>;
    using ApplyFlagsFn = std::function<void(const PreferenceFlags&)>;

    OptionsDialog(const PreferenceFlags& flags, const HistorySettings& history, ApplyFn apply,
                  QWidget* parent);
    // For a caller that keeps no history: the group shows the default
    // settings and OK hands over the flags only.
    OptionsDialog(const PreferenceFlags& flags, ApplyFlagsFn apply, QWidget* parent);

    // Shows the window centred on `owner`'s client area (its own position
    // when null).
    void ShowCentredOn(const QWidget* owner);

    // The values the window shows, as OK stores them: each switch 0 or 1,
    // the choice's index (-1 when none is selected); flags without a
    // control as they were given.
    PreferenceFlags Flags() const;
    // The history's settings the window shows.
    HistorySettings HistoryValues() const;

    // The control of the key named `key` (as the file spells it), or null
    // when the key has no control of that type.
    QCheckBox* CheckBoxFor(std::wstring_view key) const;
    QComboBox* ChoiceFor(std::wstring_view key) const;
    QSpinBox* CountFor(std::wstring_view key) const;
    QPushButton& ClearHistoryButton() const { return *clearHistory_; }

  signals:
    // "Clear History..." was pressed.
    void ClearHistoryRequested();

  private:
    struct Control {
        const PreferenceKey* key;
        QWidget* widget;  // a QCheckBox, QComboBox or QSpinBox by the key's kind
    };
    void AddControls(QVBoxLayout* layout);
    // Adds the control of `key` (none for a key of another kind) showing
    // its value, and returns it.
    QWidget* AddControl(const PreferenceKey& key, QWidget* parent, QVBoxLayout* layout);
    QWidget* ControlOf(std::wstring_view key) const;
    Preferences Chosen() const;
    void OnOk();

    ApplyFn apply_;
    Preferences given_;  // the values the window was opened with
    std::vector<Control> controls_;
    QPushButton* clearHistory_ = nullptr;
};

}  // namespace torvane::gui
