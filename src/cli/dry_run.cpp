#include "cli/dry_run.hpp"

#include <exception>

#include "engine/apply_task.hpp"
#include "platform/date_text.hpp"
#include "platform/file_attributes.hpp"
#include "platform/progress.hpp"
#include "platform/text.hpp"

namespace torvane {
namespace {

std::wstring RelativeTo(std::wstring_view base, const std::wstring& path) {
    if (!base.empty() && path.size() > base.size() && path.compare(0, base.size(), base) == 0)
        return path.substr(base.size());
    return path;
}

void AddTimeChange(std::wstring& line, std::wstring_view what, std::int64_t before,
                   std::int64_t after) {
    if (before != after)
        line += L" | " + std::wstring(what) + L" " + FormatDateText(before) + L" -> " +
                FormatDateText(after);
}

class DryRunWalker {
  public:
    DryRunWalker(const DryRunSettings& settings, FileSystem& fs, Dialogs& dialogs,
                 DryRunReport& report)
        : settings_(settings),
          fs_(fs),
          dialogs_(dialogs),
          report_(report),
          base_(DisplayBase(settings.root)) {}

    // The entries of one folder and their new values, with what lies below.
    void Entries(const FileEntries& current, const FileEntries& updated) {
        for (std::size_t i = 0; i < current.size() && i < updated.size(); ++i) {
            if (current[i].IsFolder() && settings_.listOptions.includeSubfolders == 1 &&
                (current[i].attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
                Folder(current[i].FullPath() + kPathSeparator);
            ++report_.entries;
            if (auto line = DescribeChange(current[i], updated[i], base_))
                report_.lines.push_back(std::move(*line));
        }
    }

  private:
    void Folder(const std::wstring& path) {
        NoProgress noProgress;
        ListContext listing{fs_, dialogs_, noProgress};
        listing.options = settings_.listOptions;
        listing.setAttributeOption = settings_.engine.setAttributeOption;
        FileEntries current;
        if (!ListPath(listing, path, current).ok())
            return;
        const ApplyContext context{settings_.engine, dialogs_, ApplyMode::JobMode, {}};
        NewEntries computed;
        try {
            computed = ComputeNewEntries(current, settings_.tasks, context);
        } catch (const std::exception& e) {
            dialogs_.ShowMessage(
                L"Error processing directory " + path + L":\n" + FromUtf8(e.what()), L"Error",
                MessageIcon::kError, MessageButtons::kOk);
            computed.result = TaskResult::Failed;
        }
        if (computed.result == TaskResult::Ok)
            Entries(current, computed.entries);
    }

    const DryRunSettings& settings_;
    FileSystem& fs_;
    Dialogs& dialogs_;
    DryRunReport& report_;
    const std::wstring base_;
};

}  // namespace

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

std::optional<std::wstring> DescribeChange(const FileEntry& current, const FileEntry& updated,
                                           std::wstring_view base) {
    const std::wstring attributes = AttributeChanges(current.attributes, updated.attributes);
    if (current.name == updated.name && current.created == updated.created &&
        current.modified == updated.modified && current.accessed == updated.accessed &&
        attributes.empty())
        return std::nullopt;
    std::wstring line =
        RelativeTo(base, current.FullPath()) + L" -> " + RelativeTo(base, updated.FullPath());
    AddTimeChange(line, L"Created", current.created, updated.created);
    AddTimeChange(line, L"Modified", current.modified, updated.modified);
    AddTimeChange(line, L"Accessed", current.accessed, updated.accessed);
    if (!attributes.empty())
        line += L" | Attributes " + attributes;
    return line;
}

DryRunReport DryRun(const FileEntries& current, const FileEntries& updated,
                    const DryRunSettings& settings, FileSystem& fs, Dialogs& dialogs) {
    DryRunReport report;
    DryRunWalker(settings, fs, dialogs, report).Entries(current, updated);
    return report;
}

std::wstring DryRunSummary(const DryRunReport& report) {
    return L"Dry run: " + std::to_wstring(report.lines.size()) + L" of " +
           std::to_wstring(report.entries) +
           L" entries would change. Nothing was changed; add -Apply to apply the task list.";
}

}  // namespace torvane
