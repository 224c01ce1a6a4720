// The fields layer of a build without the metadata libraries (Windows):
// every group reads as empty, and the plan says why on each entry a field
// leaves unchanged.
#include "fields/entry_metadata.hpp"

namespace torvane {

std::wstring_view MetadataUnavailableReason() {
    return L"fields read from a file's metadata are not available in this build; the task "
           L"leaves it as it is.";
}

void InitializeMetadataReaders() {}

void ReadMetadata(Folder&, const EntryName&, unsigned groups, EntryMetadata& into) {
    into.groupsRead |= groups;
}

}  // namespace torvane
