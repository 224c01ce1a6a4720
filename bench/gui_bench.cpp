// The desktop window's file lists with many entries, on the offscreen
// platform: showing a listed folder in both lists, and showing the new names
// of a rename task in the "New Attribute" list. Each measure ends with both
// lists laid out and painted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

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
struct ControllerHarness {
    ControllerHarness() : controller(Services(*this)) {
        window.Attach(controller);
        controller.Initialize(CommandLineInfo{});
        window.show();
    }
    static MainControllerServices Services(ControllerHarness& h) {
        MainControllerServices services{h.fs, h.dialogs, h.pickers, h.window.UiThread()};
        h.window.ServeAsViews(services);
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

}  // namespace

// The windows first (the controller's before the plain one), then the folder.
void ReleaseShared() {
    ControllerHarnessSlot().reset();
    HarnessSlot().reset();
    FolderSlot().reset();
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
