#include "gui/lists/file_list_model.hpp"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QItemSelectionModel>
#include <QSignalSpy>

#include "gui/lists/file_columns.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "gui_fixture.hpp"
#include "time_zone.hpp"

namespace torvane::gui {
namespace {

using testing::MakeEntries;

class FileListModelTest : public ::testing::Test {
  protected:
    QString Text(int row, int column) const { return model.index(row, column).data().toString(); }
    qint64 IconKey(int row, int column) const {
        return model.index(row, column).data(Qt::DecorationRole).value<QIcon>().cacheKey();
    }

    torvane::testing::ScopedTimeZone zone{"UTC0"};
    QtIconProvider icons;
    FileListModel model{&icons};
    QAbstractItemModelTester tester{&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning};
    FileEntries entries = MakeEntries(3);
};

TEST_F(FileListModelTest, RowsShowNamesAndDateTextsWithoutTextInImageColumns) {
    entries[1].created = testing::kJuly3rd;
    entries[1].accessed = 0;
    model.Attach(&entries);
    ASSERT_EQ(model.rowCount(), 3);
    ASSERT_EQ(model.columnCount(), kFileColumnCount);
    EXPECT_EQ(Text(1, kNameColumn), "file 1.txt");
    EXPECT_EQ(Text(0, kModifiedColumn), "07/03/2021 02:05:09 PM");
    EXPECT_EQ(Text(1, kModifiedColumn), "07/04/2021 02:05:09 PM");
    EXPECT_EQ(Text(1, kCreatedColumn), "07/03/2021 02:05:09 PM");
    EXPECT_EQ(Text(1, kAccessedColumn), "01/01/1970 12:00:00 AM");
    for (int c = kArchiveColumn; c < kFileColumnCount; ++c)
        EXPECT_TRUE(model.index(0, c).data().toString().isEmpty()) << c;
}

TEST_F(FileListModelTest, HeadingsInColumnOrder) {
    const char* headings[] = {"Name",    "Date Modified", "Date Created", "Date Accessed",
                              "Archive", "Hidden",        "Read-only",    "System",
                              "Index",   "Compress",      "Encrypt"};
    for (int c = 0; c < kFileColumnCount; ++c)
        EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), headings[c]);
}

TEST_F(FileListModelTest, AttributeColumnsShowTheCheckedImageWhenTheBitReadsSet) {
    struct Case {
        std::uint32_t word;
        int column;
        bool set;
    };
    const Case cases[] = {
        {FILE_ATTRIBUTE_ARCHIVE, kArchiveColumn, true},
        {FILE_ATTRIBUTE_HIDDEN, kHiddenColumn, true},
        {FILE_ATTRIBUTE_READONLY, kReadOnlyColumn, true},
        {FILE_ATTRIBUTE_SYSTEM, kSystemColumn, true},
        {FILE_ATTRIBUTE_COMPRESSED, kCompressColumn, true},
        {FILE_ATTRIBUTE_ENCRYPTED, kEncryptColumn, true},
        {0, kIndexColumn, true},  // Index is on while "not indexed" is clear
        {FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, kIndexColumn, false},
        {FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, kArchiveColumn, false},
        {FILE_ATTRIBUTE_ARCHIVE, kHiddenColumn, false},
        {0x6827 & ~FILE_ATTRIBUTE_READONLY, kReadOnlyColumn, false},
    };
    const qint64 checked = icons.Icon(IconCache::kChecked).cacheKey();
    const qint64 unchecked = icons.Icon(IconCache::kUnchecked).cacheKey();
    ASSERT_NE(checked, unchecked);
    for (const auto& c : cases) {
        entries[0].attributes = c.word;
        model.Attach(&entries);
        EXPECT_EQ(IconKey(0, c.column), c.set ? checked : unchecked)
            << std::hex << c.word << " column " << std::dec << c.column;
    }
}

TEST_F(FileListModelTest, NameShowsTheIconAtItsPositionAndAStalePositionShowsGeneric) {
    entries[0].iconIndex = IconCache::kFolder;
    entries[1].iconIndex = 999;
    model.Attach(&entries);
    EXPECT_EQ(IconKey(0, kNameColumn), icons.Icon(IconCache::kFolder).cacheKey());
    EXPECT_EQ(IconKey(1, kNameColumn), icons.Icon(IconCache::kGeneric).cacheKey());
    EXPECT_FALSE(model.index(0, kModifiedColumn).data(Qt::DecorationRole).isValid());
}

TEST_F(FileListModelTest, InPlaceUpdateRedrawsRowsAndKeepsTheSelection) {
    model.Attach(&entries);
    QItemSelectionModel selection(&model);
    selection.select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    entries[2].name = L"renamed.txt";
    model.Refresh(NewListUpdate::kInPlace);
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].toModelIndex(), model.index(0, 0));
    EXPECT_EQ(changes[0][1].toModelIndex(), model.index(2, kFileColumnCount - 1));
    EXPECT_EQ(Text(2, kNameColumn), "renamed.txt");
    EXPECT_TRUE(selection.isRowSelected(2));
}

TEST_F(FileListModelTest, InPlaceUpdateOfADifferentLengthResets) {
    model.Attach(&entries);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    entries = MakeEntries(5);
    model.UpdateInPlace();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 5);
}

TEST_F(FileListModelTest, RowsBeyondAShrunkSequenceShowNothingUntilTheReset) {
    model.Attach(&entries);
    entries.resize(1);  // changed by the owner, not yet announced
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_FALSE(model.index(2, kNameColumn).data().isValid());
    EXPECT_EQ(model.EntryAt(2), nullptr);
    model.Reset();
    EXPECT_EQ(model.rowCount(), 1);
}

TEST_F(FileListModelTest, DetachedModelHasNoRows) {
    model.Attach(&entries);
    model.Attach(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    model.UpdateInPlace();
    EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace torvane::gui
