// The checks of a planned folder's changes: what each entry's change needs
// of its name and its file system, and the names two changes would share or
// that an entry keeping its own holds.
#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "engine/apply_task.hpp"
#include "engine/disk_steps.hpp"
#include "engine/plan.hpp"
#include "platform/date_text.hpp"
#include "platform/file_attributes.hpp"
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

std::wstring UnusableReason(const EntryName& name) {
    if (NameHasReservedCharacter(name))
        return L"The new name holds a reserved character (< > : \" / \\ | ? *).";
    return UnusableReasonOfName(name);
}
}  // namespace

const Finding* PlannedFolder::FindingAt(std::size_t position) const {
    const auto it = std::lower_bound(findings.begin(), findings.end(), position,
                                     [](const auto& f, std::size_t p) { return f.first < p; });
    return it != findings.end() && it->first == position ? &it->second : nullptr;
}

std::string NameKey(const EntryName& name, bool foldsCase) {
    return foldsCase ? AsciiLower(name.bytes()) : name.bytes();
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
                            const std::vector<EntryName>& unlistedNames) {
    const auto swapped = [](const EntryName& name) {
        std::string bytes = name.bytes();
        for (char& c : bytes) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            else if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return EntryName::FromBytes(std::move(bytes));
    };
    const auto holds = [&](const EntryName& name) {
        return std::any_of(current.begin(), current.end(),
                           [&](const FileEntry& e) { return e.name == name; }) ||
               std::find(unlistedNames.begin(), unlistedNames.end(), name) != unlistedNames.end();
    };
    // A few candidates are enough: a name whose other-case form is taken
    // too is rare.
    int tried = 0;
    const auto usable = [&](const EntryName& name) {
        const EntryName other = swapped(name);
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
    return folder.Traits(EntryName());
}

namespace {

// The checks of one folder, stage by stage: each entry on its own, then two
// entries given one name, then names taken by entries that keep theirs.
class FolderCheck {
  public:
    FolderCheck(const FileEntries& current, const FileEntries& updated,
                const std::vector<EntrySteps>& steps, const std::vector<EntryName>& unlisted,
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
                    Block(UnlistedKey(u), Quoted(unlisted_[u].wide()) + L" (not listed)");
            }
            for (std::size_t i = 0; i < n_; ++i) {
                if (!Moves(i) && target_.count(CurrentKey(i)) != 0)
                    Block(CurrentKey(i), Quoted(current_[i].name.wide()));
            }
        }
        while (!keeping_.empty()) {
            const std::size_t i = keeping_.back();
            keeping_.pop_back();
            Block(CurrentKey(i), Quoted(current_[i].name.wide()));
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
        return Finding{FindingKind::kDuplicateName, Quoted(updated_[i].name.wide()) +
                                                        L" is also the new name of " +
                                                        Quoted(current_[other].name.wide()) + L"."};
    }

    void Block(std::string_view key, const std::wstring& holder) {
        const auto it = target_.find(key);
        if (it == target_.end())
            return;
        const std::size_t i = it->second;
        target_.erase(it);
        found_[i] =
            Finding{FindingKind::kNameTaken, Quoted(updated_[i].name.wide()) + L" is taken by " +
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
            folded_.push_back(AsciiLower(current_[i].name.bytes()));
            folded_.push_back(AsciiLower(updated_[i].name.bytes()));
        }
        for (const auto& name : unlisted_)
            folded_.push_back(AsciiLower(name.bytes()));
    }
    std::string_view CurrentKey(std::size_t i) const {
        return traits_.foldsCase ? std::string_view(folded_[2 * i]) : current_[i].name.bytes();
    }
    std::string_view NewKey(std::size_t i) const {
        return traits_.foldsCase ? std::string_view(folded_[2 * i + 1]) : updated_[i].name.bytes();
    }
    std::string_view UnlistedKey(std::size_t u) const {
        return traits_.foldsCase ? std::string_view(folded_[2 * n_ + u]) : unlisted_[u].bytes();
    }

    const FileEntries& current_;
    const FileEntries& updated_;
    const std::vector<EntrySteps>& steps_;
    const std::vector<EntryName>& unlisted_;
    const FolderTraits& traits_;
    const std::size_t n_;
    std::vector<std::optional<Finding>> found_;
    std::vector<std::string> folded_;
    std::unordered_map<std::string_view, std::size_t>
        target_;                        // new name -> the entry moving there
    std::vector<std::size_t> keeping_;  // entries found to keep their names, still to look at
};

}  // namespace

std::vector<std::pair<std::size_t, Finding>> CheckFolder(
    const FileEntries& current, const FileEntries& updated, const std::vector<EntrySteps>& steps,
    const std::vector<EntryName>& unlistedNames, const FolderTraits& traits,
    std::vector<std::pair<std::size_t, Finding>> known) {
    FolderCheck check(current, updated, steps, unlistedNames, traits);
    check.Known(std::move(known));
    check.EachEntry();
    check.SameNewNames();
    check.NamesTaken();
    return check.Findings();
}

}  // namespace torvane
