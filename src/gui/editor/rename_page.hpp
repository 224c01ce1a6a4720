#pragma once

#include <span>

#include "app/editor_pages.hpp"
#include "gui/editor/editor_page.hpp"

class QCheckBox;
class QComboBox;
class QToolButton;

namespace torvane::gui {

// RenamePage: the rename page (page 0). Task name, find text with its
// regular-expression box, replacement with its "Use fields" box, the part of
// the name to change (whole, name without extension, extension), and the
// numbering box with its Start At box (digits only, with an up-down control
// from 0 to 32767) and the order numbers are given in. Its
// controls start disabled until a listing is on show (EnableControls). The
// numbering box comes back, after an accepted task or Clear, in the state
// the user last clicked it to.
class RenamePage : public CriteriaPage {
  public:
    RenamePage(Dialogs& dialogs, std::wstring caption, SubmitTaskFn submit,
               QWidget* parent = nullptr);

    // A listing is on show: the name, find and replace boxes, both check
    // boxes and both buttons are enabled and the name box gets the focus;
    // Start At keeps its state.
    void EnableControls();
    void LoadTask(const TaskFields& record, LoadMode mode) override;

    // One step of the up-down control (+1 or -1).
    void StepStartAt(int delta);

    QLineEdit& NameBox() const { return *name_; }
    QLineEdit& FindBox() const { return *find_; }
    QLineEdit& ReplaceBox() const { return *replace_; }
    QCheckBox& RegexBox() const { return *regex_; }
    QCheckBox& NumberingBox() const { return *numbering_; }
    QLineEdit& StartAtBox() const { return *startAt_; }
    QToolButton& StartAtUp() const { return *up_; }
    QToolButton& StartAtDown() const { return *down_; }
    QCheckBox& FieldsBox() const { return *fields_; }
    QComboBox& ScopeBox() const { return *scope_; }
    QComboBox& NumberByBox() const { return *numberBy_; }

  protected:
    void OnPrimary() override;
    void OnSecondary() override;
    TaskFields CurrentRecord() const override;
    QLineEdit& FindEdit() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* MakeStartAt();
    // A list of `choices`; choosing one counts as a change of the page.
    QComboBox* MakeChoices(std::span<const PageChoice> choices);
    void OnNumberingClicked();
    void EnableStartAt(bool enabled);
    // Empties the page and returns it to add mode with the remembered
    // numbering state.
    void Reset();

    QLineEdit* name_;
    QLineEdit* find_;
    QLineEdit* replace_;
    QCheckBox* regex_;
    QCheckBox* numbering_;
    QCheckBox* fields_;
    QComboBox* scope_;
    QComboBox* numberBy_ = nullptr;
    QLineEdit* startAt_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    bool rememberedNumbering_ = false;
};

}  // namespace torvane::gui
