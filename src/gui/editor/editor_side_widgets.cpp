#include "gui/editor/editor_side_widgets.hpp"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_controller.hpp"
#include "gui/dialogs/about_dialog.hpp"
#include "gui/dialogs/options_dialog.hpp"
#include "gui/editor/criteria_tabs.hpp"
#include "gui/editor/rename_page.hpp"
#include "gui/editor/task_list_view.hpp"
#include "gui/editor/timestamp_page.hpp"
#include "gui/qt/qt_dialogs.hpp"
#include "platform/local_time.hpp"

namespace torvane::gui {
namespace {

Dialogs& DialogsOf(const EditorSideOptions& options, std::unique_ptr<QtDialogs>& own,
                   QWidget* parent) {
    if (options.dialogs)
        return *options.dialogs;
    own = std::make_unique<QtDialogs>(parent);
    return *own;
}

std::wstring CaptionOf(const EditorSideOptions& options) {
    if (!options.caption.empty())
        return options.caption;
    return QCoreApplication::applicationName().toStdWString();
}

}  // namespace

EditorSideWidgets::EditorSideWidgets(MainController& controller, QWidget* parent,
                                     EditorSideOptions options)
    : controller_(controller), parent_(parent) {
    Dialogs& dialogs = DialogsOf(options, ownDialogs_, parent);
    auto* editor = new QWidget(parent);
    selector_ = MakeTaskKindSelector(editor);
    tabs_ = new gui::CriteriaTabs(
        *selector_, dialogs, CaptionOf(options),
        [this](const TaskFields& record) { return controller_.taskList().SubmitTask(record); },
        options.startTime.value_or(CurrentTime()), editor);
    tabs_->SetDraftPreview([this](const std::optional<TaskFields>& draft) {
        return controller_.taskList().PreviewDraft(draft);
    });
    auto* layout = new QVBoxLayout(editor);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(selector_);
    layout->addWidget(tabs_, 1);
    editor_ = editor;
    taskList_ = new TaskListView(controller, parent);
    taskListWidget_ = taskList_;
    taskList_->SetCaption(QString::fromStdWString(controller.taskList().caption()));
    controller_.SetTaskEditor(this);
}

EditorSideWidgets::~EditorSideWidgets() {
    controller_.SetTaskEditor(nullptr);
}

QWidget* EditorSideWidgets::EditorWidget() {
    return editor_;
}

QWidget* EditorSideWidgets::TaskListWidget() {
    return taskListWidget_;
}

void EditorSideWidgets::TaskRowsChanged() {
    taskList_->TaskRowsChanged();
}

void EditorSideWidgets::TaskSelectionChanged(const TaskSelection& selection) {
    taskList_->TaskSelectionChanged(selection);
}

void EditorSideWidgets::TaskListCaptionChanged(const std::wstring& caption) {
    taskList_->SetCaption(QString::fromStdWString(caption));
}

void EditorSideWidgets::EnableTaskKindSelector(bool enabled) {
    selector_->setEnabled(enabled);
}

void EditorSideWidgets::EnableEditor() {
    tabs_->NamePage().EnableControls();
}

void EditorSideWidgets::ShowEditorPage(int page) {
    tabs_->ShowCriteriaPage(page);
}

void EditorSideWidgets::LoadTask(const TaskFields& record, LoadMode mode) {
    tabs_->Page(static_cast<int>(record.index())).LoadTask(record, mode);
}

void EditorSideWidgets::PrefillTimestampPage(const FileEntry& times) {
    tabs_->DatePage().Prefill(times);
}

void EditorSideWidgets::ShowPreferences(const PreferenceFlags& flags,
                                        const HistorySettings& history) {
    QWidget* owner = parent_ ? parent_->window() : nullptr;
    auto* dialog = new OptionsDialog(
        flags, history,
        [&controller = controller_](const PreferenceFlags& chosen,
                                    const HistorySettings& chosenHistory) {
            controller.ApplyPreferences(chosen, chosenHistory);
        },
        owner);
    // The same question and clear as the History window's Clear History;
    // with no history open there is nothing to clear.
    dialog->ClearHistoryButton().setEnabled(controller_.jobHistory().available());
    QObject::connect(dialog, &OptionsDialog::ClearHistoryRequested, dialog,
                     [&controller = controller_] { controller.jobHistory().AskClear(); });
    dialog->ShowCentredOn(owner);
}

void EditorSideWidgets::ShowAbout(const AboutInfo& about) {
    auto* box = new AboutDialog(about, parent_ ? parent_->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

}  // namespace torvane::gui
