#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "filelist/list_path.hpp"

namespace torvane {

// One file dialog as the controller asks for it.
struct FileDialogRequest {
    std::wstring title;  // empty: the front end's usual title
    // File types as "description|pattern|" pairs, each pattern ";"-separated,
    // e.g. "Torvane Task File (*.tvt)|*.tvt|Text Files (*.txt)|*.txt|".
    std::wstring filter;
    std::wstring defaultExtension;  // with its dot (".tvt"), added to a name typed without one
    std::wstring initialName;       // the file name (or path) the dialog starts with
    bool overwritePrompt = false;   // save dialogs: confirm before an existing file is replaced

    bool operator==(const FileDialogRequest&) const = default;
};

// The folder picker's answer: the folder (or, through a shortcut, the path)
// chosen, and its three list options.
struct FolderChoice {
    std::wstring path;
    ListOptions options;

    bool operator==(const FolderChoice&) const = default;
};

// The file and folder pickers a front end supplies. Each call comes from the
// UI thread, shows the picker and returns the choice; nullopt when it was
// cancelled or failed.
class Pickers {
  public:
    virtual ~Pickers() = default;

    // An open dialog for one existing file (Select File, Load Task List).
    virtual std::optional<std::wstring> PickOpenFile(const FileDialogRequest& request) = 0;
    // A save dialog (Save Task List As, saving an error log).
    virtual std::optional<std::wstring> PickSaveFile(const FileDialogRequest& request) = 0;
    // The folder picker titled kFolderPickerTitle, with the three options
    // of kRetrieveOptionItems, kIncludeSubfoldersText and
    // kHiddenSystemOptionItems, each starting from its default (the first
    // item, unchecked) every time.
    virtual std::optional<FolderChoice> PickFolder() = 0;
};

inline constexpr std::wstring_view kFolderPickerTitle = L"Select a Directory";
inline constexpr std::wstring_view kIncludeSubfoldersText = L"Include sub directory";

// The folder picker's item ids, the codes its choices carry.
inline constexpr int kRetrieveFilesOnly = 200;
inline constexpr int kRetrieveFoldersOnly = 201;
inline constexpr int kRetrieveFilesAndFolders = 202;
inline constexpr int kNoHiddenOrSystem = 210;
inline constexpr int kIncludeHidden = 211;
inline constexpr int kIncludeSystem = 212;
inline constexpr int kIncludeHiddenNoSystem = 213;
inline constexpr int kIncludeHiddenAndSystem = 214;

struct OptionItem {
    int id;
    std::wstring_view text;
};

// The list options of the picker's chosen item ids: retrieve 200 files, 201
// folders, any other both; hidden/system 210..213 as named, any other every
// entry.
ListOptions ListOptionsOfItems(int retrieveId, bool includeSubfolders, int hiddenSystemId);

// The retrieve choice's items, in the picker's order (the first is the default).
inline constexpr OptionItem kRetrieveOptionItems[] = {
    {kRetrieveFilesOnly, L"Retrieve Files Only"},
    {kRetrieveFoldersOnly, L"Retrieve Folders Only"},
    {kRetrieveFilesAndFolders, L"Retrieve Files/Folders"},
};

// The hidden/system choice's items, in the picker's order (the first is the
// default).
inline constexpr OptionItem kHiddenSystemOptionItems[] = {
    {kNoHiddenOrSystem, L"No Hidden or System Attributes"},
    {kIncludeHidden, L"Include Hidden Attribute"},
    {kIncludeHiddenNoSystem, L"Include Hidden But No System Attributes"},
    {kIncludeSystem, L"Include System Attribute"},
    {kIncludeHiddenAndSystem, L"Include Hidden And System Attributes"},
};

// The file types of a filter, as (description, pattern) pairs in order; a
// trailing description without a pattern is dropped.
std::vector<std::pair<std::wstring, std::wstring>> SplitFileFilter(std::wstring_view filter);

}  // namespace torvane
