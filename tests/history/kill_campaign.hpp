#pragma once

// The kill campaign's shared parts: the tree a run starts from, the job's
// plan (names, times and attribute words set per entry, so that chains,
// swaps, rotations of three and a renumbering shift all occur), and the
// exact state of every entry that the undo must give back.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "engine/plan.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"

namespace torvane::testing {

// What one run's job changes and where.
struct CampaignVariant {
    bool subfolders = false;  // -SubFolders: two folders below the root
    bool folders = false;     // folders are retrieved too (and renamed)
    bool names = true;
    bool times = false;
    bool attributes = false;

    std::string Text() const {
        return std::string(subfolders ? "s" : "-") + (folders ? "f" : "-") + (names ? "n" : "-") +
               (times ? "t" : "-") + (attributes ? "a" : "-");
    }
    static CampaignVariant Of(const std::string& text) {
        CampaignVariant v;
        v.subfolders = text.find('s') != std::string::npos;
        v.folders = text.find('f') != std::string::npos;
        v.names = text.find('n') != std::string::npos;
        v.times = text.find('t') != std::string::npos;
        v.attributes = text.find('a') != std::string::npos;
        return v;
    }
};

// The number in a campaign name ("n17" is 17).
inline long CampaignNumber(const std::wstring& name) {
    return std::stol(name.substr(1));
}

// The new name of file n<k>: in groups of ten by the group's number modulo
// four, a shift (each takes the next one's name, the last a free name), pairs
// swapped, rotations of three, or a plain new name.
inline std::wstring CampaignFileName(long k) {
    const long p = k % 10;
    switch ((k / 10) % 4) {
        case 0:
            return p == 9 ? L"s" + std::to_wstring(k) : L"n" + std::to_wstring(k + 1);
        case 1:
            return L"n" + std::to_wstring(p % 2 == 0 ? k + 1 : k - 1);
        case 2:
            if (p == 9)
                return L"n" + std::to_wstring(k);
            return L"n" + std::to_wstring(p % 3 == 2 ? k - 2 : k + 1);
        default:
            return L"r" + std::to_wstring(k);
    }
}

// Gives the plan's entries their campaign values and plans their steps anew.
inline void ShapeCampaignPlan(JobPlan& plan, const CampaignVariant& v,
                              const EngineSettings& settings) {
    plan.changes = 0;
    plan.problems = 0;
    for (PlannedFolder& f : plan.folders) {
        for (std::size_t i = 0; i < f.current.size(); ++i) {
            const FileEntry& was = f.current[i];
            FileEntry& will = f.updated[i];
            will = was;
            const long k = CampaignNumber(was.name.wide());
            if (v.names)
                will.name = was.IsFolder() ? L"e" + std::to_wstring(k) : CampaignFileName(k);
            if (v.times) {
                will.modified = 1600000000 + k;
                will.accessed = 1500000000 + k;
            }
            if (v.attributes) {
                will.attributes ^= was.IsFolder() ? FILE_ATTRIBUTE_HIDDEN
                                                  : FILE_ATTRIBUTE_READONLY |
                                                        (k % 3 == 0 ? FILE_ATTRIBUTE_HIDDEN : 0);
            }
            f.steps[i] = StepsFor(was, will, settings);
            plan.changes += f.steps[i].any() ? 1 : 0;
        }
        f.findings = CheckFolder(f.current, f.updated, f.steps, {}, f.traits);
        plan.problems += static_cast<std::int64_t>(f.findings.size());
    }
}

// Makes `count` files n0, n1, ... in `folder`: modes 0664 and 0464 in turn,
// half of them with a stored attribute record (Archive), times with
// nanoseconds.
inline void MakeCampaignFiles(const std::string& folder, int count, std::mt19937& random) {
    PosixFileSystem fs;
    auto opened = fs.OpenFolder(FromUtf8(folder));
    for (int k = 0; k < count; ++k) {
        const std::string name = "n" + std::to_string(k);
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            (void)!::write(fd, "x", 1);
            ::close(fd);
        }
        if (k % 4 < 2 && opened)
            (*opened)->SetAttributes(FromUtf8(name), FILE_ATTRIBUTE_ARCHIVE);
        ::chmod(path.c_str(), k % 2 == 0 ? 0664 : 0464);
        const struct timespec times[2] = {{1400000000 + static_cast<time_t>(random() % 100000000),
                                           static_cast<long>(random() % 1000000000)},
                                          {1300000000 + static_cast<time_t>(random() % 100000000),
                                           static_cast<long>(random() % 1000000000)}};
        ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
}

// An entry's state as the campaign compares it.
struct CampaignState {
    std::string path;  // below the root
    bool folder = false;
    unsigned mode = 0;
    std::int64_t modifiedNs = 0, accessedNs = 0;
    bool hasRecord = false;
    std::string record;

    bool operator==(const CampaignState&) const = default;
};

inline std::string RecordText(const CampaignState& s) {
    if (!s.hasRecord)
        return "none";
    std::string hex;
    for (unsigned char c : s.record) {
        static const char* digits = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

inline std::ostream& operator<<(std::ostream& out, const CampaignState& s) {
    return out << s.path << " mode " << std::oct << s.mode << std::dec << " m " << s.modifiedNs
               << " a " << s.accessedNs << " record " << RecordText(s);
}

// Every entry below `root` by inode.
inline std::map<ino_t, CampaignState> CampaignSnapshot(const std::string& root) {
    std::map<ino_t, CampaignState> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        struct stat st {};
        if (::lstat(e.path().c_str(), &st) != 0)
            continue;
        CampaignState s;
        s.path = std::filesystem::relative(e.path(), root).string();
        s.folder = S_ISDIR(st.st_mode);
        s.mode = st.st_mode & 07777;
        s.modifiedNs = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
        s.accessedNs = st.st_atim.tv_sec * 1000000000LL + st.st_atim.tv_nsec;
        // Samba's record on native file systems, NTFS's own word through
        // ntfs-3g.
        for (const char* name : {"user.DOSATTRIB", "system.ntfs_attrib_be"}) {
            char buffer[256];
            const ssize_t n = ::lgetxattr(e.path().c_str(), name, buffer, sizeof buffer);
            if (n < 0)
                continue;
            s.hasRecord = true;
            s.record += std::string(name) + "=" + std::string(buffer, static_cast<std::size_t>(n));
        }
        out[st.st_ino] = s;
    }
    return out;
}

}  // namespace torvane::testing
