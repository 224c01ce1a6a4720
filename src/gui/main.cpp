// The desktop front end: shows the main window.
#include <QApplication>

#include "gui/main_window.hpp"
#include "gui/qt_icon_provider.hpp"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("torvane");
    torvane::gui::EnsureIconTheme();
    torvane::gui::MainWindow window;
    window.SetProductName("Torvane");
    window.show();
    return QApplication::exec();
}
