#pragma once

// The three kinds of task as branches of ApplyTask; internal to the engine.

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

}  // namespace torvane
