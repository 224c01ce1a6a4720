#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/main_controller.hpp"
#include "app/ui_thread.hpp"
#include "borrowed_history.hpp"
#include "fake_file_system.hpp"
#include "gui/editor/editor_side_widgets.hpp"
#include "gui/editor/task_list_view.hpp"
#include "memory_history.hpp"
#include "platform/text.hpp"
#include "recording_dialogs.hpp"
#include "recording_view.hpp"
#include "temp_dir.hpp"
#include "time_zone.hpp"

namespace torvane::gui::testing {

// A controller over the in-memory file system with the editor side's
// widgets in a window. The program lies in a real temporary folder, where
// confirming the Preferences window writes its file. With `keepsHistory` the
// controller keeps its jobs in `history`.
class EditorSideTest : public ::testing::Test {
  protected:
    static constexpr std::int64_t kNow = 1625313909;  // 07/03/2021 12:05:09 PM UTC

    explicit EditorSideTest(bool keepsHistory = false) {
        fs.SetProgramPath(FromUtf8(dir.path()) + L"/torvane");
        MainControllerServices services{fs, dialogs, view, ui};
        view.Serve(services);
        services.editor = nullptr;  // the editor side registers itself
        services.clock = [] { return kNow; };
        if (keepsHistory) {
            services.openHistory = [this](const HistorySettings& settings, std::wstring&) {
                return settings.enabled ? BorrowHistory(history) : nullptr;
            };
        }
        controller = std::make_unique<MainController>(std::move(services));
        view.Attach(*controller);
        side = std::make_unique<EditorSideWidgets>(*controller, &window,
                                                   EditorSideOptions{&dialogs, kNow, L"torvane"});
        controller->Initialize(CommandLineInfo{});
    }

    // Lists a folder of the fake through the folder picker.
    void ListFolder(const std::wstring& path, ListOptions options = {}) {
        view.folderAnswers.push_back(FolderChoice{path, options});
        controller->SelectFolder();
    }

    // Runs the UI queue until the metadata the preview asked for is in.
    void WaitForFields() {
        ui.RunUntil([this] { return !controller->preview().fieldsReading(); });
    }

    // Replaces a box's text as typing would (the program's own setText
    // counts as a change too).
    static void Type(QLineEdit& box, const QString& text) { box.setText(text); }
    static void Click(QAbstractButton& button) { QTest::mouseClick(&button, Qt::LeftButton); }

    std::vector<std::wstring> NewNames() const {
        std::vector<std::wstring> names;
        for (const auto& e : controller->newEntries())
            names.push_back(e.name.wide());
        return names;
    }
    std::vector<std::wstring> Messages() const {
        std::vector<std::wstring> texts;
        for (const auto& m : dialogs.messages())
            texts.push_back(m.text);
        return texts;
    }
    TaskListView& TaskView() const { return side->TaskList(); }
    QStringList RowTexts() const {
        QStringList rows;
        const auto& model = TaskView().Model();
        for (int r = 0; r < model.rowCount(); ++r)
            rows << model.index(r, 0).data().toString();
        return rows;
    }
    // The names of the rows' tasks: a named task's row is its name, a colon
    // and its sentence.
    QStringList RowNames() const {
        QStringList names;
        for (const QString& text : RowTexts())
            names << text.section(QStringLiteral(": "), 0, 0);
        return names;
    }

    torvane::testing::ScopedTimeZone zone{"UTC0"};
    torvane::testing::TempDir dir;
    torvane::testing::FakeFileSystem fs;
    torvane::testing::RecordingDialogs dialogs;
    torvane::testing::RecordingView view;
    UiTaskQueue ui;
    torvane::testing::MemoryHistory history;
    std::unique_ptr<MainController> controller;
    QWidget window;
    std::unique_ptr<EditorSideWidgets> side;
};

}  // namespace torvane::gui::testing
