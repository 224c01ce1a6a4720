#include "engine/plan_text.hpp"

#include "platform/date_text.hpp"
#include "platform/file_attributes.hpp"

namespace torvane {
namespace {

void AddTimeChange(std::wstring& text, std::wstring_view what, std::int64_t before,
                   std::int64_t after) {
    if (before == after)
        return;
    if (!text.empty())
        text += L" | ";
    text += std::wstring(what) + L" " + FormatDateText(before) + L" -> " + FormatDateText(after);
}

// The new side of a line: the new path, or what the name is when it names
// no entry of the folder (empty, ".", "..", or holding a separator would be
// read as the folder itself, its parent or a path below it).
std::wstring NewSide(const FileEntry& updated, std::wstring_view base) {
    const std::wstring name = updated.name.wide();
    if (name.empty())
        return L"(empty name)";
    if (name == L"." || name == L".." || name.find(kPathSeparator) != std::wstring::npos)
        return L"(unusable name \"" + name + L"\")";
    return RelativeTo(base, updated.FullPath());
}

}  // namespace

std::wstring RelativeTo(std::wstring_view base, const std::wstring& path) {
    if (!base.empty() && path.size() > base.size() && path.compare(0, base.size(), base) == 0)
        return path.substr(base.size());
    return path;
}

std::wstring AttributeChanges(std::uint32_t before, std::uint32_t after) {
    std::wstring out;
    for (const auto& a : kShownAttributes) {
        const bool is = a.IsOn(after);
        if (a.IsOn(before) == is)
            continue;
        if (!out.empty())
            out += L' ';
        out += (is ? L"+" : L"-") + a.WideCaption();
    }
    return out;
}

std::wstring DisplayBase(const std::wstring& root) {
    if (!root.empty() && root.back() == kPathSeparator)
        return root;
    const auto slash = root.rfind(kPathSeparator);
    return slash == std::wstring::npos ? L"./" : root.substr(0, slash + 1);
}

std::wstring DescribeValueChanges(const FileEntry& current, const FileEntry& updated) {
    std::wstring text;
    AddTimeChange(text, L"Created", current.created, updated.created);
    AddTimeChange(text, L"Modified", current.modified, updated.modified);
    AddTimeChange(text, L"Accessed", current.accessed, updated.accessed);
    if (const auto attributes = AttributeChanges(current.attributes, updated.attributes);
        !attributes.empty())
        text += (text.empty() ? L"Attributes " : L" | Attributes ") + attributes;
    return text;
}

std::optional<std::wstring> DescribeChange(const FileEntry& current, const FileEntry& updated,
                                           std::wstring_view base) {
    const std::wstring values = DescribeValueChanges(current, updated);
    if (current.name == updated.name && values.empty())
        return std::nullopt;
    std::wstring line = RelativeTo(base, current.FullPath()) + L" -> " + NewSide(updated, base);
    if (!values.empty())
        line += L" | " + values;
    return line;
}

std::wstring CommonFolder(const std::wstring& a, const std::wstring& b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    const auto slash = a.rfind(kPathSeparator, n == 0 ? 0 : n - 1);
    return slash == std::wstring::npos ? std::wstring() : a.substr(0, slash + 1);
}

std::wstring PlanDisplayRoot(const JobPlan& plan) {
    std::wstring root;
    for (std::size_t k = 0; k < plan.roots.size(); ++k) {
        const std::wstring& path = plan.folders[plan.roots[k]].path;
        root = k == 0 ? path : CommonFolder(root, path);
    }
    return root;
}

}  // namespace torvane
