#include "platform/text_file.hpp"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fake_file_system.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "small_tmpfs.hpp"
#include "temp_dir.hpp"
#include "utf16_bytes.hpp"

namespace torvane {
namespace {

using testing::FakeFileSystem;
using testing::ReadBytes;
using testing::SmallTmpfs;
using testing::TempDir;
using testing::Utf16Le;
using testing::WriteBytes;

// The Linux file system, for the cases that read and write real files.
FileSystem& Disk() {
    static PosixFileSystem disk;
    return disk;
}

const std::string kUtf16Mark = "\xFF\xFE";
const std::string kUtf8Mark = "\xEF\xBB\xBF";

std::vector<std::wstring> ReadAllLines(const std::string& path) {
    TextFileReader reader(Disk());
    EXPECT_TRUE(reader.Open(FromUtf8(path)).ok());
    std::vector<std::wstring> lines;
    std::wstring line;
    TextFileReader::Next next;
    while ((next = reader.ReadLine(line)) == TextFileReader::Next::kLine)
        lines.push_back(line);
    EXPECT_EQ(next, TextFileReader::Next::kEnd);
    return lines;
}

struct ReadCase {
    const char* what;
    std::string bytes;
    std::vector<std::wstring> lines;
};

TEST(TextFileReader, ReadsLinesLikeTheUnicodeTextMode) {
    const ReadCase cases[] = {
        {"marked UTF-16", kUtf16Mark + Utf16Le(u"one\r\ntwo\r\n"), {L"one", L"two"}},
        {"UTF-16 without mark", Utf16Le(u"one\r\ntwo"), {L"one", L"two"}},
        {"UTF-8 with mark", kUtf8Mark + "caf\xC3\xA9\r\nx\n", {L"caf\u00E9", L"x"}},
        {"last line without line feed", kUtf16Mark + Utf16Le(u"a\r\nb"), {L"a", L"b"}},
        {"bare LF and a CR not before LF", kUtf16Mark + Utf16Le(u"a\nb\rc\r\n"), {L"a", L"b\rc"}},
        {"CR CR LF keeps one CR", kUtf16Mark + Utf16Le(u"a\r\r\n"), {L"a\r"}},
        {"blank lines are lines", kUtf16Mark + Utf16Le(u"\r\n\r\nx\r\n"), {L"", L"", L"x"}},
        {"empty file", "", {}},
        {"only the mark", kUtf16Mark, {}},
        {"only the UTF-8 mark", kUtf8Mark, {}},
        {"odd trailing byte is ignored", kUtf16Mark + Utf16Le(u"ab") + "c", {L"ab"}},
        {"LF byte inside a UTF-16 unit is no line end",
         kUtf16Mark + Utf16Le(u"\x0A0B\r\n"),
         {L"\x0A0B"}},
        {"surrogate pair",
         kUtf16Mark + Utf16Le(u"\xD83D\xDE00"),
         {std::wstring(1, static_cast<wchar_t>(0x1F600))}},
        {"UTF-8 mark not at the start is UTF-16 text", "a" + kUtf8Mark, {L"\xEF61\xBFBB"}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const auto path = dir.Join("f.txt");
        WriteBytes(path, c.bytes);
        EXPECT_EQ(ReadAllLines(path), c.lines) << c.what;
    }
}

TEST(TextFileReader, LinesLongerThanTheBufferAndManyLines) {
    TempDir dir;
    std::u16string text;
    const std::u16string longLine(200000, u'x');
    text += longLine + u"\r\n";
    for (int i = 0; i < 30000; ++i)
        text += u"line\r\n";
    WriteBytes(dir.Join("big"), kUtf16Mark + Utf16Le(text));
    const auto lines = ReadAllLines(dir.Join("big"));
    ASSERT_EQ(lines.size(), 30001u);
    EXPECT_EQ(lines[0].size(), 200000u);
    EXPECT_EQ(lines.back(), L"line");
}

TEST(TextFileReader, CrLfSplitAcrossBufferBoundaryIsOneLineEnd) {
    // Put the CR as the last unit of the first 64 KiB chunk.
    TempDir dir;
    const size_t chunk = 64 * 1024;
    std::u16string text((chunk - 2) / 2 - 1, u'a');  // after the 2-byte mark
    text += u"\r\nb";
    WriteBytes(dir.Join("f"), kUtf16Mark + Utf16Le(text));
    const auto lines = ReadAllLines(dir.Join("f"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].back(), L'a');
    EXPECT_EQ(lines[1], L"b");
}

struct LimitCase {
    const char* what;
    std::string bytes;
    std::vector<std::pair<TextFileReader::Next, std::wstring>> results;
};

TEST(TextFileReader, LineLimitCutsLongLinesAndSkipsTheirRest) {
    using N = TextFileReader::Next;
    const LimitCase cases[] = {
        {"at the limit",
         kUtf16Mark + Utf16Le(u"abcd\r\nx"),
         {{N::kLine, L"abcd"}, {N::kLine, L"x"}}},
        {"one over",
         kUtf16Mark + Utf16Le(u"abcde\r\nx"),
         {{N::kLongLine, L"abcd"}, {N::kLine, L"x"}}},
        {"CR after a full line is dropped, not counted",
         kUtf16Mark + Utf16Le(u"abcd\r\n"),
         {{N::kLine, L"abcd"}}},
        {"a lone CR is counted", kUtf16Mark + Utf16Le(u"abcd\r"), {{N::kLongLine, L"abcd"}}},
        {"long last line",
         kUtf16Mark + Utf16Le(u"x\nabcdefgh"),
         {{N::kLine, L"x"}, {N::kLongLine, L"abcd"}}},
        {"UTF-8 counts bytes",
         kUtf8Mark + "\xC3\xA9\xC3\xA9\xC3\xA9\n",
         {{N::kLongLine, L"\u00E9\u00E9"}}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        WriteBytes(dir.Join("f"), c.bytes);
        TextFileReader reader(Disk());
        ASSERT_TRUE(reader.Open(FromUtf8(dir.Join("f"))).ok());
        std::vector<std::pair<N, std::wstring>> results;
        std::wstring line;
        for (N next; (next = reader.ReadLine(line, 4)) != N::kEnd && next != N::kError;)
            results.emplace_back(next, line);
        EXPECT_EQ(results, c.results) << c.what;
    }
}

TEST(TextFileReader, LineLimitSkipsAHugeLineAcrossManyBuffers) {
    TempDir dir;
    std::u16string text(3 * 64 * 1024 + 5, u'y');
    text += u"\r\r\nend";
    WriteBytes(dir.Join("f"), kUtf16Mark + Utf16Le(text));
    TextFileReader reader(Disk());
    ASSERT_TRUE(reader.Open(FromUtf8(dir.Join("f"))).ok());
    std::wstring line;
    EXPECT_EQ(reader.ReadLine(line, 10), TextFileReader::Next::kLongLine);
    EXPECT_EQ(line, std::wstring(10, L'y'));
    EXPECT_EQ(reader.ReadLine(line, 10), TextFileReader::Next::kLine);
    EXPECT_EQ(line, L"end");
    EXPECT_EQ(reader.ReadLine(line, 10), TextFileReader::Next::kEnd);
}

TEST(TextFileReader, OpenFailuresGiveTheLibrarysText) {
    TempDir dir;
    TextFileReader reader(Disk());
    auto st = reader.Open(FromUtf8(dir.Join("missing")));
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().text, L"No such file or directory");
    st = reader.Open(FromUtf8(dir.path()));
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().text, L"Is a directory");
    if (::geteuid() != 0) {  // root reads whatever the mode says
        WriteBytes(dir.Join("locked"), "x");
        ::chmod(dir.Join("locked").c_str(), 0);
        st = reader.Open(FromUtf8(dir.Join("locked")));
        ASSERT_FALSE(st.ok());
        EXPECT_EQ(st.error().text, L"Permission denied");
    }
}

TEST(TextFileReader, ReadErrorIsReportedNotSwallowed) {
    // /proc/self/mem opens, but reading its unmapped first page fails with EIO.
    TextFileReader reader(Disk());
    const auto st = reader.Open(L"/proc/self/mem");
    if (!st.ok()) {
        EXPECT_EQ(st.error().code, EIO);
        return;
    }
    std::wstring line;
    EXPECT_EQ(reader.ReadLine(line), TextFileReader::Next::kError);
    EXPECT_EQ(reader.error().code, EIO);
}

TEST(TextFileWriter, WritesMarkAndCrLfAndKeepsCarriageReturns) {
    TempDir dir;
    for (auto mode :
         {TextFileWriter::Mode::kTruncate, TextFileWriter::Mode::kReplaceWhenComplete}) {
        const auto path = dir.Join("out.txt");
        TextFileWriter w(Disk());
        ASSERT_TRUE(w.Open(FromUtf8(path), mode).ok());
        ASSERT_TRUE(w.Write(L"a\n").ok());
        ASSERT_TRUE(w.Write(L"sys text\r\n").ok());  // gives CR CR LF
        ASSERT_TRUE(w.Write(std::wstring(1, static_cast<wchar_t>(0x1F600))).ok());
        ASSERT_TRUE(w.Close().ok());
        EXPECT_EQ(ReadBytes(path), kUtf16Mark + Utf16Le(u"a\r\nsys text\r\r\n\xD83D\xDE00"));
    }
}

TEST(TextFileWriter, RoundTripsThroughTheReader) {
    TempDir dir;
    const auto path = FromUtf8(dir.Join("rt.txt"));
    const std::vector<std::wstring> lines = {L"$FileName<>FIND=a<>NAME=x<>", L"", L"\u00E9\xDC80"};
    TextFileWriter w(Disk());
    ASSERT_TRUE(w.Open(path).ok());
    for (const auto& l : lines)
        ASSERT_TRUE(w.Write(l + L"\n").ok());
    ASSERT_TRUE(w.Close().ok());
    EXPECT_EQ(ReadAllLines(ToUtf8(path)), lines);
}

TEST(TextFileWriter, OpenFailuresGiveTheLibrarysText) {
    TempDir dir;
    for (auto mode :
         {TextFileWriter::Mode::kTruncate, TextFileWriter::Mode::kReplaceWhenComplete}) {
        TextFileWriter w(Disk());
        auto st = w.Open(FromUtf8(dir.Join("no/such/folder/f.txt")), mode);
        ASSERT_FALSE(st.ok());
        EXPECT_EQ(st.error().text, L"No such file or directory");
        st = w.Open(FromUtf8(dir.path()), mode);
        ASSERT_FALSE(st.ok());
        EXPECT_EQ(st.error().text, L"Is a directory");
    }
}

TEST(TextFileWriter, ReplaceModeKeepsTheOldFileUntilComplete) {
    TempDir dir;
    const auto path = dir.Join("keep.tvt");
    WriteBytes(path, "old");
    ::chmod(path.c_str(), 0640);
    {
        TextFileWriter w(Disk());
        ASSERT_TRUE(w.Open(FromUtf8(path), TextFileWriter::Mode::kReplaceWhenComplete).ok());
        ASSERT_TRUE(w.Write(L"new\n").ok());
        EXPECT_EQ(ReadBytes(path), "old");  // nothing replaced yet
        // Destroyed without Close: abandoned, the old file stays.
    }
    EXPECT_EQ(ReadBytes(path), "old");
    TextFileWriter w(Disk());
    ASSERT_TRUE(w.Open(FromUtf8(path), TextFileWriter::Mode::kReplaceWhenComplete).ok());
    ASSERT_TRUE(w.Write(L"new\n").ok());
    ASSERT_TRUE(w.Close().ok());
    EXPECT_EQ(ReadBytes(path), kUtf16Mark + Utf16Le(u"new\r\n"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);  // the old file's permissions are kept
    // No temporary file is left behind.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(TextFileWriter, ReplaceModeWritesThroughASymbolicLink) {
    TempDir dir;
    const auto target = dir.Join("real.ini");
    const auto link = dir.Join("link.ini");
    WriteBytes(target, "old");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    TextFileWriter w(Disk());
    ASSERT_TRUE(w.Open(FromUtf8(link), TextFileWriter::Mode::kReplaceWhenComplete).ok());
    ASSERT_TRUE(w.Write(L"n").ok());
    ASSERT_TRUE(w.Close().ok());
    EXPECT_TRUE(std::filesystem::is_symlink(link));  // still a link
    EXPECT_EQ(ReadBytes(target), kUtf16Mark + Utf16Le(u"n"));
}

TEST(TextFileWriter, ReplaceModeWritesInPlaceWhenTheFolderRefusesNewFiles) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root creates files in any folder";
    TempDir dir;
    const auto folder = dir.Join("locked");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const auto path = folder + "/config.ini";
    WriteBytes(path, "old");
    ::chmod(folder.c_str(), 0555);
    TextFileWriter w(Disk());
    ASSERT_TRUE(w.Open(FromUtf8(path), TextFileWriter::Mode::kReplaceWhenComplete).ok());
    ASSERT_TRUE(w.Write(L"n").ok());
    EXPECT_TRUE(w.Close().ok());
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(ReadBytes(path), kUtf16Mark + Utf16Le(u"n"));
}

// ------------------------------------------------ failures on the fake

TEST(TextFileReader, ReadErrorPartWayKeepsTheLinesBeforeIt) {
    using N = TextFileReader::Next;
    const std::string bytes = kUtf16Mark + Utf16Le(u"one\r\ntwo\r\nthree\r\n");
    struct Case {
        std::size_t failAt;
        bool opens;
        std::vector<std::wstring> lines;  // read before the error
    };
    const Case cases[] = {
        // The open reads three bytes, enough for either mark, or fails.
        {0, false, {}},
        {2, false, {}},
        {3, true, {}},
        {12, true, {L"one"}},  // just after "one\r\n"
        {20, true, {L"one"}},  // inside "two"
        {22, true, {L"one", L"two"}},
        {bytes.size() - 1, true, {L"one", L"two"}},  // the last line feed is cut
    };
    for (const auto& c : cases) {
        FakeFileSystem fs;
        fs.AddPlainFile(L"/f.txt", bytes);
        fs.FailReadAt(L"/f.txt", c.failAt, EIO);
        TextFileReader reader(fs);
        const Status opened = reader.Open(L"/f.txt");
        ASSERT_EQ(opened.ok(), c.opens) << c.failAt;
        if (!c.opens) {
            EXPECT_EQ(opened.error().text, L"Input/output error");
            continue;
        }
        std::vector<std::wstring> lines;
        std::wstring line;
        N next;
        while ((next = reader.ReadLine(line)) == N::kLine)
            lines.push_back(line);
        EXPECT_EQ(next, N::kError) << c.failAt;
        EXPECT_EQ(reader.error().text, L"Input/output error") << c.failAt;
        EXPECT_EQ(lines, c.lines) << c.failAt;
    }
}

TEST(TextFileWriter, AFailureAtAnyStepOfReplacingKeepsTheOldFile) {
    using Call = FakeFileSystem::Call;
    struct Case {
        const char* what;
        void (*fail)(FakeFileSystem&);
        std::wstring text;
    };
    const Case cases[] = {
        {"open", [](FakeFileSystem& fs) { fs.FailOn(Call::kOpenForWriting, L"/d/f", EROFS); },
         L"Read-only file system"},
        {"full disk", [](FakeFileSystem& fs) { fs.FailWriteAfter(L"/d/f", 10); },
         L"No space left on device"},
        {"write", [](FakeFileSystem& fs) { fs.FailOn(Call::kWrite, L"", EIO); },
         L"Input/output error"},
        {"rename", [](FakeFileSystem& fs) { fs.FailOn(Call::kCommit, L"/d/f", EXDEV); },
         L"Invalid cross-device link"},
    };
    for (const auto& c : cases) {
        FakeFileSystem fs;
        fs.AddPlainFile(L"/d/f", "old");
        c.fail(fs);
        TextFileWriter w(fs);
        Status st = w.Open(L"/d/f", TextFileWriter::Mode::kReplaceWhenComplete);
        if (st.ok())
            st = w.Write(std::wstring(100000, L'x'));
        if (st.ok())
            st = w.Close();
        ASSERT_FALSE(st.ok()) << c.what;
        EXPECT_EQ(st.error().text, c.text) << c.what;
        EXPECT_EQ(w.Write(L"more").error().text, c.text) << c.what;  // the first error stays
        EXPECT_EQ(fs.Lookup(L"/d/f")->content, "old") << c.what;
        EXPECT_EQ(fs.PathsUnder(L"/d"), std::vector<std::wstring>{L"/d/f"}) << c.what;
    }
}

TEST(TextFileWriter, FullDiskInTruncateModeLeavesWhatFitted) {
    FakeFileSystem fs;
    fs.AddPlainFile(L"/f", "old contents");
    fs.FailWriteAfter(L"/f", 6);
    TextFileWriter w(fs);
    ASSERT_TRUE(w.Open(L"/f").ok());
    ASSERT_TRUE(w.Write(L"abcdef").ok());  // still in the buffer
    const Status st = w.Close();
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().code, ENOSPC);
    EXPECT_EQ(fs.Lookup(L"/f")->content, kUtf16Mark + Utf16Le(u"ab"));
}

// ------------------------------------------------ a real full disk

TEST(TextFileWriter, RealFullDiskFailsTheSaveAndKeepsTheOldFile) {
    SmallTmpfs disk("64k");
    if (!disk.mounted())
        GTEST_SKIP() << "can't mount a 64 KiB tmpfs on " << disk.path() << " (" << disk.why()
                     << "); mounting needs root";
    const auto path = disk.Join("prefs.ini");
    WriteBytes(path, "old");
    for (auto mode :
         {TextFileWriter::Mode::kReplaceWhenComplete, TextFileWriter::Mode::kTruncate}) {
        TextFileWriter w(Disk());
        ASSERT_TRUE(w.Open(FromUtf8(path), mode).ok());
        Status st = w.Write(std::wstring(100000, L'x'));  // 200 KB: more than fits
        if (st.ok())
            st = w.Close();
        ASSERT_FALSE(st.ok());
        EXPECT_EQ(st.error().text, L"No space left on device");
        if (mode == TextFileWriter::Mode::kReplaceWhenComplete) {
            EXPECT_EQ(ReadBytes(path), "old");
        }
    }
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.path()), {}), 1);
}

}  // namespace
}  // namespace torvane
