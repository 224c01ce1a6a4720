#include "fake_file_system.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/file_attributes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;

TEST(FakeFileSystem, MovingAFolderMovesEverythingBelowIt) {
    FakeFileSystem fs;
    fs.AddFile(L"/r/a/x.txt");
    fs.AddFile(L"/r/a/sub/y.txt");
    fs.AddFile(L"/r/ab.txt");
    ASSERT_TRUE(fs.Move(L"/r/a", L"/r/b").ok());
    EXPECT_EQ(fs.PathsUnder(L"/r/"), (std::vector<std::wstring>{L"/r/ab.txt", L"/r/b", L"/r/b/sub",
                                                                L"/r/b/sub/y.txt", L"/r/b/x.txt"}));
    EXPECT_EQ(fs.changes(), std::vector<std::wstring>{L"Move /r/a -> /r/b"});
}

TEST(FakeFileSystem, MoveNeverReplaces) {
    FakeFileSystem fs;
    fs.AddFile(L"/r/a");
    fs.AddFile(L"/r/b");
    const auto st = fs.Move(L"/r/a", L"/r/b");
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().code, EEXIST);
    EXPECT_TRUE(fs.Exists(L"/r/a"));
}

TEST(FakeFileSystem, InjectedFailuresHitOnlyTheirCallAndPath) {
    FakeFileSystem fs;
    fs.AddFile(L"/r/a", FILE_ATTRIBUTE_ARCHIVE);
    fs.AddFile(L"/r/b", FILE_ATTRIBUTE_ARCHIVE);
    fs.FailOn(FakeFileSystem::Call::kSetAttributes, L"/r/a", EACCES);
    EXPECT_EQ(fs.SetAttributes(L"/r/a", 1).error().text, L"Permission denied");
    EXPECT_TRUE(fs.SetAttributes(L"/r/b", 1).ok());
    EXPECT_TRUE(fs.GetAttributes(L"/r/a").ok());
    EXPECT_EQ(fs.CallCount(FakeFileSystem::Call::kSetAttributes), 2);
    EXPECT_EQ(fs.SystemMessage(EACCES), L"Permission denied\r\n");
}

TEST(FakeFileSystem, AttributeWordKeepsTypeBitsAndReportsNormalForNone) {
    FakeFileSystem fs;
    fs.AddFolder(L"/r/d");
    fs.AddFile(L"/r/f", 0);
    EXPECT_EQ(*fs.GetAttributes(L"/r/f"), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(fs.SetAttributes(L"/r/d", FILE_ATTRIBUTE_HIDDEN).ok());
    EXPECT_EQ(*fs.GetAttributes(L"/r/d"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    // Compression can't be switched through the word, only through a handle.
    ASSERT_TRUE(fs.SetAttributes(L"/r/f", FILE_ATTRIBUTE_COMPRESSED).ok());
    EXPECT_EQ(*fs.GetAttributes(L"/r/f"), FILE_ATTRIBUTE_NORMAL);
    auto h = fs.Open(L"/r/f");
    ASSERT_TRUE(h.ok());
    ASSERT_TRUE((*h)->SetCompression(true).ok());
    EXPECT_EQ(*fs.GetAttributes(L"/r/f"), FILE_ATTRIBUTE_COMPRESSED);
}

}  // namespace
}  // namespace torvane
