#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "app/preferences.hpp"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace torvane::gui {

// OptionsDialog: the modeless "Preferences" window. It shows the five
// switches, the "Set attributes for:" choice and the "History" group (keep a
// history or not, how many jobs and how many days; the counts are disabled
// while no history is kept); OK hands the values to `apply` (the
// controller's ApplyPreferences) and closes, Cancel closes without handing
// anything over. "Clear History..." asks for the clear through
// ClearHistoryRequested, which the window wires to its clear flow; the
// button is enabled only when the window sets it so. A new one is made for
// each Tools > Option...; several may be open; each deletes itself when
// closed.
class OptionsDialog : public QDialog {
    Q_OBJECT

  public:
    using ApplyFn = std::function<void(const PreferenceFlags&, const HistorySettings&)>;
    using ApplyFlagsFn = std::function<void(const PreferenceFlags&)>;

    // The counts the spin boxes allow.
    static constexpr int kMaxKeepJobs = 100000;
    static constexpr int kMaxKeepDays = 36500;

    // The check boxes, in the window's order.
    enum Box {
        kCaseSensitive,
        kClearTaskList,
        kAutoLoadTaskList,
        kAutoLoadFileList,
        kSaveWindowSize,
        kBoxCount
    };

    OptionsDialog(const PreferenceFlags& flags, const HistorySettings& history, ApplyFn apply,
                  QWidget* parent);
    // For a caller that keeps no history: the group shows the default
    // settings and OK hands over the flags only.
    OptionsDialog(const PreferenceFlags& flags, ApplyFlagsFn apply, QWidget* parent);

    // Shows the window centred on `owner`'s client area (its own position
    // when null).
    void ShowCentredOn(const QWidget* owner);

    // The values the window shows: each box 0 or 1, the choice's index (-1
    // when none is selected).
    PreferenceFlags Flags() const;
    // The history's settings the window shows.
    HistorySettings HistoryValues() const;

    QCheckBox& CheckBox(Box box) const { return *boxes_[box]; }
    QComboBox& AttributeChoice() const { return *choice_; }
    QCheckBox& KeepHistoryBox() const { return *keepHistory_; }
    QSpinBox& KeepJobsBox() const { return *keepJobs_; }
    QSpinBox& KeepDaysBox() const { return *keepDays_; }
    QPushButton& ClearHistoryButton() const { return *clearHistory_; }

  signals:
    // "Clear History..." was pressed.
    void ClearHistoryRequested();

  private:
    void AddHistoryGroup(QVBoxLayout* dialogLayout, const HistorySettings& history);
    void OnOk();

    ApplyFn apply_;
    std::array<QCheckBox*, kBoxCount> boxes_{};
    QComboBox* choice_;
    QCheckBox* keepHistory_ = nullptr;
    QSpinBox* keepJobs_ = nullptr;
    QSpinBox* keepDays_ = nullptr;
    QPushButton* clearHistory_ = nullptr;
};

}  // namespace torvane::gui
