#include "gui/lists/wheel_steps.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace torvane::gui {
namespace {

struct WheelCase {
    const char* name;
    std::vector<int> deltas;
    std::vector<int> scrolls;  // what each delta gives
};

std::vector<int> Feed(const std::vector<int>& deltas) {
    WheelSteps steps;
    std::vector<int> out;
    for (const int d : deltas)
        out.push_back(steps.Feed(d));
    return out;
}

TEST(WheelStepsTest, NotchesAndSmallSteps) {
    const std::vector<WheelCase> cases = {
        {"notch up and down", {120, -120}, {-1, 1}},
        {"several notches scroll one notch's worth", {360, -480}, {-1, 1}},
        {"every tenth small step", std::vector<int>(20, 30), {0, 0, 0, 0, 0, 0, 0, 0, 0, -1,
                                                              0, 0, 0, 0, 0, 0, 0, 0, 0, -1}},
        {"small steps down", std::vector<int>(10, -12), {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        {"direction change restarts the count",
         {30, 30, 30, 30, 30, 30, 30, 30, 30, -30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1}},
        {"a notch restarts the count",
         {30, 30, 30, 30, 30, 30, 30, 30, 30, 120, 30},
         {0, 0, 0, 0, 0, 0, 0, 0, 0, -1, 0}},
        {"zero counts as up", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, -1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Feed(c.deltas), c.scrolls) << c.name;
}

}  // namespace
}  // namespace torvane::gui
