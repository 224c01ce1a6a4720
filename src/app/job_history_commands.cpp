// The window's job history: opening the store, Undo Last Job, the History
// dialog's reads and Clear History.
#include "app/job_history_commands.hpp"

#include <utility>

namespace torvane {

JobHistoryCommands::JobHistoryCommands(HistoryOpener opener, bool announceInterrupted,
                                       JobRunner& runner, Dialogs& dialogs,
                                       std::function<void()> changed, std::function<void()> undoing)
    : opener_(std::move(opener)),
      announceInterrupted_(announceInterrupted),
      runner_(runner),
      dialogs_(dialogs),
      changed_(std::move(changed)),
      undoing_(std::move(undoing)) {}

void JobHistoryCommands::Open(const HistorySettings& settings) {
    if (!opener_ || history_ != nullptr)
        return;
    OpenStore(settings);
    if (history_ == nullptr || !announceInterrupted_)
        return;
    const auto notices = InterruptedJobNotices(*history_);
    if (notices.empty())
        return;
    std::wstring text;
    for (const auto& line : notices)
        text += (text.empty() ? L"" : L"\n") + line;
    dialogs_.ShowMessage(text, L"Interrupted job", MessageIcon::kWarning, MessageButtons::kOk);
}

void JobHistoryCommands::OpenStore(const HistorySettings& settings) {
    std::wstring problem;
    history_ = opener_(settings, problem);
    runner_.SetHistory(history_.get(), history_ == nullptr ? problem : std::wstring());
}

void JobHistoryCommands::SettingsChanged(const HistorySettings& settings) {
    if (!opener_)
        return;
    if (runner_.running()) {
        reopenWith_ = settings;
        return;
    }
    reopenWith_.reset();
    // The store reads its settings when it is opened. A journal still being
    // closed on the last job's worker has its own connection and lock, so
    // the old store may go first. Interrupted jobs are told at start-up only.
    runner_.SetHistory(nullptr);
    history_.reset();
    OpenStore(settings);
    changed_();
}

void JobHistoryCommands::JobEnded() {
    undoRunning_ = false;
    if (reopenWith_)
        SettingsChanged(*reopenWith_);
}

std::optional<JobRecord> JobHistoryCommands::LastUndoableJob() const {
    if (history_ == nullptr)
        return std::nullopt;
    auto last = LastJobNotUndone(*history_);
    return last ? *last : std::nullopt;
}

bool JobHistoryCommands::UndoLastJob() {
    if (runner_.running())
        return false;
    const auto job = LastUndoableJob();
    if (!job) {
        ShowNotice(history_ == nullptr ? L"There is no job history: jobs are not recorded."
                                       : L"There is no job to undo.");
        return false;
    }
    return UndoJob(job->id);
}

bool JobHistoryCommands::UndoJob(std::int64_t id) {
    if (undoing_ && !runner_.running())
        undoing_();
    undoRunning_ = runner_.StartUndo(id);
    return undoRunning_;
}

Result<std::vector<JobRecord>> JobHistoryCommands::Jobs() const {
    if (history_ == nullptr)
        return std::vector<JobRecord>();
    return history_->Jobs();
}

Result<std::vector<JournalEntry>> JobHistoryCommands::Entries(std::int64_t id) const {
    if (history_ == nullptr)
        return std::vector<JournalEntry>();
    return history_->Entries(id);
}

void JobHistoryCommands::Clear() {
    if (history_ != nullptr && !runner_.running()) {
        if (const Status cleared = history_->Clear(); !cleared)
            dialogs_.ShowMessage(L"The job history could not be cleared: " + cleared.error().text,
                                 L"Error", MessageIcon::kError, MessageButtons::kOk);
    }
    changed_();
}

bool JobHistoryCommands::AskClear() {
    if (history_ == nullptr || runner_.running())
        return false;
    if (dialogs_.ShowMessage(
            L"Forget every job in the history? Jobs forgotten can no longer be undone.",
            L"Clear History", MessageIcon::kQuestion,
            MessageButtons::kYesNo) != MessageAnswer::kYes)
        return false;
    Clear();
    return true;
}

void JobHistoryCommands::ShowNotice(const std::wstring& text) {
    dialogs_.ShowMessage(text, L"Notice", MessageIcon::kInformation, MessageButtons::kOk);
}

}  // namespace torvane
