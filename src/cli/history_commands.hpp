#pragma once

#include <string>

#include "cli/console_arguments.hpp"
#include "cli/console_front_end.hpp"
#include "cli/exit_status.hpp"
#include "cli/terminal.hpp"
#include "engine/job_history.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The console's history commands. `history` is null when there is none;
// `problem` then says why, when it can't be opened.

// Each job interrupted (its process died) and not undone, on standard error
// with the command that undoes it.
void PrintInterruptedJobs(Terminal& terminal, History& history);

// -History: one line per job, newest first, on standard output.
ExitStatus ListHistory(Terminal& terminal, History* history, const std::wstring& problem);

// -Undo [ID]: the undo's plan printed as a dry run (exit 4 with problems), or
// with -Apply applied as a job of its own (kUndo, journaled, the job marked
// undone): the usual question on a terminal unless -NoConfirm, refused
// without one, refused when the plan has problems unless -SkipProblems.
ExitStatus UndoFromConsole(Terminal& terminal, ConsoleFrontEnd& frontEnd, FileSystem& fs,
                           History* history, const std::wstring& problem,
                           const ConsoleArguments& console, bool apply, bool noConfirm);

}  // namespace torvane
