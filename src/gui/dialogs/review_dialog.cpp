#include "gui/dialogs/review_dialog.hpp"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>
#include <array>

#include "engine/plan_text.hpp"
#include "gui/lists/problem_rows.hpp"
#include "gui/qt/qt_icon_provider.hpp"

namespace torvane::gui {
namespace {

constexpr std::array<const char*, ReviewModel::kColumnCount> kHeadings = {"Entry", "New name",
                                                                          "Changes", "Problem"};
constexpr std::array<int, ReviewModel::kColumnCount> kWidths = {200, 140, 200, 300};

// A log line shown in a cell: without its line end.
QString OneLine(const std::wstring& text) {
    QString line = QString::fromStdWString(text);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

}  // namespace

ReviewModel::ReviewModel(const JobPlan& plan, const std::wstring& root, QObject* parent)
    : QAbstractTableModel(parent), plan_(plan), base_(DisplayBase(root)), warning_(WarningIcon()) {
    std::vector<Row> ok;
    AddRows(ok);
    problemRows_ = static_cast<int>(rows_.size());
    rows_.insert(rows_.end(), ok.begin(), ok.end());
}

// Walks the plan's folders in order: a folder's own problem, then its
// entries that change or have a finding. Problem rows go to rows_, the rest
// to `ok`.
void ReviewModel::AddRows(std::vector<Row>& ok) {
    for (std::size_t f = 0; f < plan_.folders.size(); ++f) {
        const PlannedFolder& folder = plan_.folders[f];
        if (folder.problem)
            rows_.push_back(Row{f, PlannedFolder::kNone, &*folder.problem});
        auto finding = folder.findings.begin();
        for (std::size_t i = 0; i < folder.current.size(); ++i) {
            while (finding != folder.findings.end() && finding->first < i)
                ++finding;
            const bool changes = i < folder.steps.size() && folder.steps[i].any();
            if (finding == folder.findings.end() || finding->first != i) {
                if (changes)
                    ok.push_back(Row{f, i, nullptr});
            } else if (changes || finding->second.kind != FindingKind::kFolderUnreadable) {
                // An unchanged entry whose folder can't be read: that
                // folder's own row tells of it.
                rows_.push_back(Row{f, i, &finding->second.message});
            }
        }
    }
}

void ReviewModel::SetProblemsOnly(bool problemsOnly) {
    if (problemsOnly == problemsOnly_)
        return;
    beginResetModel();
    problemsOnly_ = problemsOnly;
    endResetModel();
}

int ReviewModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return problemsOnly_ ? problemRows_ : static_cast<int>(rows_.size());
}

int ReviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString ReviewModel::Text(const Row& row, int column) const {
    const PlannedFolder& folder = plan_.folders[row.folder];
    if (row.position == PlannedFolder::kNone) {
        switch (column) {
            case kEntryColumn:
                return QString::fromStdWString(RelativeTo(base_, folder.path));
            case kProblemColumn:
                return row.problem ? OneLine(*row.problem) : QString();
            default:
                return {};
        }
    }
    const FileEntry& current = folder.current[row.position];
    const FileEntry& updated = folder.updated[row.position];
    const EntrySteps steps =
        row.position < folder.steps.size() ? folder.steps[row.position] : EntrySteps{};
    switch (column) {
        case kEntryColumn:
            return QString::fromStdWString(RelativeTo(base_, current.FullPath()));
        case kNewNameColumn:
            return steps.rename ? QString::fromStdWString(updated.name.wide()) : QString();
        case kChangesColumn:
            return steps.times || steps.attributes
                       ? QString::fromStdWString(DescribeValueChanges(current, updated))
                       : QString();
        case kProblemColumn:
            return row.problem ? OneLine(*row.problem) : QString();
        default:
            return {};
    }
}

QVariant ReviewModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: {
            QString text = Text(row, index.column());
            return text.isEmpty() ? QVariant() : QVariant(text);
        }
        case Qt::DecorationRole:
            if (index.column() == kEntryColumn && IsProblemRow(index.row()))
                return warning_;
            return {};
        case Qt::BackgroundRole:
            if (IsProblemRow(index.row()))
                return ProblemTint(QGuiApplication::palette());
            return {};
        default:
            return {};
    }
}

QVariant ReviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount ||
        role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(kHeadings[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags ReviewModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void SetUpPlanTable(QTableView& table) {
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setSelectionMode(QAbstractItemView::SingleSelection);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setWordWrap(false);
    table.setShowGrid(false);
    table.setTextElideMode(Qt::ElideMiddle);
    // Fixed row heights: the view never measures rows, however many there are.
    QHeaderView* rows = table.verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(table.fontMetrics().height() + 6);
    QHeaderView* columns = table.horizontalHeader();
    columns->setSectionsMovable(false);
    columns->setHighlightSections(false);
    for (int c = 0; c < ReviewModel::kColumnCount; ++c)
        columns->resizeSection(c, kWidths[static_cast<std::size_t>(c)]);
    columns->setStretchLastSection(true);
}

ReviewDialog::ReviewDialog(const JobPlan& plan, const std::wstring& root, QWidget* parent)
    : QDialog(parent),
      model_(new ReviewModel(plan, root, this)),
      summary_(new QLabel(QString::fromStdWString(PlanCountText(plan.changes, plan.problems)))),
      table_(new QTableView),
      problemsOnly_(new QCheckBox("Show problems only")) {
    setWindowTitle("Review Changes");
    setModal(true);
    const bool problems = model_->problemRows() > 0;

    auto* note = new QLabel(problems ? "The entries with a problem will be left alone and logged; "
                                       "the other changes will be applied."
                                     : "These changes will be applied.");
    note->setWordWrap(true);

    table_->setModel(model_);
    SetUpPlanTable(*table_);

    problemsOnly_->setEnabled(problems);
    connect(problemsOnly_, &QCheckBox::toggled, model_, &ReviewModel::SetProblemsOnly);

    auto* buttons = new QDialogButtonBox;
    apply_ = buttons->addButton("Apply", QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(note);
    layout->addWidget(table_, 1);
    layout->addWidget(problemsOnly_);
    layout->addWidget(buttons);
    resize(900, 480);
    table_->setFocus();
}

void ReviewDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Chosen once the button box has made its own choice on being shown.
    // With problems, Enter must not apply what was not looked at.
    const bool problems = model_->problemRows() > 0;
    apply_->setDefault(!problems);
    cancel_->setDefault(problems);
}

}  // namespace torvane::gui
