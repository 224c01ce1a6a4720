#pragma once

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "fake_file_system.hpp"

namespace torvane::testing {

// The in-memory file system with a gate: while it is closed, every search
// made on a thread other than the one that made the file system (a job's
// worker) waits, so a test can act on the window while a job runs.
class GatedFileSystem : public FakeFileSystem {
  public:
    void CloseGate() { gateOpen_ = gate_.get_future().share(); }
    void OpenGate() {
        if (gateOpen_.valid() && !opened_) {
            opened_ = true;
            gate_.set_value();
        }
    }

    Result<std::vector<FindRecord>> FindEntries(const std::wstring& folder) override {
        if (gateOpen_.valid() && std::this_thread::get_id() != owner_)
            gateOpen_.wait();
        return FakeFileSystem::FindEntries(folder);
    }

  private:
    const std::thread::id owner_ = std::this_thread::get_id();
    std::promise<void> gate_;
    std::shared_future<void> gateOpen_;
    bool opened_ = false;
};

}  // namespace torvane::testing
