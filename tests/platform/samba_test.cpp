// Torvane and Samba agree on a share's attributes and creation times: smbd
// from Debian's samba package runs on 127.0.0.1 with a configuration of its
// own (every folder it writes in a temporary folder, a free port, guests
// mapped to root so no account is added), sharing a temporary folder, and
// smbclient asks it what a Windows client would see. Samba 4.17 keeps the
// creation time in user.DOSATTRIB itself (store dos attributes = yes), so no
// VFS module is needed for it. Skipped, saying why, where smbd or smbclient
// is missing or smbd can't start.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>

#include "file_system_backends.hpp"
#include "path_steps.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "temp_dir.hpp"

extern char** environ;

namespace torvane {
namespace {

using testing::FileText;
using testing::ShellQuote;
using testing::TempDir;
using testing::WriteBytes;

// A port on 127.0.0.1 that nothing listened on a moment ago.
int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

// smbd serving the folder share() of a temporary folder as "share". Ready
// once it has logged that it waits for connections; stopped when destroyed.
class SambaServer {
  public:
    SambaServer() { why_ = Start(); }
    ~SambaServer() {
        if (pid_ > 0) {
            // smbd and whatever it started (samba-dcerpcd and its workers)
            // are one process group.
            ::kill(-pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        // Its output is read to the end, when the last of its processes is gone.
        if (drain_.joinable())
            drain_.join();
        if (output_)
            std::fclose(output_);
    }
    SambaServer(const SambaServer&) = delete;
    SambaServer& operator=(const SambaServer&) = delete;

    const std::string& why() const { return why_; }
    std::string share() const { return dir_.Join("share"); }
    std::string Share(const std::string& name) const { return share() + "/" + name; }

    // What smbclient prints for `commands` on the share (times in UTC), or
    // the failure.
    std::string Client(const std::string& commands) const {
        const std::string out = dir_.Join("client.out");
        const std::string command = "TZ=UTC LC_ALL=C smbclient -s " + ShellQuote(conf_) +
                                    " //127.0.0.1/share -p " + std::to_string(port_) + " -N -c " +
                                    ShellQuote(commands) + " </dev/null >" + ShellQuote(out) +
                                    " 2>&1";
        const int status = std::system(command.c_str());
        return (status == 0 ? "" : "smbclient failed: ") + FileText(out);
    }

  private:
    std::string Start() {
        if (::geteuid() != 0)
            return "smbd here maps guests to root, which needs root";
        for (const char* tool : {"/usr/sbin/smbd", "/usr/bin/smbclient"}) {
            if (::access(tool, X_OK) != 0)
                return std::string(tool) + " is not installed (scripts/install-deps installs it)";
        }
        port_ = FreePort();
        if (port_ == 0)
            return "no free port on 127.0.0.1";
        for (const char* sub :
             {"share", "private", "lock", "state", "cache", "pid", "ncalrpc", "log"})
            std::filesystem::create_directory(dir_.Join(sub));
        if (!testing::SupportsUserXattrs(share()))
            return "the temporary folder keeps no user extended attributes";
        conf_ = dir_.Join("smb.conf");
        const auto in = [&](const char* sub) { return dir_.Join(sub); };
        WriteBytes(conf_,
                   "[global]\n"
                   "server role = standalone server\n"
                   "interfaces = 127.0.0.1\n"
                   "bind interfaces only = yes\n"
                   "smb ports = " +
                       std::to_string(port_) +
                       "\n"
                       "disable netbios = yes\n"
                       "private dir = " +
                       in("private") + "\nbinddns dir = " + in("private") +
                       "\nlock directory = " + in("lock") + "\nstate directory = " + in("state") +
                       "\ncache directory = " + in("cache") + "\npid directory = " + in("pid") +
                       "\nncalrpc dir = " + in("ncalrpc") + "\nlog file = " + in("log") +
                       "/log.%m\n"
                       "passdb backend = tdbsam:" +
                       in("private") +
                       "/passdb.tdb\n"
                       "map to guest = Bad User\n"
                       "load printers = no\n"
                       "printing = bsd\n"
                       "printcap name = /dev/null\n"
                       "disable spoolss = yes\n"
                       "store dos attributes = yes\n"
                       "[share]\n"
                       "path = " +
                       share() +
                       "\n"
                       "read only = no\n"
                       "guest ok = yes\n"
                       "guest only = yes\n"
                       "force user = root\n");
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return "no pipe";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
        const std::string confArg = "--configfile=" + conf_;
        const char* argv[] = {"smbd",           "--foreground", "--no-process-group",
                              "--debug-stdout", "-d",           "2",
                              confArg.c_str(),  nullptr};
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        const int spawned = ::posix_spawn(&pid_, "/usr/sbin/smbd", &actions, &attributes,
                                          const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(pipeFds[1]);
        if (spawned != 0) {
            pid_ = 0;
            ::close(pipeFds[0]);
            return "can't start smbd";
        }
        output_ = ::fdopen(pipeFds[0], "r");
        // Its log up to the line that says it listens; the end of it (smbd
        // gone) means it could not start.
        std::string log;
        char line[1024];
        while (std::fgets(line, sizeof line, output_)) {
            log += line;
            if (std::string(line).find("waiting for connections") != std::string::npos) {
                drain_ = std::thread([this] {
                    char rest[1024];
                    while (std::fgets(rest, sizeof rest, output_)) {
                    }
                });
                return {};
            }
        }
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
        return "smbd could not start:\n" + log;
    }

    TempDir dir_;
    std::string conf_;
    int port_ = 0;
    pid_t pid_ = 0;
    std::FILE* output_ = nullptr;
    std::thread drain_;
    std::string why_;
};

// The value of a line "key:   value" of allinfo's output.
std::string Field(const std::string& info, const std::string& key) {
    const auto at = info.find(key + ":");
    if (at == std::string::npos)
        return "<no " + key + " in: " + info + ">";
    auto start = info.find_first_not_of(' ', at + key.size() + 1);
    const auto end = info.find('\n', at);
    return info.substr(start, end - start);
}

// A time as smbclient shows it in UTC ("Sat Jan  1 00:00:00 2000 UTC").
std::string Shown(std::time_t t) {
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char text[64];
    std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y UTC", &tm);
    return text;
}

class SambaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!samba.why().empty())
            GTEST_SKIP() << samba.why();
    }

    SambaServer samba;
    PosixFileSystem fs;
};

TEST_F(SambaTest, WhatTorvaneSetsIsWhatSambaReports) {
    WriteBytes(samba.Share("file.txt"), "x");
    ASSERT_EQ(::mkdir(samba.Share("sub").c_str(), 0755), 0);
    constexpr std::int64_t kCreated = 946684800;  // 2000-01-01 00:00:00 UTC
    struct Case {
        const char* name;
        std::uint32_t word;
        const char* reported;
    };
    const Case cases[] = {
        {"file.txt",
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
             FILE_ATTRIBUTE_ARCHIVE,
         "RHSA (27)"},
        {"sub", FILE_ATTRIBUTE_HIDDEN, "HD (12)"},
    };
    for (const auto& c : cases) {
        const auto path = FromUtf8(samba.Share(c.name));
        auto handle = testing::OpenAt(fs, path);
        ASSERT_TRUE(handle.ok()) << c.name;
        ASSERT_TRUE((*handle)->SetTimes(kCreated, kCreated + 60, kCreated + 120).ok()) << c.name;
        ASSERT_TRUE(testing::SetAttributesAt(fs, path, c.word).ok()) << c.name;
        const auto info = samba.Client(std::string("allinfo ") + c.name);
        EXPECT_EQ(Field(info, "attributes"), c.reported) << c.name;
        EXPECT_EQ(Field(info, "create_time"), Shown(kCreated)) << c.name;
        EXPECT_EQ(Field(info, "write_time"), Shown(kCreated + 120)) << c.name;
    }
}

TEST_F(SambaTest, WhatSambaSetsIsWhatTorvaneLists) {
    WriteBytes(samba.Share("file.txt"), "x");
    const auto out =
        samba.Client("setmode file.txt +hsa; utimes file.txt 2001:02:03-04:05:06 -1 -1 -1");
    ASSERT_EQ(out.find("failed"), std::string::npos) << out;
    const auto record = fs.FindEntry(FromUtf8(samba.Share("file.txt")));
    ASSERT_TRUE(record.ok());
    EXPECT_EQ(record->attributes,
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(record->created, 981173106);  // 2001-02-03 04:05:06 UTC

    // And back: what Torvane clears, Samba no longer reports.
    ASSERT_TRUE(
        testing::SetAttributesAt(fs, FromUtf8(samba.Share("file.txt")), FILE_ATTRIBUTE_ARCHIVE)
            .ok());
    const auto info = samba.Client("allinfo file.txt");
    EXPECT_EQ(Field(info, "attributes"), "A (20)");
    EXPECT_EQ(Field(info, "create_time"), Shown(981173106));
}

}  // namespace
}  // namespace torvane
