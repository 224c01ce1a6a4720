#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dialogs.hpp"

namespace torvane::fuzz {

// A folder of this process for the files a fuzz target writes; removed at exit.
const std::string& ScratchFolder();

// Replaces the file at `path` with the given bytes; aborts when it can't.
void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Reports a broken property of the code under test and aborts, which the
// fuzzer records as a finding.
[[noreturn]] void Fail(const char* what);

// Dialogs that answer every message box with OK and count them.
class CountingDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring&, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        ++shown;
        return MessageAnswer::kOk;
    }
    int shown = 0;
};

}  // namespace torvane::fuzz
