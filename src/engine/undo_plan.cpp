// The undo of a journaled job: the entries found again by inode and given
// their old values, planned as a job.
#include "engine/undo_plan.hpp"

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "engine/error_log.hpp"
#include "engine/plan_journal.hpp"
#include "engine/plan_text.hpp"
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

std::wstring Quoted(const EntryName& name) {
    return L"\"" + name.wide() + L"\"";
}

// The folders of the journal as a tree: one node per folder path as the job
// planned it, each child named by its name then.
struct Node {
    std::wstring path;                          // ends with the separator
    std::map<EntryName, std::size_t> children;  // by name, in byte order
    std::vector<std::size_t> entries;           // journal entries in this folder
};

// The longest folder path (ending with the separator) that starts both.
// An attribute word as it can be compared: "normal" only says that no other
// bit is set, and a word planned with it is read back without it.
bool SameWord(std::uint32_t a, std::uint32_t b) {
    return (a & ~FILE_ATTRIBUTE_NORMAL) == (b & ~FILE_ATTRIBUTE_NORMAL);
}

bool SameTimes(const FileEntry& e, std::int64_t created, std::int64_t modified,
               std::int64_t accessed) {
    return e.created == created && e.modified == modified && e.accessed == accessed;
}

// Gives the entry as found (`e`) the old values of the steps the job planned.
// A creation time the job did not change is left as found: where the file
// system keeps none, the one shown is made up from the modified time. The
// journal entry's names are taken, not copied: each is needed once.
void Restore(FileEntry& e, JournalEntry& j) {
    if (j.rename)
        e.name = std::move(j.oldName);
    if (j.times) {
        if (j.newCreated != j.oldCreated)
            e.created = j.oldCreated;
        e.modified = j.oldModified;
        e.accessed = j.oldAccessed;
    }
    if (j.attributes)
        e.attributes = j.oldAttributes;
}

bool IsDotName(const EntryName& name) {
    return !name.empty() && name.bytes().front() == '.';
}

// The attribute word of the entry as the job's values can be compared with
// it: without Normal, and without the Hidden that a dot name alone gives an
// entry the job did not name so (one standing aside under a temporary name).
std::uint32_t ComparableWord(const FileEntry& now, const JournalEntry& j) {
    std::uint32_t word = now.attributes & ~FILE_ATTRIBUTE_NORMAL;
    if (IsDotName(now.name) && !IsDotName(j.oldName) && !IsDotName(j.newName))
        word &= ~FILE_ATTRIBUTE_HIDDEN;
    return word;
}

// Whether the word is as the job may have left it: the new word (`done`),
// or else each bit its old or its new value. An attribute step is more than
// one call (the permission bits, then the stored word, or the other way
// round), so a job killed inside it leaves some bits switched and others not.
bool WordAsLeft(const FileEntry& now, const JournalEntry& j, bool done) {
    const std::uint32_t word = ComparableWord(now, j);
    const std::uint32_t was = j.oldAttributes & ~FILE_ATTRIBUTE_NORMAL;
    const std::uint32_t will = j.newAttributes & ~FILE_ATTRIBUTE_NORMAL;
    if (done)
        return word == will;
    return ((word ^ was) & ~(was ^ will)) == 0;
}

// Whether the entry's times are as the job may have left them: the values
// the job wrote, each the new one (`done`) or either. Only what the job wrote
// and nothing else moves is compared: never the access time (a read moves
// it), never a folder's modified time (a rename inside it moves it, the
// job's own included), the creation time only where the job changed it.
bool TimesAsLeft(const FileEntry& now, const JournalEntry& j, bool done) {
    const auto is = [done](std::int64_t v, std::int64_t oldValue, std::int64_t newValue) {
        return v == newValue || (!done && v == oldValue);
    };
    if (j.newCreated != j.oldCreated && !is(now.created, j.oldCreated, j.newCreated))
        return false;
    return now.IsFolder() || is(now.modified, j.oldModified, j.newModified);
}

// Why the entry is not as the job left it; empty when it is. For a kDone
// entry each value the job wrote must be the one it wrote; for any other
// state (the job failed there, or was killed before or during the entry)
// each may be the old or the new one, the name also a temporary name.
std::wstring ChangedSince(const FileEntry& now, const JournalEntry& j) {
    std::vector<std::wstring> changed;
    const bool done = j.state == JournalState::kDone;
    const bool nameAsLeft =
        !j.rename || now.name == j.newName ||
        (!done && (now.name == j.oldName || (!j.temporary.empty() && now.name == j.temporary) ||
                   IsJobTemporaryName(now.name)));
    if (!nameAsLeft)
        changed.push_back(L"its name (now " + Quoted(now.name) + L")");
    if (j.times && !TimesAsLeft(now, j, done))
        changed.push_back(L"its times (modified now " + FormatDateText(now.modified) + L")");
    if (j.attributes && !WordAsLeft(now, j, done))
        changed.push_back(L"its attributes");
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

// The parts of the state recorded before the job that the undo puts back
// exactly: those the job's steps may have changed (times: both times, and the
// record where it changed the creation time; attributes: the permission bits
// and the record), of which `now` differs.
unsigned ExactParts(const JournalEntry& j, const EntryState& now) {
    const EntryState& was = *j.before;
    unsigned parts = 0;
    if (j.times && (now.modifiedNs != was.modifiedNs || now.accessedNs != was.accessedNs))
        parts |= kStateTimes;
    if (j.attributes && now.mode != was.mode)
        parts |= kStateMode;
    const bool recordTouched = j.attributes || (j.times && j.newCreated != j.oldCreated);
    if (recordTouched && was.recordKept &&
        (now.hasRecord != was.hasRecord || now.record != was.record))
        parts |= kStateRecord;
    return parts;
}

// The word steps an exact step makes needless: where the record is all the
// store keeps, the permission bits and the record put the word back and the
// times put the times back; only compression and encryption still take the
// attribute step.
void LeaveToExact(EntrySteps& s, const FileEntry& restored, const FileEntry& now,
                  const EntryState& was) {
    // Without the record the exact step still puts both times back: only a
    // creation time to put back needs the times step then.
    if (!was.recordKept) {
        s.times = s.times && (restored.created != now.created || (s.exact & kStateTimes) == 0);
        return;
    }
    constexpr std::uint32_t kSwitched = FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED;
    s.attributes = s.attributes && ((restored.attributes ^ now.attributes) & kSwitched) != 0;
    s.times = false;
}

class UndoPlanner {
  public:
    // The journal's found entries give their names up to the plan as they
    // are planned, so the journal and the plan are not held whole side by side.
    UndoPlanner(std::vector<JournalEntry>& entries, FileSystem& fs, JobPlan& plan,
                std::int64_t jobStarted)
        : journal_(entries), fs_(fs), plan_(plan), jobStarted_(jobStarted) {}

    void Plan() {
        if (journal_.empty())
            return;
        // Entries of one folder come together: each run's folder is looked
        // at once.
        std::wstring root = journal_.front().folder;
        for (std::size_t k = 1; k < journal_.size(); ++k) {
            if (journal_[k].folder != journal_[k - 1].folder)
                root = CommonFolder(root, journal_[k].folder);
        }
        if (root.empty())
            return;
        nodes_.push_back(Node{root, {}, {}});
        std::size_t node = 0;
        for (std::size_t k = 0; k < journal_.size(); ++k) {
            if (k == 0 || journal_[k].folder != journal_[k - 1].folder)
                node = NodeOf(journal_[k].folder);
            nodes_[node].entries.push_back(k);
        }

        plan_.roots.push_back(0);
        auto folder = fs_.OpenFolder(root);
        if (!folder) {
            // Jobs recorded before the history kept absolute paths hold the
            // path as it was typed, relative to a folder the undo can't know.
            AddProblem(root, PlannedFolder::kNone, PlannedFolder::kNone,
                       root.front() == kPathSeparator
                           ? fs_.SystemMessage(folder.error().code)
                           : fs_.SystemMessage(folder.error().code) +
                                 L" (the job recorded this folder relative to the folder it was "
                                 L"started in: undo it from that folder)");
            return;
        }
        std::shared_ptr<Folder> open = std::move(*folder);
        Visit(0, *open, root, PlannedFolder::kNone, PlannedFolder::kNone);
        plan_.folders[0].open = std::move(open);
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

    static constexpr std::size_t kUnplaced = static_cast<std::size_t>(-1);

    // One folder's visit: what is listed there now, and the plan's entries
    // as they are made. `position` maps a listed entry to its place in the
    // plan; a listed entry moves into the plan when it is placed.
    struct Visited {
        explicit Visited(SharedPath folder) : path(std::move(folder)) {}

        const SharedPath path;
        FileEntries listed;
        std::unordered_map<FileId, std::size_t, FileIdHash> byId;
        std::vector<std::size_t> position;
        FileEntries current;
        FileEntries updated;
        std::vector<EntrySteps> steps;
        std::vector<std::optional<EntryState>> states;
        std::vector<std::pair<std::size_t, Finding>> known;
        std::vector<const JournalEntry*> gone;
        std::unordered_set<EntryName> claimed;

        std::optional<std::size_t> FoundById(const FileId& id) const {
            if (id == FileId{})
                return std::nullopt;
            const auto it = byId.find(id);
            return it == byId.end() ? std::nullopt : std::optional<std::size_t>(it->second);
        }
        std::size_t Place(std::size_t k) {
            if (position[k] == kUnplaced) {
                position[k] = current.size();
                current.push_back(std::move(listed[k]));
                updated.push_back(current.back());
                steps.emplace_back();
                states.emplace_back();
            }
            return position[k];
        }
        const FileEntry& Listed(std::size_t k) const {
            return position[k] == kUnplaced ? listed[k] : current[position[k]];
        }
    };

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
        Visited v(SharedPath{path});
        v.listed.reserve(records->size());
        for (FindRecord& r : *records) {
            if (r.name == L"." || r.name == L"..")
                continue;
            v.listed.push_back(ListedEntry(v.path, std::move(r)));
        }
        std::vector<FindRecord>().swap(*records);  // the records are in `listed` now
        v.byId.reserve(v.listed.size());
        for (std::size_t k = 0; k < v.listed.size(); ++k) {
            if (v.listed[k].id != FileId{})
                v.byId.emplace(v.listed[k].id, k);
        }
        v.position.assign(v.listed.size(), kUnplaced);
        const auto childAt = ChildrenListed(nodes_[node], v);
        PlaceJournal(nodes_[node], folder, v);
        VisitChildren(node, folder, path, index, childAt, v);
        Conclude(folder, index, v);
    }

    // The folders below, found by their current names before any listed
    // entry moves into the plan: a folder the job renamed by the inode of
    // its journal entry here, any other by its name. One per child, in the
    // children's order.
    std::vector<std::optional<std::size_t>> ChildrenListed(const Node& here, const Visited& v) {
        std::vector<std::optional<std::size_t>> childAt;
        if (here.children.empty())
            return childAt;
        std::unordered_map<std::string_view, std::size_t> byName;
        for (std::size_t k = 0; k < v.listed.size(); ++k)
            byName.emplace(v.listed[k].name.bytes(), k);
        std::unordered_map<std::string_view, std::size_t> renamedChild;
        for (const std::size_t j : here.entries) {
            if (here.children.count(journal_[j].oldName) != 0)
                renamedChild.emplace(journal_[j].oldName.bytes(), j);
        }
        for (const auto& [name, child] : here.children) {
            if (const auto j = renamedChild.find(name.bytes()); j != renamedChild.end()) {
                childAt.push_back(v.FoundById(journal_[j->second].id));
            } else {
                const auto it = byName.find(name.bytes());
                childAt.push_back(it == byName.end() ? std::nullopt
                                                     : std::optional<std::size_t>(it->second));
            }
        }
        return childAt;
    }

    // The journal's entries found here, each with the steps that take it
    // back and, when it is no longer as the job left it, why.
    void PlaceJournal(const Node& here, Folder& folder, Visited& v) {
        v.current.reserve(here.entries.size());
        v.updated.reserve(here.entries.size());
        v.steps.reserve(here.entries.size());
        for (const std::size_t j : here.entries) {
            JournalEntry& entry = journal_[j];
            const auto found = v.FoundById(entry.id);
            if (!found) {
                v.gone.push_back(&entry);
                continue;
            }
            const std::size_t at = v.Place(*found);
            const FileEntry& now = v.current[at];
            // Killed inside a move that claims the new name with a
            // placeholder first: the entry is still under its old name or
            // a temporary one.
            if (entry.rename && entry.state != JournalState::kDone && now.name != entry.newName)
                v.claimed.insert(entry.newName);
            // Worked out while the entry's names are still there.
            std::wstring why = ChangedSince(now, entry);
            FileEntry& restored = v.updated[at];
            Restore(restored, entry);
            entry.newName = EntryName();
            EntrySteps s{restored.name != now.name, !SameWord(restored.attributes, now.attributes),
                         !SameTimes(restored, now.created, now.modified, now.accessed)};
            const unsigned parts = StatePartsChanged(entry.attributes, entry.times,
                                                     entry.newCreated != entry.oldCreated);
            if (entry.before && parts != 0) {
                if (auto state = folder.ReadState(now.name, parts)) {
                    s.exact = ExactParts(entry, *state);
                    LeaveToExact(s, restored, now, *entry.before);
                    if (s.exact != 0)
                        v.states[at] = std::move(entry.before);
                }
            }
            if (!s.any())
                continue;  // already back as it was
            v.steps[at] = s;
            if (!why.empty())
                v.known.emplace_back(at, Finding{FindingKind::kChangedSince, std::move(why)});
        }
    }

    // The folders below, planned before this folder's entries as ApplyPlan
    // applies them.
    void VisitChildren(std::size_t node, Folder& folder, const std::wstring& path,
                       std::size_t index, const std::vector<std::optional<std::size_t>>& childAt,
                       Visited& v) {
        std::size_t c = 0;
        for (const auto& [name, child] : nodes_[node].children) {
            const std::optional<std::size_t> k = childAt[c++];
            const std::size_t before = plan_.folders.size();
            if (!k || !v.Listed(*k).IsFolder()) {
                AddProblem(path + name.wide() + kPathSeparator, index, PlannedFolder::kNone,
                           L"The folder is no longer here.\r\n");
            } else {
                const std::size_t at = v.Place(*k);
                auto sub = folder.OpenFolder(v.current[at].name, v.current[at].id);
                if (sub) {
                    Visit(child, **sub, path + v.current[at].name.wide() + kPathSeparator, index,
                          at);
                } else {
                    AddProblem(path + v.current[at].name.wide() + kPathSeparator, index, at,
                               fs_.SystemMessage(sub.error().code));
                }
                if (plan_.folders[before].problem)
                    v.known.emplace_back(at, Finding{FindingKind::kFolderUnreadable,
                                                     L"This folder could not be read; nothing in "
                                                     L"it will change."});
            }
            plan_.folders[index].subfolders.push_back(before);
        }
    }

    // The names the plan left out (placeholders a killed job left apart),
    // the checks, the entries that are gone, and the plan's counts.
    void Conclude(Folder& folder, std::size_t index, Visited& v) {
        std::vector<EntryName> unlisted;
        std::vector<EntryName> placeholders;
        for (std::size_t k = 0; k < v.listed.size(); ++k) {
            if (v.position[k] != kUnplaced)
                continue;
            // A placeholder goes before the renames: its name is free for them.
            // Made under a name the job claimed (an entry's new name, or a
            // temporary name, whose Aside record may be lost), dated as
            // placed or, killed before it was dated, since the job started.
            const bool dated =
                v.listed[k].modified == kPlaceholderTime || v.listed[k].modified >= jobStarted_;
            const bool claimedName =
                v.claimed.count(v.listed[k].name) != 0 || IsJobTemporaryName(v.listed[k].name);
            if (dated && claimedName)
                placeholders.push_back(std::move(v.listed[k].name));
            else
                unlisted.push_back(std::move(v.listed[k].name));
        }
        PlannedFolder& f = plan_.folders[index];
        f.leftPlaceholders = std::move(placeholders);
        f.placedSince = jobStarted_;
        f.traits = TraitsOfListed(folder, v.current, unlisted);
        f.findings =
            CheckFolder(v.current, v.updated, v.steps, unlisted, f.traits, std::move(v.known));
        AddGone(f, v);
        plan_.entries += static_cast<std::int64_t>(v.current.size());
        for (const EntrySteps& s : v.steps) {
            if (s.any())
                ++plan_.changes;
        }
        for (const auto& [at, finding] : f.findings) {
            if (finding.kind != FindingKind::kFolderUnreadable)
                ++plan_.problems;
        }
        f.current = std::move(v.current);
        f.updated = std::move(v.updated);
        f.steps = std::move(v.steps);
        v.states.resize(f.current.size());
        f.states = std::move(v.states);
    }

    // An entry that is gone is shown under the name the job gave it and
    // left alone; it takes no name from the others' checks.
    void AddGone(PlannedFolder& f, Visited& v) {
        for (const JournalEntry* j : v.gone) {
            FileEntry was;
            was.folderPath = v.path;
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
                v.current.size(),
                Finding{FindingKind::kEntryGone,
                        L"The entry the job changed is no longer in this folder (deleted or "
                        L"moved away)."});
            v.current.push_back(std::move(was));
            v.updated.push_back(std::move(back));
            v.steps.push_back(EntrySteps{j->rename, j->attributes, j->times});
        }
    }

    std::vector<JournalEntry>& journal_;
    FileSystem& fs_;
    JobPlan& plan_;
    const std::int64_t jobStarted_;
    std::vector<Node> nodes_;
};

}  // namespace

bool IsJobTemporaryName(const EntryName& name) {
    const std::string& bytes = name.bytes();
    return bytes.rfind(".torvane-cycle-", 0) == 0 || bytes.rfind(".torvane-move-", 0) == 0;
}

JobPlan BuildUndoPlan(std::vector<JournalEntry>&& entries, FileSystem& fs,
                      std::int64_t jobStarted) {
    JobPlan plan;
    UndoPlanner(entries, fs, plan, jobStarted).Plan();
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
