#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <thread>

#include "gui/qt/qt_dialogs.hpp"
#include "gui/qt/qt_progress.hpp"

namespace torvane::gui {
namespace {

// Answers the next message box shown anywhere in the application by clicking
// one of its buttons, and notes what the box showed and on which thread.
class BoxAnswerer : public QObject {
  public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer) : answer_(answer) {
        qApp->installEventFilter(this);
    }
    ~BoxAnswerer() override { qApp->removeEventFilter(this); }

    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::StandardButtons buttons;
    bool onUiThread = false;
    int shown = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box && event->type() == QEvent::Show) {
            ++shown;
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            format = box->textFormat();
            buttons = box->standardButtons();
            onUiThread = QThread::currentThread() == qApp->thread();
            QTimer::singleShot(0, box, [box, this] { box->button(answer_)->click(); });
        }
        return false;
    }

  private:
    QMessageBox::StandardButton answer_;
};

TEST(QtDialogsTest, WorkerThreadBoxIsShownOnTheUiThreadAndAnswered) {
    QWidget owner;
    QtDialogs dialogs(&owner);
    BoxAnswerer answerer(QMessageBox::No);
    QEventLoop loop;
    MessageAnswer answer = MessageAnswer::kOk;
    std::thread worker([&] {
        answer = dialogs.ShowMessage(L"Rename <b>a</b>?\r\nSecond line", L"Confirm notice",
                                     MessageIcon::kQuestion, MessageButtons::kYesNo);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    EXPECT_EQ(answer, MessageAnswer::kNo);
    EXPECT_EQ(answerer.shown, 1);
    EXPECT_TRUE(answerer.onUiThread);
    EXPECT_EQ(answerer.caption, "Confirm notice");
    EXPECT_EQ(answerer.text, "Rename <b>a</b>?\nSecond line");
    EXPECT_EQ(answerer.format, Qt::PlainText);
    EXPECT_EQ(answerer.icon, QMessageBox::Question);
    EXPECT_EQ(answerer.buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST(QtDialogsTest, UiThreadBoxesMapIconsButtonsAndAnswers) {
    struct Case {
        MessageIcon icon;
        MessageButtons buttons;
        QMessageBox::StandardButton click;
        QMessageBox::Icon shownIcon;
        QMessageBox::StandardButtons shownButtons;
        MessageAnswer answer;
    };
    const Case cases[] = {
        {MessageIcon::kError, MessageButtons::kOk, QMessageBox::Ok, QMessageBox::Critical,
         QMessageBox::Ok, MessageAnswer::kOk},
        {MessageIcon::kWarning, MessageButtons::kOkCancel, QMessageBox::Cancel,
         QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel, MessageAnswer::kCancel},
        {MessageIcon::kInformation, MessageButtons::kYesNoCancel, QMessageBox::Yes,
         QMessageBox::Information, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         MessageAnswer::kYes},
        {MessageIcon::kNone, MessageButtons::kYesNo, QMessageBox::No, QMessageBox::NoIcon,
         QMessageBox::Yes | QMessageBox::No, MessageAnswer::kNo},
    };
    QtDialogs dialogs(nullptr);
    for (const auto& c : cases) {
        BoxAnswerer answerer(c.click);
        EXPECT_EQ(dialogs.ShowMessage(L"text", L"Error", c.icon, c.buttons), c.answer);
        EXPECT_EQ(answerer.icon, c.shownIcon);
        EXPECT_EQ(answerer.buttons, c.shownButtons);
    }
}

TEST(QtProgressTest, WorkerCallsArriveInOrderOnTheBarsThread) {
    QProgressBar bar;
    auto* progress = new QtProgress(bar);
    std::thread worker([&] {
        progress->SetRange(0, 10);
        progress->SetStep(1);
        for (int i = 0; i < 4; ++i)
            progress->StepIt();
    });
    worker.join();
    EXPECT_EQ(bar.maximum(), 100);  // nothing happens off the bar's thread
    QApplication::sendPostedEvents(progress);
    EXPECT_EQ(bar.maximum(), 10);
    EXPECT_EQ(bar.value(), 4);
}

TEST(QtProgressTest, EmptyRangeIsNoBusyBarAndStepsStopAtTheEnd) {
    QProgressBar bar;
    QtProgress progress(bar);
    progress.SetRange(0, 0);
    EXPECT_LT(bar.minimum(), bar.maximum());
    EXPECT_EQ(bar.value(), 0);
    progress.SetRange(0, 3);
    progress.SetStep(2);
    progress.StepIt();
    progress.StepIt();
    progress.StepIt();
    EXPECT_EQ(bar.value(), 3);
    progress.SetPos(0);
    EXPECT_EQ(bar.value(), 0);
}

}  // namespace
}  // namespace torvane::gui
