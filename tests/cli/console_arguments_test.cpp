#include "cli/console_arguments.hpp"

#include <gtest/gtest.h>

#include "cli/preview_lines.hpp"
#include "platform/file_attributes.hpp"
#include "time_zone.hpp"

namespace torvane {
namespace {

using Args = std::vector<std::wstring>;

struct SplitCase {
    Args arguments;
    ListOptions options;
    Args desktop;
    bool error;
};

TEST(SplitConsoleArguments, TakesTheConsoleSwitchesOutWhereverTheyStand) {
    const SplitCase cases[] = {
        {{L"photos/", L"list.tvt"}, {}, {L"photos/", L"list.tvt"}, false},
        // -SubFolders takes no value: the path after it stays a positional argument.
        {{L"-SubFolders", L"-Retrieve", L"both", L"photos/", L"list.tvt", L"-Apply"},
         {kRetrieveFilesAndFolders, 1, kNoHiddenOrSystem},
         {L"photos/", L"list.tvt", L"-Apply"},
         false},
        {{L"/RETRIEVE", L"Folders", L"-hidden", L"HIDDEN-NO-SYSTEM", L"x"},
         {kRetrieveFoldersOnly, 0, kIncludeHiddenNoSystem},
         {L"x"},
         false},
        {{L"-Hidden", L"all"}, {kRetrieveFilesOnly, 0, kIncludeHiddenAndSystem}, {}, false},
        {{L"-Hidden", L"system"}, {kRetrieveFilesOnly, 0, kIncludeSystem}, {}, false},
        {{L"-Hidden", L"hidden"}, {kRetrieveFilesOnly, 0, kIncludeHidden}, {}, false},
        {{L"-Retrieve", L"files", L"-Hidden", L"none"}, {}, {}, false},
        {{L"-Retrieve", L"everything", L"a"}, {}, {L"a"}, true},
        {{L"a", L"-Hidden"}, {}, {L"a"}, true},
        // A '/' path is no switch of ours.
        {{L"/retrieved/photos"}, {}, {L"/retrieved/photos"}, false},
    };
    for (const auto& c : cases) {
        const auto split = SplitConsoleArguments(c.arguments);
        EXPECT_EQ(split.listOptions, c.options) << c.arguments.size();
        EXPECT_EQ(split.desktopArguments, c.desktop);
        EXPECT_EQ(split.error.has_value(), c.error);
    }
}

TEST(WantsHelp, NoArgumentsQuestionMarkOrHelp) {
    EXPECT_TRUE(WantsHelp({}));
    EXPECT_TRUE(WantsHelp({L"-?"}));
    EXPECT_TRUE(WantsHelp({L"/HELP"}));
    EXPECT_FALSE(WantsHelp({L"photos/"}));
    EXPECT_FALSE(WantsHelp({L"-Quit"}));
}

TEST(ConsoleHelpText, EndsWithTheExitStatusTable) {
    const auto text = ConsoleHelpText(L"Torvane");
    EXPECT_NE(text.find(L"-SubFolders"), std::wstring::npos);
    EXPECT_NE(text.find(L"3  a job was asked for but refused or not confirmed"),
              std::wstring::npos);
}

TEST(PreviewLines, OnlyWhatChangesIsShown) {
    testing::ScopedTimeZone tz("UTC0");
    FileEntry a;
    a.folderPath = L"/p/";
    a.name = L"IMG_1.jpg";
    a.attributes = FILE_ATTRIBUTE_ARCHIVE;
    a.modified = 1625313909;  // 07/03/2021 12:05:09 PM
    FileEntry same = a;
    same.name = L"keep.txt";
    FileEntry renamed = a;
    renamed.name = L"Trip 1.jpg";
    renamed.modified += 31536000;
    renamed.attributes |= FILE_ATTRIBUTE_HIDDEN;
    const auto lines = PreviewLines({a, same}, {renamed, same});
    EXPECT_EQ(lines, (std::vector<std::wstring>{
                         L"/p/IMG_1.jpg -> Trip 1.jpg",
                         L"    Modified: 07/03/2021 12:05:09 PM -> 07/03/2022 12:05:09 PM",
                         L"    Attributes: Archive, Index -> Archive, Hidden, Index"}));
    EXPECT_EQ(AttributeNames(FILE_ATTRIBUTE_NOT_CONTENT_INDEXED), L"none");
}

}  // namespace
}  // namespace torvane
