// Reads any bytes as a shortcut file next to a few entries and resolves it,
// checking what ResolveShortcut promises. The first byte chooses whether the
// rest is the whole file or follows a valid header start (size and class id),
// so that most inputs reach the flags, LinkInfo and strings.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fake_file_system.hpp"
#include "filelist/shortcut.hpp"
#include "fuzz_support.hpp"
#include "platform/text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvane;
    if (size == 0)
        return 0;
    std::string bytes;
    if (data[0] & 1) {
        bytes.assign("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20);
    }
    bytes.append(reinterpret_cast<const char*>(data + 1), size - 1);

    testing::FakeFileSystem fs;
    fs.AddFile(L"/d/s/t.txt");
    fs.AddFile(L"/d/x.jpg");
    fs.AddFolder(L"/d/f");
    const std::wstring link = L"/d/s/link.lnk";
    fs.AddPlainFile(link, bytes);

    std::wstring target = L"stale";
    const int result = ResolveShortcut(fs, link, target);
    if (result != 0 && result != EINVAL && result != ENOENT)
        fuzz::Fail("an error other than EINVAL or ENOENT");
    if ((result == EINVAL) != !ParseShellLink(bytes).has_value())
        fuzz::Fail("EINVAL and the parser disagree");
    if (result == EINVAL && !target.empty())
        fuzz::Fail("a target for a damaged shortcut");
    if (target.find(L'\\') != std::wstring::npos)
        fuzz::Fail("a backslash left in the target");
    if (target.size() > 1 && target.back() == kPathSeparator)
        fuzz::Fail("a trailing separator on the target");
    if (result == 0 && !fs.GetAttributes(target).ok())
        fuzz::Fail("success with a missing target");
    std::wstring again;
    if (ResolveShortcut(fs, link, again) != result || again != target)
        fuzz::Fail("a second resolution differs");
    return 0;
}
