#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dialogs.hpp"

namespace torvane::testing {

// A Dialogs fake that records every message box and answers from a script
// (kOk, kYes for Yes/No boxes, kNo (Discard) for the question about unsaved
// work, when nothing is scripted). Safe to call
// from a worker thread.
class RecordingDialogs : public Dialogs {
  public:
    struct Message {
        std::wstring text;
        std::wstring caption;
        MessageIcon icon;
        MessageButtons buttons;

        bool operator==(const Message&) const = default;
    };

    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageIcon icon, MessageButtons buttons) override {
        std::lock_guard lock(mutex_);
        messages_.push_back({text, caption, icon, buttons});
        if (!answers_.empty()) {
            const auto a = answers_.front();
            answers_.pop_front();
            return a;
        }
        if (buttons == MessageButtons::kSaveDiscardCancel)
            return MessageAnswer::kNo;
        return buttons == MessageButtons::kYesNo || buttons == MessageButtons::kYesNoCancel
                   ? MessageAnswer::kYes
                   : MessageAnswer::kOk;
    }

    // Queues the answer for the next message box.
    void Answer(MessageAnswer a) {
        std::lock_guard lock(mutex_);
        answers_.push_back(a);
    }

    std::vector<Message> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        messages_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
    std::deque<MessageAnswer> answers_;
};

}  // namespace torvane::testing
