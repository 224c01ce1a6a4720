#pragma once

#include <string>
#include <vector>

#include "app/history_access.hpp"
#include "cli/terminal.hpp"

namespace torvane {

// torvane-cli's whole run: takes the console switches out of `arguments`
// (those after the program's name), validates the rest as the desktop program
// does, prints the help or the refusal, or drives the main window's
// controller through the command-line job in batch mode: the dry run's lines
// without -Apply, the job with its messages, progress and log with it.
// `appName` is the caption of messages without one. Reads the preference file
// and never writes it. Returns the exit status (ExitStatus).
//
// `openHistory` opens the job history (with the preference file's history
// settings) once per run: the jobs are journaled in it, -History and -Undo
// read it, and jobs interrupted earlier are told on standard error at the
// start of every command. Empty: no history.
int RunConsole(const std::vector<std::wstring>& arguments, const std::wstring& appName,
               ConsoleIo io, const HistoryOpener& openHistory = {});

}  // namespace torvane
