#pragma once

#include <string>

#include "platform/dialogs.hpp"

namespace torvane::fuzz {

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
