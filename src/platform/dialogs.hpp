#pragma once

#include <string>

namespace torvane {

enum class MessageIcon { kNone, kError, kWarning, kInformation, kQuestion };
enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
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
};

}  // namespace torvane
