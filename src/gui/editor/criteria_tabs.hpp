#pragma once

#include <QFrame>
#include <array>
#include <cstdint>
#include <string>

#include "gui/editor/editor_page.hpp"

class QComboBox;

namespace torvane::gui {

class AttributePage;
class TimestampPage;
class RenamePage;

// CriteriaTabs: the frame over which one of the three editor pages is
// shown, chosen by the task-kind selector ("File Name", "File Timestamp",
// "File Attribute"; its index is the page index). The selector starts
// disabled at page 0; the rename page starts shown and enabled (its controls
// disabled until EnableEditor), the other two hidden and disabled.
class CriteriaTabs : public QFrame {
  public:
    CriteriaTabs(QComboBox& selector, Dialogs& dialogs, const std::wstring& caption,
                 SubmitTaskFn submit, std::int64_t startTime, QWidget* parent = nullptr);

    // Shows page `index` (0 rename, 1 timestamp, 2 attribute): the selector
    // is set to it; unless it is already the current page, the current page
    // is disabled and hidden and the new one enabled and shown. Other
    // indexes are ignored.
    void ShowCriteriaPage(int index);
    int CurrentPage() const { return current_; }
    // The pages preview the task being edited through `preview`; only the
    // current page does (see CriteriaPage::SetDraftPreview).
    void SetDraftPreview(const DraftPreviewFn& preview);

    RenamePage& NamePage() const { return *name_; }
    TimestampPage& DatePage() const { return *date_; }
    AttributePage& AttributesPage() const { return *attributes_; }
    CriteriaPage& Page(int index) const { return *pages_[static_cast<std::size_t>(index)]; }

  private:
    QComboBox& selector_;
    RenamePage* name_;
    TimestampPage* date_;
    AttributePage* attributes_;
    std::array<CriteriaPage*, 3> pages_;
    int current_ = 0;
};

// The task-kind selector with its entries, disabled, at index 0.
QComboBox* MakeTaskKindSelector(QWidget* parent);

}  // namespace torvane::gui
