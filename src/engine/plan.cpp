// Building a job's plan: the walk that lists and computes every folder once,
// and the checks of each folder's changes.
#include "engine/plan.hpp"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <string_view>
#include <unordered_map>

#include "engine/apply_task.hpp"
#include "engine/disk_steps.hpp"
#include "filelist/list_path.hpp"
#include "platform/date_text.hpp"
#include "platform/file_attributes.hpp"
#include "platform/progress.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

bool Switches(std::uint32_t before, std::uint32_t after, std::uint32_t bit) {
    return ((before ^ after) & bit) != 0;
}

std::wstring Quoted(std::wstring_view name) {
    return L"\"" + std::wstring(name) + L"\"";
}

// Why the change can't be made on this file system; empty when it can.
std::wstring CannotApplyReason(const FileEntry& current, const FileEntry& updated,
                               const EntrySteps& steps, const FolderTraits& traits) {
    const std::uint32_t before = current.attributes;
    const std::uint32_t after = updated.attributes;
    if (steps.attributes) {
        if ((before & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return L"A symbolic link has no attributes of its own to change.";
        if (Switches(before, after, FILE_ATTRIBUTE_ENCRYPTED))
            return L"Linux can't encrypt or decrypt an existing entry.";
        if (Switches(before, after, FILE_ATTRIBUTE_COMPRESSED) && !traits.compresses)
            return L"This file system can't compress entries.";
        for (const std::uint32_t bit :
             {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
              FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_TEMPORARY,
              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED}) {
            if ((traits.storedAttributes & bit) == 0 && Switches(before, after, bit))
                return CannotStoreMessage(bit, traits.volume);
        }
    }
    if (steps.times) {
        if (current.created != updated.created && !traits.storesCreationTime)
            return CannotStoreMessage(0, traits.volume);
        for (const auto& [was, will] : {std::pair{current.created, updated.created},
                                        std::pair{current.modified, updated.modified},
                                        std::pair{current.accessed, updated.accessed}}) {
            if (was != will && (will < traits.earliestTime || will > traits.latestTime))
                return L"This file system can't store the time " + FormatDateText(will) + L".";
        }
    }
    return {};
}

std::wstring UnusableReason(const std::wstring& name) {
    if (HasReservedCharacter(name))
        return L"The new name holds a reserved character (< > : \" / \\ | ? *).";
    return UnusableNameReason(name);
}

// What the plan's listing and computing say, kept as the plan's messages
// instead of being shown: the plan is built on a worker that shows nothing.
// A question is answered No.
class MessageCollector : public Dialogs {
  public:
    explicit MessageCollector(std::vector<PlanMessage>& out) : out_(out) {}

    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageIcon icon, MessageButtons buttons) override {
        return ShowMessageText(MessageText(text), caption, icon, buttons);
    }
    MessageAnswer ShowMessageText(const MessageText& text, const std::wstring& caption,
                                  MessageIcon icon, MessageButtons buttons) override {
        const std::wstring plain = text.Plain();
        const bool known = std::any_of(out_.begin(), out_.end(), [&](const PlanMessage& m) {
            return m.caption == caption && m.text.Plain() == plain;
        });
        if (!known)
            out_.push_back(PlanMessage{text, caption, icon});
        return buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kNo;
    }

  private:
    std::vector<PlanMessage>& out_;
};

// The plan's walk.
class Planner {
  public:
    Planner(const JobSettings& settings, FileSystem& fs, PlanObserver* observer, JobPlan& plan)
        : settings_(settings), fs_(fs), dialogs_(plan.messages), observer_(observer), plan_(plan) {}

    void PlanRoots(JobRoots& roots) {
        plan_.rootIsFile = roots.singleFile;
        plan_.repeats = std::move(roots.repeats);
        for (const RootProblem& problem : roots.problems) {
            dialogs_.ShowMessageText(L"Error!  " + Outside(problem.path) + L"\n" + problem.message,
                                     L"Error", MessageIcon::kError, MessageButtons::kOk);
            plan_.roots.push_back(
                AddUnreadable(problem.path, PlannedFolder::kNone, PlannedFolder::kNone,
                              ErrorLogLine(kErrorReadingDirectory, problem.path, problem.message)));
        }
        for (JobRoot& root : roots.roots) {
            if (plan_.cancelled)
                return;
            const std::size_t index = plan_.folders.size();
            PlanFolder(*root.folder, root.path, root.files, PlannedFolder::kNone,
                       PlannedFolder::kNone);
            if (index < plan_.folders.size()) {
                plan_.folders[index].open = std::move(root.folder);
                plan_.roots.push_back(index);
            }
        }
    }

  private:
    ListContext Listing(std::vector<std::wstring>* unlisted) {
        ListContext listing{fs_, dialogs_, noProgress_};
        listing.options = settings_.listOptions;
        listing.attributeTarget = settings_.engine.attributeTarget;
        listing.unlistedNames = unlisted;
        return listing;
    }

    std::size_t AddUnreadable(const std::wstring& path, std::size_t parent, std::size_t parentEntry,
                              std::wstring logLine) {
        PlannedFolder folder;
        folder.path = path;
        folder.parent = parent;
        folder.parentEntry = parentEntry;
        folder.problem = std::move(logLine);
        plan_.folders.push_back(std::move(folder));
        ++plan_.problems;
        return plan_.folders.size() - 1;
    }

    // Lists, computes, walks below and checks one folder. `files`, when not
    // empty, are the only entries listed (the files given of a root's folder).
    void PlanFolder(Folder& folder, const std::wstring& path,
                    const std::vector<std::wstring>& files, std::size_t parent,
                    std::size_t parentEntry) {
        if (observer_ != nullptr && observer_->CancelRequested()) {
            plan_.cancelled = true;
            return;
        }
        const std::size_t index = plan_.folders.size();
        {
            PlannedFolder planned;
            planned.path = path;
            planned.id = folder.id();
            planned.parent = parent;
            planned.parentEntry = parentEntry;
            plan_.folders.push_back(std::move(planned));
        }
        std::vector<std::wstring> unlisted;
        FileEntries current;
        FileEntries updated;
        std::vector<std::pair<std::size_t, Finding>> fieldFindings;
        if (!List(folder, path, files, current, unlisted)) {
            return;
        } else if (observer_ != nullptr && observer_->CancelRequested()) {
            // A large folder's listing takes a while: a cancel asked meanwhile
            // is taken before its new values are computed.
            plan_.cancelled = true;
            return;
        } else if (!Compute(path, current, updated, fieldFindings)) {
            return;
        }
        updated.resize(current.size());
        plan_.entries += static_cast<std::int64_t>(current.size());

        std::vector<EntrySteps> steps(current.size());
        for (std::size_t i = 0; i < current.size(); ++i)
            steps[i] = StepsFor(current[i], updated[i], settings_.engine);

        PlannedFolder& planned = plan_.folders[index];
        planned.traits = TraitsOfListed(folder, current, unlisted);
        planned.current = std::move(current);
        planned.updated = std::move(updated);
        planned.steps = std::move(steps);
        if (observer_ != nullptr)
            observer_->FolderPlanned(plan_.entries);

        WalkBelowAndCheck(folder, index, unlisted, std::move(fieldFindings));
    }

    // Below first: a folder that can't be read makes its entry a problem,
    // which the checks then count as an entry that keeps its name.
    void WalkBelowAndCheck(Folder& folder, std::size_t index,
                           const std::vector<std::wstring>& unlisted,
                           std::vector<std::pair<std::size_t, Finding>> found) {
        for (std::size_t i = 0; i < plan_.folders[index].current.size(); ++i) {
            if (auto reason = Descend(folder, index, i))
                found.emplace_back(i, Finding{FindingKind::kFolderUnreadable, std::move(*reason)});
        }
        PlannedFolder& checked = plan_.folders[index];
        auto findings = CheckFolder(checked.current, checked.updated, checked.steps, unlisted,
                                    checked.traits, std::move(found));
        for (const auto& [i, finding] : findings) {
            if (finding.kind != FindingKind::kFolderUnreadable)
                ++plan_.problems;  // an unreadable folder counted itself
        }
        checked.findings = std::move(findings);
        for (std::size_t i = 0; i < checked.steps.size(); ++i) {
            if (checked.steps[i].any())
                ++plan_.changes;
        }
    }

    bool List(Folder& folder, const std::wstring& path, const std::vector<std::wstring>& files,
              FileEntries& current, std::vector<std::wstring>& unlisted) {
        const auto listing = Listing(&unlisted);
        // A listing that fails has said so already.
        const auto result = files.empty() ? ListFolder(listing, folder, current)
                                          : ListNamed(listing, folder, files, current);
        if (result.ok())
            return true;
        MarkUnreadable(
            ErrorLogLine(kErrorReadingDirectory, path, fs_.SystemMessage(result.error().code)));
        return false;
    }

    // The folder just added to the plan can't be used: its problem is set.
    void MarkUnreadable(std::wstring logLine) {
        plan_.folders.back().problem = std::move(logLine);
        ++plan_.problems;
    }

    // `fieldFindings` gets the entries left alone for a field without a value.
    bool Compute(const std::wstring& path, const FileEntries& current, FileEntries& updated,
                 std::vector<std::pair<std::size_t, Finding>>& fieldFindings) {
        const ApplyContext context{engine_, dialogs_, ApplyMode::JobMode, {}};
        NewEntries computed;
        try {
            computed = ComputeNewEntries(current, settings_.tasks, context);
        } catch (const std::exception& e) {
            dialogs_.ShowMessageText(L"Error processing directory " + Outside(path) + L":\n" +
                                         Outside(FromUtf8(e.what())),
                                     L"Error", MessageIcon::kError, MessageButtons::kOk);
            computed.result = TaskResult::Failed;
        }
        // An invalid pattern leaves the folder unchanged too; it is reported
        // so that a job never reports success for work it did not do.
        if (computed.result == TaskResult::Ok) {
            updated = std::move(computed.entries);
            fieldFindings = MissingFieldFindings(current, computed.misses);
            return true;
        }
        MarkUnreadable(std::wstring(kErrorProcessingDirectory) + path);
        return false;
    }

    // Plans the folder below entry `position` of folder `index` when
    // subfolders are included, entering it from its parent by name, never
    // through a symbolic link, and only while the name holds the folder that
    // was listed. Returns why, when the folder below can't be planned.
    // A folder's state is kept before the plan lists it: listing it moves
    // its access time, which the journal must have as it was before the job.
    void KeepStateBeforeListing(Folder& parent, std::size_t index, std::size_t position) {
        PlannedFolder& f = plan_.folders[index];
        auto state = parent.ReadState(f.current[position].name);
        if (!state)
            return;
        f.listedStates.resize(f.current.size());
        f.listedStates[position] = std::move(*state);
    }

    std::optional<std::wstring> Descend(Folder& parent, std::size_t index, std::size_t position) {
        const FileEntry& entry = plan_.folders[index].current[position];
        if (!entry.IsFolder() || !settings_.listOptions.includeSubfolders ||
            (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || plan_.cancelled)
            return std::nullopt;
        const std::wstring path = entry.FullPath() + kPathSeparator;
        KeepStateBeforeListing(parent, index, position);
        auto folder = parent.OpenFolder(entry.name, entry.id);
        const std::size_t child = plan_.folders.size();
        if (folder) {
            PlanFolder(**folder, path, {}, index, position);
        } else if (const int code = folder.error().code;
                   code == kFolderReplaced || code == ENOTDIR) {
            AddUnreadable(path, index, position,
                          ErrorLogLine(kErrorReadingDirectory, path, kFolderReplacedMessage));
        } else {
            ShowListingError(Listing(nullptr), folder.error());
            AddUnreadable(path, index, position,
                          ErrorLogLine(kErrorReadingDirectory, path, fs_.SystemMessage(code)));
        }
        if (child >= plan_.folders.size())
            return std::nullopt;  // cancelled before it was listed
        plan_.folders[index].subfolders.push_back(child);
        const auto& problem = plan_.folders[child].problem;
        if (!problem)
            return std::nullopt;
        if (problem->rfind(kErrorProcessingDirectory, 0) == 0)
            return L"The new values of the entries in this folder could not be computed; "
                   L"nothing in it will change.";
        return L"This folder could not be read; nothing in it will change.";
    }

    const JobSettings& settings_;
    const EngineSettings engine_ = WithJobBudget(settings_.engine);  // one budget for the job
    FileSystem& fs_;
    MessageCollector dialogs_;
    PlanObserver* observer_;
    JobPlan& plan_;
    NoProgress noProgress_;
};

}  // namespace

const Finding* PlannedFolder::FindingAt(std::size_t position) const {
    const auto it = std::lower_bound(findings.begin(), findings.end(), position,
                                     [](const auto& f, std::size_t p) { return f.first < p; });
    return it != findings.end() && it->first == position ? &it->second : nullptr;
}

std::wstring NameKey(const std::wstring& name, bool foldsCase) {
    return foldsCase ? AsciiLower(name) : name;
}

EntrySteps StepsFor(const FileEntry& current, const FileEntry& updated,
                    const EngineSettings& settings) {
    EntrySteps steps;
    if (PassedOver(current, settings))
        return steps;
    steps.rename = updated.name != current.name;
    steps.attributes = updated.attributes != current.attributes;
    steps.times = updated.created != current.created || updated.modified != current.modified ||
                  updated.accessed != current.accessed;
    return steps;
}

FolderTraits TraitsOfListed(Folder& folder, const FileEntries& current,
                            const std::vector<std::wstring>& unlistedNames) {
    const auto swapped = [](std::wstring name) {
        for (wchar_t& c : name) {
            if (c >= L'a' && c <= L'z')
                c = static_cast<wchar_t>(c - L'a' + L'A');
            else if (c >= L'A' && c <= L'Z')
                c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        return name;
    };
    const auto holds = [&](const std::wstring& name) {
        return std::any_of(current.begin(), current.end(),
                           [&](const FileEntry& e) { return e.name == name; }) ||
               std::find(unlistedNames.begin(), unlistedNames.end(), name) != unlistedNames.end();
    };
    // A few candidates are enough: a name whose other-case form is taken
    // too is rare.
    int tried = 0;
    const auto usable = [&](const std::wstring& name) {
        const std::wstring other = swapped(name);
        return other != name && ++tried <= 4 && !holds(other);
    };
    for (const auto& entry : current) {
        if (usable(entry.name))
            return folder.Traits(entry.name);
        if (tried > 4)
            break;
    }
    for (const auto& name : unlistedNames) {
        if (tried <= 4 && usable(name))
            return folder.Traits(name);
    }
    return folder.Traits(L"");
}

namespace {

// The checks of one folder, stage by stage: each entry on its own, then two
// entries given one name, then names taken by entries that keep theirs.
class FolderCheck {
  public:
    FolderCheck(const FileEntries& current, const FileEntries& updated,
                const std::vector<EntrySteps>& steps, const std::vector<std::wstring>& unlisted,
                const FolderTraits& traits)
        : current_(current),
          updated_(updated),
          steps_(steps),
          unlisted_(unlisted),
          traits_(traits),
          n_(std::min({current.size(), updated.size(), steps.size()})),
          found_(n_) {}

    void Known(std::vector<std::pair<std::size_t, Finding>> known) {
        for (auto& [i, finding] : known) {
            if (i < n_ && !found_[i])
                found_[i] = std::move(finding);
        }
    }

    void EachEntry() {
        for (std::size_t i = 0; i < n_; ++i) {
            if (found_[i] || !steps_[i].any())
                continue;
            if (steps_[i].rename) {
                if (auto reason = UnusableReason(updated_[i].name); !reason.empty()) {
                    found_[i] = Finding{FindingKind::kUnusableName, std::move(reason)};
                    continue;
                }
            }
            if (auto reason = CannotApplyReason(current_[i], updated_[i], steps_[i], traits_);
                !reason.empty())
                found_[i] = Finding{FindingKind::kCannotApply, std::move(reason)};
        }
        FoldNames();
    }

    // Two entries given one name: both keep theirs.
    void SameNewNames() {
        for (std::size_t i = 0; i < n_; ++i) {
            if (!Moves(i))
                continue;
            const auto [it, added] = target_.emplace(NewKey(i), i);
            if (added)
                continue;
            const std::size_t other = it->second;
            found_[i] = Duplicate(i, other);
            if (!found_[other] || found_[other]->kind != FindingKind::kDuplicateName)
                found_[other] = Duplicate(other, i);
        }
        for (auto it = target_.begin(); it != target_.end();)
            it = found_[it->second] ? target_.erase(it) : std::next(it);
    }

    // Every name that stays where it is blocks the entry moving into it; that
    // entry then keeps its own name, which may block the next one.
    void NamesTaken() {
        if (!target_.empty()) {
            for (std::size_t u = 0; u < unlisted_.size(); ++u) {
                if (target_.count(UnlistedKey(u)) != 0)
                    Block(UnlistedKey(u), Quoted(unlisted_[u]) + L" (not listed)");
            }
            for (std::size_t i = 0; i < n_; ++i) {
                if (!Moves(i) && target_.count(CurrentKey(i)) != 0)
                    Block(CurrentKey(i), Quoted(current_[i].name));
            }
        }
        while (!keeping_.empty()) {
            const std::size_t i = keeping_.back();
            keeping_.pop_back();
            Block(CurrentKey(i), Quoted(current_[i].name));
        }
    }

    std::vector<std::pair<std::size_t, Finding>> Findings() {
        std::vector<std::pair<std::size_t, Finding>> findings;
        for (std::size_t i = 0; i < n_; ++i) {
            if (found_[i])
                findings.emplace_back(i, std::move(*found_[i]));
        }
        return findings;
    }

  private:
    bool Moves(std::size_t i) const { return steps_[i].rename && !found_[i]; }

    Finding Duplicate(std::size_t i, std::size_t other) const {
        return Finding{FindingKind::kDuplicateName, Quoted(updated_[i].name) +
                                                        L" is also the new name of " +
                                                        Quoted(current_[other].name) + L"."};
    }

    void Block(std::wstring_view key, const std::wstring& holder) {
        const auto it = target_.find(key);
        if (it == target_.end())
            return;
        const std::size_t i = it->second;
        target_.erase(it);
        found_[i] = Finding{FindingKind::kNameTaken, Quoted(updated_[i].name) + L" is taken by " +
                                                         holder + L", which keeps its name."};
        keeping_.push_back(i);
    }

    // Names are compared through keys that point into the entries' own
    // names, or into their lower-case copies where the folder folds case.
    void FoldNames() {
        if (!traits_.foldsCase)
            return;
        folded_.reserve(2 * n_ + unlisted_.size());
        for (std::size_t i = 0; i < n_; ++i) {
            folded_.push_back(AsciiLower(current_[i].name));
            folded_.push_back(AsciiLower(updated_[i].name));
        }
        for (const auto& name : unlisted_)
            folded_.push_back(AsciiLower(name));
    }
    std::wstring_view CurrentKey(std::size_t i) const {
        return traits_.foldsCase ? std::wstring_view(folded_[2 * i]) : current_[i].name;
    }
    std::wstring_view NewKey(std::size_t i) const {
        return traits_.foldsCase ? std::wstring_view(folded_[2 * i + 1]) : updated_[i].name;
    }
    std::wstring_view UnlistedKey(std::size_t u) const {
        return traits_.foldsCase ? std::wstring_view(folded_[2 * n_ + u]) : unlisted_[u];
    }

    const FileEntries& current_;
    const FileEntries& updated_;
    const std::vector<EntrySteps>& steps_;
    const std::vector<std::wstring>& unlisted_;
    const FolderTraits& traits_;
    const std::size_t n_;
    std::vector<std::optional<Finding>> found_;
    std::vector<std::wstring> folded_;
    std::unordered_map<std::wstring_view, std::size_t>
        target_;                        // new name -> the entry moving there
    std::vector<std::size_t> keeping_;  // entries found to keep their names, still to look at
};

}  // namespace

std::vector<std::pair<std::size_t, Finding>> CheckFolder(
    const FileEntries& current, const FileEntries& updated, const std::vector<EntrySteps>& steps,
    const std::vector<std::wstring>& unlistedNames, const FolderTraits& traits,
    std::vector<std::pair<std::size_t, Finding>> known) {
    FolderCheck check(current, updated, steps, unlistedNames, traits);
    check.Known(std::move(known));
    check.EachEntry();
    check.SameNewNames();
    check.NamesTaken();
    return check.Findings();
}

JobPlan BuildPlan(const JobSettings& settings, JobRoots roots, FileSystem& fs,
                  PlanObserver* observer) {
    JobPlan plan;
    InitializeMetadataReaders();  // before any thread reads a file's metadata
    Planner(settings, fs, observer, plan).PlanRoots(roots);
    return plan;
}

bool TasksRejected(const JobPlan& plan) {
    return std::any_of(plan.folders.begin(), plan.folders.end(), [](const PlannedFolder& f) {
        return f.problem && f.problem->rfind(kErrorProcessingDirectory, 0) == 0;
    });
}

JobPlan PlanJob(const JobSettings& settings, FileSystem& fs, PlanObserver* observer) {
    return BuildPlan(settings,
                     OpenRoots(fs, settings.paths, settings.listOptions.includeSubfolders), fs,
                     observer);
}

std::wstring PlanCountText(std::int64_t changes, std::int64_t problems) {
    return std::to_wstring(changes) + (changes == 1 ? L" change, " : L" changes, ") +
           std::to_wstring(problems) + (problems == 1 ? L" problem" : L" problems");
}

}  // namespace torvane
