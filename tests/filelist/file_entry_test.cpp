#include "filelist/file_entry.hpp"

#include <gtest/gtest.h>

#include "time_zone.hpp"

namespace torvane {
namespace {

TEST(ExtensionOf, TakesTheLastDotOfTheLastComponent) {
    const struct {
        const wchar_t* name;
        const wchar_t* ext;
    } cases[] = {
        {L"photo.jpg", L".jpg"},
        {L"archive.tar.gz", L".gz"},
        {L"README", L""},
        {L".bashrc", L".bashrc"},
        {L"trailing.", L"."},
        {L"Link.LNK", L".LNK"},
        {L"/home/me/dir.d/file", L""},  // a dot in a folder doesn't count
        {L"/home/me/dir/file.txt", L".txt"},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtensionOf(c.name), c.ext) << c.name;
}

TEST(FileEntry, FolderIsTheDirectoryBitOnly) {
    FileEntry e;
    e.name = L"noext";
    EXPECT_FALSE(e.IsFolder());
    e.attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN;
    EXPECT_TRUE(e.IsFolder());
    e.folderPath = L"/a/";
    EXPECT_EQ(e.FullPath(), L"/a/noext");
}

TEST(PlaceholderEntry, IsAFixedFileTakenAsDaylightSavingTime) {
    testing::ScopedTimeZone tz("EST5EDT,M3.2.0,M11.1.0");
    const FileEntry e = PlaceholderEntry();
    EXPECT_EQ(e.folderPath, L"C:\\");
    EXPECT_EQ(e.name, L"FileName.test");
    EXPECT_EQ(e.Extension(), L".test");
    EXPECT_EQ(e.iconIndex, 0u);
    EXPECT_EQ(e.attributes, 0u);
    EXPECT_FALSE(e.IsFolder());
    // 1984-02-29 00:00:12 EDT (month 13 of 1983), which is 04:00:12 UTC.
    EXPECT_EQ(e.created, 446875212);
    EXPECT_EQ(e.modified, e.created);
    EXPECT_EQ(e.accessed, e.created);
}

}  // namespace
}  // namespace torvane
