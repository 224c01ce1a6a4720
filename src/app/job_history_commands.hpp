#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/history_access.hpp"
#include "app/job_runner.hpp"
#include "engine/job_history.hpp"
#include "platform/dialogs.hpp"

namespace torvane {

// The window's job history: the store opened with the preferences' settings
// (again when they change, once no job runs), the interrupted jobs told at
// start-up, Edit > Undo Last Job, and what the History dialog reads and does.
// Undoing goes through the job runner, whose pipeline holds the rules about
// what can be undone.
class JobHistoryCommands {
  public:
    // `opener` empty: no history. `announceInterrupted`: start-up tells of
    // jobs whose process died. `changed` is called when what the commands
    // offer may have changed (the window's command states); `undoing` right
    // before an undo starts (the window stops its own planning).
    JobHistoryCommands(HistoryOpener opener, bool announceInterrupted, JobRunner& runner,
                       Dialogs& dialogs, std::function<void()> changed,
                       std::function<void()> undoing = {});

    // Opens the store with `settings` unless it is open; tells of the jobs
    // that were interrupted when asked to.
    void Open(const HistorySettings& settings);
    // The settings changed: the store is opened again with them, now or
    // once the running job has ended (JobEnded).
    void SettingsChanged(const HistorySettings& settings);
    // The running job has ended: a pending reopening happens now.
    void JobEnded();

    // Whether there is a history (opened, and turned on in the preferences).
    bool available() const { return history_ != nullptr; }
    // The job Undo Last Job would undo: the newest that is not undone (an
    // undo included: undoing it redoes its job); nullopt when there is none,
    // no history, or it can't be read. JobSummaryText gives its status tip.
    std::optional<JobRecord> LastUndoableJob() const;
    // Edit > Undo Last Job: UndoJob of LastUndoableJob(), or a notice that
    // there is nothing to undo.
    bool UndoLastJob();
    // Undoes job `id` through the job runner (planned on its worker, shown
    // for review, applied with its progress and log, journaled as a job of
    // its own). Returns true when its worker was started; a job that can't be
    // undone now is said and false returned.
    bool UndoJob(std::int64_t id);
    // Whether the running job is an undo.
    bool undoRunning() const { return undoRunning_; }
    // The History dialog's table (newest first) and a job's entries, in the
    // order the job planned them, with how far each got; an error when the
    // store can't read them.
    Result<std::vector<JobRecord>> Jobs() const;
    Result<std::vector<JournalEntry>> Entries(std::int64_t id) const;
    // Forgets every job (not while a job runs); a failure is said.
    void Clear();
    // Asks whether to forget every job and does so on Yes; true when forgotten.
    bool AskClear();

  private:
    void OpenStore(const HistorySettings& settings);
    void ShowNotice(const std::wstring& text);

    HistoryOpener opener_;
    const bool announceInterrupted_;
    JobRunner& runner_;
    Dialogs& dialogs_;
    std::function<void()> changed_;
    std::function<void()> undoing_;
    std::unique_ptr<History> history_;
    bool undoRunning_ = false;
    std::optional<HistorySettings> reopenWith_;  // settings changed under a running job
};

}  // namespace torvane
