#include "app/ui_thread.hpp"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace torvane {
namespace {

TEST(UiTaskQueue, RunsPostedWorkOnTheUiThreadInOrder) {
    UiTaskQueue ui;
    std::vector<int> ran;
    std::vector<std::thread::id> threads;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            ui.Post([&, i] {
                ran.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    });
    ui.RunUntil([&] { return ran.size() == 3; });
    worker.join();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
    for (const auto id : threads)
        EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_EQ(ui.RunPending(), 0);
}

TEST(UiTaskQueue, InvokeWaitsUntilTheUiThreadHasRunIt) {
    UiTaskQueue ui;
    std::vector<int> order;
    std::vector<int> seenAfterInvoke;
    bool invokeReturned = false;
    std::thread worker([&] {
        ui.Post([&] { order.push_back(1); });
        ui.Invoke([&] { order.push_back(2); });
        seenAfterInvoke = order;  // the UI thread is done with it by now
        ui.Post([&] { invokeReturned = true; });
    });
    ui.RunUntil([&] { return invokeReturned; });
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(seenAfterInvoke, (std::vector<int>{1, 2}));
}

TEST(UiTaskQueue, InvokeOnTheUiThreadRunsAtOnce) {
    UiTaskQueue ui;
    bool ran = false;
    ui.Invoke([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(ui.RunPending(), 0);
}

TEST(UiTaskQueue, RunPendingRunsOnlyWhatWasQueuedBefore) {
    UiTaskQueue ui;
    int ran = 0;
    ui.Post([&] {
        ++ran;
        ui.Post([&] { ++ran; });
    });
    EXPECT_EQ(ui.RunPending(), 1);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(ui.RunPending(), 1);
    EXPECT_EQ(ran, 2);
}

}  // namespace
}  // namespace torvane
