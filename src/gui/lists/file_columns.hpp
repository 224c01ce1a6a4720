#pragma once

#include <array>
#include <cstdint>

#include "platform/file_attributes.hpp"

namespace torvane::gui {

// The columns of both file lists, in display order. Column k of one list is
// always column k of the other (reordering is refused).
enum FileColumn : int {
    kNameColumn = 0,
    kModifiedColumn,
    kCreatedColumn,
    kAccessedColumn,
    kArchiveColumn,
    kHiddenColumn,
    kReadOnlyColumn,
    kSystemColumn,
    kIndexColumn,
    kCompressColumn,
    kEncryptColumn,
    kFileColumnCount
};

// How a column draws its cells: as text, or as a check image.
enum class ColumnTrait { kText, kImage };

// A grid column: heading, start width in pixels, trait, width limits (-1 for
// none) and whether the user may hide it.
struct GridColumn {
    const char* heading;
    int width;
    ColumnTrait trait;
    int minWidth = -1;
    int maxWidth = -1;
    bool alwaysVisible = false;
};

// The eleven file-list columns.
inline constexpr std::array<GridColumn, kFileColumnCount> kFileColumns = {{
    {"Name", 300, ColumnTrait::kText, 100, -1, true},
    {"Date Modified", 140, ColumnTrait::kText},
    {"Date Created", 140, ColumnTrait::kText},
    {"Date Accessed", 140, ColumnTrait::kText},
    {kShownAttributes[0].caption, 20, ColumnTrait::kImage},
    {kShownAttributes[1].caption, 20, ColumnTrait::kImage},
    {kShownAttributes[2].caption, 20, ColumnTrait::kImage},
    {kShownAttributes[3].caption, 20, ColumnTrait::kImage},
    {kShownAttributes[4].caption, 20, ColumnTrait::kImage},
    {kShownAttributes[5].caption, 20, ColumnTrait::kImage},
    {kShownAttributes[6].caption, 20, ColumnTrait::kImage},
}};

// The attribute columns are kShownAttributes in its order, from kArchiveColumn on.
static_assert(kFileColumnCount - kArchiveColumn == kShownAttributes.size());
static_assert(kShownAttributes[static_cast<std::size_t>(kIndexColumn - kArchiveColumn)].inverted);

// The first column hidden when the window opens: only "Name" and
// "Date Modified" show at start.
inline constexpr int kFirstColumnHiddenAtStart = kCreatedColumn;

// Whether the attribute shown by an image column reads as set in an attribute
// word. Index is shown set when the not-content-indexed bit is clear. False
// for a column that shows no attribute.
bool AttributeColumnIsSet(int column, std::uint32_t attributes);

}  // namespace torvane::gui
