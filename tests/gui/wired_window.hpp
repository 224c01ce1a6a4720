#pragma once

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/history_access.hpp"
#include "app/main_controller.hpp"
#include "gated_file_system.hpp"
#include "gui/commands.hpp"
#include "gui/main_window.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "gui/qt/qt_ui_thread.hpp"
#include "recording_dialogs.hpp"
#include "recording_view.hpp"
#include "tasks/task_definition.hpp"

namespace torvane::testing {

// A rename task's record.
inline RenameTaskFields RenameRecord(std::wstring find, std::wstring replace) {
    RenameTaskFields fields;
    fields.find = std::move(find);
    fields.replace = std::move(replace);
    fields.regex = L"FALSE";
    return fields;
}

// The window's UI thread, with a way to run the event loop until a condition
// holds: the condition is checked after each piece of work a job's worker
// hands over, so the wait ends as soon as it can and never polls.
class NotifyingUiThread : public UiThread {
  public:
    explicit NotifyingUiThread(UiThread& inner) : inner_(inner) {}

    void Post(std::function<void()> work) override {
        inner_.Post([this, work = std::move(work)] {
            work();
            Check();
        });
    }
    bool OnUiThread() const override { return inner_.OnUiThread(); }

    // Runs the event loop until `done` returns true.
    void RunUntil(std::function<bool()> done) {
        if (done())
            return;
        QEventLoop loop;
        done_ = std::move(done);
        loop_ = &loop;
        loop.exec();
        loop_ = nullptr;
        done_ = nullptr;
    }

  protected:
    void PostAndWait(std::function<void()> work) override {
        inner_.Invoke([this, work = std::move(work)] {
            work();
            Check();
        });
    }

  private:
    void Check() {
        if (loop_ && done_())
            loop_->quit();
    }

    UiThread& inner_;
    std::function<bool()> done_;
    QEventLoop* loop_ = nullptr;
};

// The main window with a real controller over the in-memory file system.
// Message boxes are recorded (answering Yes or OK) and the file and folder
// pickers answer from the scripts of `pickers`. Closing the window does not
// end the test program.
class WiredWindow {
  public:
    WiredWindow() {
        QApplication::setQuitOnLastWindowClosed(false);
        fs.SetProgramPath(L"/app/torvane");
    }
    // A job left running by a failed test is let finish first: the
    // controller waits for its worker, which may be waiting for this thread.
    ~WiredWindow() {
        fs.OpenGate();
        if (controller)
            ui.RunUntil([this] { return !controller->jobRunning(); });
        controller.reset();
        QApplication::setQuitOnLastWindowClosed(quitOnLastWindowClosed_);
    }

    // Makes the controller over the window and initialises it with these
    // command-line arguments.
    void Start(const std::vector<std::wstring>& arguments = {}) {
        MainControllerServices services{fs, dialogs, pickers, ui};
        services.openHistory = openHistory;
        services.readFields = readFields;
        window.ServeAsViews(services);
        controller = std::make_unique<MainController>(std::move(services));
        window.Attach(*controller);
        CommandLineInfo info;
        info.ParseCommandLine(arguments);
        controller->Initialize(info);
    }

    // Chooses `path` with these options through the Select Folder command.
    void ChooseFolder(const std::wstring& path, ListOptions options = {}) {
        pickers.folderAnswers.push_back(FolderChoice{path, options});
        window.Action(gui::kCmdSelectFolder)->trigger();
    }

    // The job history the controller opens (none unless set before Start).
    HistoryOpener openHistory;
    // How the preview reads metadata (empty: the files); set before Start.
    FieldReader readFields;
    GatedFileSystem fs;
    RecordingDialogs dialogs;
    RecordingView pickers;
    gui::MainWindow window;
    NotifyingUiThread ui{window.UiThread()};
    std::unique_ptr<MainController> controller;

  private:
    const bool quitOnLastWindowClosed_ = QApplication::quitOnLastWindowClosed();
};

}  // namespace torvane::testing
