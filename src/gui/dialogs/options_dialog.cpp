#include "gui/dialogs/options_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace torvane::gui {
namespace {

QString Text(std::wstring_view text) {
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

// "<before> [box] <after>" on one line of `layout`; `after` may be empty.
void AddRow(QVBoxLayout* layout, std::wstring_view before, QWidget* box, std::wstring_view after) {
    QWidget* parent = box->parentWidget();
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(Text(before), parent);
    label->setBuddy(box);
    row->addWidget(label);
    row->addWidget(box);
    if (!after.empty())
        row->addWidget(new QLabel(Text(after), parent));
    row->addStretch(1);
    layout->addLayout(row);
}

// A group of controls: its first control (a switch) enables the others.
struct Group {
    std::wstring_view name;
    QVBoxLayout* layout;      // the group box's
    QVBoxLayout* dependents;  // the layout of the controls after the switch
};

}  // namespace

OptionsDialog::OptionsDialog(const PreferenceFlags& flags, ApplyFlagsFn apply, QWidget* parent)
    : OptionsDialog(
          flags, HistorySettings{},
          [apply = std::move(apply)](const PreferenceFlags& chosen, const HistorySettings&) {
              apply(chosen);
          },
          parent) {}

OptionsDialog::OptionsDialog(const PreferenceFlags& flags, const HistorySettings& history,
                             ApplyFn apply, QWidget* parent)
    : QDialog(parent), apply_(std::move(apply)) {
    setWindowTitle(QStringLiteral("Preferences"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    given_.flags = flags;
    SetHistorySettings(given_, history);
    auto* layout = new QVBoxLayout(this);
    AddControls(layout);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOk(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(clearHistory_, &QPushButton::clicked, this, &OptionsDialog::ClearHistoryRequested);
}

void OptionsDialog::AddControls(QVBoxLayout* dialogLayout) {
    std::vector<Group> groups;
    for (const PreferenceKey* key : DialogKeys()) {
        const std::wstring_view name = key->control.group;
        if (name.empty()) {
            AddControl(*key, this, dialogLayout);
            continue;
        }
        const auto group = std::find_if(groups.begin(), groups.end(),
                                        [name](const Group& g) { return g.name == name; });
        if (group != groups.end()) {
            QWidget* parent = group->dependents->parentWidget();
            AddControl(*key, parent, group->dependents);
            continue;
        }
        auto* box = new QGroupBox(Text(name), this);
        auto* layout = new QVBoxLayout(box);
        dialogLayout->addWidget(box);
        QWidget* control = AddControl(*key, box, layout);
        // The controls after the switch mean nothing while it is off: they
        // are disabled, labels included, and keep their values.
        auto* dependents = new QWidget(box);
        auto* dependentLayout = new QVBoxLayout(dependents);
        dependentLayout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(dependents);
        if (auto* check = qobject_cast<QCheckBox*>(control)) {
            connect(check, &QCheckBox::toggled, dependents, &QWidget::setEnabled);
            dependents->setEnabled(check->isChecked());
        }
        groups.push_back({name, layout, dependentLayout});
    }
    const PreferenceKey* history = FindPreferenceKey(L"History");
    const auto group = std::find_if(groups.begin(), groups.end(), [history](const Group& g) {
        return history && g.name == history->control.group;
    });
    QVBoxLayout* layout = group == groups.end() ? dialogLayout : group->layout;
    clearHistory_ = new QPushButton(QStringLiteral("Clear History..."), layout->parentWidget());
    // Enter in the window means OK, never the question that forgets every job.
    clearHistory_->setAutoDefault(false);
    auto* clearRow = new QHBoxLayout;
    clearRow->addWidget(clearHistory_);
    clearRow->addStretch(1);
    layout->addLayout(clearRow);
}

QWidget* OptionsDialog::AddControl(const PreferenceKey& key, QWidget* parent, QVBoxLayout* layout) {
    const std::int32_t shown = ShownValue(key, given_);
    switch (key.kind) {
        case PreferenceKind::kSwitch: {
            auto* box = new QCheckBox(Text(key.control.label), parent);
            box->setChecked(shown == 1);
            layout->addWidget(box);
            controls_.push_back({&key, box});
            return box;
        }
        case PreferenceKind::kChoice: {
            auto* choice = new QComboBox(parent);
            for (const std::wstring_view item : key.control.items)
                choice->addItem(Text(item));
            choice->setCurrentIndex(shown);  // -1 selects nothing
            AddRow(layout, key.control.label, choice, {});
            controls_.push_back({&key, choice});
            return choice;
        }
        case PreferenceKind::kCount: {
            auto* box = new QSpinBox(parent);
            box->setRange(1, key.control.max);
            box->setValue(shown);
            AddRow(layout, key.control.label, box, key.control.unit);
            controls_.push_back({&key, box});
            return box;
        }
        default:
            return nullptr;  // no control shows numbers or texts
    }
}

void OptionsDialog::ShowCentredOn(const QWidget* owner) {
    adjustSize();
    if (owner) {
        const QWidget* client = owner;
        if (const auto* window = qobject_cast<const QMainWindow*>(owner);
            window && window->centralWidget())
            client = window->centralWidget();
        const QPoint centre = client->mapToGlobal(client->rect().center());
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
    show();
    raise();
}

QWidget* OptionsDialog::ControlOf(std::wstring_view key) const {
    const PreferenceKey* found = FindPreferenceKey(key);
    for (const Control& c : controls_) {
        if (c.key == found)
            return c.widget;
    }
    return nullptr;
}

QCheckBox* OptionsDialog::CheckBoxFor(std::wstring_view key) const {
    return qobject_cast<QCheckBox*>(ControlOf(key));
}

QComboBox* OptionsDialog::ChoiceFor(std::wstring_view key) const {
    return qobject_cast<QComboBox*>(ControlOf(key));
}

QSpinBox* OptionsDialog::CountFor(std::wstring_view key) const {
    return qobject_cast<QSpinBox*>(ControlOf(key));
}

Preferences OptionsDialog::Chosen() const {
    Preferences chosen = given_;
    for (const Control& c : controls_) {
        std::int32_t shown = 0;
        if (const auto* box = qobject_cast<const QCheckBox*>(c.widget))
            shown = box->isChecked() ? 1 : 0;
        else if (const auto* choice = qobject_cast<const QComboBox*>(c.widget))
            shown = choice->currentIndex();
        else if (const auto* count = qobject_cast<const QSpinBox*>(c.widget))
            shown = count->value();
        StoreShownValue(*c.key, shown, chosen);
    }
    return chosen;
}

PreferenceFlags OptionsDialog::Flags() const {
    return Chosen().flags;
}

HistorySettings OptionsDialog::HistoryValues() const {
    return HistorySettingsOf(Chosen());
}

void OptionsDialog::OnOk() {
    const Preferences chosen = Chosen();
    apply_(chosen.flags, HistorySettingsOf(chosen));
    accept();
}

}  // namespace torvane::gui
