#include "gui/lists/file_list_model.hpp"

#include <QGuiApplication>
#include <QIcon>
#include <utility>

#include "gui/lists/file_columns.hpp"
#include "gui/lists/problem_rows.hpp"
#include "gui/qt/qt_icon_provider.hpp"
#include "platform/date_text.hpp"

namespace torvane::gui {
namespace {

int CountOf(const FileEntries* entries) {
    return entries ? static_cast<int>(entries->size()) : 0;
}

QString DateText(std::int64_t seconds) {
    return QString::fromStdWString(FormatDateText(seconds));
}

// The FieldColumn bit of a text column.
unsigned FieldColumnOf(int column) {
    switch (column) {
        case kNameColumn:
            return kFieldColumnName;
        case kModifiedColumn:
            return kFieldColumnModified;
        case kCreatedColumn:
            return kFieldColumnCreated;
        case kAccessedColumn:
            return kFieldColumnAccessed;
        default:
            return 0;
    }
}

}  // namespace

FileListModel::FileListModel(const QtIconProvider* icons, QObject* parent)
    : QAbstractTableModel(parent), icons_(icons) {}

void FileListModel::Attach(const FileEntries* entries) {
    beginResetModel();
    entries_ = entries;
    rows_ = CountOf(entries_);
    endResetModel();
}

void FileListModel::Reset() {
    Attach(entries_);
}

void FileListModel::UpdateInPlace() {
    if (CountOf(entries_) != rows_) {
        Reset();
        return;
    }
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, kFileColumnCount - 1));
}

void FileListModel::Refresh(NewListUpdate how) {
    if (how == NewListUpdate::kInPlace)
        UpdateInPlace();
    else
        Reset();
}

void FileListModel::SetFindings(FindingLookup lookup) {
    findings_ = std::move(lookup);
}

void FileListModel::SetReading(ReadingLookup lookup) {
    reading_ = std::move(lookup);
}

const Finding* FileListModel::FindingOf(int row) const {
    return findings_ ? findings_(static_cast<std::size_t>(row)) : nullptr;
}

const FileEntry* FileListModel::EntryAt(int row) const {
    if (row < 0 || row >= rows_ || row >= CountOf(entries_))
        return nullptr;
    return &(*entries_)[static_cast<std::size_t>(row)];
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFileColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const FileEntry* entry = EntryAt(index.row());
    if (!entry)
        return {};
    switch (role) {
        case Qt::DisplayRole:
            return DisplayText(*entry, index.row(), index.column());
        case Qt::DecorationRole:
            return Decoration(*entry, index.row(), index.column());
        case Qt::ToolTipRole:
            if (const Finding* finding = FindingOf(index.row()))
                return QString::fromStdWString(finding->message);
            return {};
        case Qt::BackgroundRole:
            if (FindingOf(index.row()))
                return ProblemTint(QGuiApplication::palette());
            return {};
        default:
            return {};
    }
}

QVariant FileListModel::DisplayText(const FileEntry& entry, int row, int column) const {
    if (reading_ && (reading_(static_cast<std::size_t>(row)) & FieldColumnOf(column)) != 0)
        return QStringLiteral("reading\u2026");
    switch (column) {
        case kNameColumn:
            return QString::fromStdWString(entry.name.wide());
        case kModifiedColumn:
            return DateText(entry.modified);
        case kCreatedColumn:
            return DateText(entry.created);
        case kAccessedColumn:
            return DateText(entry.accessed);
        default:
            return {};  // image columns carry no text
    }
}

QVariant FileListModel::Decoration(const FileEntry& entry, int row, int column) const {
    if (!icons_)
        return {};
    if (column == kNameColumn)
        return FindingOf(row) ? icons_->MarkedIcon(entry.iconIndex) : icons_->Icon(entry.iconIndex);
    if (kFileColumns[static_cast<std::size_t>(column)].trait != ColumnTrait::kImage)
        return {};
    return icons_->Icon(AttributeColumnIsSet(column, entry.attributes) ? IconCache::kChecked
                                                                       : IconCache::kUnchecked);
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kFileColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return QString::fromLatin1(kFileColumns[static_cast<std::size_t>(section)].heading);
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace torvane::gui
