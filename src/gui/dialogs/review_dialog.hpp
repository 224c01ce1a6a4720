#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QIcon>
#include <cstddef>
#include <string>
#include <vector>

#include "engine/plan.hpp"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace torvane::gui {

// The rows of a plan's review: every entry that changes or has a finding, and
// every folder that could not be read or computed (an unchanged entry whose
// folder that is has no row of its own). Rows with a problem come
// first, then the rest, each group in the order of the plan's folders and
// their entries; problem rows are tinted (ProblemTint). Texts are made only for the rows drawn, so
// a plan of 100,000 changes opens at once. The plan must outlive the model.
class ReviewModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { kEntryColumn = 0, kNewNameColumn, kChangesColumn, kProblemColumn, kColumnCount };

    // Paths are shown relative to the job's `root` (see DisplayBase).
    ReviewModel(const JobPlan& plan, const std::wstring& root, QObject* parent = nullptr);

    // Shows only the problem rows (the first problemRows()), or every row.
    void SetProblemsOnly(bool problemsOnly);
    bool problemsOnly() const { return problemsOnly_; }
    int problemRows() const { return problemRows_; }
    // Whether a row shown has a problem.
    bool IsProblemRow(int row) const { return row >= 0 && row < problemRows_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    struct Row {
        std::size_t folder;
        std::size_t position;         // PlannedFolder::kNone: the folder itself
        const std::wstring* problem;  // the finding's message or the folder's problem; may be null
    };

    void AddRows(std::vector<Row>& ok);
    QString Text(const Row& row, int column) const;

    const JobPlan& plan_;
    std::wstring base_;
    QIcon warning_;          // marks the problem rows
    std::vector<Row> rows_;  // the problem rows, then the rest
    int problemRows_ = 0;
    bool problemsOnly_ = false;
};

// Sets up a table of a plan's rows (a ReviewModel) as the review shows it:
// whole rows selected one at a time, no editing, fixed row heights (a plan
// of any size scrolls at once), the columns' start widths.
void SetUpPlanTable(QTableView& table);

// The review of a job's plan before anything is written: "Review Changes",
// the plan's count line, the table of its changes (problems first) with a
// "Show problems only" filter, and Apply or Cancel. Cancel is the default
// button when the plan has problems, Apply otherwise.
class ReviewDialog : public QDialog {
    Q_OBJECT

  public:
    ReviewDialog(const JobPlan& plan, const std::wstring& root, QWidget* parent = nullptr);

    QLabel& Summary() const { return *summary_; }
    QTableView& Table() const { return *table_; }
    ReviewModel& Model() const { return *model_; }
    QCheckBox& ProblemsOnlyBox() const { return *problemsOnly_; }
    QPushButton& ApplyButton() const { return *apply_; }
    QPushButton& CancelButton() const { return *cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    ReviewModel* model_;
    QLabel* summary_;
    QTableView* table_;
    QCheckBox* problemsOnly_;
    QPushButton* apply_;
    QPushButton* cancel_;
};

}  // namespace torvane::gui
