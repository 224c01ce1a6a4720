#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tasks/task_item.hpp"

namespace torvane {

// The task list view's column title: "Task List" without a task-list file,
// "Task List: " + the file name (the part of `path` after its last
// separator) with one.
std::wstring TaskListCaption(std::wstring_view path);

// The tool tip of a task row: the item's name and its fields, one per line,
// each line ended by CR LF except a rename task's last; the fields as
// stored, missing ones as a fresh record has them, and an attribute task's
// seven attributes as "TRUE" or "FALSE" read from its ATTR bits. nullopt for
// an item of no known kind.
std::optional<std::wstring> TaskToolTip(const TaskItem& item);

}  // namespace torvane
