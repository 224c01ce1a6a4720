// Opening the places a job was given.
#include "engine/job_roots.hpp"

#include <algorithm>
#include <utility>

#include "engine/error_log.hpp"

namespace torvane {
namespace {

std::wstring WithSeparator(std::wstring path) {
    if (path.empty() || path.back() != kPathSeparator)
        path += kPathSeparator;
    return path;
}

std::wstring LastName(const std::wstring& path) {
    const auto slash = path.find_last_of(kPathSeparator);
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

class RootOpener {
  public:
    RootOpener(FileSystem& fs, JobRoots& out) : fs_(fs), out_(out) {}

    void Add(const std::wstring& given) {
        const auto word = fs_.GetAttributes(given);
        if (!word) {
            Problem(given, word.error());
            return;
        }
        const bool isFolder = IsDirectoryWord(*word);
        const std::wstring name = isFolder ? std::wstring() : LastName(given);
        if (!isFolder && (name.empty() || name == L"." || name == L"..")) {
            Problem(given, SystemError::FromErrno(ENOENT));
            return;
        }
        auto opened = Open(isFolder ? given : FolderOfPath(given));
        if (!opened) {
            Problem(given, opened.error());
            return;
        }
        Place(given, std::move(*opened), name);
    }

  private:
    // The folder at `path` and its absolute path. A component swapped for a
    // link while it was opened is caught by looking the path up again: the
    // folder opened must be the one the path names now, and the path must
    // still hold no link.
    Result<std::pair<std::wstring, std::shared_ptr<Folder>>> Open(const std::wstring& path) {
        auto resolved = fs_.ResolveLinks(path);
        if (!resolved)
            return resolved.error();
        const std::wstring absolute = WithSeparator(*resolved);
        auto folder = fs_.OpenFolder(absolute);
        if (!folder)
            return folder.error();
        std::shared_ptr<Folder> shared = std::move(*folder);
        const auto again = fs_.ResolveLinks(absolute);
        const auto now = fs_.FindEntry(absolute);
        if (!again || WithSeparator(*again) != absolute || !now || now->id != shared->id())
            return SystemError::FromErrno(kFolderReplaced);
        return std::pair{absolute, std::move(shared)};
    }

    void Place(const std::wstring& given, std::pair<std::wstring, std::shared_ptr<Folder>> opened,
               const std::wstring& name) {
        auto& [path, folder] = opened;
        for (JobRoot& root : out_.roots) {
            if (root.folder->id() != folder->id())
                continue;
            if (root.files.empty() || name.empty()) {
                // A folder root lists every file of its folder.
                if (name.empty() && !root.files.empty())
                    root.files.clear();
                Repeat(given, root.path);
                return;
            }
            if (std::find(root.files.begin(), root.files.end(), name) != root.files.end()) {
                Repeat(given, root.path + name);
                return;
            }
            root.files.push_back(name);
            return;
        }
        JobRoot root{std::move(path), std::move(folder), {}};
        if (!name.empty())
            root.files.push_back(name);
        out_.roots.push_back(std::move(root));
    }

    void Repeat(const std::wstring& given, const std::wstring& through) {
        out_.repeats.push_back(
            {given, L"This path is also reached through " + through + L"; it is planned once."});
    }

    void Problem(const std::wstring& given, const SystemError& error) {
        out_.problems.push_back({given, error.code == kFolderReplaced
                                            ? std::wstring(kFolderReplacedMessage)
                                            : fs_.SystemMessage(error.code)});
    }

    FileSystem& fs_;
    JobRoots& out_;
};

// Drops the roots that a folder root's walk below it reaches anyway.
void DropNested(JobRoots& out) {
    std::vector<JobRoot> kept;
    std::vector<bool> nested(out.roots.size(), false);
    for (std::size_t i = 0; i < out.roots.size(); ++i) {
        const JobRoot& root = out.roots[i];
        for (const JobRoot& other : out.roots) {
            if (nested[i] || !other.files.empty() || root.path.size() <= other.path.size() ||
                root.path.compare(0, other.path.size(), other.path) != 0)
                continue;
            nested[i] = true;
            out.repeats.push_back({root.path, L"This path is also reached through " + other.path +
                                                  L"; it is planned once."});
        }
    }
    for (std::size_t i = 0; i < out.roots.size(); ++i) {
        if (!nested[i])
            kept.push_back(std::move(out.roots[i]));
    }
    out.roots = std::move(kept);
}

}  // namespace

JobRoots OpenRoots(FileSystem& fs, const std::vector<std::wstring>& paths, bool subfolders) {
    JobRoots out;
    RootOpener opener(fs, out);
    for (const std::wstring& path : paths)
        opener.Add(path);
    if (subfolders)
        DropNested(out);
    out.singleFile = paths.size() == 1 && out.roots.size() == 1 && !out.roots[0].files.empty();
    return out;
}

}  // namespace torvane
