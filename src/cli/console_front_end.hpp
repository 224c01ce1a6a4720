#pragma once

#include <optional>
#include <string>

#include "app/main_view.hpp"
#include "app/pickers.hpp"
#include "cli/terminal.hpp"
#include "platform/dialogs.hpp"
#include "platform/file_system.hpp"

namespace torvane {

// The controller's front end on a console: message boxes become lines,
// questions are asked on the terminal (or answered No), the progress bar is
// a line on standard error, and a job's error log is printed. Nothing is
// drawn for the lists, the editors or the window (the console gives the
// controller no such views); the program reads what it prints from the
// controller. Every call comes on the main thread, which
// runs the controller's UI queue.
class ConsoleFrontEnd : public JobView, public Dialogs, public Pickers {
  public:
    ConsoleFrontEnd(Terminal& terminal, FileSystem& fs);

    // A job's entries are being applied: the progress bar is drawn from now
    // until the job has finished (never for listings or plans).
    void JobApplying() { jobApplying_ = true; }

    // What a question answered No without a terminal adds about how to
    // proceed (for the job's confirmation: add -NoConfirm).
    void SetNoAnswerHint(std::wstring hint) { hint_ = std::move(hint); }
    // The number of error and warning messages shown so far.
    int problemsShown() const { return problems_; }

    // Dialogs: "caption: text" (or the text alone without a caption), on
    // standard output for a notice (information icon), on standard error for
    // anything else. A Yes/No question is asked on the terminal; without
    // one it is answered No, with a line saying so and the hint. Returns
    // kOk for an OK box. The text's outside pieces (names, paths) and the
    // caption are quoted (QuoteMessage); a plain text is the program's
    // own, whose line breaks are kept.
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageIcon icon, MessageButtons buttons) override;
    MessageAnswer ShowMessageText(const MessageText& text, const std::wstring& caption,
                                  MessageIcon icon, MessageButtons buttons) override;

    // Pickers: only the save dialog is asked for (the error log's name). On a
    // terminal it asks for a name, proposing the request's initial name with
    // its default extension (an empty answer takes it), adds the extension to
    // a name typed without one and asks before an existing file is replaced.
    // Names in the prompt and the question are quoted.
    // nullopt without a terminal, at the end of input, or when the
    // replacement is refused. The open and folder pickers never answer.
    std::optional<std::wstring> PickOpenFile(const FileDialogRequest& request) override;
    std::optional<std::wstring> PickSaveFile(const FileDialogRequest& request) override;
    std::optional<FolderChoice> PickFolder() override;

    // JobView: the job's progress bar and its log.
    void SetRange(int low, int high) override;
    void SetStep(int step) override { step_ = step; }
    void StepIt() override { SetPos(position_ + step_); }
    void SetPos(int position) override;
    void JobFinished(const JobResult& result) override;
    // A batch's plan with problems: each problem on standard error, then why
    // nothing was changed and how to apply the rest. Answers false.
    bool ReviewPlan(const JobPlan& plan, const std::wstring& root) override;

  private:
    bool DrawsProgress() const;

    Terminal& terminal_;
    FileSystem& fs_;
    std::wstring hint_;
    int problems_ = 0;
    bool jobApplying_ = false;
    bool jobFinished_ = false;
    int position_ = 0;
    int step_ = 1;
};

}  // namespace torvane
