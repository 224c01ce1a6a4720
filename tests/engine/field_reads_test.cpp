// The window's metadata read on threads: asked once, handed back in batches,
// dropped with the listing.
#include "engine/field_reads.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace torvane {
namespace {

// The owner's thread as a queue the test runs, and a reader giving each
// entry its position in the listing as its size.
class FieldReadsTest : public ::testing::Test {
  protected:
    FieldReadsTest() {
        for (int i = 0; i < 200; ++i) {
            FileEntry e;
            e.name = L"f" + std::to_wstring(i);
            e.modified = i;
            listed.push_back(e);
        }
    }

    std::unique_ptr<FieldReads> Make() {
        FieldReads::Services services;
        services.post = [this](std::function<void()> work) {
            std::lock_guard lock(mutex);
            posted.push_back(std::move(work));
            changed.notify_all();
        };
        services.arrived = [this] { ++arrivals; };
        services.read = [this](const FileEntry& entry, unsigned groups, EntryMetadata& into) {
            ++reads;
            into.size = static_cast<std::uint64_t>(entry.modified);
            into.groupsRead |= groups;
        };
        services.threads = 3;
        return std::make_unique<FieldReads>(std::move(services));
    }
    // Waits until a batch is posted, then runs what is posted.
    void RunBatch() {
        std::vector<std::function<void()>> work;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [this] { return !posted.empty(); });
            work.swap(posted);
        }
        for (auto& w : work)
            w();
    }

    // Runs what is posted now, without waiting.
    void RunPosted() {
        std::vector<std::function<void()>> work;
        {
            std::lock_guard lock(mutex);
            work.swap(posted);
        }
        for (auto& w : work)
            w();
    }

    FileEntries listed;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::function<void()>> posted;
    int arrivals = 0;
    std::atomic<int> reads = 0;
};

// Every entry asked (twice) is read once; what the threads read while the
// owner is busy comes back as one batch.
TEST_F(FieldReadsTest, EachEntryIsReadOnceAndComesBackInBatches) {
    auto fields = Make();
    fields->Reset(listed);
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < listed.size(); ++i)
            EXPECT_EQ(fields->Find(i, kMetadataSize), nullptr);
        fields->StartReads();
    }
    EXPECT_TRUE(fields->reading());
    while (fields->reading())
        RunBatch();
    EXPECT_EQ(reads, 200);
    EXPECT_LT(arrivals, 200);
    EXPECT_GE(arrivals, 1);
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const EntryMetadata* values = fields->Find(i, kMetadataSize);
        ASSERT_NE(values, nullptr);
        EXPECT_EQ(values->size, i);
        EXPECT_FALSE(fields->Outstanding(i));
    }
    EXPECT_EQ(fields->Find(0, kMetadataSize | kMetadataImage), nullptr);  // asks the image only
    fields->StartReads();
    RunBatch();
    EXPECT_EQ(reads, 201);
}

// After a Reset, values read for the listing before are never shown, and
// a batch posted before the object went does nothing.
TEST_F(FieldReadsTest, ResetAndDestructionDropWhatWasRead) {
    auto fields = Make();
    fields->Reset(listed);
    EXPECT_EQ(fields->Find(5, kMetadataSize), nullptr);
    fields->StartReads();
    FileEntries other(listed.begin(), listed.begin() + 10);
    fields->Reset(other);
    EXPECT_FALSE(fields->Outstanding(5));
    EXPECT_FALSE(fields->reading());
    RunPosted();  // whatever the first read gave, if it was posted, is dropped
    EXPECT_EQ(fields->Find(5, kMetadataSize), nullptr);
    fields->StartReads();
    EXPECT_TRUE(fields->Outstanding(5));
    fields.reset();  // waits for the read under way
    RunPosted();
    EXPECT_EQ(arrivals, 0);
}

}  // namespace
}  // namespace torvane
