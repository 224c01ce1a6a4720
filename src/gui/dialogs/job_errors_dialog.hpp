#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "app/job_failures.hpp"

class QLabel;
class QPushButton;
class QTableWidget;

namespace torvane::gui {

// "Job Finished with Errors": what failed, one row per failure (entry, what
// failed, the system's reason), a summary above, and Save Log..., Copy and
// Close. Save Log hands over to `saveLog` (the controller's log picker and
// file); Copy puts the rows on the clipboard as tab-separated text.
class JobErrorsDialog : public QDialog {
    Q_OBJECT

  public:
    enum Column { kEntryColumn = 0, kWhatColumn, kReasonColumn, kColumnCount };

    JobErrorsDialog(std::vector<JobFailure> failures, bool cancelled, std::function<void()> saveLog,
                    QWidget* parent = nullptr);

    QTableWidget& Table() const { return *table_; }
    QLabel& Summary() const { return *summary_; }
    QPushButton& SaveLogButton() const { return *saveLog_; }
    QPushButton& CopyButton() const { return *copy_; }

    // The rows as Copy puts them on the clipboard.
    QString CopiedText() const;

  private:
    std::vector<JobFailure> failures_;
    QLabel* summary_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* saveLog_ = nullptr;
    QPushButton* copy_ = nullptr;
};

}  // namespace torvane::gui
