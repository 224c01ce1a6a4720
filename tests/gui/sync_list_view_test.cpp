#include "gui/lists/sync_list_view.hpp"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <memory>

#include "gui/lists/file_list_model.hpp"
#include "gui/main_window.hpp"
#include "gui_fixture.hpp"
#include "time_zone.hpp"

namespace torvane::gui {
namespace {

using testing::MakeEntries;

// Both lists of a shown main window over 200 entries.
class SyncListViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.CurrentModel().Attach(&current);
        window.NewModel().Attach(&newValues);
        window.show();
        QApplication::setActiveWindow(&window);
    }
    SyncListView& Current() { return window.CurrentList(); }
    SyncListView& New() { return window.NewList(); }
    static QPoint CellCenter(SyncListView& list, int row) {
        return list.visualRect(list.model()->index(row, kNameColumn)).center();
    }
    static void Wheel(SyncListView& list, int delta) {
        const QPointF at = list.viewport()->rect().center();
        QWheelEvent event(at, list.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list.viewport(), &event);
    }
    static bool RowVisible(SyncListView& list, int row) {
        const QRect cell = list.visualRect(list.model()->index(row, kNameColumn));
        return list.viewport()->rect().contains(cell);
    }

    torvane::testing::ScopedTimeZone zone{"UTC0"};
    FileEntries current = MakeEntries(200);
    FileEntries newValues = current;
    MainWindow window;
};

TEST_F(SyncListViewTest, SelectingARowInEitherListSelectsItInTheOtherWithFocusAndScrolling) {
    for (const bool fromCurrent : {true, false}) {
        SyncListView& source = fromCurrent ? Current() : New();
        SyncListView& partner = fromCurrent ? New() : Current();
        source.setFocus();
        QTest::mouseClick(source.viewport(), Qt::LeftButton, {}, CellCenter(source, 5));
        EXPECT_EQ(source.SelectedRow(), 5);
        EXPECT_EQ(partner.SelectedRow(), 5) << fromCurrent;
        EXPECT_TRUE(partner.hasFocus()) << fromCurrent;

        source.setCurrentIndex(source.model()->index(150, 0));
        EXPECT_EQ(partner.SelectedRow(), 150) << fromCurrent;
        EXPECT_TRUE(RowVisible(partner, 150)) << fromCurrent;
        EXPECT_TRUE(RowVisible(source, 150)) << fromCurrent;
        source.scrollToTop();
    }
}

TEST_F(SyncListViewTest, ClicksReportTheListIdAndSelectionChangesReportZero) {
    QSignalSpy selected(&Current(), &SyncListView::FileSelected);
    QSignalSpy activated(&Current(), &SyncListView::FileActivated);
    QTest::mouseClick(Current().viewport(), Qt::LeftButton, {}, CellCenter(Current(), 3));
    ASSERT_EQ(selected.count(), 2);
    EXPECT_EQ(selected[0], (QList<QVariant>{3, 0}));
    EXPECT_EQ(selected[1], (QList<QVariant>{3, kCurrentListId}));

    QSignalSpy newActivated(&New(), &SyncListView::FileActivated);
    QTest::mouseClick(New().viewport(), Qt::LeftButton, {}, CellCenter(New(), 4));
    QTest::mouseDClick(New().viewport(), Qt::LeftButton, {}, CellCenter(New(), 4));
    ASSERT_EQ(newActivated.count(), 1);
    EXPECT_EQ(newActivated[0], (QList<QVariant>{4, kNewListId}));
    EXPECT_EQ(activated.count(), 0);

    selected.clear();
    Current().setFocus();
    QTest::keyClick(&Current(), Qt::Key_Down);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0], (QList<QVariant>{5, 0}));
}

TEST_F(SyncListViewTest, OnlyNameAndDateModifiedShowAtStart) {
    for (auto* list : {&Current(), &New()})
        for (int c = 0; c < kFileColumnCount; ++c)
            EXPECT_EQ(list->IsColumnShown(c), c <= kModifiedColumn) << c;
}

TEST_F(SyncListViewTest, HidingAColumnInOneListHidesItInTheOtherAndNameStays) {
    std::unique_ptr<QMenu> menu(Current().MakeColumnMenu(nullptr));
    const auto items = menu->actions();
    ASSERT_EQ(items.size(), kFileColumnCount);
    EXPECT_EQ(items[kNameColumn]->text(), "Name");
    EXPECT_FALSE(items[kNameColumn]->isEnabled());
    EXPECT_TRUE(items[kNameColumn]->isChecked());
    EXPECT_TRUE(items[kModifiedColumn]->isChecked());
    EXPECT_FALSE(items[kCreatedColumn]->isChecked());

    items[kModifiedColumn]->trigger();
    EXPECT_FALSE(Current().IsColumnShown(kModifiedColumn));
    EXPECT_FALSE(New().IsColumnShown(kModifiedColumn));

    EXPECT_FALSE(New().ShowColumn(kNameColumn, false));
    EXPECT_TRUE(Current().IsColumnShown(kNameColumn));
    EXPECT_TRUE(New().IsColumnShown(kNameColumn));

    std::unique_ptr<QMenu> newMenu(New().MakeColumnMenu(nullptr));
    newMenu->actions()[kHiddenColumn]->trigger();
    EXPECT_TRUE(Current().IsColumnShown(kHiddenColumn));
    EXPECT_TRUE(New().IsColumnShown(kHiddenColumn));

    window.NewModel().Reset();  // a new listing keeps the user's columns
    EXPECT_FALSE(New().IsColumnShown(kModifiedColumn));
    EXPECT_TRUE(New().IsColumnShown(kHiddenColumn));
}

TEST_F(SyncListViewTest, WidthsFollowThePartnerAndNameStaysAtLeast100) {
    // Name starts at 300 pixels at most, narrower where the date column
    // would not fit beside it.
    EXPECT_LE(Current().columnWidth(kNameColumn), 300);
    EXPECT_LE(Current().columnWidth(kNameColumn) + Current().columnWidth(kModifiedColumn),
              Current().viewport()->width());
    EXPECT_GE(New().columnWidth(kModifiedColumn), 140);
    EXPECT_EQ(New().columnWidth(kModifiedColumn), Current().columnWidth(kModifiedColumn));
    const QString date = Current().model()->index(0, kModifiedColumn).data().toString();
    EXPECT_GT(Current().columnWidth(kModifiedColumn),
              Current().fontMetrics().horizontalAdvance(date));
    // Each attribute column is wide enough for its whole heading ("Archive",
    // not "Arc"), in both lists.
    const QHeaderView* header = Current().horizontalHeader();
    const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int c = kArchiveColumn; c < kFileColumnCount; ++c) {
        New().ShowColumn(c, true);
        const QString heading = Current().model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(Current().columnWidth(c),
                  header->fontMetrics().horizontalAdvance(heading) + margins)
            << heading.toStdString();
        EXPECT_EQ(New().columnWidth(c), Current().columnWidth(c));
    }

    Current().horizontalHeader()->resizeSection(kNameColumn, 60);
    EXPECT_EQ(Current().columnWidth(kNameColumn), 100);
    EXPECT_EQ(New().columnWidth(kNameColumn), 100);

    New().horizontalHeader()->resizeSection(kModifiedColumn, 210);
    EXPECT_EQ(Current().columnWidth(kModifiedColumn), 210);
    EXPECT_FALSE(Current().horizontalHeader()->sectionsMovable());
    EXPECT_FALSE(New().horizontalHeader()->sectionsMovable());
}

TEST_F(SyncListViewTest, ScrollingMovesBothListsInLockStep) {
    for (int c = kCreatedColumn; c < kFileColumnCount; ++c)
        Current().ShowColumn(c, true);
    QApplication::processEvents();  // lets the views lay out their new columns
    New().verticalScrollBar()->setValue(40);
    EXPECT_EQ(Current().verticalScrollBar()->value(), 40);
    ASSERT_GT(Current().horizontalScrollBar()->maximum(), 30);
    Current().horizontalScrollBar()->setValue(30);
    EXPECT_EQ(New().horizontalScrollBar()->value(), 30);
}

TEST_F(SyncListViewTest, WheelScrollsBothListsANotchAtATime) {
    const int lines = QApplication::wheelScrollLines();
    Wheel(Current(), -120);
    EXPECT_EQ(Current().verticalScrollBar()->value(), lines);
    EXPECT_EQ(New().verticalScrollBar()->value(), lines);
    for (int i = 0; i < 9; ++i)
        Wheel(New(), -30);
    EXPECT_EQ(New().verticalScrollBar()->value(), lines);
    Wheel(Current(), -30);  // the tenth small step, counted across both lists
    EXPECT_EQ(New().verticalScrollBar()->value(), 2 * lines);
    Wheel(New(), 120);
    EXPECT_EQ(Current().verticalScrollBar()->value(), lines);
}

TEST_F(SyncListViewTest, LeftAndRightKeysAreSwallowed) {
    Current().ShowColumn(kAccessedColumn, true);
    Current().setCurrentIndex(Current().model()->index(0, kNameColumn));
    Current().setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&Current(), Qt::Key_Right);
    EXPECT_EQ(Current().currentIndex().column(), kNameColumn);
    EXPECT_EQ(Current().horizontalScrollBar()->value(), 0);
}

TEST_F(SyncListViewTest, CopyPutsTheCellTextOnTheClipboard) {
    auto* clipboard = QApplication::clipboard();
    Current().CopyCellText(Current().model()->index(1, kModifiedColumn));
    EXPECT_EQ(clipboard->text(), "07/04/2021 02:05:09 PM");
    New().CopyCellText(New().model()->index(1, kArchiveColumn));
    EXPECT_EQ(clipboard->text(), "");
}

TEST_F(SyncListViewTest, RightClickOnACellOffersOnlyCopy) {
    QApplication::clipboard()->setText("before");
    QStringList enabled;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* item : menu->actions())
            if (item->isEnabled() && !item->isSeparator())
                enabled << item->text();
        for (QAction* item : menu->actions())
            if (item->text() == "Copy")
                menu->setActiveAction(item);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint at = New().visualRect(New().model()->index(2, kModifiedColumn)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, New().viewport()->mapToGlobal(at));
    QApplication::sendEvent(New().viewport(), &event);
    EXPECT_EQ(enabled, QStringList{"Copy"});
    EXPECT_EQ(QApplication::clipboard()->text(), "07/05/2021 02:05:09 PM");
}

}  // namespace
}  // namespace torvane::gui
