// The plan's findings for fields without a value.
#include "engine/plan.hpp"
#include "fields/entry_metadata.hpp"

namespace torvane {

std::wstring MissingFieldMessage(std::wstring_view name, std::wstring_view field) {
    if (const std::wstring_view reason = MetadataUnavailableReason(); !reason.empty())
        return L"\"" + std::wstring(name) + L"\" has no value for " + std::wstring(field) + L": " +
               std::wstring(reason);
    return L"\"" + std::wstring(name) + L"\" has no value for " + std::wstring(field) +
           L"; the task leaves it as it is.";
}

std::vector<std::pair<std::size_t, Finding>> MissingFieldFindings(
    const FileEntries& current, const std::vector<FieldMiss>& misses) {
    std::vector<std::pair<std::size_t, Finding>> out;
    for (const FieldMiss& miss : misses) {
        if (miss.position < current.size())
            out.emplace_back(
                miss.position,
                Finding{FindingKind::kMissingField,
                        MissingFieldMessage(current[miss.position].name.wide(), miss.field)});
    }
    return out;
}

}  // namespace torvane
