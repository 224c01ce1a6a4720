#include "gui/editor/attribute_page.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/file_attributes.hpp"

namespace torvane::gui {

// The boxes are kShownAttributes in its order.
static_assert(AttributePage::kBoxCount == kShownAttributes.size());
static_assert(kShownAttributes[AttributePage::kIndex].inverted);

AttributePage::AttributePage(Dialogs& dialogs, std::wstring caption, SubmitTaskFn submit,
                             QWidget* parent)
    : CriteriaPage(dialogs, std::move(caption), std::move(submit), parent),
      name_(MakeEdit(false)),
      pattern_(MakeEdit(true)),
      regex_(new QCheckBox(QStringLiteral("Use regular expression"), this)),
      wildcard_(new QCheckBox(QStringLiteral("Wildcards (* ?)"), this)) {
    wildcard_->setToolTip(QStringLiteral("* stands for any characters, ? for one: *.txt"));
    // A pattern is of one kind: checking one box clears the other.
    connect(wildcard_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            regex_->setChecked(false);
    });
    connect(regex_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            wildcard_->setChecked(false);
    });
    auto* patternRow = new QHBoxLayout;
    // The label wraps where the desktop's font is too wide for one line.
    auto* patternLabel = new QLabel(QStringLiteral("File to apply attributes to:"), this);
    patternLabel->setWordWrap(true);
    patternRow->addWidget(patternLabel, 1);
    patternRow->addWidget(wildcard_);
    patternRow->addWidget(regex_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Task Name:"), this));
    layout->addWidget(name_);
    layout->addSpacing(6);
    layout->addLayout(patternRow);
    layout->addWidget(pattern_);
    layout->addWidget(MakeAttributeGroup());
    layout->addStretch(1);
    layout->addWidget(MakeButtons());
    LeaveModifyMode();
}

QWidget* AttributePage::MakeAttributeGroup() {
    auto* group = new QGroupBox(QStringLiteral("Attributes to apply"), this);
    auto* grid = new QGridLayout(group);
    for (int b = 0; b < kBoxCount; ++b) {
        auto* box = new QCheckBox(
            QString::fromLatin1(kShownAttributes[static_cast<std::size_t>(b)].caption), group);
        boxes_[static_cast<std::size_t>(b)] = box;
        // Archive to System in the left column, Index to Encrypt in the right.
        grid->addWidget(box, b < kIndex ? b : b - kIndex, b < kIndex ? 0 : 1);
        connect(box, &QCheckBox::clicked, this, [this, b] { OnBoxClicked(static_cast<Box>(b)); });
    }
    return group;
}

void AttributePage::OnBoxClicked(Box box) {
    SetModified(true);
    if (box != kCompress && box != kEncrypt)
        return;
    AttributeBoxes state = Boxes();
    ExcludeOtherCompression(state, box == kCompress);
    SetBoxes(state);
}

AttributeBoxes AttributePage::Boxes() const {
    const auto on = [this](Box b) { return boxes_[b]->isChecked(); };
    return AttributeBoxes{on(kArchive), on(kHidden),   on(kReadOnly), on(kSystem),
                          on(kIndex),   on(kCompress), on(kEncrypt)};
}

void AttributePage::SetBoxes(const AttributeBoxes& state) {
    boxes_[kArchive]->setChecked(state.archive);
    boxes_[kHidden]->setChecked(state.hidden);
    boxes_[kReadOnly]->setChecked(state.readOnly);
    boxes_[kSystem]->setChecked(state.system);
    boxes_[kIndex]->setChecked(state.index);
    boxes_[kCompress]->setChecked(state.compress);
    boxes_[kEncrypt]->setChecked(state.encrypt);
}

TaskFields AttributePage::CurrentRecord() const {
    const AttributePageValues values{name_->text().toStdWString(), pattern_->text().toStdWString(),
                                     regex_->isChecked(), Boxes()};
    AttributeTaskFields record = AttributeRecordOf(values, state().editingId);
    if (wildcard_->isChecked())
        record.wildcard = std::wstring(kTrue);
    return record;
}

QLineEdit& AttributePage::FindEdit() const {
    return *pattern_;
}

void AttributePage::OnPrimary() {
    if (!ReadyToSubmit(*pattern_))
        return;
    if (Send(CurrentRecord()))
        Reset();
}

void AttributePage::OnSecondary() {
    Reset();
}

void AttributePage::Reset() {
    name_->clear();
    pattern_->clear();
    regex_->setChecked(false);
    wildcard_->setChecked(false);
    SetBoxes(AttributeBoxes{});
    LeaveModifyMode();
    name_->setFocus(Qt::OtherFocusReason);
}

void AttributePage::LoadTask(const TaskFields& record, LoadMode mode) {
    const auto* fields = std::get_if<AttributeTaskFields>(&record);
    if (!fields)
        return;
    pattern_->setText(QString::fromStdWString(fields->find));
    SetBoxes(AttributeBoxesOf(fields->attributes));
    if (mode == LoadMode::kPrefill)
        return;
    name_->setText(QString::fromStdWString(fields->name));
    regex_->setChecked(IsFlagOn(fields->regex));
    // REGX wins when both are set, as the engine reads the task.
    wildcard_->setChecked(!IsFlagOn(fields->regex) && IsFlagOn(fields->wildcard));
    FocusName(*name_);
    EnterModifyMode(fields->id);
}

}  // namespace torvane::gui
