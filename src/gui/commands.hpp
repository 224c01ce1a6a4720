#pragma once

#include <array>

#include "app/command_states.hpp"

namespace torvane::gui {

// The window's command ids, shared by a menu item and its toolbar button: the
// controller's CommandId values as the ints Qt passes around.
constexpr int CommandNumber(CommandId command) {
    return static_cast<int>(command);
}

inline constexpr int kCmdExit = CommandNumber(CommandId::kExit);
inline constexpr int kCmdSelectFolder = CommandNumber(CommandId::kSelectFolder);
inline constexpr int kCmdSelectFile = CommandNumber(CommandId::kSelectFile);
inline constexpr int kCmdOption = CommandNumber(CommandId::kOption);
inline constexpr int kCmdUpdateAttributes = CommandNumber(CommandId::kUpdateAttributes);
inline constexpr int kCmdClearTaskList = CommandNumber(CommandId::kClearTaskList);
inline constexpr int kCmdMoveTaskUp = CommandNumber(CommandId::kMoveTaskUp);
inline constexpr int kCmdMoveTaskDown = CommandNumber(CommandId::kMoveTaskDown);
inline constexpr int kCmdRemoveTask = CommandNumber(CommandId::kRemoveTask);
inline constexpr int kCmdLoadTaskList = CommandNumber(CommandId::kLoadTaskList);
inline constexpr int kCmdSaveTaskList = CommandNumber(CommandId::kSaveTaskList);
inline constexpr int kCmdAbout = CommandNumber(CommandId::kAbout);
inline constexpr int kCmdPreviousFolder = CommandNumber(CommandId::kPreviousFolder);
inline constexpr int kCmdNextFolder = CommandNumber(CommandId::kNextFolder);
inline constexpr int kCmdCloseTaskList = CommandNumber(CommandId::kCloseTaskList);
inline constexpr int kCmdSaveTaskListAs = CommandNumber(CommandId::kSaveTaskListAs);

// A command as the menu and the toolbar show it. `tooltip` is empty for a
// command without a toolbar button; `themeIcon` names the desktop theme's
// icon and `fallbackIcon` the image shipped with the program.
struct CommandInfo {
    int id;
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
    {kCmdUpdateAttributes, "&Apply Task List",
     "Apply the task list to the listed entries: rename them, change their times and attributes",
     "dialog-ok-apply", "update_attributes"},
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

// Refresh (F5): lists the folder on show again. The window's own command, not
// one of the controller's CommandId values, and always enabled.
inline constexpr int kCmdRefresh = 0x7F01;
// Undo Last Job and History: the job history's commands, the window's own.
inline constexpr int kCmdUndoLastJob = 0x7F02;
inline constexpr int kCmdHistory = 0x7F03;
// Next Problem (F8) and Previous Problem (Shift+F8): the selection moves to
// the next or previous entry with a problem in the lists or the whole job.
inline constexpr int kCmdNextProblem = 0x7F04;
inline constexpr int kCmdPreviousProblem = 0x7F05;

// The Apply button's text beside its icon on the toolbar.
inline constexpr const char* kApplyButtonText = "Apply";

// The usual shortcuts, shown in the menus beside their items. `taskListOnly`:
// the key acts only while the task list has the focus, so that it still
// edits text everywhere else (Delete).
struct CommandShortcut {
    int id;
    const char* keys;  // QKeySequence's portable text
    bool taskListOnly = false;
};

inline constexpr std::array<CommandShortcut, 16> kShortcuts = {{
    {kCmdSelectFolder, "Ctrl+O"},
    {kCmdLoadTaskList, "Ctrl+L"},
    {kCmdSaveTaskList, "Ctrl+S"},
    {kCmdSaveTaskListAs, "Ctrl+Shift+S"},
    {kCmdCloseTaskList, "Ctrl+W"},
    {kCmdExit, "Ctrl+Q"},
    {kCmdRefresh, "F5"},
    {kCmdUpdateAttributes, "Ctrl+Return"},
    {kCmdRemoveTask, "Del", true},
    {kCmdMoveTaskUp, "Alt+Up"},
    {kCmdMoveTaskDown, "Alt+Down"},
    {kCmdPreviousFolder, "Alt+Left"},
    {kCmdNextFolder, "Alt+Right"},
    // A text box takes Ctrl+Z first: there it undoes the typing.
    {kCmdUndoLastJob, "Ctrl+Z"},
    {kCmdNextProblem, "F8"},
    {kCmdPreviousProblem, "Shift+F8"},
}};

// A separator in the menu and toolbar layouts below.
inline constexpr int kSeparator = 0;

// The menu bar: each popup's title, then its items.
struct MenuLayout {
    const char* title;
    std::array<int, 12> items;  // ends at the first -1
};

inline constexpr std::array<MenuLayout, 5> kMenus = {{
    {"&File",
     {kCmdSelectFile, kCmdSelectFolder, kSeparator, kCmdLoadTaskList, kCmdCloseTaskList, kSeparator,
      kCmdSaveTaskList, kCmdSaveTaskListAs, kSeparator, kCmdUpdateAttributes, kSeparator,
      kCmdExit}},
    {"&Edit",
     {kCmdUndoLastJob, kCmdHistory, kSeparator, kCmdPreviousFolder, kCmdNextFolder, kCmdRefresh,
      kSeparator, kCmdMoveTaskUp, kCmdMoveTaskDown, kCmdRemoveTask, kCmdClearTaskList, -1}},
    {"&View", {kCmdNextProblem, kCmdPreviousProblem, -1}},
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
