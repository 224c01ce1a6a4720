// Choosing a path, the folder history, showing entries, the title, the
// General Info pane and the file lists' clicks.
#include <string>
#include <utility>

#include "app/main_controller.hpp"
#include "filelist/shortcut.hpp"
#include "platform/file_attributes.hpp"
#include "platform/text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

ListContext MainController::MakeListContext(bool withIcons) {
    Progress& progress = jobView_ ? static_cast<Progress&>(*jobView_) : noProgress_;
    ListContext context{fs_, dialogs_, progress};
    context.icons = withIcons ? &icons_ : nullptr;
    context.options = ListingOptions();
    context.attributeTarget = Engine().attributeTarget;
    context.historyRoot = history_.Root();
    return context;
}

// A chosen or dropped path as it is listed: a shortcut replaced by its
// target when it resolves, a folder ending with the separator.
std::wstring MainController::AcceptChosenPath(std::wstring path) {
    if (IsShortcutName(path)) {
        std::wstring target;
        if (ResolveShortcut(fs_, path, target) == 0)
            path = std::move(target);
    }
    const auto word = fs_.GetAttributes(path);
    if (word.ok() && IsDirectoryWord(*word) && !path.empty() && path.back() != kPathSeparator)
        path += kPathSeparator;
    return path;
}

void MainController::SelectFolder() {
    if (job_.running())
        return;
    auto choice = pickers_.PickFolder();
    if (!choice)
        return;
    listOptions_ = choice->options;
    StartHistoryWith(AcceptChosenPath(std::move(choice->path)));
}

void MainController::SelectFile() {
    if (job_.running())
        return;
    FileDialogRequest request;
    request.title = L"Select a file";
    request.filter = L"All Files (*.*)|*.*|";
    auto path = pickers_.PickOpenFile(request);
    if (path)
        StartHistoryWith(AcceptChosenPath(std::move(*path)));
}

void MainController::DropPaths(const std::vector<std::wstring>& paths) {
    if (job_.running() || paths.empty())
        return;
    const std::wstring& first = paths.front();
    if (first.size() > 4 && EqualsIgnoringAsciiCase(first.substr(first.size() - 4), L".tvt")) {
        const auto word = fs_.GetAttributes(first);
        if (word.ok() && !IsDirectoryWord(*word)) {
            if (TaskListSettled(L"loading " + first))
                tasks_.LoadTaskListFile(first);
            return;
        }
    }
    StartHistoryWith(AcceptChosenPath(paths.front()));
}

void MainController::StartHistoryWith(const std::wstring& path) {
    history_.StartHistory(path);
    NavigateTo(path);
    UpdateCommandUI();
}

void MainController::PreviousFolder() {
    if (history_.Previous())
        NavigateTo(history_.Current());
    UpdateCommandUI();
}

void MainController::NextFolder() {
    if (history_.Next())
        NavigateTo(history_.Current());
    UpdateCommandUI();
}

void MainController::NavigateTo(const std::wstring& path) {
    // The draft being edited follows the folder: it is shown again over the
    // entries listed.
    const bool draft = preview_.draftShown();
    preview_.Clear();
    Notify(lists_, &FileListsView::CurrentEntriesChanged);
    lastListId_ = kNoListId;
    lastRow_ = 0;
    Preview::FolderFacts facts;
    auto context = MakeListContext(true);
    context.unlistedNames = &facts.unlistedNames;
    auto entries = ::torvane::NavigateTo(context, path);
    facts.traits = TraitsOfShown(path, entries, facts.unlistedNames);
    preview_.SetFolderFacts(std::move(facts));
    ShowEntries(std::move(entries));
    if (draft)
        tasks_.ShowDraftAgain();
}

// The traits of the file system of the folder on show (a single file's
// folder), for the checks of its changes.
FolderTraits MainController::TraitsOfShown(const std::wstring& path, const FileEntries& entries,
                                           const std::vector<EntryName>& unlisted) {
    auto folder = fs_.OpenFolder(FolderOfPath(path));
    return folder ? TraitsOfListed(**folder, entries, unlisted) : FolderTraits{};
}

void MainController::ShowEntries(FileEntries entries) {
    preview_.EntriesListed(std::move(entries), tasks_.tasks(), Engine());
    Notify(lists_, &FileListsView::CurrentEntriesChanged);
    RefreshTitle();
    Notify(editor_, &TaskEditorView::EnableTaskKindSelector, true);
    ShowEntryInfo();
    Notify(editor_, &TaskEditorView::EnableEditor);
    ReplanWholeJob(false);
}

void MainController::FieldsArrived() {
    preview_.FieldsArrived(tasks_.tasks(), Engine());
    ShowEntryInfo();
}

void MainController::RefreshTitle() {
    const std::size_t count = currentEntries().size();
    title_ = productName_ + L": " + history_.Current();
    if (count >= 2)
        title_ += L" (" + std::to_wstring(count) + L" items)";
    Notify(window_, &WindowView::TitleChanged, title_);
}

void MainController::ShowEntryInfo() {
    GeneralInfo info;
    const FileEntries* source = nullptr;
    std::wstring caption;
    if (lastListId_ == kCurrentListId) {
        source = &currentEntries();
        caption = L"General Info (Current Attributes)";
    } else if (lastListId_ == kNewListId) {
        source = &newEntries();
        caption = L"General Info (New Attributes)";
    }
    if (source != nullptr && lastRow_ < source->size()) {
        info.caption = std::move(caption);
        info.entry = (*source)[lastRow_];
    }
    generalInfo_ = info;
    Notify(lists_, &FileListsView::GeneralInfoChanged, generalInfo_);
}

void MainController::FileSelected(std::size_t row, int listId) {
    if (listId != kNoListId)
        lastListId_ = listId;
    lastRow_ = row;
    ShowEntryInfo();
    UpdateCommandUI();
}

void MainController::FileActivated(std::size_t row, int listId) {
    if (row >= currentEntries().size())
        return;
    const FileEntry& current = currentEntries()[row];
    if (current.IsFolder() && listOptions_.includeSubfolders) {
        history_.OpenFolder(current, listOptions_.includeSubfolders);
        NavigateTo(history_.Current());
    } else {
        PrefillEditors(listId == kCurrentListId ? current : newEntries()[row]);
    }
    UpdateCommandUI();
}

void MainController::PrefillEditors(FileEntry entry) {
    FileEntry times;
    times.created = entry.created;
    times.modified = entry.modified;
    times.accessed = entry.accessed;
    Notify(editor_, &TaskEditorView::PrefillTimestampPage, times);

    AttributeTaskFields attribute;
    attribute.find = entry.name.wide();
    attribute.attributes = std::to_wstring(entry.attributes);
    Notify(editor_, &TaskEditorView::LoadTask, attribute, LoadMode::kPrefill);

    RenameTaskFields rename;
    rename.find = entry.name.wide();
    rename.replace = rename.find;
    Notify(editor_, &TaskEditorView::LoadTask, rename, LoadMode::kPrefill);
}

void MainController::Refresh() {
    if (history_.paths().empty())
        return;
    NavigateTo(history_.Current());
    ReplanWholeJob(true);
}

}  // namespace torvane
