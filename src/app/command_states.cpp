#include "app/command_states.hpp"

#include <algorithm>

namespace torvane {

std::size_t CommandStates::IndexOf(CommandId command) {
    const auto* at = std::find(kAllCommands.begin(), kAllCommands.end(), command);
    return static_cast<std::size_t>(at - kAllCommands.begin());
}

CommandStates UpdateCommandUI(const CommandInputs& in) {
    const bool idle = !in.jobRunning;
    const std::size_t t = in.taskCount;
    const auto& s = in.selectedTaskRows;
    const bool selected = !s.empty();

    CommandStates states;
    for (const auto command : {CommandId::kSelectFile, CommandId::kSelectFolder,
                               CommandId::kLoadTaskList, CommandId::kOption})
        states.Set(command, idle);
    states.Set(CommandId::kCloseTaskList, idle && in.taskListPathSet);
    states.Set(CommandId::kSaveTaskList, idle && t >= 1 && in.taskListFileExists);
    states.Set(CommandId::kSaveTaskListAs, idle && t >= 1);
    states.Set(CommandId::kClearTaskList, idle && t >= 1);
    states.Set(CommandId::kUpdateAttributes, idle && t >= 1 && in.currentRows >= 1);
    states.Set(CommandId::kRemoveTask, idle && t >= 1 && selected);
    states.Set(CommandId::kMoveTaskUp, idle && t >= 2 && selected && s.front() > 0);
    states.Set(CommandId::kMoveTaskDown, idle && t >= 2 && selected && s.back() < t - 1);
    states.Set(CommandId::kPreviousFolder, in.canGoBack);
    states.Set(CommandId::kNextFolder, in.canGoForward);
    states.Set(CommandId::kExit, true);
    states.Set(CommandId::kAbout, true);
    return states;
}

}  // namespace torvane
