#include "gui/dialogs/job_errors_dialog.hpp"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <utility>

namespace torvane::gui {
namespace {

constexpr int kStartWidth = 760;
constexpr int kStartHeight = 380;

}  // namespace

JobErrorsDialog::JobErrorsDialog(std::vector<JobFailure> failures, bool cancelled,
                                 std::function<void()> saveLog, QWidget* parent)
    : QDialog(parent), failures_(std::move(failures)) {
    setWindowTitle("Job Finished with Errors");
    summary_ =
        new QLabel(QString::fromStdWString(JobFailuresSummary(failures_.size(), cancelled)), this);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);

    table_ = new QTableWidget(static_cast<int>(failures_.size()), kColumnCount, this);
    table_->setHorizontalHeaderLabels({"Entry", "What failed", "Reason"});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < static_cast<int>(failures_.size()); ++row) {
        const JobFailure& f = failures_[static_cast<std::size_t>(row)];
        const QString texts[kColumnCount] = {QString::fromStdWString(f.entry),
                                             QString::fromStdWString(f.what),
                                             QString::fromStdWString(f.reason)};
        for (int column = 0; column < kColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(texts[column]);
            table_->setItem(row, column, item);
        }
    }
    table_->resizeColumnsToContents();
    // A long path must not push the reason out of sight.
    const int widest = kStartWidth / 2;
    if (table_->columnWidth(kEntryColumn) > widest)
        table_->setColumnWidth(kEntryColumn, widest);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    saveLog_ = buttons->addButton("&Save Log...", QDialogButtonBox::ActionRole);
    saveLog_->setToolTip("Save the job's log file (UTF-16 text)");
    copy_ = buttons->addButton("&Copy", QDialogButtonBox::ActionRole);
    copy_->setToolTip("Copy the failures as tab-separated text");
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(saveLog_, &QPushButton::clicked, this, [saveLog = std::move(saveLog)] {
        if (saveLog)
            saveLog();
    });
    connect(copy_, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(CopiedText()); });

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(summary_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addWidget(buttons);
    resize(kStartWidth, kStartHeight);
}

QString JobErrorsDialog::CopiedText() const {
    return QString::fromStdWString(JobFailuresText(failures_));
}

}  // namespace torvane::gui
