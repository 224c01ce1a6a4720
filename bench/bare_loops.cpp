// The floors that whole_program.sh sets torvane-cli's jobs beside: bare
// system-call loops over a folder and every folder below it, with no checks,
// no log and no listing kept beyond the names.
//
//   bare_loops rename FOLDER FROM-PREFIX TO-PREFIX
//       readdir + renameat2(RENAME_NOREPLACE) of each name starting with the
//       prefix, the prefix replaced.
//   bare_loops times FOLDER
//       readdir + statx + lgetxattr("user.DOSATTRIB") of each file, then
//       utimensat with a modified time in 2020 (a job must read an entry
//       before it can work out its new time).
//   bare_loops attributes FOLDER
//       readdir + statx + lgetxattr of each file, then lsetxattr of a Samba
//       v3 record saying Hidden + Archive (the size the job writes).
//   bare_loops list FOLDER REGEX REPLACEMENT
//       readdir + statx + lgetxattr of every entry, and the regular
//       expression (Boost, on wide names, as the engine runs it) replaced
//       in each name; one "old<TAB>new" line per changed name on standard
//       output, buffered.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <boost/regex.hpp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr const char* kStored = "user.DOSATTRIB";

struct Listed {
    std::string name;
    unsigned char type;
};

std::vector<Listed> ReadNames(DIR* dir) {
    std::vector<Listed> names;
    while (const dirent* d = ::readdir(dir)) {
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0)
            continue;
        names.push_back({d->d_name, d->d_type});
    }
    return names;
}

// Calls `each(folderFd, folderPath, entry)` for every entry of `path` and of
// every folder below it, a folder's entries before its subfolders'.
int Walk(const std::string& path,
         const std::function<int(int, const std::string&, const Listed&)>& each) {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr)
        return 1;
    const auto names = ReadNames(dir);
    const int fd = ::dirfd(dir);
    int failed = 0;
    for (const auto& entry : names)
        failed += each(fd, path, entry) != 0;
    for (const auto& entry : names) {
        if (entry.type == DT_DIR)
            failed += Walk(path + "/" + entry.name, each);
    }
    ::closedir(dir);
    return failed;
}

// statx + the stored word, as any job reads an entry before changing it.
int ReadEntry(int fd, const std::string& folder, const std::string& name) {
    struct statx stx {};
    if (::statx(fd, name.c_str(), AT_SYMLINK_NOFOLLOW,
                STATX_TYPE | STATX_MODE | STATX_INO | STATX_ATIME | STATX_MTIME | STATX_BTIME,
                &stx) != 0)
        return -1;
    char buffer[256];
    if (::lgetxattr((folder + "/" + name).c_str(), kStored, buffer, sizeof buffer) < 0 &&
        errno != ENODATA)
        return -1;
    return 0;
}

// A Samba v3 record of Hidden + Archive (0x22) without a creation time.
std::string HiddenArchiveRecord() {
    std::string out("0x22");
    out.append(2, '\0');                                // the text's end, aligned to 2
    out.append("\x03\x00\x03\x00\x00\x00", 6);          // version, union level, aligned to 4
    out.append("\x01\x00\x00\x00\x22\x00\x00\x00", 8);  // flags: attributes; the word
    out.append(36, '\0');                               // ea size, sizes and times: 56 bytes
    return out;
}

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());  // the benchmark's names are ASCII
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "rename" && argc == 5) {
        const std::string from = argv[3];
        const std::string to = argv[4];
        return Walk(argv[2],
                    [&](int fd, const std::string&, const Listed& e) {
                        if (!e.name.starts_with(from))
                            return 0;
                        const std::string renamed = to + e.name.substr(from.size());
                        return ::renameat2(fd, e.name.c_str(), fd, renamed.c_str(),
                                           RENAME_NOREPLACE);
                    }) == 0
                   ? 0
                   : 1;
    }
    if (mode == "times" && argc == 3) {
        return Walk(argv[2],
                    [](int fd, const std::string& folder, const Listed& e) {
                        if (e.type != DT_REG)
                            return 0;
                        if (ReadEntry(fd, folder, e.name) != 0)
                            return -1;
                        const struct timespec times[2] = {{0, UTIME_OMIT}, {1590000000, 0}};
                        return ::utimensat(fd, e.name.c_str(), times, AT_SYMLINK_NOFOLLOW);
                    }) == 0
                   ? 0
                   : 1;
    }
    if (mode == "attributes" && argc == 3) {
        const std::string record = HiddenArchiveRecord();
        return Walk(argv[2],
                    [&](int fd, const std::string& folder, const Listed& e) {
                        if (e.type != DT_REG)
                            return 0;
                        if (ReadEntry(fd, folder, e.name) != 0)
                            return -1;
                        return ::lsetxattr((folder + "/" + e.name).c_str(), kStored, record.data(),
                                           record.size(), 0);
                    }) == 0
                   ? 0
                   : 1;
    }
    if (mode == "list" && argc == 5) {
        const boost::wregex pattern(Widen(argv[3]));
        const std::wstring replacement = Widen(argv[4]);
        std::string out;
        const int failed = Walk(argv[2], [&](int fd, const std::string& folder, const Listed& e) {
            if (ReadEntry(fd, folder, e.name) != 0)
                return -1;
            const std::wstring name = Widen(e.name);
            const std::wstring renamed = boost::regex_replace(
                name, pattern, replacement, boost::format_first_only | boost::format_all);
            if (renamed != name) {
                out.append(e.name).push_back('\t');
                out.append(renamed.begin(), renamed.end());
                out.push_back('\n');
            }
            return 0;
        });
        std::fwrite(out.data(), 1, out.size(), stdout);
        return failed == 0 ? 0 : 1;
    }
    std::fprintf(stderr,
                 "usage: bare_loops rename FOLDER FROM TO | times FOLDER | attributes FOLDER | "
                 "list FOLDER REGEX REPLACEMENT\n");
    return 2;
}
