#pragma once

#include <string>

#include "platform/message_text.hpp"

namespace torvane {

enum class MessageIcon { kNone, kError, kWarning, kInformation, kQuestion };
// kSaveDiscardCancel: the question about unsaved work, answered kYes (Save),
// kNo (Discard) or kCancel.
enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel, kSaveDiscardCancel };
enum class MessageAnswer { kOk, kCancel, kYes, kNo };

// What the core asks of the user, supplied by a front end (the desktop
// window, the console, the tests' recording fake). Calls come from the UI
// thread, or from a job's worker, in which case the front end shows the box
// on its UI thread and returns when it is answered.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // Shows a message box and returns the button pressed.
    virtual MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                                      MessageIcon icon, MessageButtons buttons) = 0;

    // A message that holds texts from outside the program (names, paths):
    // shown as its plain text unless the front end shows those pieces
    // differently (the console quotes them). A front end that hands messages
    // on to another (to the UI thread) forwards this call as it is.
    virtual MessageAnswer ShowMessageText(const MessageText& text, const std::wstring& caption,
                                          MessageIcon icon, MessageButtons buttons) {
        return ShowMessage(text.Plain(), caption, icon, buttons);
    }
};

}  // namespace torvane
