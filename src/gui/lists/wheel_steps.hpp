#pragma once

namespace torvane::gui {

// The mouse-wheel rule shared by the two file lists: a notch (a delta of 120)
// scrolls one notch's worth; smaller deltas, as fine-grained wheels and
// touchpads send them, are counted, and every tenth in the same direction
// scrolls one notch's worth; a change of direction restarts the count. A
// delta of several notches still scrolls one notch's worth.
class WheelSteps {
  public:
    static constexpr int kNotch = 120;
    static constexpr int kSmallStepsPerNotch = 10;

    // Feeds one wheel delta (positive: away from the user, that is up).
    // Returns -1 to scroll up one notch's worth, 1 to scroll down, 0 for
    // nothing.
    int Feed(int delta);

  private:
    bool lastUp_ = true;
    int count_ = 0;
};

}  // namespace torvane::gui
