#include "engine/disk_steps.hpp"

#include <climits>
#include <memory>
#include <optional>

#include "platform/file_attributes.hpp"
#include "platform/name_limit.hpp"
#include "platform/system_error.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kReservedCharacters = L"<>:\"/\\|?*";
constexpr std::wstring_view kReservedMessage =
    L"File name contain invalid character(s). The following characters are reserved and "
    L"cannot be use in filename: < > : \" / \\ | ? *";
constexpr std::wstring_view kNotBothMessage =
    L"Can only set compression attribute or encryption attribute, but not both.";

constexpr std::uint32_t kReadOnlyOrSystem = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;

bool IsCompressed(std::uint32_t word) {
    return (word & FILE_ATTRIBUTE_COMPRESSED) != 0;
}
bool IsEncrypted(std::uint32_t word) {
    return (word & FILE_ATTRIBUTE_ENCRYPTED) != 0;
}

void Fail(std::wstring_view prefix, const std::wstring& path, std::wstring_view message,
          EntryStepState& state, JobResult& result) {
    result.log.push_back(ErrorLogLine(prefix, path, message));
    state.failed = true;
}

}  // namespace

bool HasReservedCharacter(std::wstring_view name) {
    return name.find_first_of(kReservedCharacters) != std::wstring_view::npos;
}

bool NameHasReservedCharacter(const EntryName& name) {
    // The reserved characters are ASCII, and no byte of a longer UTF-8
    // sequence is ASCII.
    return name.bytes().find_first_of("<>:\"/\\|?*") != std::string::npos;
}

std::wstring UnusableNameReason(std::wstring_view name) {
    if (name.empty())
        return L"The new file name is empty.";
    if (name == L"." || name == L"..")
        return L"The new file name \"" + std::wstring(name) +
               L"\" is reserved for folder navigation.";
    if (name.find(L'\0') != std::wstring_view::npos)
        return L"The new file name contains a null character.";
    if (NameOverLimit(name))
        return L"The new file name is longer than the file system allows (" +
               std::to_wstring(kNameLimit) + L" " + kNameLimitUnit + L").";
    return {};
}

std::wstring UnusableReasonOfName(const EntryName& name) {
    // A name within the limit in bytes is within it in UTF-16 units too.
    const std::string& bytes = name.bytes();
    if (!bytes.empty() && !name.IsDotOrDotDot() && bytes.find('\0') == std::string::npos &&
        bytes.size() <= kNameLimit)
        return {};
    return UnusableNameReason(name.wide());
}

// The message of a failed step: the system's text for the error, and the
// error's own text below it where the call said more than the error number
// does ("Hidden can't be stored on this exFAT volume.").
std::wstring StepMessage(FileSystem& fs, const SystemError& error) {
    std::wstring message = fs.SystemMessage(error.code);
    if (!error.text.empty() && error.text != ErrnoText(error.code))
        message += error.text + L"\r\n";
    if (!error.detail.empty())
        message += error.detail + L"\r\n";
    return message;
}

bool RenameStep(const StepTarget& at, const FileEntry& current, const FileEntry& updated,
                EntryStepState& state, JobResult& result) {
    const std::wstring from = current.FullPath();
    // A reserved character would either fail or, for a separator, move the
    // entry into another folder: the move is never attempted.
    if (NameHasReservedCharacter(updated.name)) {
        Fail(kErrorRenamingFile, from, kReservedMessage, state, result);
        return false;
    }
    if (const auto reason = UnusableReasonOfName(updated.name); !reason.empty()) {
        Fail(kErrorRenamingFile, from, reason, state, result);
        return false;
    }
    const auto moved = at.folder.Move(current.name, updated.name);
    if (!moved.ok()) {
        // Where a failed move left the entry under another name, the line says so.
        const auto& error = moved.error();
        const std::wstring where = error.detail.empty() ? L"" : error.detail + L"\r\n";
        Fail(kErrorRenamingFile, from, at.fs.SystemMessage(error.code) + where, state, result);
        return false;
    }
    return true;
}

void SetCompression(const StepTarget& at, const FileEntry& entry, bool on, EntryStepState& state,
                    JobResult& result) {
    const std::wstring path = entry.FullPath();
    FileSystem& fs = at.fs;
    auto handle = at.folder.Open(entry.name);
    if (!handle.ok()) {
        Fail(kErrorChangingCompression, path, fs.SystemMessage(handle.error().code), state, result);
        return;
    }
    if (const auto set = (*handle)->SetCompression(on); !set.ok())
        Fail(kErrorChangingCompression, path, fs.SystemMessage(set.error().code), state, result);
}

void AttributeStep(const StepTarget& at, const FileEntry& current, const FileEntry& updated,
                   EntryStepState& state, JobResult& result) {
    const std::wstring path = updated.FullPath();
    const EntryName& name = updated.name;
    Folder& folder = at.folder;
    const std::uint32_t now = current.attributes;
    const std::uint32_t next = updated.attributes;
    auto systemText = [&](const SystemError& e) { return StepMessage(at.fs, e); };

    // Compression and encryption are switched with Read-only and System off,
    // as Windows requires; without either of them to switch, or without
    // Read-only or System to take off, the final word is all there is to
    // write. Taking Read-only off for nothing would give a read-only file
    // write permission that the final word then takes from everyone.
    const bool switches =
        IsCompressed(now) != IsCompressed(next) || IsEncrypted(now) != IsEncrypted(next);
    if (switches && (now & kReadOnlyOrSystem) != 0) {
        if (const auto writable = folder.SetAttributes(name, now & ~kReadOnlyOrSystem);
            !writable.ok())
            Fail(kErrorChangingFileAttributes, path, systemText(writable.error()), state, result);
    }

    if (IsCompressed(next) && !IsCompressed(now) && !state.failed) {
        if (IsEncrypted(now) && IsEncrypted(next)) {
            Fail(kErrorSettingCompression, path, kNotBothMessage, state, result);
        } else if (IsEncrypted(now)) {
            if (const auto d = folder.Decrypt(name); !d.ok()) {
                Fail(kErrorRemovingEncryption, path, systemText(d.error()), state, result);
            } else {
                SetCompression(at, updated, true, state, result);
            }
        } else {
            SetCompression(at, updated, true, state, result);
        }
    } else if (!IsCompressed(next) && IsCompressed(now) && !state.failed) {
        SetCompression(at, updated, false, state, result);
    }

    if (IsEncrypted(next) && !IsEncrypted(now) && !state.failed) {
        if (IsCompressed(now) && IsCompressed(next)) {
            Fail(kErrorSettingEncryption, path, kNotBothMessage, state, result);
        } else if (const auto e = folder.Encrypt(name); !e.ok()) {
            Fail(kErrorSettingEncryption, path, systemText(e.error()), state, result);
        }
    } else if (!IsEncrypted(next) && IsEncrypted(now) && !state.failed) {
        if (const auto d = folder.Decrypt(name); !d.ok())
            Fail(kErrorRemovingEncryption, path, systemText(d.error()), state, result);
    }

    // The final word is set in every case, so Read-only and System come back.
    if (const auto set = folder.SetAttributes(name, next); !set.ok())
        Fail(kErrorSettingFileAttributes, path, systemText(set.error()), state, result);
}

void TimestampStep(const StepTarget& at, const FileEntry& current, const FileEntry& updated,
                   EntryStepState& state, JobResult& result) {
    // Setting times needs the entry's ownership, not permission to write it,
    // so nothing else of the entry is touched: a read-only file stays as it
    // is throughout. An unchanged creation time is not written (on Linux it
    // would cost a read of the stored word).
    const std::wstring path = updated.FullPath();
    FileSystem& fs = at.fs;
    const auto created =
        updated.created != current.created ? std::optional(updated.created) : std::nullopt;
    if (auto handle = at.folder.Open(updated.name); !handle.ok()) {
        Fail(kErrorChangingTimestamp, path, fs.SystemMessage(handle.error().code), state, result);
    } else if (const auto set = (*handle)->SetTimes(created, updated.accessed, updated.modified);
               !set.ok()) {
        Fail(kErrorChangingTimestamp, path, StepMessage(fs, set.error()), state, result);
    }
}

namespace {

// Puts back what the failed entry's earlier steps changed (see
// StepsOnceNamed) and adds to the failure's log line, the last one, what
// was put back or what stayed changed.
void PutEntryBack(const StepTarget& at, const FileEntry& current, const FileEntry& updated,
                  EntryMemo* memo, bool renamed, EntryStepState& state, JobResult& result) {
    std::wstring stayed;
    bool putBack = false;
    if (memo != nullptr) {
        if (auto back = memo->PutBack(); !back.ok()) {
            const auto& error = back.error();
            stayed += error.detail.empty()
                          ? L"Its other changes could not be put back: " + error.text + L".\r\n"
                          : error.detail + L"\r\n";
        } else {
            putBack = *back;
        }
    }
    if (renamed) {
        if (at.folder.Move(updated.name, current.name).ok()) {
            state.renameUndone = true;
            putBack = true;
        } else {
            stayed += L"Stayed changed: the name (now " + updated.name.wide() + L").\r\n";
        }
    }
    if (stayed.empty() && !putBack)
        return;
    result.log.back() +=
        stayed.empty() ? std::wstring(L"The entry's earlier changes were put back.\r\n") : stayed;
}

// Whether the entry's attribute and time steps may make more than one call
// that writes. Folder::SetAttributes and FileHandle::SetTimes each put back
// what they wrote when they fail, so one such call needs nothing remembered;
// only the attribute step with a switch of compression or encryption (which
// takes Read-only and System off first), or both steps, can fail part way.
bool WritesMoreThanOnce(const FileEntry& current, const FileEntry& updated,
                        const StepsAfterRename& steps) {
    if (!steps.attributes)
        return false;
    const std::uint32_t now = current.attributes;
    const std::uint32_t next = updated.attributes;
    return steps.times || IsCompressed(now) != IsCompressed(next) ||
           IsEncrypted(now) != IsEncrypted(next);
}

}  // namespace

void StepsOnceNamed(const StepTarget& at, const FileEntry& current, const FileEntry& updated,
                    const StepsAfterRename& steps, EntryStepState& state, JobResult& result) {
    // Remembering costs a read of the entry and its stored record: it is
    // taken only where a failed step could leave another one's write behind.
    std::unique_ptr<EntryMemo> memo;
    if (WritesMoreThanOnce(current, updated, steps)) {
        auto remembered = at.folder.Remember(updated.name);
        if (remembered.ok())
            memo = std::move(*remembered);
        else
            Fail(steps.attributes ? kErrorChangingFileAttributes : kErrorChangingTimestamp,
                 updated.FullPath(), StepMessage(at.fs, remembered.error()), state, result);
    }
    if (steps.attributes && !state.failed)
        AttributeStep(at, current, updated, state, result);
    if (steps.times && !state.failed)
        TimestampStep(at, current, updated, state, result);
    if (state.failed)
        PutEntryBack(at, current, updated, memo.get(), steps.renamed, state, result);
}

void ExactStep(const StepTarget& at, const FileEntry& updated, const EntryState& before,
               unsigned parts, EntryStepState& state, JobResult& result) {
    if (const auto put = at.folder.RestoreState(updated.name, before, parts); !put.ok())
        Fail(kErrorChangingFileAttributes, updated.FullPath(), StepMessage(at.fs, put.error()),
             state, result);
}

}  // namespace torvane
