#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace torvane {

// One task of the list. The id identifies the item for the life of the run
// (an editor sending back a modified task names it by id); it is never stored.
struct TaskItem {
    std::uint32_t id = 0;
    std::wstring name;        // the user's name for the task; may be empty
    std::wstring definition;  // the encoded task, kept exactly as built or read

    bool operator==(const TaskItem&) const = default;
};

// The ordered task list: the order of application and of the view's rows.
using TaskList = std::vector<TaskItem>;

// The text a row shows for an item: its name, or its whole definition when
// the name is empty.
const std::wstring& TaskDisplayText(const TaskItem& item);

}  // namespace torvane
