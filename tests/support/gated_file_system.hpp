#pragma once

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "fake_file_system.hpp"

namespace torvane::testing {

// The in-memory file system with a gate: while it is closed, every search
// and every attribute read made on a thread other than the one that made the
// file system (a job's worker) waits, so a test can act on the window while a
// job runs. Attribute reads wait too because a job whose root the window has
// already listed reads the root's attributes but lists nothing before its
// first check for a cancel.
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
        WaitAtTheGate();
        return FakeFileSystem::FindEntries(folder);
    }
    Result<std::uint32_t> GetAttributes(const std::wstring& path) override {
        WaitAtTheGate();
        return FakeFileSystem::GetAttributes(path);
    }

  private:
    void WaitAtTheGate() {
        if (gateOpen_.valid() && std::this_thread::get_id() != owner_)
            gateOpen_.wait();
    }

    const std::thread::id owner_ = std::this_thread::get_id();
    std::promise<void> gate_;
    std::shared_future<void> gateOpen_;
    bool opened_ = false;
};

}  // namespace torvane::testing
