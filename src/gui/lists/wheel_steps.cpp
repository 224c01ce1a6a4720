#include "gui/lists/wheel_steps.hpp"

#include <cstdlib>

namespace torvane::gui {

int WheelSteps::Feed(int delta) {
    const bool up = delta >= 0;
    if (up != lastUp_) {
        lastUp_ = up;
        count_ = 0;
    }
    bool scroll = std::abs(delta) >= kNotch;
    if (scroll) {
        count_ = 0;
    } else if (++count_ == kSmallStepsPerNotch) {
        count_ = 0;
        scroll = true;
    }
    if (!scroll)
        return 0;
    return up ? -1 : 1;
}

}  // namespace torvane::gui
