// The undo of a journaled job: the entries found again by inode and given
// their old values, planned as a job.
#include "engine/undo_plan.hpp"

#include <algorithm>
#include <cerrno>
#include <map>
#include <unordered_map>

#include "engine/error_log.hpp"
#include "filelist/list_path.hpp"
#include "platform/date_text.hpp"
#include "platform/file_attributes.hpp"

namespace torvane {
namespace {

struct FileIdHash {
    std::size_t operator()(const FileId& id) const {
        return std::hash<std::uint64_t>()(id.inode * 1000003u ^ id.device);
    }
};

std::wstring Quoted(const std::wstring& name) {
    return L"\"" + name + L"\"";
}

// The folders of the journal as a tree: one node per folder path as the job
// planned it, each child named by its name then.
struct Node {
    std::wstring path;                             // ends with the separator
    std::map<std::wstring, std::size_t> children;  // by name, in name order
    std::vector<std::size_t> entries;              // journal entries in this folder
};

// The longest folder path (ending with the separator) that starts both.
std::wstring CommonFolder(const std::wstring& a, const std::wstring& b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    const auto slash = a.rfind(kPathSeparator, n == 0 ? 0 : n - 1);
    return slash == std::wstring::npos ? std::wstring() : a.substr(0, slash + 1);
}

// An attribute word as it can be compared: "normal" only says that no other
// bit is set, and a word planned with it is read back without it.
bool SameWord(std::uint32_t a, std::uint32_t b) {
    return (a & ~FILE_ATTRIBUTE_NORMAL) == (b & ~FILE_ATTRIBUTE_NORMAL);
}

bool SameTimes(const FileEntry& e, std::int64_t created, std::int64_t modified,
               std::int64_t accessed) {
    return e.created == created && e.modified == modified && e.accessed == accessed;
}

// The entry as found, with the old values of the steps the job planned.
FileEntry Restored(const FileEntry& now, const JournalEntry& j) {
    FileEntry e = now;
    if (j.rename)
        e.name = j.oldName;
    if (j.times) {
        e.created = j.oldCreated;
        e.modified = j.oldModified;
        e.accessed = j.oldAccessed;
    }
    if (j.attributes)
        e.attributes = j.oldAttributes;
    return e;
}

// Why the entry is not as the job left it; empty when it is.
std::wstring ChangedSince(const FileEntry& now, const JournalEntry& j) {
    std::vector<std::wstring> changed;
    if (j.state == JournalState::kDone) {
        if (j.rename && now.name != j.newName)
            changed.push_back(L"its name (now " + Quoted(now.name) + L")");
        if (j.times && !SameTimes(now, j.newCreated, j.newModified, j.newAccessed))
            changed.push_back(L"its times (modified now " + FormatDateText(now.modified) + L")");
        if (j.attributes && !SameWord(now.attributes, j.newAttributes))
            changed.push_back(L"its attributes");
    } else {
        const bool nameAsLeft = !j.rename || now.name == j.oldName || now.name == j.newName ||
                                (!j.temporary.empty() && now.name == j.temporary) ||
                                IsJobTemporaryName(now.name);
        if (!nameAsLeft)
            changed.push_back(L"its name (now " + Quoted(now.name) + L")");
        const auto either = [](std::int64_t v, std::int64_t a, std::int64_t b) {
            return v == a || v == b;
        };
        if (j.times && !(either(now.created, j.oldCreated, j.newCreated) &&
                         either(now.modified, j.oldModified, j.newModified) &&
                         either(now.accessed, j.oldAccessed, j.newAccessed)))
            changed.push_back(L"its times (modified now " + FormatDateText(now.modified) + L")");
        if (j.attributes && !SameWord(now.attributes, j.oldAttributes) &&
            !SameWord(now.attributes, j.newAttributes))
            changed.push_back(L"its attributes");
    }
    if (changed.empty())
        return {};
    std::wstring text = L"The entry was changed after the job: ";
    for (std::size_t k = 0; k < changed.size(); ++k) {
        if (k > 0)
            text += k + 1 == changed.size() ? L" and " : L", ";
        text += changed[k];
    }
    return text + L". It is left as it is.";
}

class UndoPlanner {
  public:
    UndoPlanner(const std::vector<JournalEntry>& entries, FileSystem& fs, JobPlan& plan)
        : journal_(entries), fs_(fs), plan_(plan) {}

    void Plan() {
        if (journal_.empty())
            return;
        std::wstring root = journal_.front().folder;
        for (const JournalEntry& j : journal_)
            root = CommonFolder(root, j.folder);
        if (root.empty())
            return;
        nodes_.push_back(Node{root, {}, {}});
        for (std::size_t k = 0; k < journal_.size(); ++k)
            nodes_[NodeOf(journal_[k].folder)].entries.push_back(k);

        auto folder = fs_.OpenFolder(root);
        if (!folder) {
            AddProblem(root, PlannedFolder::kNone, PlannedFolder::kNone,
                       fs_.SystemMessage(folder.error().code));
            return;
        }
        Visit(0, **folder, root, PlannedFolder::kNone, PlannedFolder::kNone);
    }

  private:
    // The node of a folder path below the root, made with its parents.
    std::size_t NodeOf(const std::wstring& path) {
        std::size_t node = 0;
        std::size_t at = nodes_[0].path.size();
        while (at < path.size()) {
            const auto slash = path.find(kPathSeparator, at);
            const std::wstring name = path.substr(at, slash - at);
            at = slash == std::wstring::npos ? path.size() : slash + 1;
            const auto it = nodes_[node].children.find(name);
            if (it != nodes_[node].children.end()) {
                node = it->second;
                continue;
            }
            const std::size_t child = nodes_.size();
            nodes_[node].children.emplace(name, child);
            nodes_.push_back(Node{path.substr(0, at), {}, {}});
            node = child;
        }
        return node;
    }

    std::size_t AddProblem(const std::wstring& path, std::size_t parent, std::size_t parentEntry,
                           const std::wstring& message) {
        PlannedFolder f;
        f.path = path;
        f.parent = parent;
        f.parentEntry = parentEntry;
        f.problem = ErrorLogLine(kErrorReadingDirectory, path, message);
        plan_.folders.push_back(std::move(f));
        ++plan_.problems;
        return plan_.folders.size() - 1;
    }

    // Plans the folder of `node`, open as `folder` and now at `path`.
    void Visit(std::size_t node, Folder& folder, const std::wstring& path, std::size_t parent,
               std::size_t parentEntry) {
        const std::size_t index = plan_.folders.size();
        {
            PlannedFolder f;
            f.path = path;
            f.id = folder.id();
            f.parent = parent;
            f.parentEntry = parentEntry;
            plan_.folders.push_back(std::move(f));
        }
        auto records = folder.FindEntries();
        if (!records) {
            plan_.folders[index].problem =
                ErrorLogLine(kErrorReadingDirectory, path, fs_.SystemMessage(records.error().code));
            ++plan_.problems;
            return;
        }
        const SharedPath shared(path);
        FileEntries listed;
        listed.reserve(records->size());
        for (FindRecord& r : *records) {
            if (r.name == L"." || r.name == L"..")
                continue;
            listed.push_back(ListedEntry(shared, std::move(r)));
        }
        std::unordered_map<FileId, std::size_t, FileIdHash> byId;
        std::unordered_map<std::wstring, std::size_t> byName;
        for (std::size_t k = 0; k < listed.size(); ++k) {
            if (listed[k].id != FileId{})
                byId.emplace(listed[k].id, k);
            byName.emplace(listed[k].name, k);
        }

        // The plan's entries: the journal's found here, and the folders to
        // go through on the way to those below. `position` maps a listed
        // entry to its place in the plan.
        FileEntries current;
        FileEntries updated;
        std::vector<EntrySteps> steps;
        std::vector<std::pair<std::size_t, Finding>> known;
        std::vector<const JournalEntry*> gone;
        std::unordered_map<std::size_t, std::size_t> position;
        const auto place = [&](std::size_t k) {
            const auto [it, added] = position.emplace(k, current.size());
            if (added) {
                current.push_back(listed[k]);
                updated.push_back(listed[k]);
                steps.emplace_back();
            }
            return it->second;
        };
        std::unordered_map<std::wstring, std::size_t> byOldName;  // journal entries here
        for (const std::size_t j : nodes_[node].entries) {
            const JournalEntry& entry = journal_[j];
            byOldName.emplace(entry.oldName, j);
            const auto found = entry.id == FileId{} ? byId.end() : byId.find(entry.id);
            if (found == byId.end()) {
                gone.push_back(&entry);
                continue;
            }
            const std::size_t at = place(found->second);
            FileEntry restored = Restored(current[at], entry);
            const EntrySteps s{restored.name != current[at].name,
                               !SameWord(restored.attributes, current[at].attributes),
                               !SameTimes(restored, current[at].created, current[at].modified,
                                          current[at].accessed)};
            if (!s.any())
                continue;  // already back as it was
            updated[at] = std::move(restored);
            steps[at] = s;
            if (auto why = ChangedSince(current[at], entry); !why.empty())
                known.emplace_back(at, Finding{FindingKind::kChangedSince, std::move(why)});
        }

        // The folders below, reached by their current names: first every
        // folder below, as ApplyPlan applies them before this folder's entries.
        for (const auto& [name, child] : nodes_[node].children) {
            std::optional<std::size_t> k;
            if (const auto j = byOldName.find(name); j != byOldName.end()) {
                if (const auto it = byId.find(journal_[j->second].id); it != byId.end())
                    k = it->second;
            } else if (const auto it = byName.find(name); it != byName.end()) {
                k = it->second;
            }
            const std::size_t before = plan_.folders.size();
            if (!k || !listed[*k].IsFolder()) {
                AddProblem(path + name + kPathSeparator, index, PlannedFolder::kNone,
                           L"The folder is no longer here.\r\n");
            } else {
                const std::size_t at = place(*k);
                auto sub = folder.OpenFolder(current[at].name, current[at].id);
                if (sub) {
                    Visit(child, **sub, path + current[at].name + kPathSeparator, index, at);
                } else {
                    AddProblem(path + current[at].name + kPathSeparator, index, at,
                               fs_.SystemMessage(sub.error().code));
                }
                if (plan_.folders[before].problem)
                    known.emplace_back(at, Finding{FindingKind::kFolderUnreadable,
                                                   L"This folder could not be read; nothing in it "
                                                   L"will change."});
            }
            plan_.folders[index].subfolders.push_back(before);
        }

        std::vector<std::wstring> unlisted;
        for (std::size_t k = 0; k < listed.size(); ++k) {
            if (position.count(k) == 0)
                unlisted.push_back(listed[k].name);
        }
        PlannedFolder& f = plan_.folders[index];
        f.traits = TraitsOfListed(folder, current, unlisted);
        f.findings = CheckFolder(current, updated, steps, unlisted, f.traits, std::move(known));
        // An entry that is gone is shown under the name the job gave it and
        // left alone; it takes no name from the others' checks.
        for (const JournalEntry* j : gone) {
            FileEntry was;
            was.folderPath = shared;
            was.name = j->newName;
            was.created = j->newCreated;
            was.modified = j->newModified;
            was.accessed = j->newAccessed;
            was.attributes = j->newAttributes;
            was.id = j->id;
            FileEntry back = was;
            back.name = j->oldName;
            back.created = j->oldCreated;
            back.modified = j->oldModified;
            back.accessed = j->oldAccessed;
            back.attributes = j->oldAttributes;
            f.findings.emplace_back(
                current.size(),
                Finding{FindingKind::kEntryGone,
                        L"The entry the job changed is no longer in this folder (deleted or "
                        L"moved away)."});
            current.push_back(std::move(was));
            updated.push_back(std::move(back));
            steps.push_back(EntrySteps{j->rename, j->attributes, j->times});
        }
        plan_.entries += static_cast<std::int64_t>(current.size());
        for (const EntrySteps& s : steps) {
            if (s.any())
                ++plan_.changes;
        }
        for (const auto& [at, finding] : f.findings) {
            if (finding.kind != FindingKind::kFolderUnreadable)
                ++plan_.problems;
        }
        f.current = std::move(current);
        f.updated = std::move(updated);
        f.steps = std::move(steps);
    }

    const std::vector<JournalEntry>& journal_;
    FileSystem& fs_;
    JobPlan& plan_;
    std::vector<Node> nodes_;
};

}  // namespace

bool IsJobTemporaryName(const std::wstring& name) {
    return name.rfind(L".torvane-cycle-", 0) == 0 || name.rfind(L".torvane-move-", 0) == 0;
}

JobPlan BuildUndoPlan(const std::vector<JournalEntry>& entries, FileSystem& fs) {
    JobPlan plan;
    UndoPlanner(entries, fs, plan).Plan();
    return plan;
}

JobRecord UndoRecordFor(const JobRecord& job, const JobPlan& undoPlan, std::int64_t started,
                        std::wstring frontEnd) {
    JobRecord record;
    record.started = started;
    record.kind = JobKind::kUndo;
    record.undoes = job.id;
    record.root = undoPlan.folders.empty() ? job.root : undoPlan.folders.front().path;
    record.tasks =
        (job.kind == JobKind::kUndo ? L"Redo of job " : L"Undo of job ") + std::to_wstring(job.id);
    record.options = job.options;
    record.frontEnd = std::move(frontEnd);
    record.entries = undoPlan.changes;
    return record;
}

}  // namespace torvane
