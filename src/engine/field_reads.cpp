// The window's metadata, read on a pool of threads and handed back in
// batches.
#include "engine/field_reads.hpp"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/text.hpp"

namespace torvane {
namespace {

// Copies the values of `groups` from `from` into `into` and marks them read.
void MergeGroups(EntryMetadata& into, const EntryMetadata& from, unsigned groups) {
    if ((groups & kMetadataSize) != 0)
        into.size = from.size;
    if ((groups & kMetadataImage) != 0) {
        into.taken = from.taken;
        into.camera = from.camera;
        into.width = from.width;
        into.height = from.height;
    }
    if ((groups & kMetadataAudio) != 0) {
        into.artist = from.artist;
        into.album = from.album;
        into.title = from.title;
        into.track = from.track;
        into.year = from.year;
        into.genre = from.genre;
    }
    into.groupsRead |= groups;
}

}  // namespace

void ReadEntryFields(FileSystem& fs, const FileEntry& entry, unsigned groups, EntryMetadata& into) {
    // The entry is read inside its folder, held open for the read: a path
    // is only used to reach the folder.
    if (auto folder = fs.OpenFolder(entry.folderPath.str()))
        ReadMetadata(**folder, entry.name, groups, into);
    else
        into.groupsRead |= groups;
}

FieldReads::FieldReads(Services services)
    : post_(std::move(services.post)),
      arrived_(std::move(services.arrived)),
      read_(std::move(services.read)),
      threads_(services.threads != 0 ? services.threads
                                     : std::max(1u, std::thread::hardware_concurrency())),
      shared_(std::make_shared<Shared>()) {
    shared_->owner = this;
}

FieldReads::~FieldReads() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
        shared_->queue.clear();
        shared_->owner = nullptr;
    }
    shared_->queued.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void FieldReads::Reset(const FileEntries& listed) {
    {
        std::lock_guard lock(shared_->mutex);
        ++shared_->generation;
        shared_->queue.clear();
        shared_->done.clear();
    }
    listed_ = &listed;
    asked_.clear();
    slots_.clear();
    slots_.resize(listed.size());
    outstanding_ = 0;
}

const EntryMetadata* FieldReads::Find(std::size_t position, unsigned groups) {
    if (listed_ == nullptr || position >= slots_.size())
        return nullptr;
    Slot& slot = slots_[position];
    const unsigned missing = groups & ~slot.values.groupsRead;
    if (missing == 0)
        return &slot.values;
    const unsigned more = missing & ~slot.asked;
    if (more != 0) {
        if ((slot.asked & ~slot.values.groupsRead) == 0)
            ++outstanding_;
        slot.asked |= more;
        asked_.push_back(Item{position, (*listed_)[position], more});
    }
    return nullptr;
}

bool FieldReads::Outstanding(std::size_t position) const {
    return position < slots_.size() &&
           (slots_[position].asked & ~slots_[position].values.groupsRead) != 0;
}

void FieldReads::StartReads() {
    if (asked_.empty())
        return;
    bool wake = false;
    {
        std::lock_guard lock(shared_->mutex);
        wake = shared_->queue.empty();
        if (shared_->busy == 0 && wake)
            shared_->lastFlush = std::chrono::steady_clock::now();
        for (Item& item : asked_)
            shared_->queue.push_back(std::move(item));
    }
    asked_.clear();
    // Threads wait only while the queue is empty.
    if (wake)
        shared_->queued.notify_all();
    MakeThreads();
    if (workers_.empty() && wake) {
        // No thread could be made: the queue is read here, later, in one go.
        post_([shared = shared_] {
            if (shared->owner != nullptr)
                shared->owner->Work(true);
        });
    }
}

void FieldReads::MakeThreads() {
    if (threadsMade_)
        return;
    threadsMade_ = true;
    while (workers_.size() < threads_) {
        try {
            workers_.emplace_back([this] { Work(false); });
        } catch (const std::system_error&) {
            return;  // fewer threads; none at all reads on the owner's thread
        }
    }
}

bool FieldReads::BatchDue(const Shared& shared) const {
    if (shared.flushPosted || shared.done.empty())
        return false;
    const bool dry = shared.queue.empty() && shared.busy == 0;
    return dry || std::chrono::steady_clock::now() - shared.lastFlush >= kBatchInterval;
}

void FieldReads::Work(bool here) {
    Shared& shared = *shared_;
    while (true) {
        Item item;
        std::uint64_t generation = 0;
        {
            std::unique_lock lock(shared.mutex);
            if (!here)
                shared.queued.wait(lock, [&] { return shared.stop || !shared.queue.empty(); });
            if (shared.stop || shared.queue.empty())
                return;
            item = std::move(shared.queue.front());
            shared.queue.pop_front();
            generation = shared.generation;
            ++shared.busy;
        }
        EntryMetadata values;
        read_(item.entry, item.groups, values);
        values.groupsRead = item.groups;
        bool post = false;
        {
            std::lock_guard lock(shared.mutex);
            --shared.busy;
            if (generation == shared.generation)
                shared.done.push_back(Done{item.position, std::move(values)});
            post = TakeBatchTurn();
        }
        if (post)
            PostBatch();
    }
}

void FieldReads::Flush() {
    std::vector<Done> done;
    {
        std::lock_guard lock(shared_->mutex);
        done.swap(shared_->done);
    }
    for (const Done& d : done) {
        if (d.position >= slots_.size())
            continue;
        Slot& slot = slots_[d.position];
        const bool was = (slot.asked & ~slot.values.groupsRead) != 0;
        MergeGroups(slot.values, d.values, d.values.groupsRead);
        if (was && (slot.asked & ~slot.values.groupsRead) == 0)
            --outstanding_;
    }
    if (!done.empty() && arrived_)
        arrived_();
    // The next batch comes an interval after this one was taken in, so the
    // owner's thread is free at least that long between two; reads that all
    // ended meanwhile come back at once.
    bool post = false;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->flushPosted = false;
        shared_->lastFlush = std::chrono::steady_clock::now();
        post = TakeBatchTurn();
    }
    if (post)
        PostBatch();
}

bool FieldReads::TakeBatchTurn() {
    if (!BatchDue(*shared_))
        return false;
    shared_->flushPosted = true;
    return true;
}

void FieldReads::PostBatch() {
    post_([shared = shared_] {
        if (shared->owner != nullptr)
            shared->owner->Flush();
    });
}

}  // namespace torvane
