#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_controller.hpp"
#include "app/ui_thread.hpp"
#include "fake_file_system.hpp"
#include "gated_file_system.hpp"
#include "platform/file_attributes.hpp"
#include "platform/file_system_factory.hpp"
#include "platform/text.hpp"
#include "platform/text_file.hpp"
#include "recording_dialogs.hpp"
#include "recording_view.hpp"
#include "tasks/task_definition.hpp"
#include "temp_dir.hpp"

namespace torvane::testing {

using Message = RecordingDialogs::Message;

// A rename task's record.
inline RenameTaskFields RenameRecord(std::wstring find, std::wstring replace,
                                     std::wstring name = L"", bool regex = false) {
    RenameTaskFields f;
    f.name = std::move(name);
    f.find = std::move(find);
    f.replace = std::move(replace);
    f.regex = regex ? L"TRUE" : L"FALSE";
    return f;
}

// The in-memory file system, except that paths in one real folder are on
// disk: task-list files, the preference file and logs are read and written
// there, and the controller checks their existence.
class MixedFileSystem : public GatedFileSystem {
  public:
    explicit MixedFileSystem(std::wstring realFolder) : realFolder_(std::move(realFolder)) {}

    Result<std::uint32_t> GetAttributes(const std::wstring& path) override {
        if (IsReal(path))
            return real_->GetAttributes(path);
        return GatedFileSystem::GetAttributes(path);
    }
    Result<std::unique_ptr<InputFile>> OpenForReading(const std::wstring& path) override {
        if (IsReal(path))
            return real_->OpenForReading(path);
        return FakeFileSystem::OpenForReading(path);
    }
    Result<std::unique_ptr<OutputFile>> OpenForWriting(const std::wstring& path,
                                                       WriteMode mode) override {
        if (IsReal(path))
            return real_->OpenForWriting(path, mode);
        return FakeFileSystem::OpenForWriting(path, mode);
    }

  private:
    bool IsReal(const std::wstring& path) const { return path.rfind(realFolder_, 0) == 0; }

    std::wstring realFolder_;
    std::unique_ptr<FileSystem> real_ = MakeFileSystem();
};

// Recording dialogs that also call a hook before recording, so a test can
// see what was on show when a message appeared.
class HookedDialogs : public RecordingDialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageIcon icon, MessageButtons buttons) override {
        if (hook)
            hook(text);
        return RecordingDialogs::ShowMessage(text, caption, icon, buttons);
    }
    std::function<void(const std::wstring&)> hook;
};

// A controller with the in-memory file system, the recording dialogs and
// view, and a UI queue run by the test's thread. The program (and so its
// preference file) and the task-list and log files lie in a real temporary
// folder, since those files are read and written on disk; the fake mirrors
// that folder so that existence checks find them.
class ControllerTest : public ::testing::Test {
  protected:
    static constexpr std::int64_t kNow = 1625313909;  // 2021-07-03 12:05:09 UTC

    ControllerTest() { fs.SetProgramPath(Path(L"torvane")); }
    // A test that failed half-way may leave a job waiting: let it finish.
    ~ControllerTest() override {
        fs.OpenGate();
        if (controller && controller->jobRunning())
            FinishJob();
    }

    // Makes the controller without initialising it.
    MainController& Make(VersionInfo version = ProgramVersionInfo()) {
        MainControllerServices services{fs, dialogs, view, ui};
        view.Serve(services);
        services.version = std::move(version);
        services.clock = [this] { return now; };
        services.openHistory = openHistory;
        services.readFields = readFields;
        controller = std::make_unique<MainController>(std::move(services));
        view.Attach(*controller);
        return *controller;
    }

    // Makes and initialises the controller with these command-line arguments.
    MainController& Start(const std::vector<std::wstring>& arguments = {},
                          const ListOptions& options = {}) {
        Make();
        CommandLineInfo info;
        info.ParseCommandLine(arguments);
        controller->Initialize(info, options);
        return *controller;
    }

    // The temporary folder as a path with its separator.
    std::wstring Dir() const { return FromUtf8(dir.path()) + L"/"; }
    std::wstring Path(const std::wstring& name) const { return Dir() + name; }

    // Writes a UTF-16 text file on disk.
    std::wstring WriteTextFile(const std::wstring& name, const std::wstring& text) {
        const std::wstring path = Path(name);
        TextFileWriter writer(fs);
        EXPECT_TRUE(writer.Open(path).ok());
        EXPECT_TRUE(writer.Write(text).ok());
        EXPECT_TRUE(writer.Close().ok());
        return path;
    }

    // A task-list file holding these lines.
    std::wstring WriteTaskFile(const std::wstring& name, const std::vector<std::wstring>& lines) {
        std::wstring text;
        for (const auto& line : lines)
            text += line + L"\n";
        return WriteTextFile(name, text);
    }

    // The preference file beside the program.
    void WritePreferences(const Preferences& prefs, std::int32_t includeSubfolders = 0) {
        ASSERT_TRUE(SavePreferences(fs, dialogs, prefs, includeSubfolders));
    }

    // A folder of three files and a subfolder in the fake.
    void AddPhotos(const std::wstring& folder = L"/data/") {
        fs.AddFile(folder + L"b.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);
        fs.AddFile(folder + L"a10.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);
        fs.AddFile(folder + L"a2.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);
        fs.AddFolder(folder + L"sub", FILE_ATTRIBUTE_DIRECTORY, 1000);
        fs.AddFile(folder + L"sub/c.jpg", FILE_ATTRIBUTE_ARCHIVE, 1000);
    }

    // Picks `path` in the folder picker with these options, and runs Select
    // Folder.
    void ChooseFolder(const std::wstring& path, ListOptions options = {}) {
        view.folderAnswers.push_back(FolderChoice{path, options});
        controller->SelectFolder();
    }

    bool Submit(const TaskFields& record) { return controller->taskList().SubmitTask(record); }

    // Runs the UI queue until the job's completion has been handled.
    void FinishJob() {
        ui.RunUntil([this] { return !controller->jobRunning(); });
    }

    std::vector<Message> Messages() const { return dialogs.messages(); }

    TempDir dir;
    MixedFileSystem fs{Dir()};
    HookedDialogs dialogs;
    RecordingView view;
    UiTaskQueue ui;
    std::int64_t now = kNow;
    HistoryOpener openHistory;  // empty: the controller has no history
    FieldReader readFields;     // empty: the preview reads the files themselves
    std::unique_ptr<MainController> controller;
};

}  // namespace torvane::testing
