// The desktop front end: the main window over the controller, on the real
// file system.
#include <QApplication>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.hpp"
#include "app/history_access.hpp"
#include "app/main_controller.hpp"
#include "gui/editor/editor_side_widgets.hpp"
#include "gui/main_window.hpp"
#include "gui/qt/qt_dialogs.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "gui/qt/qt_pickers.hpp"
#include "gui/qt/qt_ui_thread.hpp"
#include "platform/file_system_factory.hpp"
#include "platform/process_memory.hpp"
#include "platform/text.hpp"

namespace {

// The arguments after the program's name, as given (QApplication removes
// the ones it knows, so they are taken before it is made).
std::vector<std::wstring> Arguments(int argc, char* argv[]) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(torvane::FromUtf8(argv[i]));
    return arguments;
}

}  // namespace

int main(int argc, char* argv[]) {
    torvane::ReturnLargeBlocksWhenFreed();
    const std::vector<std::wstring> arguments = Arguments(argc, argv);
    // Help needs no window, so no display: it is printed before Qt starts.
    if (torvane::AsksForHelp(arguments)) {
        const torvane::VersionInfo version = torvane::ProgramVersionInfo();
        const torvane::CommandLineMessage help =
            torvane::WithLinuxExamples(torvane::CommandLineHelpMessage(version.productName, L""),
                                       version.productName, L"torvane");
        std::cout << torvane::ToUtf8(help.text) << std::flush;
        return 0;
    }
    torvane::CommandLineInfo commandLine;
    commandLine.ParseCommandLine(arguments);
    QApplication app(argc, argv);
    QApplication::setApplicationName("torvane");
    torvane::gui::EnsureIconTheme();
    const torvane::VersionInfo version = torvane::ProgramVersionInfo();
    QApplication::setApplicationDisplayName(QString::fromStdWString(version.productName));
    QApplication::setApplicationVersion(QString::fromStdWString(version.productVersion));
    QApplication::setWindowIcon(torvane::gui::ThemeIcon("system-run", "update_attributes"));

    const std::unique_ptr<torvane::FileSystem> ownFileSystem = torvane::MakeFileSystem();
    torvane::FileSystem& fs = *ownFileSystem;
    torvane::gui::MainWindow window;
    torvane::MainControllerServices services{fs, window.Dialogs(), window.Pickers(),
                                             window.UiThread()};
    window.ServeAsViews(services);
    services.appName = L"torvane";
    services.version = version;
    services.openHistory = torvane::OpenUserHistory;
    torvane::MainController controller(std::move(services));
    window.SetProductName(QString::fromStdWString(version.productName));
    window.Attach(controller);
    // Made after the controller it talks to (and registered with it as its
    // task editor), and destroyed before it.
    torvane::gui::EditorSideOptions editorOptions;
    editorOptions.dialogs = &window.Dialogs();
    torvane::gui::EditorSideWidgets editors(controller, &window, editorOptions);
    window.SetEditorSide(editors);
    controller.Initialize(commandLine);
    // -Quit without a job ends the window before it is ever shown.
    if (!window.Result()) {
        window.show();
        QApplication::exec();
    }
    return 0;
}
