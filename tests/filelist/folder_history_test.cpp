#include "filelist/folder_history.hpp"

#include <gtest/gtest.h>

namespace torvane {
namespace {

FileEntry Folder(const std::wstring& parent, const std::wstring& name) {
    FileEntry e;
    e.folderPath = parent;
    e.name = name;
    e.attributes = FILE_ATTRIBUTE_DIRECTORY;
    return e;
}

using Paths = std::vector<std::wstring>;

TEST(FolderHistory, StartsEmptyAndAChoiceGreysBothCommands) {
    FolderHistory h;
    EXPECT_EQ(h.Current(), L"");
    EXPECT_FALSE(h.CanGoBack() || h.CanGoForward());
    EXPECT_FALSE(h.Previous() || h.Next());
    h.StartHistory(L"/R/");
    EXPECT_EQ(h.paths(), Paths{L"/R/"});
    EXPECT_FALSE(h.CanGoBack() || h.CanGoForward());
}

TEST(FolderHistory, WalkOpenPreviousAndOpenAgainDropsTheForwardPart) {
    FolderHistory h;
    h.StartHistory(L"/R/");
    ASSERT_TRUE(h.OpenFolder(Folder(L"/R/", L"A"), true));
    ASSERT_TRUE(h.OpenFolder(Folder(L"/R/A/", L"B"), true));
    EXPECT_EQ(h.paths(), (Paths{L"/R/", L"/R/A/", L"/R/A/B/"}));
    EXPECT_EQ(h.Current(), L"/R/A/B/");
    EXPECT_TRUE(h.CanGoBack());
    EXPECT_FALSE(h.CanGoForward());

    ASSERT_TRUE(h.Previous());
    EXPECT_EQ(h.Current(), L"/R/A/");
    EXPECT_TRUE(h.CanGoBack() && h.CanGoForward());

    ASSERT_TRUE(h.OpenFolder(Folder(L"/R/A/", L"D"), true));
    EXPECT_EQ(h.paths(), (Paths{L"/R/", L"/R/A/", L"/R/A/D/"}));
    EXPECT_EQ(h.index(), 2u);
    EXPECT_EQ(h.Root(), L"/R/");  // what a job works on

    h.StartHistory(L"/other/file.txt");
    EXPECT_EQ(h.paths(), Paths{L"/other/file.txt"});
    EXPECT_EQ(h.index(), 0u);
}

TEST(FolderHistory, OpensOnlyFoldersAndOnlyWithSubfolders) {
    FolderHistory h;
    h.StartHistory(L"/R/");
    FileEntry file = Folder(L"/R/", L"f");
    file.attributes = FILE_ATTRIBUTE_ARCHIVE;
    EXPECT_FALSE(h.OpenFolder(file, true));
    EXPECT_FALSE(h.OpenFolder(Folder(L"/R/", L"A"), false));
    EXPECT_EQ(h.paths(), Paths{L"/R/"});
}

TEST(FolderHistory, NextWalksForwardToTheEnd) {
    FolderHistory h;
    h.StartHistory(L"/R/");
    h.OpenFolder(Folder(L"/R/", L"A"), true);
    h.Previous();
    EXPECT_FALSE(h.Previous());
    ASSERT_TRUE(h.Next());
    EXPECT_EQ(h.Current(), L"/R/A/");
    EXPECT_FALSE(h.Next());
    h.ReplaceRoot(L"/R2/");
    EXPECT_EQ(h.paths(), (Paths{L"/R2/", L"/R/A/"}));
}

}  // namespace
}  // namespace torvane
