#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/replacement_fields.hpp"
#include "fields/entry_metadata.hpp"
#include "filelist/file_entry.hpp"

namespace torvane {

// Reads the `groups` of one entry's metadata not yet in `into.groupsRead`
// and marks them read (see ReadMetadata). Called on a reading thread.
using FieldReader =
    std::function<void(const FileEntry& entry, unsigned groups, EntryMetadata& into)>;

// The reader of the window's preview: the entry's file read inside its
// folder, opened with `fs`. A file or folder that can't be read leaves the
// groups' values empty.
void ReadEntryFields(FileSystem& fs, const FileEntry& entry, unsigned groups, EntryMetadata& into);

// The metadata of the entries on show in the window, read on a pool of
// threads so that the thread that owns it (the UI thread) never waits for a
// file. A computation asks through Find; what is not in yet is queued, read
// once per entry and group, and handed back in batches (the next one
// kBatchInterval after the owner took the last in, or when the queue runs
// dry; one at a time) through `post`, which
// runs work on the owner's thread; `arrived` then says values came in. The
// values are kept until Reset (another listing, or the same listed again).
// Everything but the reading threads belongs to the owner's thread.
class FieldReads : public MetadataSource {
  public:
    static constexpr std::chrono::milliseconds kBatchInterval{100};

    struct Services {
        // Runs work later on the owner's thread; must outlive the object.
        std::function<void(std::function<void()>)> post;
        std::function<void()> arrived;  // values came in; may be empty
        FieldReader read;               // how an entry is read (ReadEntryFields)
        unsigned threads = 0;           // 0: as many as the machine has cores
    };

    explicit FieldReads(Services services);
    // Drops what is queued and waits for the reads under way (one file per
    // thread); a batch posted meanwhile is dropped when it runs.
    ~FieldReads() override;
    FieldReads(const FieldReads&) = delete;
    FieldReads& operator=(const FieldReads&) = delete;

    // The entries on show from now on (kept by reference until the next
    // Reset); the values read before and the reads queued are dropped, and
    // the reads under way are thrown away when they end.
    void Reset(const FileEntries& listed);

    // The values of the entry at `position` when `groups` are in; null
    // otherwise, and the groups missing are asked for (once): they are read
    // from the next StartReads on.
    const EntryMetadata* Find(std::size_t position, unsigned groups) override;
    // Hands what was asked since the last call to the reading threads (one
    // hand-over a computation rather than one an entry).
    void StartReads();

    // True while groups asked for the entry at `position` are not in yet.
    bool Outstanding(std::size_t position) const;
    // True while any are.
    bool reading() const { return outstanding_ > 0; }

  private:
    struct Item {
        std::size_t position = 0;
        FileEntry entry;
        unsigned groups = 0;
    };
    struct Done {
        std::size_t position = 0;
        EntryMetadata values;
    };
    // What the reading threads share with the owner, under `mutex`.
    struct Shared {
        std::mutex mutex;
        std::condition_variable queued;
        std::deque<Item> queue;
        std::vector<Done> done;
        std::uint64_t generation = 0;
        std::size_t busy = 0;  // threads reading a file
        bool stop = false;
        bool flushPosted = false;                           // a batch is on its way to the owner
        std::chrono::steady_clock::time_point lastFlush{};  // when the owner last took a batch in
        FieldReads* owner = nullptr;  // null once the owner is gone (owner's thread only)
    };
    struct Slot {
        EntryMetadata values;
        unsigned asked = 0;  // groups queued or being read
    };

    // Makes the threads at the first reads.
    void MakeThreads();
    // A reading thread's loop; `here`: the owner's thread reads what is
    // queued and returns (no thread could be made).
    void Work(bool here);
    // Reading thread, under the lock: whether the batch is to go now.
    bool BatchDue(const Shared& shared) const;
    // Under the lock: true when the batch is due, and then it is on its way
    // (the caller posts it once the lock is released).
    bool TakeBatchTurn();
    // Hands the batch to the owner's thread (never under the lock).
    void PostBatch();
    // Owner's thread: takes the batch in.
    void Flush();

    std::function<void(std::function<void()>)> post_;
    std::function<void()> arrived_;
    FieldReader read_;
    unsigned threads_;
    const FileEntries* listed_ = nullptr;
    std::vector<Slot> slots_;
    std::vector<Item> asked_;      // since the last StartReads
    std::size_t outstanding_ = 0;  // slots with groups asked and not in
    std::shared_ptr<Shared> shared_;
    bool threadsMade_ = false;  // made at the first read, kept until the end
    std::vector<std::thread> workers_;
};

}  // namespace torvane
