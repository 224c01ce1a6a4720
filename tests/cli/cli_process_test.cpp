// torvane-cli run as a process on real temporary folders, standard input
// from /dev/null so that nothing can wait for an answer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/text.hpp"
#include "temp_dir.hpp"

namespace torvane {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs torvane-cli in `folder` with `arguments`; standard input is /dev/null
// and HOME points into the folder, so no preference of the machine's counts.
Outcome RunCli(const std::string& folder, const std::vector<std::string>& arguments) {
    const std::string out = folder + "/.stdout", err = folder + "/.stderr";
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(folder.c_str()) != 0)
            _exit(126);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, STDIN_FILENO);
        ::setenv("HOME", folder.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(TORVANE_CLI)};
        for (const auto& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(TORVANE_CLI, argv.data());
        _exit(127);
    }
    Outcome o;
    int status = 0;
    ::waitpid(child, &status, 0);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = ReadBytes(out);
    o.err = ReadBytes(err);
    return o;
}

void WriteTaskList(const std::string& path, const std::vector<std::wstring>& lines) {
    std::u16string text = u"\xFEFF";
    for (const auto& line : lines)
        text += ToUtf16(line + L"\r\n");
    std::string bytes;
    for (char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    WriteBytes(path, bytes);
}

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.Join("photos"));
        for (const char* name : {"IMG_1.jpg", "IMG_2.jpg", "notes.txt"})
            WriteBytes(dir.Join(std::string("photos/") + name), "x");
        WriteTaskList(dir.Join("rename.tvt"),
                      {L"$FileName<>FIND=IMG_<>REPL=Trip ##_<>SYMB=TRUE<>SNUM=1<>REGX=FALSE<>"
                       L"NAME=trip<>"});
    }
    TempDir dir;
};

TEST_F(CliTest, DryRunPrintsOldAndNewNamesAndChangesNothing) {
    const auto o = RunCli(dir.path(), {"photos", "rename.tvt"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("photos/IMG_1.jpg -> Trip 01_1.jpg"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("photos/IMG_2.jpg -> Trip 02_2.jpg"), std::string::npos);
    EXPECT_EQ(o.out.find("notes.txt"), std::string::npos);
    EXPECT_EQ(Names(dir.Join("photos")),
              (std::set<std::string>{"IMG_1.jpg", "IMG_2.jpg", "notes.txt"}));
}

TEST_F(CliTest, ApplyWithoutATerminalIsNotConfirmed) {
    const auto o = RunCli(dir.path(), {"photos", "rename.tvt", "-Apply"});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("-NoConfirm"), std::string::npos) << o.err;
    EXPECT_TRUE(Names(dir.Join("photos")).count("IMG_1.jpg"));
}

TEST_F(CliTest, ApplyNoConfirmRenamesRetimesAndReattributes) {
    WriteTaskList(dir.Join("all.tvt"),
                  {L"$FileName<>FIND=IMG_<>REPL=P<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>NAME=<>",
                   L"$FileDate<>FORM=Modified<>FIND=^.*$<>REPL=01/02/2003 04:05:06 PM<>"
                   L"REGX=TRUE<>NAME=<>",
                   L"$System<>FIND=notes\\.txt<>ATTR=3<>REGX=TRUE<>NAME=<>"});
    const auto o = RunCli(dir.path(), {"-FilePath", "photos", "-TaskList", "all.tvt", "-Apply",
                                       "-NoConfirm", "-Quit"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("Operation completed sucessfully."), std::string::npos);
    EXPECT_EQ(Names(dir.Join("photos")), (std::set<std::string>{"P1.jpg", "P2.jpg", "notes.txt"}));
    const auto modified = std::filesystem::last_write_time(dir.Join("photos/P1.jpg"));
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(modified).time_since_epoch());
    EXPECT_EQ(seconds.count(), 1041523506);  // TZ is UTC for the tests
    const auto perms = std::filesystem::status(dir.Join("photos/notes.txt")).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none);
}

TEST_F(CliTest, SubfoldersAndBothKindsReachNestedEntries) {
    std::filesystem::create_directory(dir.Join("photos/IMG_sub"));
    WriteBytes(dir.Join("photos/IMG_sub/IMG_9.jpg"), "x");
    const auto o = RunCli(dir.path(), {"-SubFolders", "-Retrieve", "both", "photos",
                                       "rename.tvt", "-Apply", "-NoConfirm"});
    EXPECT_EQ(o.status, 0) << o.err;
    // The preference "Files Only" (the default) leaves the folder's own name.
    EXPECT_TRUE(Names(dir.Join("photos")).count("IMG_sub"));
    EXPECT_EQ(Names(dir.Join("photos/IMG_sub")), std::set<std::string>{"Trip 01_9.jpg"});
}

TEST_F(CliTest, ACollisionExitsOneAndPrintsTheLogLine) {
    WriteBytes(dir.Join("photos/1.jpg"), "x");
    WriteTaskList(dir.Join("strip.tvt"),
                  {L"$FileName<>FIND=IMG_<>REPL=<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>NAME=<>"});
    const auto o = RunCli(dir.path(), {"photos", "strip.tvt", "-Apply", "-NoConfirm"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("Error renaming file:  photos/IMG_1.jpg..........File exists"),
              std::string::npos)
        << o.err;
    EXPECT_TRUE(Names(dir.Join("photos")).count("IMG_1.jpg"));
    EXPECT_TRUE(Names(dir.Join("photos")).count("2.jpg"));
}

struct BadCase {
    std::vector<std::string> arguments;
    const char* message;
};

TEST_F(CliTest, BadInputGivesItsMessageAndStatusTwo) {
    WriteTaskList(dir.Join("bad.tvt"),
                  {L"$FileName<>FIND=(<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=TRUE<>NAME=<>"});
    const BadCase cases[] = {
        {{"photos", "bad.tvt"}, "Error: Not a valid regular expression: \""},
        {{"missing", "rename.tvt"}, "Error: The specified file path doesn't exist!"},
        {{"photos", "photos"}, "Error: The specified task list is not valid!"},
        {{"-Bogus"}, "Invalid command line arguments!"},
        {{"-Retrieve", "sideways", "photos"}, "Invalid value for -Retrieve"},
    };
    for (const auto& c : cases) {
        const auto o = RunCli(dir.path(), c.arguments);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    }
}

TEST_F(CliTest, HelpAndNoArgumentsPrintTheHelp) {
    for (const auto& arguments : {std::vector<std::string>{}, {"-?"}, {"-Help"}}) {
        const auto o = RunCli(dir.path(), arguments);
        EXPECT_EQ(o.status, 0);
        EXPECT_NE(o.out.find("Exit status:"), std::string::npos);
    }
}

}  // namespace
}  // namespace torvane
