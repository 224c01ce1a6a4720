// Whole jobs over one folder of many files through the plan and its apply, each beside the
// least any tool must do for the same change: list the folder and make one
// system call per entry. Between iterations the folder is put back untimed.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/job.hpp"
#include "engine/plan.hpp"
#include "engine/plan_journal.hpp"
#include "platform/dos_attrib.hpp"
#include "platform/file_attributes.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane {
namespace {

constexpr std::int64_t kIn2001 = 994161600;  // 2001-07-03 12:00:00 UTC

class NoDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring&, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        return MessageAnswer::kOk;
    }
};

class NoObserver : public JobObserver {
  public:
    void JobStep(int) override {}
    void JobDone(const JobResult&) override {}
};

// A fresh folder of `count` files named a_<n>.jpg with modified time in 2001.
class Folder {
  public:
    explicit Folder(int count) {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/torvane-job-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr)
            std::abort();
        path_ = templ + "/";
        const struct timespec times[2] = {{kIn2001, 0}, {kIn2001, 0}};
        for (int i = 0; i < count; ++i) {
            const int fd = ::open((path_ + "a_" + std::to_string(i) + ".jpg").c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0)
                std::abort();
            ::futimens(fd, times);
            ::close(fd);
        }
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        DIR* d = ::opendir(path_.c_str());
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.')
                names.emplace_back(e->d_name);
        }
        ::closedir(d);
        return names;
    }

  private:
    std::string path_;
};

JobResult Run(const Folder& folder, const TaskFields& task) {
    PosixFileSystem fs;
    NoObserver observer;
    JobSettings settings;
    settings.paths = {FromUtf8(folder.path())};
    settings.tasks = {TaskItem{1, L"", BuildTaskDefinition(task)}};
    settings.engine.caseSensitive = true;
    return ApplyPlan(PlanJob(settings, fs), fs, observer, 0, ProblemEntries::kAttempt);
}

// Renames every file back to a_<n>.jpg, untimed.
void RenameBack(const Folder& folder) {
    for (const auto& name : folder.Names()) {
        const auto dot = name.find_first_of("._", 2);
        const std::string back = "a_" + name.substr(2, dot - 2) + ".jpg";
        if (back != name)
            ::rename((folder.path() + name).c_str(), (folder.path() + back).c_str());
    }
}

void SetItems(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["ns_per_entry"] = benchmark::Counter(
        static_cast<double>(state.range(0)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Times a rename job over the folder, putting the names back untimed.
void TimeRenameJob(benchmark::State& state, const RenameTaskFields& task) {
    Folder folder(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (Run(folder, task).error)
            state.SkipWithError("job failed");
        state.PauseTiming();
        RenameBack(folder);
        state.ResumeTiming();
    }
    SetItems(state);
}

// What journaling each entry's exact state adds before a job's first write:
// a stat and a read of the stored record per entry with a step.
void BM_ReadPlanStates(benchmark::State& state) {
    Folder folder(static_cast<int>(state.range(0)));
    PosixFileSystem fs;
    RenameTaskFields task;
    task.find = L"a_";
    task.replace = L"b_";
    JobSettings settings;
    settings.paths = {FromUtf8(folder.path())};
    settings.tasks = {TaskItem{1, L"", BuildTaskDefinition(task)}};
    const JobPlan plan = PlanJob(settings, fs);
    for (auto _ : state) {
        if (ReadPlanStates(plan).size() != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError("states missing");
    }
    SetItems(state);
}

void BM_JobPlainRename(benchmark::State& state) {
    RenameTaskFields f;
    f.find = L"a_";
    f.replace = L"b_";
    TimeRenameJob(state, f);
}

void BM_JobRegexNumberedRename(benchmark::State& state) {
    RenameTaskFields f;
    f.find = L"^a_(\\d+)\\.jpg$";
    f.replace = L"b_$1_#####.jpg";
    f.numbering = L"TRUE";
    f.startNumber = L"1";
    f.regex = L"TRUE";
    TimeRenameJob(state, f);
}

// The floor for a rename: readdir, then renameat2 without replacing, per entry.
void BM_BareRenameLoop(benchmark::State& state) {
    Folder folder(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        DIR* d = ::opendir(folder.path().c_str());
        const int dfd = ::dirfd(d);
        std::vector<std::string> names;
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.')
                names.emplace_back(e->d_name);
        }
        for (const auto& name : names) {
            const std::string to = "b_" + name.substr(2);
            ::renameat2(dfd, name.c_str(), dfd, to.c_str(), RENAME_NOREPLACE);
        }
        ::closedir(d);
        state.PauseTiming();
        RenameBack(folder);
        state.ResumeTiming();
    }
    SetItems(state);
}

void BM_JobTimestamp(benchmark::State& state) {
    Folder folder(static_cast<int>(state.range(0)));
    TimestampTaskFields f;
    f.timeKind = L"Modified";
    f.find = L"2001";
    f.replace = L"2002";
    const struct timespec back[2] = {{kIn2001, 0}, {kIn2001, 0}};
    for (auto _ : state) {
        if (Run(folder, f).error)
            state.SkipWithError("job failed");
        state.PauseTiming();
        for (const auto& name : folder.Names())
            ::utimensat(AT_FDCWD, (folder.path() + name).c_str(), back, AT_SYMLINK_NOFOLLOW);
        state.ResumeTiming();
    }
    SetItems(state);
}

// The least a tool does to change every entry: readdir, then `write` per
// entry. With `readFirst`, also what any tool must read before it can work
// out a new value from the old one: the listing's statx and stored-word read.
template <typename Write>
void WriteLoop(const Folder& folder, bool readFirst, Write write) {
    DIR* d = ::opendir(folder.path().c_str());
    const int dfd = ::dirfd(d);
    std::string path = folder.path();
    const auto length = path.size();
    char buffer[256];
    while (const dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        path.resize(length);
        path += e->d_name;
        if (readFirst) {
            struct statx stx {};
            ::statx(dfd, e->d_name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &stx);
            ::lgetxattr(path.c_str(), kDosAttribName, buffer, sizeof buffer);
        }
        write(dfd, e->d_name, path);
    }
    ::closedir(d);
}

// The floor for new times: utimensat per entry; with `readFirst`, once the
// old times are read.
void BareTimestampLoop(benchmark::State& state, bool readFirst) {
    Folder folder(static_cast<int>(state.range(0)));
    const struct timespec next[2] = {{kIn2001 + 31536000, 0}, {kIn2001 + 31536000, 0}};
    for (auto _ : state) {
        WriteLoop(folder, readFirst, [&](int dfd, const char* name, const std::string&) {
            ::utimensat(dfd, name, next, AT_SYMLINK_NOFOLLOW);
        });
    }
    SetItems(state);
}

void BM_BareTimestampLoop(benchmark::State& state) {
    BareTimestampLoop(state, false);
}

void BM_BareReadThenTimestampLoop(benchmark::State& state) {
    BareTimestampLoop(state, true);
}

void BM_JobAttribute(benchmark::State& state) {
    Folder folder(static_cast<int>(state.range(0)));
    AttributeTaskFields hide;
    hide.find = L".*";
    hide.regex = L"TRUE";
    hide.attributes = std::to_wstring(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    for (auto _ : state) {
        if (Run(folder, hide).error)
            state.SkipWithError("job failed");
        state.PauseTiming();
        for (const auto& name : folder.Names())
            ::removexattr((folder.path() + name).c_str(), kDosAttribName);
        state.ResumeTiming();
    }
    SetItems(state);
}

// The floor for an attribute word: one lsetxattr per entry; with
// `readFirst`, once the old word is read.
void BareAttributeLoop(benchmark::State& state, bool readFirst) {
    Folder folder(static_cast<int>(state.range(0)));
    const auto word = EncodeDosAttribV3({FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, 0});
    for (auto _ : state) {
        WriteLoop(folder, readFirst, [&](int, const char*, const std::string& path) {
            ::lsetxattr(path.c_str(), kDosAttribName, word.data(), word.size(), 0);
        });
    }
    SetItems(state);
}

void BM_BareAttributeLoop(benchmark::State& state) {
    BareAttributeLoop(state, false);
}

void BM_BareReadThenAttributeLoop(benchmark::State& state) {
    BareAttributeLoop(state, true);
}

// The word written through an open file: open, fsetxattr, close per entry.
void BM_BareAttributeFsetxattrLoop(benchmark::State& state) {
    Folder folder(static_cast<int>(state.range(0)));
    const auto word = EncodeDosAttribV3({FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, 0});
    for (auto _ : state) {
        WriteLoop(folder, false, [&](int dfd, const char* name, const std::string&) {
            const int fd = ::openat(dfd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            ::fsetxattr(fd, kDosAttribName, word.data(), word.size(), 0);
            ::close(fd);
        });
    }
    SetItems(state);
}

// Wall time: a large folder is listed by several threads.
#define TORVANE_JOB_BENCH(fn)                                                   \
    BENCHMARK(fn)->Arg(10000)->Arg(100000)->Iterations(3)->UseRealTime()->Unit( \
        benchmark::kMillisecond)

TORVANE_JOB_BENCH(BM_BareRenameLoop);
TORVANE_JOB_BENCH(BM_JobPlainRename);
TORVANE_JOB_BENCH(BM_JobRegexNumberedRename);
TORVANE_JOB_BENCH(BM_BareTimestampLoop);
TORVANE_JOB_BENCH(BM_BareReadThenTimestampLoop);
TORVANE_JOB_BENCH(BM_JobTimestamp);
TORVANE_JOB_BENCH(BM_BareAttributeLoop);
TORVANE_JOB_BENCH(BM_BareAttributeFsetxattrLoop);
TORVANE_JOB_BENCH(BM_BareReadThenAttributeLoop);
TORVANE_JOB_BENCH(BM_JobAttribute);
TORVANE_JOB_BENCH(BM_ReadPlanStates);

}  // namespace
}  // namespace torvane
