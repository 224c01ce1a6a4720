#pragma once

#include <array>

namespace torvane::gui {

// The window's command ids, shared by a menu item and its toolbar button.
enum CommandId : int {
    kCmdExit = 32771,
    kCmdSelectFolder = 32775,
    kCmdSelectFile = 32776,
    kCmdOption = 32779,
    kCmdUpdateAttributes = 32782,
    kCmdClearTaskList = 32786,
    kCmdMoveTaskUp = 32787,
    kCmdMoveTaskDown = 32788,
    kCmdRemoveTask = 32789,
    kCmdLoadTaskList = 32790,
    kCmdSaveTaskList = 32791,
    kCmdAbout = 32792,
    kCmdPreviousFolder = 32795,
    kCmdNextFolder = 32796,
    kCmdCloseTaskList = 32804,
    kCmdSaveTaskListAs = 32805,
};

// A command as the menu and the toolbar show it. `tooltip` is empty for a
// command without a toolbar button; `themeIcon` names the desktop theme's
// icon and `fallbackIcon` the image shipped with the program.
struct CommandInfo {
    CommandId id;
    const char* menuText;  // with its accelerator marker
    const char* tooltip;
    const char* themeIcon;
    const char* fallbackIcon;
};

inline constexpr std::array<CommandInfo, 16> kCommands = {{
    {kCmdSelectFile, "Select File...", "Select a document", "document-open", "select_file"},
    {kCmdSelectFolder, "Select &Folder...", "Select a folder", "folder-open", "select_folder"},
    {kCmdLoadTaskList, "&Load Task List...", "", "", ""},
    {kCmdCloseTaskList, "&Close Task List", "", "", ""},
    {kCmdSaveTaskList, "&Save Task List", "", "", ""},
    {kCmdSaveTaskListAs, "Save Task List As...", "", "", ""},
    {kCmdUpdateAttributes, "&Update Attributes", "Write changes to disk", "system-run",
     "update_attributes"},
    {kCmdExit, "E&xit", "", "", ""},
    {kCmdPreviousFolder, "&Previous Folder", "Navigate back to previous folder", "go-previous",
     "previous_folder"},
    {kCmdNextFolder, "Nex&t Folder", "Navigate forward to next folder", "go-next", "next_folder"},
    {kCmdMoveTaskUp, "Move Task Item &Up", "Move selected task item up", "go-up", "move_up"},
    {kCmdMoveTaskDown, "Move Task Item &Down", "Move selected task item down", "go-down",
     "move_down"},
    {kCmdRemoveTask, "&Remove Task Item", "Delete selected task item", "list-remove",
     "remove_task"},
    {kCmdClearTaskList, "&Clear Task List", "Clear task list", "edit-clear", "clear_tasks"},
    {kCmdOption, "&Option...", "Edit preferences", "preferences-system", "option"},
    {kCmdAbout, "&About Torvane", "", "", ""},
}};

// A separator in the menu and toolbar layouts below.
inline constexpr int kSeparator = 0;

// The menu bar: each popup's title, then its items.
struct MenuLayout {
    const char* title;
    std::array<int, 12> items;  // ends at the first -1
};

inline constexpr std::array<MenuLayout, 4> kMenus = {{
    {"&File",
     {kCmdSelectFile, kCmdSelectFolder, kSeparator, kCmdLoadTaskList, kCmdCloseTaskList, kSeparator,
      kCmdSaveTaskList, kCmdSaveTaskListAs, kSeparator, kCmdUpdateAttributes, kSeparator,
      kCmdExit}},
    {"&Edit",
     {kCmdPreviousFolder, kCmdNextFolder, kSeparator, kCmdMoveTaskUp, kCmdMoveTaskDown,
      kCmdRemoveTask, kCmdClearTaskList, -1}},
    {"&Tools", {kCmdOption, -1}},
    {"&Help", {kCmdAbout, -1}},
}};

// The toolbar's buttons in order.
inline constexpr std::array<int, 13> kToolBar = {
    kCmdSelectFile,    kCmdSelectFolder, kCmdUpdateAttributes, kSeparator,       kCmdPreviousFolder,
    kCmdNextFolder,    kSeparator,       kCmdMoveTaskUp,       kCmdMoveTaskDown, kCmdRemoveTask,
    kCmdClearTaskList, kSeparator,       kCmdOption,
};

}  // namespace torvane::gui
