// torvane-cli started as a process on real temporary folders.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>

#include "metadata_fixtures.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "platform/text_file.hpp"
#include "run_process.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"
#include "utf16_bytes.hpp"

namespace torvane::testing {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

constexpr std::int64_t k2019 = 1562155509;        // 2019-07-03 12:05:09 UTC
constexpr std::int64_t k2020 = 1593777909;        // 2020-07-03 12:05:09 UTC
constexpr std::uint32_t kAttributeMask = 0x6827;  // the seven attributes a task sets

const std::string kNumberPhotos =
    "$FileName<>FIND=IMG_<>REPL=Trip ##-<>SYMB=TRUE<>SNUM=1<>REGX=FALSE<>NAME=Number<>";
const std::string kYearBack = "$FileDate<>FORM=Modified<>FIND=2019<>REPL=2020<>REGX=FALSE<>";
const std::string kTextReadOnly = "$System<>FIND=.*\\.txt<>ATTR=33<>REGX=TRUE<>";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(Path("photos"));
        for (const char* name : {"photos/IMG_0001.jpg", "photos/IMG_0002.jpg", "photos/notes.txt"})
            Touch(name);
    }

    std::string Path(const std::string& relative) const { return dir.Join(relative); }
    // The path as jobs name it in their logs and the history: absolute, with
    // its links resolved.
    std::string Absolute(const std::string& relative) const {
        return fs::canonical(dir.path()).string() + "/" + relative;
    }

    // A file whose modified and accessed times are in 2019.
    void Touch(const std::string& relative) {
        WriteBytes(Path(relative), "x");
        const utimbuf times{k2019, k2019};
        ASSERT_EQ(::utime(Path(relative).c_str(), &times), 0);
    }

    // A task list in the program's file format, one task per line.
    void WriteList(const std::string& relative, const std::vector<std::string>& lines) {
        PosixFileSystem disk;
        TextFileWriter writer(disk);
        ASSERT_TRUE(writer.Open(FromUtf8(Path(relative))).ok());
        for (const auto& line : lines)
            ASSERT_TRUE(writer.Write(FromUtf8(line + "\n")).ok());
        ASSERT_TRUE(writer.Close().ok());
    }

    ProcessResult Cli(const Args& arguments, Input input = Input::kNull) {
        return RunProcess(program, arguments, dir.path(), input);
    }

    // Every path under photos/, with its modified time.
    std::set<std::pair<std::string, std::int64_t>> Snapshot() const {
        std::set<std::pair<std::string, std::int64_t>> out;
        for (const auto& e : fs::recursive_directory_iterator(Path("photos"))) {
            struct stat st {};
            ::lstat(e.path().c_str(), &st);
            out.insert({e.path().string().substr(dir.path().size()), st.st_mtime});
        }
        return out;
    }

    std::int64_t Modified(const std::string& relative) const {
        struct stat st {};
        EXPECT_EQ(::stat(Path(relative).c_str(), &st), 0) << relative;
        return st.st_mtime;
    }

    bool HasUserAttributes() const {
        if (::setxattr(dir.path().c_str(), "user.torvane-probe", "1", 1, 0) != 0)
            return false;
        ::removexattr(dir.path().c_str(), "user.torvane-probe");
        return true;
    }

    TempDir dir;
    std::string program = TORVANE_CLI_PATH;
};

TEST_F(CliTest, HelpIsPrintedWithExitZero) {
    const Args cases[] = {{}, {"-?"}, {"/HELP"}, {"-Help", "photos"}, {"?"}, {"-SubFolders"}};
    for (const auto& arguments : cases) {
        const auto r = Cli(arguments);
        EXPECT_EQ(r.exitStatus, 0) << arguments.size();
        EXPECT_EQ(r.out.rfind("Torvane support the following arguments:\n", 0), 0u) << r.out;
        EXPECT_TRUE(Contains(r.out, "Exit status:\n 0\t"));
        EXPECT_TRUE(Contains(r.out, " -Hidden none|hidden|hidden-no-system|system|all\n"));
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(CliTest, ADryRunPrintsTheChangesAndChangesNothing) {
    WriteList("list.tvt", {kNumberPhotos, kYearBack, kTextReadOnly});
    const auto before = Snapshot();
    const std::string expected =
        "IMG_0001.jpg -> Trip 01-0001.jpg | Modified 07/03/2019 12:05:09 PM -> 07/03/2020 "
        "12:05:09 PM\n"
        "IMG_0002.jpg -> Trip 02-0002.jpg | Modified 07/03/2019 12:05:09 PM -> 07/03/2020 "
        "12:05:09 PM\n"
        "notes.txt -> notes.txt | Modified 07/03/2019 12:05:09 PM -> 07/03/2020 12:05:09 PM | "
        "Attributes +Archive +Read-only\n"
        "Dry run: 3 of 3 entries would change, 0 problems. Nothing was changed; add -Apply to "
        "apply the task list.\n";
    // -NoConfirm and -Quit change nothing without -Apply.
    const Args cases[] = {{"photos", "list.tvt"},
                          {"-FilePath", "photos/", "-TaskList", "list.tvt", "-NoConfirm"},
                          {"photos", "list.tvt", "-Quit"}};
    for (const auto& arguments : cases) {
        const auto r = Cli(arguments);
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(CliTest, ApplyNoConfirmRenamesRetimesAndSetsAttributes) {
    if (!HasUserAttributes())
        GTEST_SKIP() << "the temporary folder's file system has no user extended attributes";
    WriteList("list.tvt", {kNumberPhotos, kYearBack, kTextReadOnly});
    const auto r = Cli({"photos", "list.tvt", "-Apply", "-NoConfirm"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "Notice: Operation completed sucessfully.\n");
    EXPECT_EQ(r.err, "");  // no progress bar: standard error is no terminal
    EXPECT_EQ(Snapshot(),
              (std::set<std::pair<std::string, std::int64_t>>{{"/photos/Trip 01-0001.jpg", k2020},
                                                              {"/photos/Trip 02-0002.jpg", k2020},
                                                              {"/photos/notes.txt", k2020}}));
    PosixFileSystem posix;
    const auto word = posix.GetAttributes(FromUtf8(Path("photos/notes.txt")));
    ASSERT_TRUE(word.ok());
    EXPECT_EQ(*word & kAttributeMask, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    struct stat st {};
    ::stat(Path("photos/notes.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0222, 0u);
}

// The job is kept in the history (the test's own), and the program run
// again undoes it whole: names, times and attributes, Read-only included.
TEST_F(CliTest, AJobAppliedIsUndoneByTheNextRunAndListedInTheHistory) {
    if (!HasUserAttributes())
        GTEST_SKIP() << "the temporary folder's file system has no user extended attributes";
    WriteList("list.tvt", {kNumberPhotos, kYearBack, kTextReadOnly});
    PosixFileSystem posix;
    const auto before = Snapshot();
    const auto wordBefore = posix.GetAttributes(FromUtf8(Path("photos/notes.txt")));
    ASSERT_TRUE(wordBefore.ok());
    const auto job = Cli({"photos", "list.tvt", "-Apply", "-NoConfirm"});
    ASSERT_EQ(job.exitStatus, 0) << job.err;
    ASSERT_NE(Snapshot(), before);

    const auto dryRun = Cli({"-Undo"});
    EXPECT_EQ(dryRun.exitStatus, 0) << dryRun.err;
    EXPECT_TRUE(Contains(dryRun.out, "Trip 01-0001.jpg")) << dryRun.out;
    EXPECT_NE(Snapshot(), before);  // a dry run changes nothing

    const auto undo = Cli({"-Undo", "-Apply", "-NoConfirm"});
    EXPECT_EQ(undo.exitStatus, 0) << undo.out << undo.err;
    EXPECT_EQ(Snapshot(), before);
    const auto wordAfter = posix.GetAttributes(FromUtf8(Path("photos/notes.txt")));
    ASSERT_TRUE(wordAfter.ok());
    EXPECT_EQ(*wordAfter & kAttributeMask, *wordBefore & kAttributeMask);

    const auto history = Cli({"-History"});
    EXPECT_EQ(history.exitStatus, 0) << history.err;
    EXPECT_TRUE(Contains(history.out, "undo of job 1")) << history.out;
    EXPECT_TRUE(Contains(history.out, "undone by job 2")) << history.out;
}

// Everything named on one command line is one batch: a shell's glob of
// files is numbered as the folder's entries are, checked together, kept as
// one job and undone at once, from any working folder.
TEST_F(CliTest, AGlobOfFilesIsOneBatchUndoneFromAnyFolder) {
    for (const char* name : {"photos/IMG_0003.jpg", "photos/IMG_0004.jpg", "photos/IMG_0005.jpg"})
        Touch(name);
    Args glob;
    for (int i = 1; i <= 5; ++i)
        glob.push_back("photos/IMG_000" + std::to_string(i) + ".jpg");
    Args dry = glob;
    dry.insert(dry.end(), {"-Rename", "^IMG_\\d+", "Trip-##", "-Regex", "-Number", "1"});
    const auto before = Snapshot();
    const auto planned = Cli(dry);
    EXPECT_EQ(planned.exitStatus, 0) << planned.err;
    for (int i = 1; i <= 5; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_TRUE(Contains(planned.out, "IMG_000" + n + ".jpg -> Trip-0" + n + ".jpg\n"))
            << planned.out;
    }
    EXPECT_TRUE(Contains(planned.out, "5 of 5 entries would change, 0 problems.")) << planned.out;

    const auto jobsBefore = Cli({"-History"}).out;
    Args apply = dry;
    apply.insert(apply.end(), {"-Apply", "-NoConfirm"});
    const auto job = Cli(apply);
    ASSERT_EQ(job.exitStatus, 0) << job.err;
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(fs::exists(Path("photos/Trip-0" + std::to_string(i) + ".jpg"))) << i;
    EXPECT_TRUE(fs::exists(Path("photos/notes.txt")));

    // One job more in the history, named by the folder's absolute path.
    const auto jobsAfter = Cli({"-History"}).out;
    const auto lines = [](const std::string& text) {
        return std::count(text.begin(), text.end(), '\n');
    };
    EXPECT_EQ(lines(jobsAfter), lines(jobsBefore) + (jobsBefore.find("No job") == 0 ? 0 : 1))
        << jobsAfter;
    EXPECT_TRUE(Contains(jobsAfter, ", " + Absolute("photos/") + ", 5 changes")) << jobsAfter;
    const std::string id = jobsAfter.substr(4, jobsAfter.find(',') - 4);

    // Undone from the root of the file system, far from where it ran.
    const auto undo = RunProcess(program, {"-Undo", id, "-Apply", "-NoConfirm"}, "/", Input::kNull);
    EXPECT_EQ(undo.exitStatus, 0) << undo.out << undo.err;
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(CliTest, NamesThatCollideAcrossPathsAreFoundBeforeAnythingIsWritten) {
    const Args collide = {
        "photos/IMG_0001.jpg", "photos/IMG_0002.jpg", "-Rename", "^IMG_\\d+", "same", "-Regex"};
    const auto before = Snapshot();
    const auto planned = Cli(collide);
    EXPECT_EQ(planned.exitStatus, 4) << planned.err;
    EXPECT_TRUE(Contains(planned.out, "2 of 2 entries would change, 2 problems.")) << planned.out;
    EXPECT_TRUE(Contains(planned.out, "\"same.jpg\" is also the new name of")) << planned.out;
    Args apply = collide;
    apply.insert(apply.end(), {"-Apply", "-NoConfirm"});
    EXPECT_EQ(Cli(apply).exitStatus, 3);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(CliTest, TheConsoleSwitchesReachSubfolders) {
    fs::create_directory(Path("photos/trip"));
    Touch("photos/trip/IMG_0003.jpg");
    WriteList("list.tvt", {kNumberPhotos});
    const auto dry = Cli({"-SubFolders", "-Retrieve", "both", "photos", "list.tvt"});
    EXPECT_EQ(dry.exitStatus, 0);
    EXPECT_EQ(dry.out.rfind("trip/IMG_0003.jpg -> trip/Trip 01-0003.jpg\n"
                            "IMG_0001.jpg -> Trip 01-0001.jpg\n"
                            "IMG_0002.jpg -> Trip 02-0002.jpg\n",
                            0),
              0u)
        << dry.out;

    const auto r =
        Cli({"-subfolders", "-RETRIEVE", "Both", "photos", "list.tvt", "-Apply", "-NoConfirm"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("photos/trip/Trip 01-0003.jpg")));
    EXPECT_TRUE(fs::exists(Path("photos/Trip 02-0002.jpg")));
}

TEST_F(CliTest, RefusalsGiveTheirMessageAndExitStatus) {
    fs::create_directory(Path("empty"));
    WriteList("bad-regex.tvt",
              {"$FileName<>FIND=IMG_(<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=TRUE<>NAME=Broken<>"});
    WriteList("list.tvt", {kNumberPhotos});
    WriteList("no-tasks.tvt", {"just a comment"});
    WriteBytes(Path("latin1.tvt"),
               "$FileName<>FIND=\xE9<>REPL=e<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>\n");
    WriteList("reserved.tvt", {"$FileName<>FIND=IMG_<>REPL=a:b<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>"});
    // Read, these would wait for a writer or never end.
    ASSERT_EQ(::mkfifo(Path("pipe.tvt").c_str(), 0644), 0);
    const std::string usage = "\nUsage: torvane-cli [switches] PATH... [TASKLIST.tvt]";
    const struct {
        Args arguments;
        int status;
        std::string err;  // a part of standard error
        std::string out;  // a part of standard output
    } cases[] = {
        {{"photos", "bad-regex.tvt"}, 2, "Error: Not a valid regular expression: ", ""},
        {{"photos", "bad-regex.tvt", "-Apply", "-NoConfirm"},
         3,
         "Error: Not a valid regular expression: ",
         "Notice: The task list can't be applied. No change was made.\n"},
        {{"photos", "pipe.tvt"}, 2, "Error reading file pipe.tvt\nNot a regular file\n", ""},
        // What the reader skipped says why no task was read.
        {{"photos", "no-tasks.tvt"},
         2,
         "torvane-cli: The task list no-tasks.tvt was read with these problems:\nLine 1 was "
         "skipped: it starts with no task keyword",
         ""},
        {{"photos", "latin1.tvt"}, 2, "The file is not UTF-8 or UTF-16LE: byte 16 ", ""},
        {{"missing", "list.tvt"}, 2, "Error: The specified file path doesn't exist: missing\n", ""},
        {{"photos", "empty"}, 2, "Error: The specified task list is not valid: empty\n", ""},
        {{"photos", "list.tvt", "-x"}, 2, "torvane-cli: Unknown switch -x." + usage, ""},
        {{"photos", "list.tvt", "-Retrieve", "all"},
         2,
         "torvane-cli: -Retrieve: \"all\" is not one of files, folders or both." + usage,
         ""},
        {{"photos", "list.tvt", "-Hidden"},
         2,
         "torvane-cli: -Hidden needs none, hidden, hidden-no-system, system or all." + usage,
         ""},
        {{"photos", "-Apply"},
         2,
         "Torvane Command line error: No task list specified!\n\nTorvane support",
         ""},
        {{"empty", "list.tvt", "-Apply", "-NoConfirm"},
         3,
         "",
         "Notice: File list is empty. No change was made.\n"},
        {{"photos", "no-tasks.tvt", "-Apply", "-NoConfirm"},
         3,
         "",
         "Notice: Task list is empty. No change was made.\n"},
        {{"photos", "reserved.tvt", "-Apply", "-NoConfirm"},
         3,
         "Error: File name contain invalid character(s).\n",
         ""},
    };
    const auto before = Snapshot();
    for (const auto& c : cases) {
        const auto r = Cli(c.arguments);
        EXPECT_EQ(r.exitStatus, c.status) << c.arguments[1] << "\n" << r.err;
        EXPECT_TRUE(Contains(r.err, c.err)) << r.err;
        EXPECT_TRUE(Contains(r.out, c.out)) << r.out;
        // A dry run that stops on its task list says nothing of changes;
        // a message carries its caption once.
        if (c.status == 2) {
            EXPECT_FALSE(Contains(r.out, "Dry run:")) << r.out;
        }
        EXPECT_FALSE(Contains(r.err, "Error: Error:")) << r.err;
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(CliTest, AConflictStopsTheJobUnlessTheEntriesWithAProblemAreSkipped) {
    WriteList("same.tvt",
              {"$FileName<>FIND=IMG_000[12]<>REPL=same<>SYMB=FALSE<>SNUM=0<>REGX=TRUE<>"});
    const auto before = Snapshot();
    const std::string problem1 =
        "IMG_0001.jpg -> same.jpg | Problem: \"same.jpg\" is also the new name of "
        "\"IMG_0002.jpg\".\n";

    // The dry run shows both problems and says so in its status.
    const auto dryRun = Cli({"photos/", "same.tvt"});
    EXPECT_EQ(dryRun.exitStatus, 4) << dryRun.err;
    EXPECT_TRUE(Contains(dryRun.out, problem1)) << dryRun.out;
    EXPECT_TRUE(Contains(dryRun.out, "2 problems.")) << dryRun.out;

    // -Apply refuses the whole job, -NoConfirm or not.
    const auto refused = Cli({"photos/", "same.tvt", "-Apply", "-NoConfirm"});
    EXPECT_EQ(refused.exitStatus, 3);
    EXPECT_EQ(refused.out, "");
    EXPECT_TRUE(Contains(refused.err, problem1)) << refused.err;
    EXPECT_TRUE(Contains(refused.err,
                         "Nothing was changed: the plan has 2 changes, 2 problems. Add "
                         "-SkipProblems to apply the changes without a problem.\n"))
        << refused.err;
    EXPECT_EQ(Snapshot(), before);

    // -SkipProblems applies the rest (nothing here) and logs each entry left alone.
    const auto r = Cli({"photos/", "same.tvt", "-Apply", "-NoConfirm", "-SkipProblems"});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("Log file started on: ", 0), 0u) << r.err;
    EXPECT_TRUE(
        Contains(r.err, "\nEntry not changed:  " + Absolute("photos/IMG_0002.jpg") +
                            "..........\"same.jpg\" is also the new name of \"IMG_0001.jpg\".\n"))
        << r.err;
    EXPECT_TRUE(Contains(r.err,
                         "Warning: Operation completed with error.  Do you want to save the log "
                         "file?\nAnswered No: standard input is not a terminal."));
    EXPECT_EQ(Snapshot(), before);
    // No log was saved.
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_FALSE(Contains(e.path().filename().string(), "Error log"))
            << e.path();  // The history counts the entries left alone apart from failures.
    const auto listed = Cli({"-History"});
    EXPECT_EQ(listed.exitStatus, 0) << listed.err;
    EXPECT_TRUE(Contains(listed.out, ", 2 changes, 0 failures, 2 skipped, done\n")) << listed.out;
}

TEST_F(CliTest, NamesWithTerminalControlsArePrintedQuoted) {
    // Names that would erase the line above and forge a line of their own.
    fs::create_directory(Path("odd"));
    const std::string name = "e\x1b[1A\x1b[2K\rvil\nforged line ";
    Touch("odd/" + name + "1.jpg");
    Touch("odd/" + name + "2.jpg");
    WriteList("same.tvt",
              {"$FileName<>FIND=[12]\\.jpg<>REPL=same.jpg<>SYMB=FALSE<>SNUM=0<>REGX=TRUE<>"});
    const std::string shown = "e\\e[1A\\e[2K\\rvil\\nforged line ";
    const auto NoRawControl = [](const std::string& text) {
        for (const char c : text) {
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7f)
                return false;
        }
        return true;
    };

    const auto dryRun = Cli({"odd/", "same.tvt"});
    EXPECT_EQ(dryRun.exitStatus, 4) << dryRun.err;
    const std::string sameName = "\"" + shown + "same.jpg\" is also the new name of \"" + shown;
    EXPECT_EQ(dryRun.out, shown + "1.jpg -> " + shown + "same.jpg | Problem: " + sameName +
                              "2.jpg\".\n" + shown + "2.jpg -> " + shown +
                              "same.jpg | Problem: " + sameName +
                              "1.jpg\".\nDry run: 2 of 2 entries would change, 2 problems. "
                              "Nothing was changed; add -Apply to apply the task list (and "
                              "-SkipProblems to leave the entries with a problem alone).\n");

    const auto job = Cli({"odd/", "same.tvt", "-Apply", "-NoConfirm", "-SkipProblems"});
    EXPECT_EQ(job.exitStatus, 1);
    EXPECT_TRUE(
        Contains(job.err, "\nEntry not changed:  " + Absolute("odd/") + shown + "2.jpg.........."))
        << job.err;
    EXPECT_TRUE(NoRawControl(job.err)) << job.err;
    EXPECT_TRUE(NoRawControl(job.out)) << job.out;
    EXPECT_TRUE(fs::exists(Path("odd/" + name + "1.jpg")));
}

TEST_F(CliTest, TheConfirmationIsAnsweredNoWhenInputIsClosedOrNoTerminal) {
    WriteList("list.tvt", {kNumberPhotos});
    const auto before = Snapshot();
    for (const auto input : {Input::kClosed, Input::kNull}) {
        const auto r = Cli({"photos", "list.tvt", "-Apply"}, input);
        EXPECT_EQ(r.exitStatus, 3);
        EXPECT_EQ(r.err,
                  "Confirm notice: Apply 2 changes to 2 entries in 1 folder?\n"
                  "You can undo it afterwards: Edit > Undo Last Job, or torvane-cli -Undo.\n"
                  "Answered No: standard input is not a terminal. Add -NoConfirm to apply "
                  "without this question.\n"
                  "Nothing was changed.\n");
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(CliTest, OnATerminalTheProgressIsDrawnAndTheLogCanBeSaved) {
    WriteList("same.tvt",
              {"$FileName<>FIND=IMG_000[12]<>REPL=same<>SYMB=FALSE<>SNUM=0<>REGX=TRUE<>"});
    const auto r = RunOnTerminal(
        program, {"photos/", "same.tvt", "-Apply", "-NoConfirm", "-SkipProblems"}, dir.path(),
        {{"Do you want to save the log file? [y/N] ", "y\n"}, {".txt]: ", "\n"}});
    EXPECT_EQ(r.exitStatus, 1) << r.out;
    // The job's bar only: the listings before and after it draw nothing.
    std::size_t bars = 0;
    for (auto at = r.out.find("] 3/3 entries"); at != std::string::npos;
         at = r.out.find("] 3/3 entries", at + 1))
        ++bars;
    EXPECT_EQ(bars, 1u) << r.out;
    EXPECT_TRUE(Contains(r.out, "Entry not changed:  " + Absolute("photos/IMG_0002.jpg") +
                                    "..........\"same.jpg\""));
    std::string saved;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (name.rfind("Error log ", 0) == 0 && name.ends_with(".txt"))
            saved = ReadBytes(e.path().string());
    }
    ASSERT_FALSE(saved.empty()) << r.out;
    EXPECT_EQ(saved.substr(0, 2), "\xff\xfe");
    EXPECT_TRUE(Contains(saved, std::string("E\0n\0t\0r\0y\0 \0n\0o\0t\0", 18)));
    // The entry's reason is the program's own text: one line end, no blank line.
    EXPECT_TRUE(Contains(saved, Utf16Le(u"is also the new name of \"IMG_0001.jpg\".\r\n")));
    EXPECT_FALSE(Contains(saved, Utf16Le(u"\r\r\n")));
}

TEST_F(CliTest, OnATerminalTheConfirmationIsAsked) {
    WriteList("list.tvt", {kNumberPhotos});
    const std::string question =
        "You can undo it afterwards: Edit > Undo Last Job, or torvane-cli -Undo. [y/N] ";
    auto r = RunOnTerminal(program, {"photos", "list.tvt", "-Apply"}, dir.path(),
                           {{question, "\n"}});  // the default: No
    EXPECT_EQ(r.exitStatus, 3) << r.out;
    // The question says what would change; a No says that nothing did.
    EXPECT_TRUE(Contains(r.out, "Confirm notice: Apply 2 changes to 2 entries in 1 folder?"))
        << r.out;
    EXPECT_TRUE(Contains(r.out, "[y/N] \r\nNothing was changed.\r\n")) << r.out;
    EXPECT_TRUE(fs::exists(Path("photos/IMG_0001.jpg")));
    r = RunOnTerminal(program, {"photos", "list.tvt", "-Apply"}, dir.path(), {{question, "n\n"}});
    EXPECT_EQ(r.exitStatus, 3) << r.out;
    EXPECT_TRUE(Contains(r.out, "Nothing was changed.")) << r.out;
    EXPECT_TRUE(fs::exists(Path("photos/IMG_0001.jpg")));
    r = RunOnTerminal(program, {"photos", "list.tvt", "-Apply"}, dir.path(), {{question, "y\n"}});
    EXPECT_EQ(r.exitStatus, 0) << r.out;
    EXPECT_TRUE(Contains(r.out, "Notice: Operation completed sucessfully."));
    EXPECT_TRUE(fs::exists(Path("photos/Trip 01-0001.jpg")));
}

// The bundled examples, as scripts/run-main runs them on a copy.
TEST_F(CliTest, TheExampleTaskListsRunOnACopyOfTheExampleFiles) {
    if (!HasUserAttributes())
        GTEST_SKIP() << "the temporary folder's file system has no user extended attributes";
    fs::copy(TORVANE_EXAMPLES_DIR, Path("demo"), fs::copy_options::recursive);
    const auto Run = [this](const std::string& list, bool apply) {
        Args arguments = {"-SubFolders", "-Retrieve", "both", "files/", list};
        if (apply)
            arguments.insert(arguments.end(), {"-Apply", "-NoConfirm"});
        return RunProcess(program, arguments, Path("demo"));
    };
    const auto rename = Run("rename.tvt", false);
    EXPECT_EQ(rename.exitStatus, 0) << rename.err;
    EXPECT_EQ(rename.out.rfind("trip/IMG_0101.jpg -> trip/Holiday-01.jpg\n"
                               "trip/IMG_0102.jpg -> trip/Holiday-02.jpg\n"
                               "IMG_0001.jpg -> Holiday-01.jpg\n",
                               0),
              0u)
        << rename.out;
    for (const char* list : {"rename.tvt", "timestamp.tvt", "attributes.tvt"}) {
        EXPECT_EQ(Run(list, false).exitStatus, 0) << list;
        const auto applied = Run(list, true);
        EXPECT_EQ(applied.exitStatus, 0) << list << applied.err;
        EXPECT_EQ(applied.out, "Notice: Operation completed sucessfully.\n");
    }
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(Path("demo/files"))) {
        if (e.is_directory())
            continue;
        ++files;
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name.rfind("Holiday-", 0) == 0 || name.ends_with(".txt")) << name;
        struct stat st {};
        ::stat(e.path().c_str(), &st);
        char year[8];
        std::strftime(year, sizeof year, "%Y", std::gmtime(&st.st_mtime));
        EXPECT_STREQ(year, "2020") << name;
        EXPECT_EQ((st.st_mode & 0222) == 0, name.ends_with(".txt")) << name;
    }
    EXPECT_EQ(files, 7);
}

// The program copied into a folder of its own, so that a preference file can
// lie beside it.
class CliPreferencesTest : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        fs::create_directory(Path("bin"));
        fs::copy_file(program, Path("bin/torvane-cli"));
        program = Path("bin/torvane-cli");
    }
    void WritePreferences(const std::string& lines) {
        PosixFileSystem disk;
        TextFileWriter writer(disk);
        ASSERT_TRUE(writer.Open(FromUtf8(Path("bin/config.ini"))).ok());
        ASSERT_TRUE(writer.Write(FromUtf8(lines)).ok());
        ASSERT_TRUE(writer.Close().ok());
    }
};

TEST_F(CliPreferencesTest, ThePreferenceFileIsReadAndNeverWritten) {
    WriteList("lower.tvt", {"$FileName<>FIND=img_<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>"});
    // Without a file, the search ignores case; and no file is made.
    auto r = Cli({"photos", "lower.tvt", "-Apply", "-NoConfirm"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("photos/x0001.jpg")));
    EXPECT_FALSE(fs::exists(Path("bin/config.ini")));

    Touch("photos/IMG_0003.jpg");
    WritePreferences("CaseSensitiveSearch=1\nAutoLoadFileList=1\nSelectedFilePath=/nowhere/\n");
    const std::string before = ReadBytes(Path("bin/config.ini"));
    r = Cli({"photos", "lower.tvt"});
    EXPECT_EQ(
        r.out,
        "Dry run: 0 of 4 entries would change, 0 problems. Nothing was changed; add -Apply to "
        "apply the task list.\n");
    r = Cli({"photos", "lower.tvt", "-Apply", "-NoConfirm"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("photos/IMG_0003.jpg")));
    EXPECT_EQ(ReadBytes(Path("bin/config.ini")), before);
}

TEST_F(CliPreferencesTest, SetAttributeOptionDecidesWhetherFoldersChange) {
    fs::create_directory(Path("photos/IMG_trip"));
    WriteList("list.tvt", {"$FileName<>FIND=IMG_<>REPL=P_<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>"});
    WritePreferences("SetAttributeOption=1\n");  // folders only
    const auto r = Cli({"-Retrieve", "both", "photos", "list.tvt", "-Apply", "-NoConfirm"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("photos/P_trip")));
    EXPECT_TRUE(fs::exists(Path("photos/IMG_0001.jpg")));
}

TEST_F(CliTest, ATypedTaskDoesWhatTheSameTaskFromATaskListDoes) {
    const struct {
        Args typed;
        std::string line;
    } cases[] = {
        {{"-Rename", "IMG_", "Trip ##-", "-Number", "1", "-Name", "Number"}, kNumberPhotos},
        {{"-Timestamp", "modified", "2019", "2020"}, kYearBack},
        {{"-Attributes", ".*\\.txt", "+R +A", "-Regex"}, kTextReadOnly},
        {{"-Attributes", "notes.txt", "+H-R"}, "$System<>FIND=notes.txt<>ATTR=2<>REGX=FALSE<>"},
    };
    for (const auto& c : cases) {
        WriteList("list.tvt", {c.line});
        const auto fromFile = Cli({"photos", "list.tvt"});
        Args typed = {"photos"};
        typed.insert(typed.end(), c.typed.begin(), c.typed.end());
        const auto fromSwitches = Cli(typed);
        EXPECT_EQ(fromSwitches.exitStatus, 0) << fromSwitches.err;
        EXPECT_EQ(fromSwitches.out, fromFile.out);
        EXPECT_TRUE(Contains(fromSwitches.out, " -> ")) << fromSwitches.out;
        // Saved, the typed task is the line the window would write.
        typed.insert(typed.end(), {"-Save", "saved.tvt"});
        EXPECT_EQ(Cli(typed).out, fromFile.out);
        const auto reloaded = Cli({"photos", "saved.tvt"});
        EXPECT_EQ(reloaded.out, fromFile.out);
        if (c.line.find("NAME=") != std::string::npos) {
            EXPECT_EQ(ReadBytes(Path("saved.tvt")), ReadBytes(Path("list.tvt")));
        }
    }
}

// Fields: a rename and a time from the date taken, an entry without one a
// problem of the dry run, and the task saved under its own keyword reading
// back the same.
TEST_F(CliTest, FieldsRenameAndRetimeByTheDateTaken) {
    const ScopedTimeZone zone("UTC");
    WriteTinyJpeg(Path("photos/IMG_0001.jpg"));
    SetExif(Path("photos/IMG_0001.jpg"), "Exif.Photo.DateTimeOriginal", "2021:07:03 14:05:09");
    const Args rename = {
        "photos", "-Change", "files",  "-Rename", "^.*$", "{taken:%Y-%m-%d_%H%M%S}",
        "-Regex", "-Fields", "-Scope", "name"};
    const auto dry = Cli(rename);
    EXPECT_EQ(dry.exitStatus, 4) << dry.err;
    EXPECT_TRUE(Contains(dry.out, "IMG_0001.jpg -> 2021-07-03_140509.jpg\n")) << dry.out;
    EXPECT_TRUE(Contains(dry.out,
                         "IMG_0002.jpg | Problem: \"IMG_0002.jpg\" has no value for "
                         "{taken:%Y-%m-%d_%H%M%S}; the task leaves it as it is.\n"))
        << dry.out;
    Args save = rename;
    save.insert(save.end(), {"-Save", "fields.tvt"});
    EXPECT_EQ(Cli(save).out, dry.out);
    EXPECT_EQ(Cli({"photos", "fields.tvt"}).out, dry.out);
    EXPECT_TRUE(Contains(ReadBytes(Path("fields.tvt")), Utf16Le(u"$FileNameEx<>")));

    Args apply = rename;
    apply.insert(apply.end(), {"-SkipProblems", "-Apply", "-NoConfirm"});
    Cli(apply);
    EXPECT_TRUE(fs::exists(Path("photos/2021-07-03_140509.jpg")));
    EXPECT_TRUE(fs::exists(Path("photos/IMG_0002.jpg")));
    Cli({"photos", "-Timestamp", "modified", "^.*$", "{taken}", "-Regex", "-Fields",
         "-SkipProblems", "-Apply", "-NoConfirm"});
    EXPECT_EQ(Modified("photos/2021-07-03_140509.jpg"), 1625321109);
    EXPECT_EQ(Modified("photos/IMG_0002.jpg"), k2019);
}

TEST_F(CliTest, TypedTasksFollowTheTaskListAndApply) {
    WriteList("list.tvt", {kYearBack});
    const auto r = Cli({"photos", "list.tvt", "-Rename", "IMG_", "Trip_", "-Apply", "-NoConfirm"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("photos/Trip_0001.jpg")));
    EXPECT_EQ(Modified("photos/Trip_0001.jpg"), k2020);
    EXPECT_EQ(Modified("photos/notes.txt"), k2020);
}

TEST_F(CliTest, EveryPathOfAListIsProcessedWithOneSummary) {
    fs::create_directory(Path("more"));
    WriteBytes(Path("more/IMG_0009.jpg"), "x");
    // A shell glob's files, then a folder; the last .tvt is the task list.
    WriteList("list.tvt", {"$FileName<>FIND=IMG_<>REPL=Trip_<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>"});
    const auto r = Cli({"photos/IMG_0001.jpg", "photos/IMG_0002.jpg", "more", "list.tvt"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out,
              "photos/IMG_0001.jpg -> photos/Trip_0001.jpg\n"
              "photos/IMG_0002.jpg -> photos/Trip_0002.jpg\n"
              "more/IMG_0009.jpg -> more/Trip_0009.jpg\n"
              "Dry run: 3 of 3 entries would change, 0 problems. Nothing was changed; add -Apply "
              "to apply the task list.\n");
    // Every path is checked before anything changes.
    const auto missing =
        Cli({"photos/IMG_0001.jpg", "gone.jpg", "-Rename", "IMG_", "x", "-Apply", "-NoConfirm"});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_TRUE(fs::exists(Path("photos/IMG_0001.jpg")));
}

TEST_F(CliTest, AHandWrittenUtf8TaskListIsRead) {
    WriteBytes(Path("hand.tvt"),
               "$FileName<>FIND=IMG_<>REPL=Caf\xC3\xA9_<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>\n");
    const auto r = Cli({"photos", "hand.tvt"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "IMG_0001.jpg -> Caf\xC3\xA9_0001.jpg\n")) << r.out;
}

TEST_F(CliTest, TheChangeSwitchRenamesFolders) {
    fs::create_directory(Path("photos/IMG_trip"));
    const Args rename = {"photos", "-Retrieve", "both", "-Rename", "IMG_", "x_"};
    Args folders = rename;
    folders.insert(folders.end(), {"-Change", "folders"});
    const auto r = Cli(folders);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "IMG_trip -> x_trip\n")) << r.out;
    EXPECT_FALSE(Contains(r.out, "IMG_0001.jpg ->")) << r.out;
    // The default (no preference file): files only.
    EXPECT_FALSE(Contains(Cli(rename).out, "IMG_trip ->"));
    // -SubFolders with -Retrieve files descends and changes files only.
    Touch("photos/IMG_trip/IMG_0003.jpg");
    const auto deep = Cli({"photos", "-SubFolders", "-Retrieve", "files", "-Rename", "IMG_", "x_"});
    EXPECT_TRUE(Contains(deep.out, "IMG_trip/IMG_0003.jpg -> IMG_trip/x_0003.jpg\n")) << deep.out;
    EXPECT_FALSE(Contains(deep.out, "IMG_trip -> ")) << deep.out;
    const auto refused = Cli({"photos", "-SubFolders", "-Retrieve", "files", "-Change", "both",
                              "-Rename", "IMG_", "x_"});
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_TRUE(Contains(refused.err, "type -Retrieve both")) << refused.err;
}

// -Save never writes over what is no regular file: a FIFO, a device node, a
// socket, a folder or a link to one is refused with the reason and left as
// it was; "-" writes the task list to the standard output.
TEST_F(CliTest, SaveRefusesWhatIsNoRegularFileAndWritesToTheStandardOutput) {
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
    fs::create_directory(Path("folder"));
    fs::create_symlink(Path("fifo"), Path("link"));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", Path("socket").c_str());
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<std::string> targets = {"fifo", "folder", "link", "socket"};
    if (::mknod(Path("device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        targets.push_back("device");
    for (const auto& target : targets) {
        SCOPED_TRACE(target);
        struct stat before {};
        ASSERT_EQ(::lstat(Path(target).c_str(), &before), 0);
        const auto r = Cli({"-Rename", "IMG_", "x", "-Save", target});
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_TRUE(Contains(r.err, target == "folder" ? "Is a directory" : "Not a regular file"))
            << r.err;
        struct stat after {};
        ASSERT_EQ(::lstat(Path(target).c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
    }
    ::close(socket);
    const auto out = Cli({"-Rename", "IMG_", "x", "-Save", "-"});
    EXPECT_EQ(out.exitStatus, 0) << out.err;
    EXPECT_EQ(out.out.rfind("\xFF\xFE$\0F\0i\0", 0), 0u);
    EXPECT_FALSE(fs::exists(Path("-")));
}

// A start number the names can't show is an error naming it, never cut to
// the largest one; a numbering that runs past it changes nothing.
TEST_F(CliTest, NumbersOutsideTheRangeAreRefused) {
    const auto big = Cli({"photos", "-Rename", "IMG_", "#", "-Number", "99999999999999999999"});
    EXPECT_EQ(big.exitStatus, 2);
    EXPECT_TRUE(Contains(big.err, "\"99999999999999999999\" is past the largest start number"))
        << big.err;
    const auto past =
        Cli({"photos", "-Rename", "IMG_", "#_", "-Number", "2147483647", "-Apply", "-NoConfirm"});
    EXPECT_NE(past.exitStatus, 0);
    EXPECT_TRUE(Contains(past.out + past.err, "went past 2147483647")) << past.out << past.err;
    EXPECT_TRUE(fs::exists(Path("photos/IMG_0001.jpg")));
    EXPECT_FALSE(fs::exists(Path("photos/-2147483648_0002.jpg")));
}

// What a new user trips on, each with its exact message and exit status.
TEST_F(CliTest, MessagesSayWhatANewUserNeedsToKnow) {
    const std::string usage =
        "\nUsage: torvane-cli [switches] PATH... [TASKLIST.tvt] [-Rename FIND REPLACE ...] "
        "[-Apply]\nTry 'torvane-cli --help' for more information.\n";
    const struct {
        Args arguments;
        int status;
        std::string out;  // a part of standard output
        std::string err;  // all of standard error
    } cases[] = {
        // Which of several paths is missing.
        {{"photos/IMG_0001.jpg", "photoz/IMG_0002.jpg", "-Rename", "IMG_", "x"},
         2,
         "",
         "Error: The specified file path doesn't exist: photoz/IMG_0002.jpg\n"},
        // The pattern as typed, its backslash single.
        {{"photos", "-Rename", "IMG_(\\d+", "x", "-Regex"},
         2,
         "",
         "Error: Not a valid regular expression: \"Unmatched marking parenthesis ( or \\(.  The "
         "error occurred while parsing the regular expression: 'IMG_(\\d+>>>HERE>>>'.\"\n"},
        // An empty new name is no path.
        {{"photos", "-Rename", "notes.txt", ""}, 4, "notes.txt -> (empty name) | Problem: ", ""},
        // The nearest known switch.
        {{"photos", "-Rename", "a", "b", "-Regx"},
         2,
         "",
         "torvane-cli: Unknown switch -Regx. Did you mean -Regex?" + usage},
        {{"photos", "--dryrun"},
         2,
         "",
         "torvane-cli: Unknown switch --dryrun. Did you mean --dry-run?" + usage},
    };
    const auto before = Snapshot();
    for (const auto& c : cases) {
        const auto r = Cli(c.arguments);
        EXPECT_EQ(r.exitStatus, c.status) << c.arguments[1] << "\n" << r.err;
        EXPECT_TRUE(Contains(r.out, c.out)) << r.out;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(Snapshot(), before);
    }
}

// Find ignores case by default (the preference); -Case sets it for one run.
TEST_F(CliPreferencesTest, CaseIsChosenForOneRun) {
    const auto Rename = [this](const Args& more) {
        Args arguments = {"photos", "-Rename", "i", "x"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return Cli(arguments);
    };
    const std::string ignored = "IMG_0001.jpg -> xMG_0001.jpg\nIMG_0002.jpg -> xMG_0002.jpg\n";
    const std::string kept = "Dry run: 0 of 3 entries would change";
    EXPECT_EQ(Rename({}).out.rfind(ignored, 0), 0u);
    EXPECT_EQ(Rename({"-Case", "sensitive"}).out.rfind(kept, 0), 0u);
    WritePreferences("CaseSensitiveSearch=1\n");
    EXPECT_EQ(Rename({}).out.rfind(kept, 0), 0u);
    EXPECT_EQ(Rename({"-case", "IGNORE"}).out.rfind(ignored, 0), 0u);
    const auto applied = Rename({"-Case", "ignore", "--apply", "--no-confirm"});
    EXPECT_EQ(applied.exitStatus, 0) << applied.err;
    EXPECT_TRUE(fs::exists(Path("photos/xMG_0001.jpg")));
    const auto wrong = Rename({"-Case", "upper"});
    EXPECT_EQ(wrong.exitStatus, 2);
    EXPECT_TRUE(Contains(wrong.err, "-Case: \"upper\" is not one of sensitive or ignore."))
        << wrong.err;
}

// A plain pattern is a whole name; one that looks like a wildcard pattern and
// names nothing gets a hint; -Wildcard makes it one, kept when saved.
TEST_F(CliTest, AttributePatternsMayBeWildcards) {
    const std::string hint =
        "Hint: No name is \"*.txt\": an attribute task's pattern is a whole name, letter for "
        "letter. For * and ? as wildcards, make it a wildcard pattern (torvane-cli: -Wildcard "
        "after the task; the attribute page: Wildcard).\n";
    const auto plain = Cli({"photos", "-Attributes", "*.txt", "+R"});
    EXPECT_EQ(plain.exitStatus, 0) << plain.err;
    EXPECT_EQ(plain.out, hint +
                             "Dry run: 0 of 3 entries would change, 0 problems. Nothing was "
                             "changed; add -Apply to apply the task list.\n");
    EXPECT_EQ(plain.err, "");

    const std::string line = "notes.txt -> notes.txt | Attributes +Read-only\n";
    const auto wild = Cli({"photos", "-Attributes", "*.txt", "+R", "-Wildcard", "-Save", "w.tvt"});
    EXPECT_EQ(wild.exitStatus, 0) << wild.err;
    EXPECT_EQ(wild.out.rfind(line + "Dry run: 1 of 3 entries would change", 0), 0u) << wild.out;
    const auto photos = Cli({"photos", "-Attributes", "IMG_000?.jpg", "+H", "-Wildcard"});
    EXPECT_TRUE(Contains(photos.out, "2 of 3 entries would change")) << photos.out;

    // Saved, the task keeps its kind in a field of its own, read back the same.
    const std::string saved = ReadBytes(Path("w.tvt"));
    EXPECT_EQ(saved,
              Utf16LeFile(u"$System<>FIND=*.txt<>ATTR=1<>REGX=FALSE<>WILD=TRUE<>NAME=<>\r\n"));
    const auto reloaded = Cli({"photos", "w.tvt"});
    EXPECT_EQ(reloaded.out, wild.out);
    // A dry run with -n, or --dry-run, stays one with -Apply.
    for (const char* dryRun : {"-n", "--dry-run"}) {
        const auto r = Cli({"photos", "w.tvt", "-Apply", "-NoConfirm", dryRun});
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_EQ(r.out, wild.out);
    }
}

TEST_F(CliTest, HelpAndVersionAsInLinuxTools) {
    for (const char* help : {"--help", "-h"}) {
        const auto r = Cli({help});
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.out.rfind("Torvane support the following arguments:\n", 0), 0u) << r.out;
        EXPECT_TRUE(Contains(r.out, " -Rename FIND REPLACE\n"));
    }
    const auto version = Cli({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out.rfind("torvane-cli (Torvane) ", 0), 0u) << version.out;
    const auto unknown = Cli({"photos", "--frobnicate"});
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err,
              "torvane-cli: Unknown switch --frobnicate.\n"
              "Usage: torvane-cli [switches] PATH... [TASKLIST.tvt] [-Rename FIND REPLACE ...] "
              "[-Apply]\nTry 'torvane-cli --help' for more information.\n");
}

}  // namespace
}  // namespace torvane::testing
