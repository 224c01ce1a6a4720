#include "gui/file_columns.hpp"

#include "platform/file_attributes.hpp"

namespace torvane::gui {

bool AttributeColumnIsSet(int column, std::uint32_t attributes) {
    switch (column) {
        case kArchiveColumn:
            return (attributes & FILE_ATTRIBUTE_ARCHIVE) != 0;
        case kHiddenColumn:
            return (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        case kReadOnlyColumn:
            return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        case kSystemColumn:
            return (attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
        case kIndexColumn:
            return (attributes & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED) == 0;
        case kCompressColumn:
            return (attributes & FILE_ATTRIBUTE_COMPRESSED) != 0;
        case kEncryptColumn:
            return (attributes & FILE_ATTRIBUTE_ENCRYPTED) != 0;
        default:
            return false;
    }
}

}  // namespace torvane::gui
