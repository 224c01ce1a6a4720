#include "tasks/task_item.hpp"

namespace torvane {

const std::wstring& TaskDisplayText(const TaskItem& item) {
    return item.name.empty() ? item.definition : item.name;
}

}  // namespace torvane
