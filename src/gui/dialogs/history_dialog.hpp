#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/job_history.hpp"

class QLabel;
class QPushButton;
class QTableView;

namespace torvane::gui {

// The entries of one job, for the History dialog: a model over the journal,
// so a job of 100,000 entries opens at once (texts are made for the rows drawn).
class JournalModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { kFolderColumn = 0, kOldColumn, kNewColumn, kChangesColumn, kStateColumn, kCount };

    explicit JournalModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void SetEntries(std::vector<JournalEntry> entries);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::vector<JournalEntry> entries_;
};

// What the History dialog reads and does, handed in by the window (the
// controller's history calls), so the dialog itself holds no history.
struct HistoryAccess {
    std::function<Result<std::vector<JobRecord>>()> jobs;
    std::function<Result<std::vector<JournalEntry>>(std::int64_t)> entries;
    // Asks whether to forget every job and does so; true when they are forgotten.
    std::function<bool()> clear;
};

// Edit > History: the jobs kept, newest first, with Undo on the one
// selected, its entries on request, and Clear History. Undo closes the
// dialog: undoJob() then names the job whose undo the window starts (it is
// planned and shown for review like any job).
class HistoryDialog : public QDialog {
    Q_OBJECT

  public:
    HistoryDialog(HistoryAccess access, QWidget* parent = nullptr);

    // The job chosen for undo, once the dialog is accepted.
    std::optional<std::int64_t> undoJob() const { return undoJob_; }

    // For tests and the window: the parts of the dialog.
    QTableView& JobsView() const { return *jobsView_; }
    QTableView& EntriesView() const { return *entriesView_; }
    QPushButton& UndoButton() const { return *undo_; }
    QPushButton& EntriesButton() const { return *showEntries_; }
    QPushButton& ClearButton() const { return *clear_; }
    // The line above the entries: whose entries they are, or what could not be read.
    QLabel& EntriesCaption() const { return *entriesCaption_; }

    // Selects the job in `row` of the table (newest first).
    void SelectJob(int row);

  private:
    void Reload();
    void ShowProblem(const std::wstring& text);
    std::optional<std::int64_t> SelectedJob() const;
    void SelectionChanged();
    void ShowEntries();
    void Clear();

    HistoryAccess access_;
    std::vector<JobRecord> jobs_;
    QTableView* jobsView_ = nullptr;
    QAbstractTableModel* jobsModel_ = nullptr;
    QTableView* entriesView_ = nullptr;
    JournalModel* entriesModel_ = nullptr;
    QLabel* entriesCaption_ = nullptr;
    QPushButton* undo_ = nullptr;
    QPushButton* showEntries_ = nullptr;
    QPushButton* clear_ = nullptr;
    std::optional<std::int64_t> undoJob_;
};

}  // namespace torvane::gui
