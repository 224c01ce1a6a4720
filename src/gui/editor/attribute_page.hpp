#pragma once

#include <array>

#include "gui/editor/editor_page.hpp"

class QCheckBox;

namespace torvane::gui {

// AttributePage: the attribute page (page 2). Task name, the pattern
// an entry's whole name must match with the choice of its kind (plain, the
// wildcard box, the regular-expression box: the two boxes exclude each
// other), and the seven attribute boxes, of which Compress and Encrypt are
// never both checked. Clicking an attribute box counts as a change; clicking
// the wildcard or regular-expression box does not.
class AttributePage : public CriteriaPage {
  public:
    // The boxes, in the order of the page's two columns.
    enum Box { kArchive, kHidden, kReadOnly, kSystem, kIndex, kCompress, kEncrypt, kBoxCount };

    AttributePage(Dialogs& dialogs, std::wstring caption, SubmitTaskFn submit,
                  QWidget* parent = nullptr);

    void LoadTask(const TaskFields& record, LoadMode mode) override;

    QLineEdit& NameBox() const { return *name_; }
    QLineEdit& PatternBox() const { return *pattern_; }
    QCheckBox& RegexBox() const { return *regex_; }
    QCheckBox& WildcardBox() const { return *wildcard_; }
    QCheckBox& AttributeBox(Box box) const { return *boxes_[box]; }

  protected:
    void OnPrimary() override;
    void OnSecondary() override;
    TaskFields CurrentRecord() const override;
    QLineEdit& FindEdit() const override;

  private:
    QWidget* MakeAttributeGroup();
    void OnBoxClicked(Box box);
    AttributeBoxes Boxes() const;
    void SetBoxes(const AttributeBoxes& boxes);
    void Reset();

    QLineEdit* name_;
    QLineEdit* pattern_;
    QCheckBox* regex_;
    QCheckBox* wildcard_;
    std::array<QCheckBox*, kBoxCount> boxes_{};
};

}  // namespace torvane::gui
