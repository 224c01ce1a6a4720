#include "history/entry_packs.hpp"

#include <cstdint>
#include <optional>

#include "history/history_rows.hpp"
#include "platform/text.hpp"

namespace torvane::history {

namespace {

// What an entry's flags say besides its steps (kStep* bits): which new values
// differ from the old ones and follow them, and whether a temporary name does.
constexpr std::uint64_t kHasNewName = 8, kHasNewCreated = 16, kHasNewModified = 32,
                        kHasNewAccessed = 64, kHasNewAttributes = 128, kHasTemporary = 256,
                        kHasState = 512;
// The bits of an entry's state byte (schema 3).
constexpr unsigned char kBirthKept = 1, kRecordKept = 2, kHasRecord = 4;
constexpr std::int64_t kNanoseconds = 1000000000;

void PutUnsigned(std::string& out, std::uint64_t v) {
    while (v >= 0x80) {
        out.push_back(static_cast<char>((v & 0x7F) | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<char>(v));
}

void PutSigned(std::string& out, std::int64_t v) {
    // Zigzag: small negative numbers stay short too.
    PutUnsigned(out, (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63));
}

// A time as its difference from a related one (the entry's other times, its
// old time for a new one), which is mostly small: wrapping arithmetic, so
// any two values round-trip.
void PutDelta(std::string& out, std::int64_t v, std::int64_t base) {
    PutSigned(out, static_cast<std::int64_t>(static_cast<std::uint64_t>(v) -
                                             static_cast<std::uint64_t>(base)));
}

void PutBytes(std::string& out, std::string_view bytes) {
    PutUnsigned(out, bytes.size());
    out.append(bytes);
}

// Reads values off the front of a row's bytes; any read past the end makes
// it fail for good.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    bool done() const { return bytes_.empty(); }

    std::uint64_t Unsigned() {
        std::uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (bytes_.empty())
                break;
            const auto byte = static_cast<unsigned char>(bytes_.front());
            bytes_.remove_prefix(1);
            v |= std::uint64_t{byte & 0x7Fu} << shift;
            if ((byte & 0x80) == 0)
                return v;
        }
        ok_ = false;
        return 0;
    }

    std::int64_t Signed() {
        const std::uint64_t v = Unsigned();
        return static_cast<std::int64_t>((v >> 1) ^ (~(v & 1) + 1));
    }

    unsigned char Byte() {
        if (bytes_.empty()) {
            ok_ = false;
            return 0;
        }
        const auto byte = static_cast<unsigned char>(bytes_.front());
        bytes_.remove_prefix(1);
        return byte;
    }

    std::int64_t Delta(std::int64_t base) {
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(Signed()) +
                                         static_cast<std::uint64_t>(base));
    }

    std::string_view Bytes() {
        const std::uint64_t n = Unsigned();
        if (!ok_ || n > bytes_.size()) {
            ok_ = false;
            return {};
        }
        const std::string_view out = bytes_.substr(0, n);
        bytes_.remove_prefix(n);
        return out;
    }

  private:
    std::string_view bytes_;
    bool ok_ = true;
};

// An entry's state: its times as nanoseconds past the whole seconds the
// entry holds (mostly small), its mode, which of its parts are kept, and the
// record's bytes.
void AppendState(std::string& pack, const EntryState& st, const JournalEntry& e) {
    PutUnsigned(pack, st.mode);
    PutDelta(pack, st.modifiedNs,
             static_cast<std::int64_t>(static_cast<std::uint64_t>(e.oldModified) * kNanoseconds));
    PutDelta(pack, st.accessedNs,
             static_cast<std::int64_t>(static_cast<std::uint64_t>(e.oldAccessed) * kNanoseconds));
    pack.push_back(static_cast<char>((st.birthKept ? kBirthKept : 0) |
                                     (st.recordKept ? kRecordKept : 0) |
                                     (st.hasRecord ? kHasRecord : 0)));
    if (st.hasRecord)
        PutBytes(pack, st.record);
}

}  // namespace

void AppendEntry(std::string& pack, const JournalEntry& e) {
    std::uint64_t flags = (e.rename ? kStepRename : 0) | (e.attributes ? kStepAttributes : 0) |
                          (e.times ? kStepTimes : 0);
    // A new value equal to the old one is left out: most jobs change one or
    // two of name, times and attributes, and the rest then takes no room.
    flags |= e.newName != e.oldName ? kHasNewName : 0;
    flags |= e.newCreated != e.oldCreated ? kHasNewCreated : 0;
    flags |= e.newModified != e.oldModified ? kHasNewModified : 0;
    flags |= e.newAccessed != e.oldAccessed ? kHasNewAccessed : 0;
    flags |= e.newAttributes != e.oldAttributes ? kHasNewAttributes : 0;
    flags |= e.temporary.empty() ? 0 : kHasTemporary;
    flags |= e.before ? kHasState : 0;
    PutUnsigned(pack, flags);
    pack.push_back(static_cast<char>(Stored(e.state)));
    PutUnsigned(pack, e.id.device);
    PutUnsigned(pack, e.id.inode);
    PutBytes(pack, e.oldName.bytes());
    if (flags & kHasNewName)
        PutBytes(pack, e.newName.bytes());
    PutSigned(pack, e.oldCreated);
    PutDelta(pack, e.oldModified, e.oldCreated);
    PutDelta(pack, e.oldAccessed, e.oldModified);
    if (flags & kHasNewCreated)
        PutDelta(pack, e.newCreated, e.oldCreated);
    if (flags & kHasNewModified)
        PutDelta(pack, e.newModified, e.oldModified);
    if (flags & kHasNewAccessed)
        PutDelta(pack, e.newAccessed, e.oldAccessed);
    PutUnsigned(pack, e.oldAttributes);
    if (flags & kHasNewAttributes)
        PutUnsigned(pack, e.newAttributes);
    if (flags & kHasTemporary)
        PutBytes(pack, e.temporary.bytes());
    if (flags & kHasState)
        AppendState(pack, *e.before, e);
}

namespace {
// A pack that does not read whole leaves `out` as it was.
bool Fail(std::vector<JournalEntry>& out, std::size_t before) {
    out.resize(before);
    return false;
}
}  // namespace

bool ReadPack(std::string_view pack, std::size_t count, const SharedPath& folder,
              std::vector<JournalEntry>& out) {
    const std::size_t before = out.size();
    if (count > pack.size() / kLeastEntryBytes)
        return false;
    Reader in(pack);
    for (std::size_t i = 0; i < count && in.ok(); ++i) {
        JournalEntry& e = out.emplace_back();
        e.folder = folder;
        const std::uint64_t flags = in.Unsigned();
        e.rename = (flags & kStepRename) != 0;
        e.attributes = (flags & kStepAttributes) != 0;
        e.times = (flags & kStepTimes) != 0;
        e.state = StateOf(in.Byte());
        e.id.device = in.Unsigned();
        e.id.inode = in.Unsigned();
        e.oldName = NameOf(in.Bytes());
        e.newName = (flags & kHasNewName) ? NameOf(in.Bytes()) : e.oldName;
        e.oldCreated = in.Signed();
        e.oldModified = in.Delta(e.oldCreated);
        e.oldAccessed = in.Delta(e.oldModified);
        e.newCreated = (flags & kHasNewCreated) ? in.Delta(e.oldCreated) : e.oldCreated;
        e.newModified = (flags & kHasNewModified) ? in.Delta(e.oldModified) : e.oldModified;
        e.newAccessed = (flags & kHasNewAccessed) ? in.Delta(e.oldAccessed) : e.oldAccessed;
        e.oldAttributes = static_cast<std::uint32_t>(in.Unsigned());
        e.newAttributes = (flags & kHasNewAttributes) ? static_cast<std::uint32_t>(in.Unsigned())
                                                      : e.oldAttributes;
        if (flags & kHasTemporary)
            e.temporary = NameOf(in.Bytes());
        if (flags & kHasState) {
            EntryState& st = e.before.emplace();
            const std::uint64_t mode = in.Unsigned();
            st.mode = static_cast<std::uint32_t>(mode);
            st.modifiedNs = in.Delta(static_cast<std::int64_t>(
                static_cast<std::uint64_t>(e.oldModified) * kNanoseconds));
            st.accessedNs = in.Delta(static_cast<std::int64_t>(
                static_cast<std::uint64_t>(e.oldAccessed) * kNanoseconds));
            const unsigned char kept = in.Byte();
            st.birthKept = (kept & kBirthKept) != 0;
            st.recordKept = (kept & kRecordKept) != 0;
            st.hasRecord = (kept & kHasRecord) != 0;
            if (st.hasRecord)
                st.record = std::string(in.Bytes());
            if (mode > 07777 || kept > 7)
                return Fail(out, before);
        }
        if (flags >= 2 * kHasState)
            return Fail(out, before);
    }
    if (!in.ok() || !in.done() || out.size() - before != count)
        return Fail(out, before);
    return true;
}

void AppendProgress(std::string& batch, std::size_t position, JournalState state,
                    const EntryName& temporary) {
    PutUnsigned(batch, position);
    batch.push_back(static_cast<char>(Stored(state)));
    if (state == JournalState::kAside)
        PutBytes(batch, temporary.bytes());
}

bool ApplyProgress(std::string_view batch, std::vector<JournalEntry>& entries) {
    Reader in(batch);
    while (in.ok() && !in.done()) {
        const std::uint64_t position = in.Unsigned();
        const JournalState state = StateOf(in.Byte());
        const std::string_view temporary = state == JournalState::kAside ? in.Bytes() : "";
        if (!in.ok() || position >= entries.size())
            return false;
        JournalEntry& e = entries[position];
        e.state = state;
        if (state == JournalState::kAside)
            e.temporary = NameOf(temporary);
    }
    return in.ok();
}

}  // namespace torvane::history
