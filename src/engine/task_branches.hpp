#pragma once

// The three kinds of task as branches of ApplyTask; internal to the engine.

#include <string>
#include <string_view>

#include "engine/apply_context.hpp"
#include "engine/apply_task.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {

TaskResult ApplyRenameTask(std::wstring_view definition, FileEntries& entries,
                           const ApplyContext& context);
TaskResult ApplyTimestampTask(std::wstring_view definition, FileEntries& entries,
                              const ApplyContext& context);
TaskResult ApplyAttributeTask(std::wstring_view definition, FileEntries& entries,
                              const ApplyContext& context);

// The regular expression (Perl syntax) that covers a whole name exactly when
// the wildcard pattern does: * stands for any run of characters (none, line
// breaks included), ? for one character, every other character for itself.
// It never fails to build.
std::wstring WildcardExpression(std::wstring_view wildcard);

}  // namespace torvane
