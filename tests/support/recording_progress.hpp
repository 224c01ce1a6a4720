#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/progress.hpp"

namespace torvane::testing {

// A Progress that records every call as a line ("SetRange 0 3", "SetStep 1",
// "StepIt", "SetPos 0"), and counts StepIt separately. Safe from any thread.
class RecordingProgress : public Progress {
  public:
    void SetRange(int low, int high) override {
        Add("SetRange " + std::to_string(low) + " " + std::to_string(high));
    }
    void SetStep(int step) override { Add("SetStep " + std::to_string(step)); }
    void StepIt() override { Add("StepIt"); }
    void SetPos(int position) override { Add("SetPos " + std::to_string(position)); }

    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

  private:
    void Add(std::string line) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(line));
    }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

}  // namespace torvane::testing
