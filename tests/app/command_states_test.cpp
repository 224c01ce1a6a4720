#include "app/command_states.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/pickers.hpp"
#include "app/version_info.hpp"

namespace torvane {
namespace {

using C = CommandId;

std::string Describe(const CommandStates& states) {
    std::string text;
    for (const auto c : kAllCommands) {
        if (states.Enabled(c))
            text += std::to_string(static_cast<int>(c)) + " ";
    }
    return text;
}

TEST(UpdateCommandUI, FollowsTheEnablingRules) {
    const std::set<C> idleAlways = {C::kSelectFile, C::kSelectFolder, C::kLoadTaskList,
                                    C::kOption,     C::kExit,         C::kAbout};
    const auto with = [&](std::set<C> more) {
        more.insert(idleAlways.begin(), idleAlways.end());
        return more;
    };
    const struct {
        const char* name;
        CommandInputs in;
        std::set<C> enabled;
    } cases[] = {
        {"first start", {}, idleAlways},
        {"one task, no selection", {.taskCount = 1}, with({C::kSaveTaskListAs, C::kClearTaskList})},
        {"one task selected",
         {.taskCount = 1, .selectedTaskRows = {0}},
         with({C::kSaveTaskListAs, C::kClearTaskList, C::kRemoveTask})},
        {"two tasks, both selected",
         {.taskCount = 2, .selectedTaskRows = {0, 1}},
         with({C::kSaveTaskListAs, C::kClearTaskList, C::kRemoveTask})},
        {"first two of three selected",
         {.taskCount = 3, .selectedTaskRows = {0, 1}},
         with({C::kSaveTaskListAs, C::kClearTaskList, C::kRemoveTask, C::kMoveTaskDown})},
        {"last two of three selected",
         {.taskCount = 3, .selectedTaskRows = {1, 2}},
         with({C::kSaveTaskListAs, C::kClearTaskList, C::kRemoveTask, C::kMoveTaskUp})},
        {"rows 0 and 2 of three selected",
         {.taskCount = 3, .selectedTaskRows = {0, 2}},
         with({C::kSaveTaskListAs, C::kClearTaskList, C::kRemoveTask})},
        {"tasks and rows",
         {.taskCount = 1, .currentRows = 4},
         with({C::kSaveTaskListAs, C::kClearTaskList, C::kUpdateAttributes})},
        {"rows without tasks", {.currentRows = 4}, idleAlways},
        {"task-list path whose file is gone",
         {.taskCount = 1, .taskListPathSet = true},
         with({C::kSaveTaskListAs, C::kClearTaskList, C::kCloseTaskList})},
        {"task-list file and a task",
         {.taskCount = 1, .taskListPathSet = true, .taskListFileExists = true},
         with({C::kSaveTaskListAs, C::kClearTaskList, C::kCloseTaskList, C::kSaveTaskList})},
        {"task-list file without tasks",
         {.taskListPathSet = true, .taskListFileExists = true},
         with({C::kCloseTaskList})},
        {"history in the middle",
         {.canGoBack = true, .canGoForward = true},
         with({C::kPreviousFolder, C::kNextFolder})},
        {"job running: only the history, Exit and About",
         {.jobRunning = true,
          .taskCount = 3,
          .currentRows = 4,
          .selectedTaskRows = {1},
          .taskListPathSet = true,
          .taskListFileExists = true,
          .canGoBack = true,
          .canGoForward = true},
         {C::kPreviousFolder, C::kNextFolder, C::kExit, C::kAbout}},
    };
    for (const auto& c : cases) {
        CommandStates expected;
        for (const auto command : c.enabled)
            expected.Set(command, true);
        EXPECT_EQ(Describe(UpdateCommandUI(c.in)), Describe(expected)) << c.name;
    }
}

TEST(VersionInfo, CompiledValuesAndTheTextForNone) {
    const auto info = ProgramVersionInfo();
    EXPECT_TRUE(info.loaded);
    EXPECT_EQ(ProductNameOf(info), L"Torvane");
    const auto about = AboutInfoOf(info);
    EXPECT_EQ(about.title, L"About Torvane");
    EXPECT_EQ(about.versionText, L"Version: " + info.productVersion);
    EXPECT_FALSE(info.productVersion.empty());
    EXPECT_EQ(about.legalNotice, L"Copyright (C) 2026 Torvane developers");

    const VersionInfo none;
    EXPECT_EQ(ProductNameOf(none), L"<no version info found>");
    EXPECT_EQ(AboutInfoOf(none),
              (AboutInfo{L"About <no version info found>", L"<no version info found>",
                         L"Version: <no version info found>", L"<no version info found>"}));
}

TEST(SplitFileFilter, PairsDescriptionsWithPatterns) {
    using Types = std::vector<std::pair<std::wstring, std::wstring>>;
    EXPECT_EQ(SplitFileFilter(L"Torvane Task File (*.tvt)|*.tvt|Text Files (*.txt)|*.txt|"),
              (Types{{L"Torvane Task File (*.tvt)", L"*.tvt"}, {L"Text Files (*.txt)", L"*.txt"}}));
    EXPECT_EQ(SplitFileFilter(L"All|*.*"), (Types{{L"All", L"*.*"}}));
    EXPECT_EQ(SplitFileFilter(L"Lonely|"), Types{});
    EXPECT_EQ(SplitFileFilter(L""), Types{});
}

TEST(ListOptionsOfItems, EachPickerItemIdAndUnknownIdsAsTheWidestChoice) {
    const struct {
        int retrieveId;
        int hiddenSystemId;
        ListOptions expected;
    } cases[] = {
        {200, 210, {Retrieve::kFiles, false, HiddenSystem::kNone}},
        {201, 211, {Retrieve::kFolders, false, HiddenSystem::kHidden}},
        {202, 212, {Retrieve::kFilesAndFolders, false, HiddenSystem::kSystem}},
        {0, 213, {Retrieve::kFilesAndFolders, false, HiddenSystem::kHiddenNoSystem}},
        {200, 214, {Retrieve::kFiles, false, HiddenSystem::kHiddenAndSystem}},
        {200, 0, {Retrieve::kFiles, false, HiddenSystem::kHiddenAndSystem}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListOptionsOfItems(c.retrieveId, false, c.hiddenSystemId), c.expected)
            << c.retrieveId << " " << c.hiddenSystemId;
    EXPECT_TRUE(ListOptionsOfItems(200, true, 210).includeSubfolders);
}

}  // namespace
}  // namespace torvane
