#pragma once

#include <string>

#include "app/command_line.hpp"

namespace torvane {

// The help text's console form: the desktop program's list of arguments
// (headed by `productName`), then the console's own switches, what a run
// without -Apply does, the exit statuses and examples written with `appName`.
std::wstring ConsoleHelpText(const std::wstring& productName, const std::wstring& appName);

// The two lines printed after a wrong argument: the usage in short and where
// the whole help is.
std::wstring ConsoleUsageHint(const std::wstring& appName);

// A validation message as the console shows it: a help box keeps its error
// line and blank line, and its desktop list of arguments becomes the console
// form; any other message's text is returned unchanged.
std::wstring ConsoleMessageText(const CommandLineMessage& message, const std::wstring& productName,
                                const std::wstring& appName);

}  // namespace torvane
