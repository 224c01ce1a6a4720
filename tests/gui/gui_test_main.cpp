// Runs the widget tests inside one QApplication, on the offscreen platform
// unless another is asked for. Problems that QAbstractItemModelTester finds
// fail the running test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

#include "gui/qt/qt_icon_provider.hpp"

namespace {

QtMessageHandler previousHandler = nullptr;

void FailOnModelProblems(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg && context.category &&
        QByteArray(context.category) == "qt.modeltest")
        ADD_FAILURE() << "model check: " << message.toStdString();
    if (previousHandler)
        previousHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    torvane::gui::EnsureIconTheme();
    previousHandler = qInstallMessageHandler(FailOnModelProblems);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
