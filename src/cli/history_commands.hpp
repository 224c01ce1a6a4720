#pragma once

#include <string>

#include "cli/console_arguments.hpp"
#include "cli/console_front_end.hpp"
#include "cli/exit_status.hpp"
#include "cli/terminal.hpp"
#include "engine/job_history.hpp"
#include "engine/job_pipeline.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The console's history commands, through the run's pipeline (whose history
// is null when there is none).

// Each job interrupted (its process died) and not undone, on standard error
// with the command that undoes it.
void PrintInterruptedJobs(Terminal& terminal, History& history);

// -History: one line per job, newest first, on standard output; a history
// that can't be read is an error (exit 2).
ExitStatus ListHistory(Terminal& terminal, const JobPipeline& pipeline);

// -Undo [ID]: the undo's plan printed as a dry run (exit 4 with problems), or
// with -Apply undone through the pipeline: the usual question on a terminal
// unless -NoConfirm, refused without one, refused when the plan has problems
// unless -SkipProblems. A job that can't be undone now is an error: exit 3
// while it runs, 2 when there is no such job or it is damaged.
ExitStatus UndoFromConsole(Terminal& terminal, ConsoleFrontEnd& frontEnd, FileSystem& fs,
                           JobPipeline& pipeline, const ConsoleArguments& console, bool apply,
                           bool noConfirm);

}  // namespace torvane
