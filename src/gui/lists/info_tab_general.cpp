#include "gui/lists/info_tab_general.hpp"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/date_text.hpp"

namespace torvane::gui {
namespace {

constexpr int kIconSize = 32;

QLineEdit* MakeReadOnlyBox(QWidget* parent, int minimumWidth) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    box->setMinimumWidth(minimumWidth);
    return box;
}

// A check box that only displays: no click or key changes it.
class DisplayCheckBox : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    bool hitButton(const QPoint&) const override { return false; }
};

QString DateText(std::int64_t seconds) {
    return QString::fromStdWString(FormatDateText(seconds));
}

}  // namespace

InfoTabGeneral::InfoTabGeneral(QWidget* parent) : QWidget(parent) {
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* left = new QVBoxLayout;
    left->addWidget(MakeIdentity());
    left->addWidget(MakeTimes());
    left->addStretch(1);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(16);
    row->addLayout(left, 3);
    row->addWidget(line);
    row->addWidget(MakeAttributes(), 2);
    ShowEmpty();
}

QWidget* InfoTabGeneral::MakeIdentity() {
    auto* box = new QWidget(this);
    icon_ = new QLabel(box);
    icon_->setFixedSize(kIconSize + 8, kIconSize + 8);
    icon_->setAlignment(Qt::AlignCenter);
    name_ = MakeReadOnlyBox(box, 240);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(icon_, 0, 0, 2, 1);
    grid->addWidget(new QLabel("Name:", box), 0, 1);
    grid->addWidget(name_, 1, 1);
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* InfoTabGeneral::MakeTimes() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 4, 0, 0);
    grid->setVerticalSpacing(4);
    const char* labels[kTimeBoxCount] = {"Created:", "Modified:", "Accessed:"};
    for (int i = 0; i < kTimeBoxCount; ++i) {
        auto* label = new QLabel(labels[i], box);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        times_[static_cast<std::size_t>(i)] = MakeReadOnlyBox(box, 170);
        grid->addWidget(label, i, 0);
        grid->addWidget(times_[static_cast<std::size_t>(i)], i, 1);
    }
    grid->setColumnStretch(2, 1);
    return box;
}

QWidget* InfoTabGeneral::MakeAttributes() {
    // Two columns: Archive, Hidden, Read-only, System; then Index, Compress,
    // Encrypt.
    static constexpr int kPlaces[][3] = {
        {kArchiveColumn, 0, 0}, {kHiddenColumn, 1, 0}, {kReadOnlyColumn, 2, 0},
        {kSystemColumn, 3, 0},  {kIndexColumn, 0, 1},  {kCompressColumn, 1, 1},
        {kEncryptColumn, 2, 1},
    };
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 4, 0, 0);
    grid->setHorizontalSpacing(24);
    for (const auto& [column, gridRow, gridColumn] : kPlaces) {
        auto* check =
            new DisplayCheckBox(kFileColumns[static_cast<std::size_t>(column)].heading, box);
        check->setFocusPolicy(Qt::NoFocus);
        attributes_[static_cast<std::size_t>(column - kArchiveColumn)] = check;
        grid->addWidget(check, gridRow, gridColumn);
    }
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(2, 1);
    return box;
}

void InfoTabGeneral::ShowEntry(const FileEntry& entry, const QIcon& icon) {
    icon_->setPixmap(icon.pixmap(kIconSize, kIconSize));
    name_->setText(QString::fromStdWString(entry.name.wide()));
    name_->setCursorPosition(0);
    times_[kModifiedBox]->setText(DateText(entry.modified));
    times_[kCreatedBox]->setText(DateText(entry.created));
    times_[kAccessedBox]->setText(DateText(entry.accessed));
    for (int c = kArchiveColumn; c < kFileColumnCount; ++c) {
        auto* check = attributes_[static_cast<std::size_t>(c - kArchiveColumn)];
        check->setEnabled(true);
        check->setChecked(AttributeColumnIsSet(c, entry.attributes));
    }
}

void InfoTabGeneral::ShowEmpty() {
    icon_->clear();
    name_->clear();
    for (auto* box : times_)
        box->clear();
    for (auto* check : attributes_) {
        check->setChecked(false);
        check->setEnabled(false);
    }
}

bool InfoTabGeneral::HasIcon() const {
    return !icon_->pixmap().isNull();
}

QString InfoTabGeneral::NameText() const {
    return name_->text();
}

QString InfoTabGeneral::TimeText(TimeBox box) const {
    return times_[box]->text();
}

const QCheckBox* InfoTabGeneral::AttributeBox(int column) const {
    if (column < kArchiveColumn || column >= kFileColumnCount)
        return nullptr;
    return attributes_[static_cast<std::size_t>(column - kArchiveColumn)];
}

}  // namespace torvane::gui
