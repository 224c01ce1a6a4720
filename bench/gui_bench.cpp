// The desktop window's file lists with many entries, on the offscreen
// platform: showing a listed folder in both lists, and showing the new names
// of a rename task in the "New Attribute" list. Each measure ends with both
// lists laid out and painted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <exiv2/exiv2.hpp>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "app/main_controller.hpp"
#include "engine/preview.hpp"
#include "filelist/list_path.hpp"
#include "gui/commands.hpp"
#include "gui/lists/file_list_model.hpp"
#include "gui/lists/sync_list_view.hpp"
#include "gui/main_window.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "gui/qt/qt_ui_thread.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/text.hpp"
#include "tasks/task_definition.hpp"

namespace torvane::gui {
namespace {

class SilentDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring&, const std::wstring&, MessageIcon,
                              MessageButtons) override {
        return MessageAnswer::kOk;
    }
};

// Redraws the new list the way the preview asks.
class ModelView : public PreviewView {
  public:
    explicit ModelView(FileListModel& model) : model_(model) {}
    void NewEntriesChanged(NewListUpdate how) override { model_.Refresh(how); }

  private:
    FileListModel& model_;
};

// One shown window with a preview whose sequences both lists show.
struct Harness {
    Harness()
        : cache(&window.Icons()), view(window.NewModel()), preview(dialogs, cache, fs, &view) {
        window.CurrentModel().Attach(&preview.currentEntries());
        window.NewModel().Attach(&preview.newEntries());
        window.show();
    }
    // Lets both lists lay out and paint their rows now.
    void Paint() {
        QApplication::processEvents();
        window.CurrentList().viewport()->repaint();
        window.NewList().viewport()->repaint();
    }

    SilentDialogs dialogs;
    NoProgress progress;
    MainWindow window;
    IconCache cache;
    ModelView view;
    PosixFileSystem fs;
    Preview preview;
};

// What the benchmarks share is made on first use and destroyed by
// ReleaseShared before the application object goes: widgets must not outlive
// it (a static window's destructor ran after it and crashed), and the folder
// on disk is removed at the end of every run.
std::unique_ptr<Harness>& HarnessSlot() {
    static std::unique_ptr<Harness> harness;
    return harness;
}

Harness& TheHarness() {
    auto& harness = HarnessSlot();
    if (!harness)
        harness = std::make_unique<Harness>();
    return *harness;
}

FileEntries MakeEntries(int count) {
    FileEntries entries(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto& e = entries[static_cast<std::size_t>(i)];
        e.folderPath = L"/photos/";
        e.name = L"IMG_" + std::to_wstring(100000 + i) + L".jpg";
        e.modified = e.created = e.accessed = 1625321109 + i;
        e.attributes = 0x20;
    }
    return entries;
}

TaskItem RenameTask() {
    RenameTaskFields fields;
    fields.find = L"IMG_";
    fields.replace = L"Holiday ";
    return TaskItem{1, L"", BuildTaskDefinition(fields)};
}

// Entries already in memory: the new sequence copied and both lists reset.
void BM_ShowListedEntries(benchmark::State& state) {
    auto& h = TheHarness();
    const FileEntries entries = MakeEntries(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        h.window.CurrentModel().Attach(nullptr);
        h.preview.EntriesListed(entries, {}, {});
        h.window.CurrentModel().Attach(&h.preview.currentEntries());
        h.Paint();
    }
}
BENCHMARK(BM_ShowListedEntries)->Arg(100000)->Unit(benchmark::kMillisecond);

// A rename task appended: the engine renames every entry, the new list is
// redrawn in place.
void BM_AppendRenameTask(benchmark::State& state) {
    auto& h = TheHarness();
    const FileEntries entries = MakeEntries(static_cast<int>(state.range(0)));
    const TaskList tasks = {RenameTask()};
    for (auto _ : state) {
        state.PauseTiming();
        h.preview.EntriesListed(entries, {}, {});
        h.window.CurrentModel().Reset();
        h.Paint();
        state.ResumeTiming();
        h.preview.TaskAppended(tasks, {});
        h.Paint();
    }
}
BENCHMARK(BM_AppendRenameTask)->Arg(100000)->Unit(benchmark::kMillisecond);

// Only the redraw of new names already computed, in place.
void BM_UpdateNewListInPlace(benchmark::State& state) {
    auto& h = TheHarness();
    h.preview.EntriesListed(MakeEntries(static_cast<int>(state.range(0))), {}, {});
    h.window.CurrentModel().Reset();
    h.Paint();
    for (auto _ : state) {
        h.window.NewModel().UpdateInPlace();
        h.Paint();
    }
}
BENCHMARK(BM_UpdateNewListInPlace)->Arg(100000)->Unit(benchmark::kMillisecond);

// A folder of `count` empty files on disk, removed at exit.
class BenchFolder {
  public:
    explicit BenchFolder(int count) {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/torvane-gui-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr)
            std::abort();
        path_ = templ + "/";
        for (int i = 0; i < count; ++i) {
            const auto name =
                path_ + "IMG_" + std::to_string(static_cast<long long>(i) * 7919 % count) + ".jpg";
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0)
                std::abort();
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

std::unique_ptr<BenchFolder>& FolderSlot() {
    static std::unique_ptr<BenchFolder> folder;
    return folder;
}

BenchFolder& TheBenchFolder(int count) {
    auto& folder = FolderSlot();
    if (!folder)
        folder = std::make_unique<BenchFolder>(count);
    return *folder;
}

// From choosing a folder to both lists showing it: listing with icons, the
// preview, both lists reset and painted.
void BM_ChooseFolder(benchmark::State& state) {
    auto& h = TheHarness();
    const auto& folder = TheBenchFolder(static_cast<int>(state.range(0)));
    PosixFileSystem fs;
    const std::wstring path = FromUtf8(folder.path());
    const ListContext context{fs,  h.dialogs, h.progress, &h.cache, {}, AttributeTarget::kFiles,
                              path};
    for (auto _ : state) {
        h.window.CurrentModel().Attach(nullptr);
        h.preview.Clear();
        h.preview.EntriesListed(NavigateTo(context, path), {}, {});
        h.window.CurrentModel().Attach(&h.preview.currentEntries());
        h.Paint();
    }
}
BENCHMARK(BM_ChooseFolder)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Answers the folder picker with one folder and the default options.
class FixedPickers : public Pickers {
  public:
    std::optional<std::wstring> PickOpenFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::wstring> PickSaveFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<FolderChoice> PickFolder() override { return FolderChoice{folder, {}}; }

    std::wstring folder;
};

// A second window, this one the view of a real controller on the disk.
// `readFields` reads the preview's metadata (empty: the files).
struct ControllerHarness {
    explicit ControllerHarness(FieldReader readFields = {})
        : controller(Services(*this, std::move(readFields))) {
        window.Attach(controller);
        controller.Initialize(CommandLineInfo{});
        window.show();
    }
    static MainControllerServices Services(ControllerHarness& h, FieldReader readFields) {
        MainControllerServices services{h.fs, h.dialogs, h.pickers, h.window.UiThread()};
        h.window.ServeAsViews(services);
        services.readFields = std::move(readFields);
        return services;
    }
    void Paint() {
        QApplication::processEvents();
        window.CurrentList().viewport()->repaint();
        window.NewList().viewport()->repaint();
    }

    PosixFileSystem fs;
    SilentDialogs dialogs;
    FixedPickers pickers;
    MainWindow window;
    MainController controller;
};

std::unique_ptr<ControllerHarness>& ControllerHarnessSlot() {
    static std::unique_ptr<ControllerHarness> harness;
    return harness;
}

ControllerHarness& TheControllerHarness() {
    auto& harness = ControllerHarnessSlot();
    if (!harness)
        harness = std::make_unique<ControllerHarness>();
    return *harness;
}

// Through the controller: Select Folder chosen, the folder listed with
// icons, both lists painted.
void BM_ControllerChooseFolder(benchmark::State& state) {
    auto& h = TheControllerHarness();
    h.pickers.folder = FromUtf8(TheBenchFolder(static_cast<int>(state.range(0))).path());
    for (auto _ : state) {
        h.window.Action(kCmdSelectFolder)->trigger();
        h.Paint();
    }
    if (h.window.CurrentModel().rowCount() != state.range(0))
        state.SkipWithError("the lists do not show the folder");
}
BENCHMARK(BM_ControllerChooseFolder)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Through the controller: a rename task submitted, the new names painted.
void BM_ControllerSubmitRenameTask(benchmark::State& state) {
    auto& h = TheControllerHarness();
    h.pickers.folder = FromUtf8(TheBenchFolder(static_cast<int>(state.range(0))).path());
    h.window.Action(kCmdSelectFolder)->trigger();
    h.Paint();
    RenameTaskFields fields;
    fields.find = L"IMG_";
    fields.replace = L"Holiday ";
    for (auto _ : state) {
        state.PauseTiming();
        h.controller.taskList().ClearTaskList();
        h.Paint();
        state.ResumeTiming();
        h.controller.taskList().SubmitTask(fields);
        h.Paint();
    }
    if (!h.window.NewModel().index(0, 0).data().toString().startsWith("Holiday "))
        state.SkipWithError("the new list does not show the new names");
}
BENCHMARK(BM_ControllerSubmitRenameTask)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A folder of `count` small JPEGs, each with an EXIF DateTimeOriginal (one
// photo made through Exiv2, then copied), removed at exit.
class PhotoFolder {
  public:
    explicit PhotoFolder(int count) {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/torvane-photos-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr)
            std::abort();
        path_ = templ + "/";
        const std::string first = path_ + "IMG_000000.jpg";
        WriteJpeg(first);
        auto image = Exiv2::ImageFactory::open(first);
        image->readMetadata();
        image->exifData()["Exif.Photo.DateTimeOriginal"] = "2021:07:03 14:05:09";
        image->writeMetadata();
        for (int i = 1; i < count; ++i) {
            const std::string name = path_ + "IMG_" + std::to_string(100000 + i) + ".jpg";
            std::filesystem::copy_file(first, name);
        }
    }
    ~PhotoFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

  private:
    // A JPEG's markers (no picture): what the metadata readers parse.
    static void WriteJpeg(const std::string& path) {
        const auto segment = [](unsigned char marker, std::string body) {
            const auto n = body.size() + 2;
            return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(n >> 8),
                               static_cast<char>(n & 0xFF)} +
                   body;
        };
        std::string jpeg = "\xFF\xD8";
        jpeg += segment(0xDB, std::string(1, '\0') + std::string(64, '\1'));
        jpeg += segment(0xC0, std::string("\x08\x00\x03\x00\x04\x01\x01\x11\x00", 9));
        jpeg += segment(0xC4, std::string("\x00\x01", 2) + std::string(16, '\0'));
        jpeg += segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));
        jpeg += "\xFF\xD9";
        std::ofstream(path, std::ios::binary) << jpeg;
    }

    std::string path_;
};

std::unique_ptr<PhotoFolder>& PhotoSlot() {
    static std::unique_ptr<PhotoFolder> folder;
    return folder;
}

// Through the controller: a rename by date taken ({taken}) submitted over a
// folder of photos whose metadata nobody has read yet (the folder is
// listed again first), then the event loop run until every date is in and
// the new names are painted. Counters: the submit itself (what the UI thread
// spends before it can draw again), the longest single turn of the event
// loop meanwhile (the longest the window did not answer) and the batches the
// new names were redrawn in.
void RunFieldsPreview(benchmark::State& state, ControllerHarness& h) {
    using Clock = std::chrono::steady_clock;
    auto& photos = PhotoSlot();
    if (!photos)
        photos = std::make_unique<PhotoFolder>(static_cast<int>(state.range(0)));
    h.pickers.folder = FromUtf8(photos->path());
    h.window.Action(kCmdSelectFolder)->trigger();
    RenameTaskFields fields;
    fields.find = L"^.*$";
    fields.replace = L"{taken:%Y-%m-%d} $&";
    fields.regex = L"TRUE";
    fields.fields = L"TRUE";
    fields.scope = L"name";
    double submitMs = 0;
    double longestTurnMs = 0;
    double batches = 0;
    for (auto _ : state) {
        state.PauseTiming();
        h.controller.taskList().ClearTaskList();
        h.controller.Refresh();
        h.Paint();
        state.ResumeTiming();
        const auto start = Clock::now();
        h.controller.taskList().SubmitTask(fields);
        h.Paint();
        submitMs = std::max(
            submitMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        const auto before = h.controller.preview().revision();
        while (h.controller.preview().fieldsReading()) {
            const auto turn = Clock::now();
            QApplication::processEvents();
            longestTurnMs =
                std::max(longestTurnMs,
                         std::chrono::duration<double, std::milli>(Clock::now() - turn).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        batches = static_cast<double>(h.controller.preview().revision() - before);
        h.Paint();
    }
    state.counters["submit_ms"] = submitMs;
    state.counters["batches"] = batches;
    state.counters["longest_turn_ms"] = longestTurnMs;
    if (!h.window.NewModel().index(0, 0).data().toString().startsWith("2021-07-03 "))
        state.SkipWithError("the new list does not show the dates");
}
void BM_ControllerFieldsPreview(benchmark::State& state) {
    RunFieldsPreview(state, TheControllerHarness());
}
BENCHMARK(BM_ControllerFieldsPreview)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

std::unique_ptr<ControllerHarness>& SlowReadHarnessSlot() {
    static std::unique_ptr<ControllerHarness> harness;
    return harness;
}

// The same with every photo taking 1 ms more to read, as on a slow disk or
// a network share (the files themselves are in the page cache here).
void BM_ControllerFieldsPreviewSlowDisk(benchmark::State& state) {
    auto& slot = SlowReadHarnessSlot();
    if (!slot) {
        // The harness reads through a file system of its own, made before it.
        static PosixFileSystem fs;
        slot = std::make_unique<ControllerHarness>(
            [](const FileEntry& entry, unsigned groups, EntryMetadata& into) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ReadEntryFields(fs, entry, groups, into);
            });
    }
    RunFieldsPreview(state, *slot);
}
BENCHMARK(BM_ControllerFieldsPreviewSlowDisk)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The same preview computed the way it was before the background reads:
// every photo read on the calling thread as the task is appended.
void BM_FieldsPreviewOnTheCallingThread(benchmark::State& state) {
    auto& h = TheHarness();
    auto& photos = PhotoSlot();
    if (!photos)
        photos = std::make_unique<PhotoFolder>(static_cast<int>(state.range(0)));
    PosixFileSystem fs;
    const std::wstring path = FromUtf8(photos->path());
    const ListContext context{fs,  h.dialogs, h.progress, &h.cache, {}, AttributeTarget::kFiles,
                              path};
    RenameTaskFields fields;
    fields.find = L"^.*$";
    fields.replace = L"{taken:%Y-%m-%d} $&";
    fields.regex = L"TRUE";
    fields.fields = L"TRUE";
    fields.scope = L"name";
    const TaskList tasks = {TaskItem{1, L"", BuildTaskDefinition(fields)}};
    const FileEntries listed = NavigateTo(context, path);
    for (auto _ : state) {
        state.PauseTiming();
        h.preview.EntriesListed(listed, {}, {});
        h.window.CurrentModel().Reset();
        h.Paint();
        state.ResumeTiming();
        h.preview.TaskAppended(tasks, {});
        h.Paint();
    }
}
BENCHMARK(BM_FieldsPreviewOnTheCallingThread)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

// The windows first (the controller's before the plain one), then the folder.
void ReleaseShared() {
    SlowReadHarnessSlot().reset();
    ControllerHarnessSlot().reset();
    HarnessSlot().reset();
    FolderSlot().reset();
    PhotoSlot().reset();
}

}  // namespace torvane::gui

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    torvane::gui::EnsureIconTheme();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    torvane::gui::ReleaseShared();
    return 0;
}
