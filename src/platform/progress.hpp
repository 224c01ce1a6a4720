#pragma once

namespace torvane {

// The progress bar of a front end, driven the way a listing and a job drive
// it: a range, a step, steps, and a position. Calls come from the UI thread
// or from a job's worker; a front end hands the latter to its UI thread.
class Progress {
  public:
    virtual ~Progress() = default;

    // Sets the range of positions, `low` to `high`.
    virtual void SetRange(int low, int high) = 0;
    // Sets the amount StepIt advances by.
    virtual void SetStep(int step) = 0;
    // Advances the position by one step.
    virtual void StepIt() = 0;
    // Moves to a position.
    virtual void SetPos(int position) = 0;
};

// A progress bar that shows nothing, for callers without one.
class NoProgress : public Progress {
  public:
    void SetRange(int, int) override {}
    void SetStep(int) override {}
    void StepIt() override {}
    void SetPos(int) override {}
};

}  // namespace torvane
