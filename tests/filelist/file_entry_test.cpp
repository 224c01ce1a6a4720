#include "filelist/file_entry.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace torvane
