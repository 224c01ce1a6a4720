// The floor for a rename job as a whole process: read a folder and rename
// every entry whose name starts with a prefix, replacing the prefix, with
// renameat2(RENAME_NOREPLACE). No listing metadata, no checks, no log.
// Usage: bare_rename FOLDER FROM-PREFIX TO-PREFIX
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bare_rename FOLDER FROM-PREFIX TO-PREFIX\n");
        return 2;
    }
    DIR* dir = ::opendir(argv[1]);
    if (dir == nullptr)
        return 1;
    const std::string from = argv[2];
    const std::string to = argv[3];
    std::vector<std::string> names;
    while (const dirent* d = ::readdir(dir)) {
        if (std::string_view(d->d_name).starts_with(from))
            names.emplace_back(d->d_name);
    }
    const int fd = ::dirfd(dir);
    int failed = 0;
    for (const auto& name : names) {
        const std::string renamed = to + name.substr(from.size());
        failed += ::renameat2(fd, name.c_str(), fd, renamed.c_str(), RENAME_NOREPLACE) != 0;
    }
    ::closedir(dir);
    return failed == 0 ? 0 : 1;
}
