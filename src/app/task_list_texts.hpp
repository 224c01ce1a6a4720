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

// What a task does, as one sentence: `Rename "IMG_" → "Trip_" (regular
// expression, numbered from 1)`, `Modified: "2019" → "2020"`, `Attributes of
// "*.txt": Archive, Read-only` (the attributes set, in the order every list
// shows them; "none" for none). The options in brackets only when on. An
// item of no known kind: its definition as stored.
std::wstring TaskSentence(const TaskItem& item);

// The text of a task row: the item's name, a colon and its sentence; the
// sentence alone for an item without a name.
std::wstring TaskRowText(const TaskItem& item);

// The tool tip of a task row: its sentence on the first line, then the
// item's name and its fields, one per line,
// each line ended by CR LF except a rename task's last; the fields as
// stored, missing ones as a fresh record has them, and an attribute task's
// seven attributes as "TRUE" or "FALSE" read from its ATTR bits. nullopt for
// an item of no known kind.
std::optional<std::wstring> TaskToolTip(const TaskItem& item);

}  // namespace torvane
