// The whole job in view and the ways to problems: the "Whole job" pane,
// "Show problems only" in the lists and in that pane, and Next and Previous
// Problem (F8, Shift+F8).
#include <QCheckBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include "app/main_controller.hpp"
#include "gui/dialogs/review_dialog.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/problem_rows.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/main_window.hpp"
#include "gui/pane_layout.hpp"

namespace torvane::gui {

void MainWindow::ConnectProblemControls() {
    connect(&panes_->WholeJobBox(), &QCheckBox::toggled, this, [this](bool on) {
        if (controller_ != nullptr)
            controller_->ShowWholeJob(on);
        else
            panes_->ShowWholeJob(on);
    });
    connect(&panes_->ProblemsOnlyBox(), &QCheckBox::toggled, this, [this] {
        ApplyProblemsOnly();
        if (wholeJobModel_ != nullptr)
            wholeJobModel_->SetProblemsOnly(panes_->ProblemsOnlyBox().isChecked());
    });
}

void MainWindow::WholeJobChanged() {
    if (controller_ == nullptr)
        return;
    const bool shown = controller_->wholeJobShown();
    {
        const QSignalBlocker quiet(&panes_->WholeJobBox());
        panes_->WholeJobBox().setChecked(shown);
    }
    panes_->ShowWholeJob(shown);
    if (controller_->wholeJobPlan() != wholeJobPlan_)
        ShowPlanRows();
    if (!controller_->wholeJobPlanning())
        EndPlanning();
    UpdateCountLine();
}

// The table shows the controller's plan: a new model over it, the old one
// (and its plan) let go only once the view has dropped it.
void MainWindow::ShowPlanRows() {
    ReviewModel* old = wholeJobModel_;
    std::shared_ptr<const JobPlan> oldPlan = std::move(wholeJobPlan_);
    wholeJobPlan_ = controller_->wholeJobPlan();
    wholeJobModel_ = nullptr;
    if (wholeJobPlan_ && !wholeJobPlan_->cancelled) {
        wholeJobModel_ = new ReviewModel(*wholeJobPlan_, wholeJobPlan_->RootPath(), this);
        wholeJobModel_->SetProblemsOnly(panes_->ProblemsOnlyBox().isChecked());
    }
    wholeJobTable_->setModel(wholeJobModel_);
    // A new model resets the header: the columns share the width again,
    // the problem taking what is left.
    QHeaderView* columns = wholeJobTable_->horizontalHeader();
    const int width = wholeJobTable_->viewport()->width();
    if (wholeJobModel_ != nullptr && width > 0) {
        columns->resizeSection(ReviewModel::kEntryColumn, width * 30 / 100);
        columns->resizeSection(ReviewModel::kNewNameColumn, width * 22 / 100);
        columns->resizeSection(ReviewModel::kChangesColumn, width * 20 / 100);
    }
    delete old;
}

void MainWindow::ApplyProblemsOnly() {
    if (controller_ == nullptr)
        return;
    const bool only = panes_->ProblemsOnlyBox().isChecked();
    const Preview& preview = controller_->preview();
    for (SyncListView* list : {currentList_, newList_}) {
        const int rows = list->model()->rowCount();
        for (int row = 0; row < rows; ++row)
            list->setRowHidden(row,
                               only && preview.FindingAt(static_cast<std::size_t>(row)) == nullptr);
    }
}

void MainWindow::MoveToProblem(bool forward) {
    if (controller_ == nullptr)
        return;
    if (panes_->WholeJobShown()) {
        if (wholeJobModel_ == nullptr)
            return;
        // The current index alone is set by focus: only a selected row counts.
        const QModelIndexList selected = wholeJobTable_->selectionModel()->selectedRows();
        const int from = selected.isEmpty() ? -1 : selected.front().row();
        const int row = NextProblemRow(wholeJobModel_->problemRows(), from, forward);
        if (row < 0)
            return;
        wholeJobTable_->selectRow(row);
        wholeJobTable_->scrollTo(wholeJobModel_->index(row, 0));
        return;
    }
    SyncListView& list =
        currentList_->hasFocus() || !newList_->hasFocus() ? *currentList_ : *newList_;
    const int row = NextProblemRow(controller_->preview().findings(), list.SelectedRow(), forward);
    if (row < 0)
        return;
    list.selectRow(row);
    list.scrollTo(list.model()->index(row, 0));
    controller_->FileSelected(static_cast<std::size_t>(row), list.listId());
}

}  // namespace torvane::gui
