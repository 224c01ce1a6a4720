#include "temp_dir.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#ifdef _WIN32
#include <process.h>
#else
#include <sys/stat.h>
#endif

namespace torvane::testing {
namespace {

// A path of UTF-8 bytes as the library's path type: on Windows the narrow
// form would be read in the ANSI code page.
std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

#ifdef _WIN32
// A new folder in the system's temporary folder, named for this process and
// a counter, with '/' separators.
std::string MakeTempFolder() {
    static int counter = 0;
    std::error_code ec;
    const auto base = std::filesystem::temp_directory_path(ec);
    for (int tries = 0; tries < 1000; ++tries) {
        const auto candidate = base / ("torvane-test-" + std::to_string(::_getpid()) + "-" +
                                       std::to_string(++counter));
        if (std::filesystem::create_directory(candidate, ec)) {
            const std::u8string generic = candidate.generic_u8string();
            return std::string(generic.begin(), generic.end());
        }
    }
    ADD_FAILURE() << "no temporary folder could be made";
    return {};
}
#else
std::string MakeTempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/torvane-test-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr)
        ADD_FAILURE() << "mkdtemp failed";
    return templ;
}
#endif

// Makes an entry writable again so that it can be removed: folders on
// Linux, where Read-only is a permission, and anything on Windows, where it
// is an attribute that refuses deletion.
void MakeRemovable(const std::filesystem::path& path, bool folder) {
    std::error_code ec;
#ifdef _WIN32
    (void)folder;
    std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
#else
    if (folder)
        ::chmod(path.c_str(), 0700);
#endif
}

}  // namespace

TempDir::TempDir() : path_(MakeTempFolder()) {}

TempDir::~TempDir() {
    std::error_code ec;
    const auto root = PathOf(path_);
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        MakeRemovable(it->path(), it->is_directory(ec) && !it->is_symlink(ec));
    }
    MakeRemovable(root, true);
    std::filesystem::remove_all(root, ec);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << "cannot create " << path;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out) << "cannot write " << path;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace torvane::testing
