#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/apply_context.hpp"
#include "engine/apply_task.hpp"
#include "filelist/file_entry.hpp"
#include "recording_dialogs.hpp"
#include "tasks/task_definition.hpp"

namespace torvane::testing {

inline FileEntry File(std::wstring name, std::uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE) {
    FileEntry e;
    e.folderPath = L"/data/";
    e.name = std::move(name);
    e.attributes = attributes;
    return e;
}

inline FileEntry Folder(std::wstring name) {
    FileEntry e;
    e.folderPath = L"/data/";
    e.name = std::move(name);
    e.attributes = FILE_ATTRIBUTE_DIRECTORY;
    e.iconIndex = 2;
    return e;
}

inline std::vector<std::wstring> Names(const FileEntries& entries) {
    std::vector<std::wstring> out;
    for (const auto& e : entries)
        out.push_back(e.name.wide());
    return out;
}

inline std::wstring Rename(std::wstring find, std::wstring replace, bool regex = false,
                           bool numbering = false, std::wstring startNumber = L"0") {
    RenameTaskFields f;
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = regex ? L"TRUE" : L"FALSE";
    f.numbering = numbering ? L"TRUE" : L"FALSE";
    f.startNumber = std::move(startNumber);
    return BuildTaskDefinition(f);
}

inline std::wstring Timestamp(std::wstring timeKind, std::wstring find, std::wstring replace,
                              bool regex = false) {
    TimestampTaskFields f;
    f.timeKind = std::move(timeKind);
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = regex ? L"TRUE" : L"FALSE";
    return BuildTaskDefinition(f);
}

inline std::wstring Attribute(std::wstring find, std::wstring attributes, bool regex = false) {
    AttributeTaskFields f;
    f.find = std::move(find);
    f.attributes = std::move(attributes);
    f.regex = regex ? L"TRUE" : L"FALSE";
    return BuildTaskDefinition(f);
}

inline TaskList Tasks(const std::vector<std::wstring>& definitions) {
    TaskList list;
    std::uint32_t id = 1;
    for (const auto& d : definitions)
        list.push_back({id++, L"", d});
    return list;
}

// The message box every engine error shows.
inline RecordingDialogs::Message ErrorBox(std::wstring text) {
    return {std::move(text), L"Error", MessageIcon::kError, MessageButtons::kOk};
}

// Applies tasks in job mode with settings that tests change as they need.
class EngineTest : public ::testing::Test {
  protected:
    ApplyContext Context() { return ApplyContext{settings, dialogs, ApplyMode::JobMode, {}}; }
    TaskResult Apply(const std::wstring& definition, FileEntries& entries) {
        return ApplyTask(definition, entries, Context());
    }
    NewEntries Compute(const FileEntries& entries, const std::vector<std::wstring>& definitions) {
        return ComputeNewEntries(entries, Tasks(definitions), Context());
    }

    EngineSettings settings{.caseSensitive = false, .attributeTarget = AttributeTarget::kBoth};
    RecordingDialogs dialogs;
};

}  // namespace torvane::testing
