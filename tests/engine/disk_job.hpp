#pragma once
// What the job tests on real folders share: a silent observer, tasks that
// give chosen entries chosen names, and a folder's inodes by name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cwctype>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/job.hpp"
#include "tasks/task_definition.hpp"

namespace torvane::testing {

class SilentObserver : public JobObserver {
  public:
    void JobStep(int) override {}
    void JobDone(const JobResult&) override {}
};

inline TaskItem RegexRename(std::wstring find, std::wstring replace) {
    RenameTaskFields f;
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = L"TRUE";
    return TaskItem{1, L"", BuildTaskDefinition(f)};
}

// The name as a pattern that matches it alone.
inline std::wstring Literal(const std::wstring& name) {
    std::wstring out = L"^";
    for (wchar_t c : name) {
        if (!std::iswalnum(c))
            out += L'\\';
        out += c;
    }
    return out + L"$";
}

// Tasks that rename each `from` (a whole name) to
// its `to`, whatever else the list maps: each name first takes a marker no
// other name holds, then its new name, so that a swap or a rotation is one
// task list.
inline TaskList MapNames(const std::vector<std::pair<std::wstring, std::wstring>>& names) {
    TaskList tasks;
    for (std::size_t k = 0; k < names.size(); ++k)
        tasks.push_back(RegexRename(Literal(names[k].first), L"@map" + std::to_wstring(k) + L"@"));
    for (std::size_t k = 0; k < names.size(); ++k)
        tasks.push_back(RegexRename(L"^@map" + std::to_wstring(k) + L"@$", names[k].second));
    return tasks;
}

// Name -> inode of every entry of the folder.
inline std::map<std::string, ino_t> InodesByName(const std::string& folder) {
    std::map<std::string, ino_t> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        struct stat st {};
        EXPECT_EQ(::lstat(e.path().c_str(), &st), 0) << e.path();
        out[e.path().filename().string()] = st.st_ino;
    }
    return out;
}

}  // namespace torvane::testing
