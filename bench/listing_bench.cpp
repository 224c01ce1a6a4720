// Listing a folder of many files (ListPath without icons, as a job reads
// each folder) against the least any lister must do: readdir, one statx and
// one getxattr per entry.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "filelist/list_path.hpp"
#include "platform/dos_attrib.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

// A folder of `count` empty files, made once per size and removed at exit.
// Every tenth file carries a stored attribute word, as after a job.
class BenchFolder {
  public:
    explicit BenchFolder(int count) {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/torvane-bench-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr)
            std::abort();
        path_ = templ + "/";
        const auto word = EncodeDosAttribV3({0x22, 125911584000000000ULL});
        for (int i = 0; i < count; ++i) {
            const auto name = path_ + (i % 3 == 0 ? "Photo " : "IMG_") +
                              std::to_string(i * 7919 % count) + ".jpg";
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0)
                std::abort();
            if (i % 10 == 0)
                ::fsetxattr(fd, kDosAttribName, word.data(), word.size(), 0);
            ::close(fd);
        }
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

const BenchFolder& FolderOf(int count) {
    static std::map<int, std::unique_ptr<BenchFolder>> folders;
    auto& f = folders[count];
    if (!f)
        f = std::make_unique<BenchFolder>(count);
    return *f;
}

class NoDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring&, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        return MessageAnswer::kOk;
    }
};

void BM_ListPath(benchmark::State& state) {
    const auto root = FromUtf8(FolderOf(static_cast<int>(state.range(0))).path());
    PosixFileSystem fs;
    NoDialogs dialogs;
    NoProgress progress;
    // The folder is the history's root, so its count for the progress range
    // is taken too, as when a job lists its root.
    const ListContext context{fs,
                              dialogs,
                              progress,
                              nullptr,
                              {Retrieve::kFilesAndFolders, false, HiddenSystem::kHiddenAndSystem},
                              AttributeTarget::kBoth,
                              root};
    for (auto _ : state) {
        FileEntries out;
        ListPath(context, root, out);
        if (out.size() != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError("count");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BareReaddirStatxGetxattr(benchmark::State& state) {
    const auto& folder = FolderOf(static_cast<int>(state.range(0))).path();
    char value[256];
    for (auto _ : state) {
        DIR* dir = ::opendir(folder.c_str());
        std::string path = folder;
        std::int64_t sum = 0;
        while (const dirent* d = ::readdir(dir)) {
            struct statx stx {};
            ::statx(::dirfd(dir), d->d_name, AT_SYMLINK_NOFOLLOW,
                    STATX_TYPE | STATX_MODE | STATX_ATIME | STATX_MTIME | STATX_BTIME, &stx);
            path.resize(folder.size());
            path += d->d_name;
            sum += ::lgetxattr(path.c_str(), kDosAttribName, value, sizeof value);
            sum += stx.stx_mtime.tv_sec;
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Wall time: a large folder is listed by several threads.
BENCHMARK(BM_BareReaddirStatxGetxattr)
    ->Arg(10000)
    ->Arg(100000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListPath)->Arg(10000)->Arg(100000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvane
