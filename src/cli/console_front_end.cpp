#include "cli/console_front_end.hpp"

#include "cli/dry_run.hpp"
#include "cli/terminal_quoting.hpp"
#include "filelist/file_entry.hpp"

namespace torvane {
namespace {

constexpr std::wstring_view kNotATerminal = L"Answered No: standard input is not a terminal.";

}  // namespace

ConsoleFrontEnd::ConsoleFrontEnd(Terminal& terminal, FileSystem& fs)
    : terminal_(terminal), fs_(fs) {}

MessageAnswer ConsoleFrontEnd::ShowMessage(const std::wstring& text, const std::wstring& caption,
                                           MessageIcon icon, MessageButtons buttons) {
    return ShowMessageText(MessageText(text), caption, icon, buttons);
}

MessageAnswer ConsoleFrontEnd::ShowMessageText(const MessageText& text, const std::wstring& caption,
                                               MessageIcon icon, MessageButtons buttons) {
    if (icon == MessageIcon::kError || icon == MessageIcon::kWarning)
        ++problems_;
    // A text that already starts with its caption ("Error: ...") keeps it
    // once.
    std::wstring quoted = QuoteMessage(text);
    const std::wstring captionText = QuoteForTerminal(caption) + L": ";
    if (quoted.compare(0, captionText.size(), captionText) == 0)
        quoted.erase(0, captionText.size());
    const std::wstring line = caption.empty() ? quoted : captionText + quoted;
    if (buttons == MessageButtons::kOk || buttons == MessageButtons::kOkCancel) {
        if (icon == MessageIcon::kInformation)
            terminal_.PrintOut(line);
        else
            terminal_.PrintError(line);
        return MessageAnswer::kOk;
    }
    if (terminal_.io().inIsTerminal)
        return terminal_.AskYesNo(line) ? MessageAnswer::kYes : MessageAnswer::kNo;
    terminal_.PrintError(line);
    terminal_.PrintError(hint_.empty() ? std::wstring(kNotATerminal)
                                       : std::wstring(kNotATerminal) + L" " + hint_);
    return MessageAnswer::kNo;
}

std::optional<std::wstring> ConsoleFrontEnd::PickOpenFile(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<FolderChoice> ConsoleFrontEnd::PickFolder() {
    return std::nullopt;
}

std::optional<std::wstring> ConsoleFrontEnd::PickSaveFile(const FileDialogRequest& request) {
    const auto WithExtension = [&request](std::wstring name) {
        if (ExtensionOf(name).empty())
            name += request.defaultExtension;
        return name;
    };
    const std::wstring proposed = WithExtension(request.initialName);
    const auto answer = terminal_.ReadLine(L"Save as [" + QuoteForTerminal(proposed) + L"]: ");
    if (!answer)
        return std::nullopt;
    const std::wstring path = answer->empty() ? proposed : WithExtension(*answer);
    if (request.overwritePrompt && fs_.GetAttributes(path).ok() &&
        !terminal_.AskYesNo(QuoteForTerminal(path) +
                            L" already exists. Do you want to replace it?"))
        return std::nullopt;
    return path;
}

bool ConsoleFrontEnd::DrawsProgress() const {
    return jobApplying_ && !jobFinished_;
}

void ConsoleFrontEnd::SetRange(int low, int high) {
    position_ = low;
    terminal_.SetProgressRange(low, high);
}

void ConsoleFrontEnd::SetPos(int position) {
    position_ = position;
    if (position == 0 || DrawsProgress())
        terminal_.SetProgressPosition(position);
}

void ConsoleFrontEnd::JobFinished(const JobResult& result) {
    jobFinished_ = true;
    terminal_.SetProgressPosition(0);
    if (!result.error)
        return;
    for (const auto& line : result.log)
        terminal_.PrintError(QuotedLine(line));
    hint_ = L"The log is printed above.";
}

bool ConsoleFrontEnd::ReviewPlan(const JobPlan& plan, const std::wstring& root) {
    const DryRunReport report = DescribePlan(plan, root, true);
    for (const auto& line : report.lines)
        terminal_.PrintError(QuotedLine(line));
    for (const auto& problem : report.folderProblems)
        terminal_.PrintError(QuotedLine(problem));
    terminal_.PrintError(L"Nothing was changed: the plan has " +
                         PlanCountText(plan.changes, plan.problems) +
                         L". Add -SkipProblems to apply the changes without a problem.");
    return false;
}

}  // namespace torvane
