#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace torvane {

// The main window's commands, by their menu command ids.
enum class CommandId : int {
    kSelectFile = 32776,
    kSelectFolder = 32775,
    kLoadTaskList = 32790,
    kCloseTaskList = 32804,
    kSaveTaskList = 32791,
    kSaveTaskListAs = 32805,
    kUpdateAttributes = 32782,
    kExit = 32771,
    kPreviousFolder = 32795,
    kNextFolder = 32796,
    kMoveTaskUp = 32787,
    kMoveTaskDown = 32788,
    kRemoveTask = 32789,
    kClearTaskList = 32786,
    kOption = 32779,
    kAbout = 32792,
};

// Every command, in menu order.
inline constexpr std::array<CommandId, 16> kAllCommands = {
    CommandId::kSelectFile,       CommandId::kSelectFolder,
    CommandId::kLoadTaskList,     CommandId::kCloseTaskList,
    CommandId::kSaveTaskList,     CommandId::kSaveTaskListAs,
    CommandId::kUpdateAttributes, CommandId::kExit,
    CommandId::kPreviousFolder,   CommandId::kNextFolder,
    CommandId::kMoveTaskUp,       CommandId::kMoveTaskDown,
    CommandId::kRemoveTask,       CommandId::kClearTaskList,
    CommandId::kOption,           CommandId::kAbout,
};

// The enabled state of every command; a menu item and its toolbar button
// always share it.
class CommandStates {
  public:
    bool Enabled(CommandId command) const { return enabled_[IndexOf(command)]; }
    void Set(CommandId command, bool enabled) { enabled_[IndexOf(command)] = enabled; }

    bool operator==(const CommandStates&) const = default;

  private:
    static std::size_t IndexOf(CommandId command);

    std::array<bool, kAllCommands.size()> enabled_{};
};

// What the enabling rules look at.
struct CommandInputs {
    bool jobRunning = false;
    std::size_t taskCount = 0;                       // T
    std::size_t currentRows = 0;                     // R: rows of the current list
    std::vector<std::size_t> selectedTaskRows = {};  // S, in ascending order
    bool taskListPathSet = false;                    // `currentTaskListPath` is not empty
    bool taskListFileExists = false;  // it names an existing file that is not a folder
    bool canGoBack = false;
    bool canGoForward = false;
};

// The enabled state of every command for the state described: selecting,
// loading and Option need no job running; Close Task List a current task-list
// path; Save an existing task-list file and a task; Save As and Clear a task;
// Update Attributes a task and a listed row; Remove a selected task; Move Up
// and Move Down two tasks and a selection that can move; Previous and Next
// Folder the history position alone; Exit and About are always enabled.
CommandStates UpdateCommandUI(const CommandInputs& in);

}  // namespace torvane
