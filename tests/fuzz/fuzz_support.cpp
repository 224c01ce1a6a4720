#include "fuzz_support.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace torvane::fuzz {

const std::string& ScratchFolder() {
    // Never destroyed, so the exit handler can still use it.
    static const std::string* folder = [] {
        // A memory file system when there is one: the writers' fsync is cheap there.
        const bool shm = ::access("/dev/shm", W_OK) == 0;
        std::string templ = std::string(shm ? "/dev/shm" : "/tmp") + "/torvane-fuzz-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr)
            Fail("mkdtemp failed");
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchFolder(), ec);
        });
        return new std::string(templ);
    }();
    return *folder;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail("cannot create the input file");
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            Fail("cannot write the input file");
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    ::close(fd);
}

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}

}  // namespace torvane::fuzz
