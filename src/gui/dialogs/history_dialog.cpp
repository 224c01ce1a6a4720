#include "gui/dialogs/history_dialog.hpp"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <utility>

#include "app/history_access.hpp"
#include "platform/date_text.hpp"

namespace torvane::gui {
namespace {

QString Text(const std::wstring& text) {
    return QString::fromStdWString(text);
}

QString StateText(JournalState state) {
    switch (state) {
        case JournalState::kPlanned:
            return "not reached";
        case JournalState::kAside:
            return "under a temporary name";
        case JournalState::kDone:
            return "done";
        case JournalState::kFailed:
            return "failed";
        case JournalState::kSkipped:
            return "left alone";
    }
    return {};
}

// What an entry's job changed, in a few words.
QString ChangesText(const JournalEntry& e) {
    QStringList parts;
    if (e.rename)
        parts << "name";
    if (e.times)
        parts << "times";
    if (e.attributes)
        parts << "attributes";
    return parts.join(", ");
}

// The jobs of the history, newest first.
class JobsModel : public QAbstractTableModel {
  public:
    enum Column {
        kIdColumn = 0,
        kStartedColumn,
        kRootColumn,
        kChangesColumn,
        kFailuresColumn,
        kSkippedColumn,
        kOutcomeColumn,
        kUndoneColumn,
        kCount
    };

    JobsModel(const std::vector<JobRecord>& jobs, QObject* parent)
        : QAbstractTableModel(parent), jobs_(jobs) {}

    void Reset() {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(jobs_.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : kCount;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || static_cast<std::size_t>(index.row()) >= jobs_.size())
            return {};
        const JobRecord& job = jobs_[static_cast<std::size_t>(index.row())];
        if (role == Qt::ToolTipRole)
            return Text(JobSummaryText(job));
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
            case kIdColumn:
                return QString::number(job.id);
            case kStartedColumn:
                return Text(FormatDateText(job.started));
            case kRootColumn:
                return job.kind == JobKind::kUndo
                           ? QString("Undo of job %1: %2").arg(job.undoes).arg(Text(job.root))
                           : Text(job.root);
            case kChangesColumn:
                return QString::number(job.entries);
            case kFailuresColumn:
                return QString::number(job.failures);
            case kSkippedColumn:
                return QString::number(job.skipped);
            case kOutcomeColumn:
                return Text(OutcomeText(job.outcome));
            case kUndoneColumn:
                return job.undoneBy == 0 ? QString() : QString("by job %1").arg(job.undoneBy);
            default:
                return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const char* const kTitles[kCount] = {"Job",     "Started",  "Folder or file",
                                                    "Changes", "Failures", "Skipped",
                                                    "Outcome", "Undone"};
        return section >= 0 && section < kCount ? QString(kTitles[section]) : QVariant();
    }

  private:
    const std::vector<JobRecord>& jobs_;
};

void SetUpTable(QTableView& view) {
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.verticalHeader()->hide();
    view.horizontalHeader()->setStretchLastSection(true);
    view.setWordWrap(false);
}

}  // namespace

void JournalModel::SetEntries(std::vector<JournalEntry> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

int JournalModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int JournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kCount;
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= entries_.size())
        return {};
    const JournalEntry& e = entries_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case kFolderColumn:
            return Text(e.folder);
        case kOldColumn:
            return QString::fromStdString(e.oldName.bytes());
        case kNewColumn:
            return e.rename ? QString::fromStdString(e.newName.bytes()) : QString();
        case kChangesColumn:
            return ChangesText(e);
        case kStateColumn:
            return StateText(e.state);
        default:
            return {};
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kTitles[kCount] = {"Folder", "Name before", "Name after", "Changed",
                                                "State"};
    return section >= 0 && section < kCount ? QString(kTitles[section]) : QVariant();
}

HistoryDialog::HistoryDialog(HistoryAccess access, QWidget* parent)
    : QDialog(parent), access_(std::move(access)) {
    setWindowTitle("Job History");
    jobsView_ = new QTableView(this);
    jobsModel_ = new JobsModel(jobs_, this);
    jobsView_->setModel(jobsModel_);
    SetUpTable(*jobsView_);

    entriesCaption_ = new QLabel(this);
    entriesView_ = new QTableView(this);
    entriesModel_ = new JournalModel(this);
    entriesView_->setModel(entriesModel_);
    SetUpTable(*entriesView_);
    entriesCaption_->hide();
    entriesView_->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    undo_ = buttons->addButton("&Undo Job", QDialogButtonBox::ActionRole);
    undo_->setToolTip("Plan the undo of the selected job and show it before anything is written");
    showEntries_ = buttons->addButton("Show &Entries", QDialogButtonBox::ActionRole);
    clear_ = buttons->addButton("C&lear History...", QDialogButtonBox::ResetRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(undo_, &QPushButton::clicked, this, [this] {
        undoJob_ = SelectedJob();
        if (undoJob_)
            accept();
    });
    connect(showEntries_, &QPushButton::clicked, this, &HistoryDialog::ShowEntries);
    connect(clear_, &QPushButton::clicked, this, &HistoryDialog::Clear);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(jobsView_, 2);
    layout->addWidget(entriesCaption_);
    layout->addWidget(entriesView_, 3);
    layout->addWidget(buttons);
    resize(900, 500);

    connect(jobsView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryDialog::SelectionChanged);
    Reload();
}

void HistoryDialog::Reload() {
    auto jobs = access_.jobs ? access_.jobs() : std::vector<JobRecord>();
    jobs_ = jobs ? std::move(*jobs) : std::vector<JobRecord>();
    static_cast<JobsModel*>(jobsModel_)->Reset();
    jobsView_->resizeColumnsToContents();
    if (!jobs_.empty())
        SelectJob(0);
    SelectionChanged();
    if (!jobs)
        ShowProblem(jobs.error().text);
}

void HistoryDialog::ShowProblem(const std::wstring& text) {
    entriesCaption_->setText(QString::fromStdWString(text));
    entriesCaption_->show();
    entriesView_->hide();
}

void HistoryDialog::SelectJob(int row) {
    if (row >= 0 && row < jobsModel_->rowCount())
        jobsView_->selectRow(row);
}

std::optional<std::int64_t> HistoryDialog::SelectedJob() const {
    const QModelIndexList rows = jobsView_->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    const auto row = static_cast<std::size_t>(rows.front().row());
    return row < jobs_.size() ? std::optional(jobs_[row].id) : std::nullopt;
}

void HistoryDialog::SelectionChanged() {
    const auto job = SelectedJob();
    undo_->setEnabled(job.has_value());
    showEntries_->setEnabled(job.has_value());
    clear_->setEnabled(!jobs_.empty());
    // The entries shown belong to the job they were asked for; another
    // selection hides them until they are asked for again.
    entriesCaption_->hide();
    entriesView_->hide();
}

void HistoryDialog::ShowEntries() {
    const auto job = SelectedJob();
    if (!job || !access_.entries)
        return;
    auto entries = access_.entries(*job);
    if (!entries) {
        ShowProblem(entries.error().text);
        return;
    }
    entriesModel_->SetEntries(std::move(*entries));
    entriesCaption_->setText(QString("Entries of job %1:").arg(*job));
    entriesCaption_->show();
    entriesView_->show();
    entriesView_->resizeColumnsToContents();
}

void HistoryDialog::Clear() {
    if (access_.clear && access_.clear())
        Reload();
}

}  // namespace torvane::gui
