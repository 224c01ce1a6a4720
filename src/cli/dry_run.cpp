#include "cli/dry_run.hpp"

#include "cli/terminal_quoting.hpp"
#include "engine/job_walker.hpp"
#include "platform/date_text.hpp"
#include "platform/file_attributes.hpp"

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

// The dry run's strategy for the job's walk: a line for each entry that
// would change, the count of entries, and the folders left out.
class ChangeLines : public WalkVisitor {
  public:
    ChangeLines(const std::wstring& root, DryRunReport& report)
        : report_(report), base_(DisplayBase(root)) {}

    void Entry(Folder&, const FileEntry& current, const FileEntry& updated) override {
        ++report_.entries;
        if (auto line = DescribeChange(current, updated, base_))
            report_.lines.push_back(std::move(*line));
    }

    void FolderFailed(const FolderProblem& problem) override {
        report_.problems.push_back(problem.logLine);
    }

  private:
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
                    const JobSettings& settings, FileSystem& fs, Dialogs& dialogs) {
    DryRunReport report;
    ChangeLines lines(settings.root, report);
    JobWalker(settings, fs, dialogs, lines).WalkEntries(current, updated);
    return report;
}

std::wstring DryRunSummary(const DryRunReport& report) {
    return L"Dry run: " + std::to_wstring(report.lines.size()) + L" of " +
           std::to_wstring(report.entries) +
           L" entries would change. Nothing was changed; add -Apply to apply the task list.";
}

void PrintDryRunReport(Terminal& terminal, const DryRunReport& report) {
    for (const auto& line : report.lines)
        terminal.PrintOut(QuotedLine(line));
    for (const auto& problem : report.problems)
        terminal.PrintError(QuotedLine(problem));
    terminal.PrintOut(DryRunSummary(report));
}

}  // namespace torvane
