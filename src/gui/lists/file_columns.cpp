#include "gui/lists/file_columns.hpp"

namespace torvane::gui {

bool AttributeColumnIsSet(int column, std::uint32_t attributes) {
    if (column < kArchiveColumn || column >= kFileColumnCount)
        return false;
    return kShownAttributes[static_cast<std::size_t>(column - kArchiveColumn)].IsOn(attributes);
}

}  // namespace torvane::gui
