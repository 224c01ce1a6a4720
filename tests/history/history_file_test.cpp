// The history's file: where it is, who may read it, and what happens when it
// can't be used.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "history_test_support.hpp"
#include "small_tmpfs.hpp"

namespace torvane {
namespace {

using testing::BeginJob;
using testing::BeginOrNull;
using testing::HistoryFolder;
using testing::MadeEntries;
using testing::MadeJob;
using testing::ReadBytes;
using testing::RunSql;
using testing::SmallTmpfs;
using testing::TempDir;
using testing::WriteBytes;

// Sets an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DefaultHistoryPath, UsesAnAbsoluteStateHomeElseTheHomeFolder) {
    struct Case {
        const char* state;
        const wchar_t* want;
    };
    const Case cases[] = {
        {"/xdg/state", L"/xdg/state/torvane/history.sqlite3"},
        {"relative/state", L"/home/someone/.local/state/torvane/history.sqlite3"},
        {"", L"/home/someone/.local/state/torvane/history.sqlite3"},
        {nullptr, L"/home/someone/.local/state/torvane/history.sqlite3"},
    };
    ScopedEnv home("HOME", "/home/someone");
    for (const auto& c : cases) {
        ScopedEnv state("XDG_STATE_HOME", c.state);
        EXPECT_EQ(DefaultHistoryPath(), c.want) << (c.state ? c.state : "(unset)");
    }
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(HistoryFile, TheFileItsCompanionsAndItsFoldersAreTheOwnersOnlyWhateverTheUmask) {
    HistoryFolder folder;
    const mode_t old = ::umask(0);
    {
        auto history = folder.Open();
        ASSERT_NE(history, nullptr);
        JobRecord job = MadeJob();
        auto journal = BeginJob(*history, job, MadeEntries(10));
        ASSERT_NE(journal, nullptr);
        for (const char* suffix : {"", "-wal", "-shm", "-lock"})
            EXPECT_EQ(ModeOf(folder.file + suffix), 0600u) << suffix;
        journal->Ended(JobOutcome::kDone);
    }
    ::umask(old);
    EXPECT_EQ(ModeOf(folder.dir.Join("state")), 0700u);
    EXPECT_EQ(ModeOf(folder.dir.Join("state/torvane")), 0700u);
}

TEST(HistoryFile, FilesMadeWiderThanTheOwnersOnlyAreNarrowedOnOpening) {
    HistoryFolder folder;
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    JobRecord job = MadeJob();
    BeginJob(*history, job, MadeEntries(10))->Ended(JobOutcome::kDone);
    for (const char* suffix : {"", "-wal", "-shm", "-lock"})
        ASSERT_EQ(::chmod((folder.file + suffix).c_str(), 0644), 0) << suffix;
    auto again = folder.Open();
    ASSERT_NE(again, nullptr);
    for (const char* suffix : {"", "-wal", "-shm", "-lock"})
        EXPECT_EQ(ModeOf(folder.file + suffix), 0600u) << suffix;
}

// What an existing file holds, and what opening it must say. The file is
// never written to.
struct UnusableFile {
    const char* name;
    std::string (*make)(const HistoryFolder&);  // returns the file's bytes
    const char* says;
};

// A real history of a few jobs, closed, so that its write-ahead log is
// folded back and gone.
std::string RealHistory(const HistoryFolder& folder) {
    auto history = folder.Open();
    for (int i = 0; i < 3; ++i) {
        JobRecord job = MadeJob();
        BeginJob(*history, job, MadeEntries(2000))->Ended(JobOutcome::kDone);
    }
    history.reset();
    EXPECT_FALSE(std::filesystem::exists(folder.file + "-wal"));
    return ReadBytes(folder.file);
}

void Replace(const HistoryFolder& folder, const std::string& bytes) {
    std::filesystem::remove(folder.file + "-lock");
    WriteBytes(folder.file, bytes);
}

const UnusableFile kUnusableFiles[] = {
    {"garbage",
     [](const HistoryFolder& f) {
         std::filesystem::create_directories(f.dir.Join("state/torvane"));
         std::string bytes(8192, '\0');
         for (std::size_t i = 0; i < bytes.size(); ++i)
             bytes[i] = static_cast<char>(i * 7919 % 251);
         WriteBytes(f.file, bytes);
         return bytes;
     },
     "is damaged"},
    {"text shorter than a header",
     [](const HistoryFolder& f) {
         std::filesystem::create_directories(f.dir.Join("state/torvane"));
         WriteBytes(f.file, "SQLite format 3");
         return std::string("SQLite format 3");
     },
     "is damaged"},
    {"truncated to whole pages",
     [](const HistoryFolder& f) {
         const std::string bytes = RealHistory(f).substr(0, 8 * 4096);
         Replace(f, bytes);
         return bytes;
     },
     "is damaged"},
    {"truncated mid-page",
     [](const HistoryFolder& f) {
         std::string bytes = RealHistory(f);
         bytes.resize(bytes.size() - 1000);
         Replace(f, bytes);
         return bytes;
     },
     "is damaged"},
    {"from a newer version",
     [](const HistoryFolder& f) {
         RealHistory(f);
         RunSql(f.file,
                ("PRAGMA user_version=" + std::to_string(kHistorySchemaVersion + 1)).c_str());
         return ReadBytes(f.file);
     },
     "newer version of Torvane"},
    {"another program's database with a version of its own",
     [](const HistoryFolder& f) {
         std::filesystem::create_directories(f.dir.Join("state/torvane"));
         RunSql(f.file, "CREATE TABLE jobs(id INTEGER); PRAGMA user_version=1");
         return ReadBytes(f.file);
     },
     "not a Torvane history"},
    {"another program's database",
     [](const HistoryFolder& f) {
         std::filesystem::create_directories(f.dir.Join("state/torvane"));
         RunSql(f.file, "CREATE TABLE notes(text TEXT); INSERT INTO notes VALUES('mine')");
         return ReadBytes(f.file);
     },
     "not a Torvane history"},
};

TEST(HistoryFile, AnUnusableFileGivesAProblemNamingItAndIsLeftAsItWas) {
    for (const auto& c : kUnusableFiles) {
        SCOPED_TRACE(c.name);
        HistoryFolder folder;
        const std::string bytes = c.make(folder);
        const auto opened = OpenSqliteHistory(folder.path, {});
        ASSERT_FALSE(opened.ok());
        const std::string line = ToUtf8(opened.error().text);
        EXPECT_NE(line.find(c.says), std::string::npos) << line;
        EXPECT_NE(line.find(folder.file), std::string::npos) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_EQ(ReadBytes(folder.file), bytes);
    }
}

// A state folder nobody else controls: what is planted there (a link, a
// FIFO, another user's folder) is refused with a line saying so, never
// waited on, followed or changed.
struct PlantedState {
    const char* name;
    void (*plant)(const HistoryFolder&, const std::string& elsewhere);
    const char* says;
};

const PlantedState kPlantedStates[] = {
    {"a FIFO as the database",
     [](const HistoryFolder& f, const std::string&) {
         std::filesystem::create_directories(f.dir.Join("state/torvane"));
         ASSERT_EQ(::mkfifo(f.file.c_str(), 0600), 0);
     },
     "Not a regular file"},
    {"the database a link to another file",
     [](const HistoryFolder& f, const std::string& elsewhere) {
         std::filesystem::create_directories(f.dir.Join("state/torvane"));
         WriteBytes(elsewhere + "/theirs", "their bytes");
         ASSERT_EQ(::chmod((elsewhere + "/theirs").c_str(), 0644), 0);
         ASSERT_EQ(::symlink((elsewhere + "/theirs").c_str(), f.file.c_str()), 0);
     },
     "symbolic link"},
    {"the history's folder a link to another folder",
     [](const HistoryFolder& f, const std::string& elsewhere) {
         std::filesystem::create_directories(f.dir.Join("state"));
         ASSERT_EQ(::symlink(elsewhere.c_str(), f.dir.Join("state/torvane").c_str()), 0);
     },
     "symbolic link"},
    {"the history's folder another user's",
     [](const HistoryFolder& f, const std::string&) {
         std::filesystem::create_directories(f.dir.Join("state/torvane"));
         ASSERT_EQ(::chown(f.dir.Join("state/torvane").c_str(), 65534, 65534), 0);
     },
     "another user"},
    {"the history's folder writable by others",
     [](const HistoryFolder& f, const std::string&) {
         std::filesystem::create_directories(f.dir.Join("state/torvane"));
         ASSERT_EQ(::chmod(f.dir.Join("state/torvane").c_str(), 0777), 0);
     },
     "written by other users"},
};

TEST(HistoryFile, APlantedStateFolderOrFileIsRefusedAndLeftAlone) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a folder to another user needs root";
    for (const auto& c : kPlantedStates) {
        SCOPED_TRACE(c.name);
        HistoryFolder folder;
        TempDir elsewhere;
        c.plant(folder, elsewhere.path());
        const auto opened = OpenSqliteHistory(folder.path, {});
        ASSERT_FALSE(opened.ok());
        const std::string line = ToUtf8(opened.error().text);
        EXPECT_NE(line.find(c.says), std::string::npos) << line;
        // Nothing was made or changed where a link led.
        for (const auto& e : std::filesystem::directory_iterator(elsewhere.path())) {
            EXPECT_EQ(e.path().filename(), "theirs");
            EXPECT_EQ(ModeOf(e.path().string()), 0644u);
            EXPECT_EQ(ReadBytes(e.path().string()), "their bytes");
        }
    }
}

TEST(HistoryFile, AnEmptyFileBecomesANewHistory) {
    HistoryFolder folder;
    std::filesystem::create_directories(folder.dir.Join("state/torvane"));
    WriteBytes(folder.file, "");
    auto history = folder.Open();
    ASSERT_NE(history, nullptr);
    JobRecord job = MadeJob();
    BeginJob(*history, job, MadeEntries(3))->Ended(JobOutcome::kDone);
    EXPECT_EQ(history->Jobs().value().size(), 1u);
}

// What ProblemAsOrdinaryUser answers when root can't become user 65534.
constexpr const char* kCantDropRoot = "can't run as user 65534 here";

// Runs `body` in a child process, as user 65534 when this one is root (who
// may write anywhere), and returns the problem it wrote back; nullopt when
// the history opened.
template <typename Body>
std::optional<std::string> ProblemAsOrdinaryUser(Body body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            _exit(3);
        std::wstring problem;
        const bool opened = body(problem);
        const std::string line = ToUtf8(problem);
        if (::write(pipeFds[1], line.data(), line.size()) < 0)
            _exit(4);
        _exit(opened ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string line;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        line.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        return std::string(kCantDropRoot);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return "child failed with status " + std::to_string(status);
    if (WEXITSTATUS(status) == 0)
        return std::nullopt;
    return line;
}

TEST(HistoryFile, AReadOnlyFolderGivesAProblem) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string readOnly = dir.Join("read-only");
    ASSERT_EQ(::mkdir(readOnly.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0555), 0);
    struct Case {
        const char* name;
        std::string file;
        const char* says;
    };
    const Case cases[] = {
        {"the file", readOnly + "/history.sqlite3", "Can't create the history file"},
        {"a folder", readOnly + "/torvane/history.sqlite3", "Can't create the history folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto problem = ProblemAsOrdinaryUser([&](std::wstring& problem) {
            auto opened = OpenSqliteHistory(FromUtf8(c.file), {});
            if (!opened)
                problem = opened.error().text;
            return opened.ok();
        });
        ASSERT_TRUE(problem.has_value()) << "the history opened";
        if (*problem == kCantDropRoot)
            GTEST_SKIP() << *problem;
        EXPECT_NE(problem->find(c.says), std::string::npos) << *problem;
        EXPECT_NE(problem->find(std::strerror(EACCES)), std::string::npos) << *problem;
    }
    EXPECT_FALSE(std::filesystem::exists(readOnly + "/history.sqlite3"));
}

TEST(HistoryFile, AFullDiskRefusesTheJobWithAProblemAndSmallerJobsStillGoIn) {
    SmallTmpfs disk("256k");
    if (!disk.mounted())
        GTEST_SKIP() << "can't mount a small tmpfs (" << disk.why() << "); mounting needs root";
    // In a folder of its own: the mount's top folder is everyone's.
    const std::wstring path = FromUtf8(disk.Join("state/history.sqlite3"));
    auto opened = OpenSqliteHistory(path, {});
    ASSERT_TRUE(opened.ok()) << ToUtf8(opened.error().text);
    auto history = std::move(*opened);
    std::wstring problem;
    JobRecord big = MadeJob();
    EXPECT_EQ(BeginOrNull(*history, big, MadeEntries(20000), problem), nullptr);
    EXPECT_NE(ToUtf8(problem).find("is full"), std::string::npos) << ToUtf8(problem);
    EXPECT_TRUE(history->Jobs().value().empty());

    problem.clear();
    JobRecord small = MadeJob();
    auto journal = BeginOrNull(*history, small, MadeEntries(20), problem);
    ASSERT_NE(journal, nullptr) << ToUtf8(problem);
    journal->Ended(JobOutcome::kDone);
    EXPECT_EQ(history->Entries(small.id).value().size(), 20u);
}

}  // namespace
}  // namespace torvane
