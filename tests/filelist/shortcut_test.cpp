#include "filelist/shortcut.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "fake_file_system.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "temp_dir.hpp"
#include "utf16_bytes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;

// What a test shortcut holds.
struct LinkContents {
    std::wstring relative = {};       // StringData RELATIVE_PATH, empty for none
    std::string localBase = {};       // LinkInfo LocalBasePath (8-bit), empty for no LinkInfo
    std::wstring localBaseWide = {};  // LinkInfo LocalBasePathUnicode, empty for none
    std::string suffix = {};          // LinkInfo CommonPathSuffix
    bool unicode = true;              // StringData in UTF-16
};

void Put(std::string& out, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutWide(std::string& out, const std::wstring& text, bool terminate) {
    out += testing::Utf16Le(ToUtf16(text));
    if (terminate)
        Put(out, 0, 2);
}

std::string LinkInfo(const LinkContents& contents) {
    const bool wide = !contents.localBaseWide.empty();
    const std::uint32_t header = wide ? 0x24 : 0x1C;
    std::string volume;
    Put(volume, 0x11, 4);  // VolumeIDSize
    Put(volume, 3, 4);     // fixed drive
    Put(volume, 0, 4);     // serial number
    Put(volume, 0x10, 4);  // label offset
    volume.push_back('\0');
    std::string strings = volume;
    const auto baseAt = header + strings.size();
    strings += contents.localBase + '\0';
    const auto suffixAt = header + strings.size();
    strings += contents.suffix + '\0';
    const auto baseWideAt = header + strings.size();
    if (wide)
        PutWide(strings, contents.localBaseWide, true);
    const auto suffixWideAt = header + strings.size();
    if (wide)
        PutWide(strings, L"", true);
    std::string out;
    Put(out, header + static_cast<std::uint32_t>(strings.size()), 4);
    Put(out, header, 4);
    Put(out, 1, 4);  // VolumeIDAndLocalBasePath
    Put(out, header, 4);
    Put(out, static_cast<std::uint32_t>(baseAt), 4);
    Put(out, 0, 4);
    Put(out, static_cast<std::uint32_t>(suffixAt), 4);
    if (wide) {
        Put(out, static_cast<std::uint32_t>(baseWideAt), 4);
        Put(out, static_cast<std::uint32_t>(suffixWideAt), 4);
    }
    return out + strings;
}

// A shortcut file in the Shell Link binary format, with an ID list, an
// optional LinkInfo, a name and an optional relative path.
std::string BuildLink(const LinkContents& contents) {
    const bool hasInfo = !contents.localBase.empty() || !contents.localBaseWide.empty();
    std::uint32_t flags = 0x1 | 0x4 | (contents.unicode ? 0x80 : 0);
    if (hasInfo)
        flags |= 0x2;
    if (!contents.relative.empty())
        flags |= 0x8;
    std::string out;
    Put(out, 0x4C, 4);
    out += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    Put(out, flags, 4);
    out.resize(0x4C, '\0');
    Put(out, 2, 2);  // ID list: just its terminator
    Put(out, 0, 2);
    if (hasInfo)
        out += LinkInfo(contents);
    for (const auto& text : {std::wstring(L"A description"), contents.relative}) {
        if (text.empty())
            continue;
        Put(out, static_cast<std::uint32_t>(ToUtf16(text).size()), 2);
        if (contents.unicode) {
            PutWide(out, text, false);
        } else {
            out += ToUtf8(text);
        }
    }
    return out;
}

class ResolveShortcutTest : public ::testing::Test {
  protected:
    int Resolve(const LinkContents& contents) {
        fs.AddPlainFile(L"/r/links/my.lnk", BuildLink(contents));
        return ResolveShortcut(fs, L"/r/links/my.lnk", target);
    }
    FakeFileSystem fs;
    std::wstring target = L"old";
};

TEST_F(ResolveShortcutTest, RelativePathAgainstTheShortcutsFolderComesFirst) {
    fs.AddFolder(L"/r/photos");
    fs.AddFile(L"/elsewhere/photos");
    EXPECT_EQ(Resolve({L"..\\photos", "/elsewhere/photos"}), 0);
    EXPECT_EQ(target, L"/r/photos");
}

TEST_F(ResolveShortcutTest, LocalBasePathWhenTheRelativeTargetIsGone) {
    fs.AddFile(L"/data/x.txt");
    EXPECT_EQ(Resolve({L".\\gone.txt", "/data/x.txt"}), 0);
    EXPECT_EQ(target, L"/data/x.txt");
}

TEST_F(ResolveShortcutTest, EightBitStringsAndThePathSuffix) {
    fs.AddFile(L"/data/sub/x.txt");
    EXPECT_EQ(Resolve({L"", "/data/", L"", "sub/x.txt", false}), 0);
    EXPECT_EQ(target, L"/data/sub/x.txt");
}

TEST_F(ResolveShortcutTest, LocalBasePathLosesItsTrailingSeparators) {
    fs.AddFolder(L"/data/sub");
    EXPECT_EQ(Resolve({L"", "/data/sub\\\\"}), 0);
    EXPECT_EQ(target, L"/data/sub");
    EXPECT_EQ(Resolve({L"", "/"}), 0);
    EXPECT_EQ(target, L"/");
}

TEST_F(ResolveShortcutTest, UnicodeLocalBasePathIsPreferred) {
    fs.AddFile(L"/donn\u00e9es/\u00e9t\u00e9.txt");
    EXPECT_EQ(Resolve({L"", "/donnees/ete.txt", L"/donn\u00e9es/\u00e9t\u00e9.txt"}), 0);
    EXPECT_EQ(target, L"/donn\u00e9es/\u00e9t\u00e9.txt");
}

TEST_F(ResolveShortcutTest, MissingTargetFailsButTellsThePath) {
    EXPECT_EQ(Resolve({L"", "C:\\Photos\\x.jpg"}), ENOENT);
    EXPECT_EQ(target, L"C:/Photos/x.jpg");
    EXPECT_EQ(Resolve({L"..\\..\\..\\up"}), ENOENT);
    EXPECT_EQ(target, L"/up");
}

TEST_F(ResolveShortcutTest, UnreadableFilesFail) {
    EXPECT_EQ(ResolveShortcut(fs, L"/r/none.lnk", target), ENOENT);
    fs.AddFolder(L"/r/dir.lnk");
    EXPECT_EQ(ResolveShortcut(fs, L"/r/dir.lnk", target), EISDIR);
    fs.AddPlainFile(L"/r/text.lnk", "not a shortcut");
    EXPECT_EQ(ResolveShortcut(fs, L"/r/text.lnk", target), EINVAL);
    EXPECT_EQ(target, L"");
}

TEST(IsShortcutName, EndsWithLnkInAnyAsciiCase) {
    const struct {
        const wchar_t* path;
        bool shortcut;
    } cases[] = {
        {L"a.lnk", true},
        {L"/x/a.LnK", true},
        {L".lnk", true},
        {L"/x/.LNK", true},
        {L"a.lnk.txt", false},
        {L"alnk", false},
        {L"a.lnk/", false},
        {L"lnk", false},
        {L"", false},
        {L"a.ln\u212A", false},            // the Kelvin sign folds to k only under Unicode rules
        {L"a.\uFF4C\uFF4E\uFF4B", false},  // full-width letters
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsShortcutName(c.path), c.shortcut) << c.path;
}

TEST(ParseShellLink, EveryTruncationIsDamage) {
    const auto bytes = BuildLink({L"..\\a", "/b", L"/c", "", true});
    ASSERT_EQ(ParseShellLink(bytes), (ShellLinkPaths{L"..\\a", L"/c"}));
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_EQ(ParseShellLink(bytes.substr(0, n)), std::nullopt) << n;
}

TEST(ParseShellLink, OffsetsOutsideTheirStructureAreDamage) {
    auto bytes = BuildLink({L"", "/b"});
    const std::size_t linkInfo = 0x4C + 4;
    auto broken = bytes;
    broken[linkInfo + 16] = '\x7F';  // LocalBasePathOffset beyond LinkInfoSize
    EXPECT_EQ(ParseShellLink(broken), std::nullopt);
    broken = bytes;
    broken[linkInfo] = '\x04';  // LinkInfoSize smaller than its header
    EXPECT_EQ(ParseShellLink(broken), std::nullopt);
    broken = bytes;
    broken[0] = '\x4D';  // header size
    EXPECT_EQ(ParseShellLink(broken), std::nullopt);
}

TEST(ParseShellLink, RandomDamageNeverCrashes) {
    const auto bytes = BuildLink({L"..\\a", "/b", L"/c", "s", true});
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        auto damaged = bytes;
        for (int flips = 0; flips < 3; ++flips)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        ParseShellLink(damaged);  // any result, but it returns
    }
}

TEST(ResolveShortcutOnDisk, ReadsARealFile) {
    testing::TempDir dir;
    testing::WriteBytes(dir.Join("target.txt"), "x");
    testing::WriteBytes(dir.Join("link.lnk"), BuildLink({L".\\target.txt"}));
    PosixFileSystem fs;
    std::wstring target;
    EXPECT_EQ(ResolveShortcut(fs, FromUtf8(dir.Join("link.lnk")), target), 0);
    EXPECT_EQ(target, FromUtf8(dir.Join("target.txt")));
}

}  // namespace
}  // namespace torvane
