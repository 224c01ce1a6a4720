#pragma once

#include <cstdint>

#include "filelist/file_entry.hpp"
#include "gui/editor/editor_page.hpp"

class QCheckBox;
class QComboBox;

namespace torvane::gui {

// TimestampPage: the timestamp page (page 1). Task name, the time kind
// ("Created Date", "Modified Date", "Accessed Date"), the find text with its
// regular-expression box and the replacement with its "Use fields" box
// (so '{taken}' sets the time to the date a photo was taken). It starts with "Modified Date"
// and the date text of its start time in the find and replace boxes, which
// also show that text as their placeholder whenever they are empty. Choosing
// a time kind or clicking the regular-expression box does not count as a
// change.
class TimestampPage : public CriteriaPage {
  public:
    // `startTime`: the time whose date text the page starts with (seconds
    // since 1970 UTC).
    TimestampPage(Dialogs& dialogs, std::wstring caption, SubmitTaskFn submit,
                  std::int64_t startTime, QWidget* parent = nullptr);

    void LoadTask(const TaskFields& record, LoadMode mode) override;
    // A listed entry's times: the time the time-kind list selects, as its
    // date text, goes into the find and replace boxes. A time without a
    // date text changes nothing.
    void Prefill(const FileEntry& times);

    QLineEdit& NameBox() const { return *name_; }
    QComboBox& TimeKindBox() const { return *timeKind_; }
    QLineEdit& FindBox() const { return *find_; }
    QLineEdit& ReplaceBox() const { return *replace_; }
    QCheckBox& RegexBox() const { return *regex_; }
    QCheckBox& FieldsBox() const { return *fields_; }

  protected:
    void OnPrimary() override;
    void OnSecondary() override;
    TaskFields CurrentRecord() const override;
    QLineEdit& FindEdit() const override;

  private:
    void Reset();

    QLineEdit* name_;
    QComboBox* timeKind_;
    QLineEdit* find_;
    QLineEdit* replace_;
    QCheckBox* regex_;
    QCheckBox* fields_;
};

}  // namespace torvane::gui
