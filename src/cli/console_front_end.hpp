#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "app/main_controller.hpp"
#include "app/main_view.hpp"
#include "app/pickers.hpp"
#include "platform/dialogs.hpp"

namespace torvane {

// The console's side of the controller: message boxes become lines (notices
// on standard output, everything else on standard error, prefixed by the
// caption), questions are asked on the terminal only when standard input is
// one (else answered No, saying how to proceed), the progress bar is drawn on
// standard error only when it is a terminal, and a job's log lines are
// printed when it ends with errors. Nothing else of a window is drawn.
class ConsoleFrontEnd : public MainView, public Dialogs, public Pickers {
  public:
    // `input` is read for answers only when `inputIsTerminal`.
    ConsoleFrontEnd(std::FILE* input, bool inputIsTerminal, bool errorIsTerminal);

    // The controller whose state the progress bar reads; may stay null.
    void SetController(const MainController* controller) { controller_ = controller; }

    // How many messages with the error icon were shown.
    int errorsShown() const { return errorsShown_; }

    // Dialogs
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageIcon icon, MessageButtons buttons) override;

    // Pickers: only the log's file name can be asked for, on a terminal.
    std::optional<std::wstring> PickOpenFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::wstring> PickSaveFile(const FileDialogRequest& request) override;
    std::optional<FolderChoice> PickFolder() override { return std::nullopt; }

    // Progress
    void SetRange(int low, int high) override;
    void SetStep(int) override {}
    void StepIt() override { Draw(position_ + 1); }
    void SetPos(int position) override { Draw(position); }

    // MainView: a console shows none of the window's parts.
    void TitleChanged(const std::wstring&) override {}
    void CurrentEntriesChanged() override {}
    void NewEntriesChanged(NewListUpdate) override {}
    void TaskRowsChanged() override {}
    void TaskSelectionChanged(const TaskSelection&) override {}
    void TaskListCaptionChanged(const std::wstring&) override {}
    void CommandStatesChanged(const CommandStates&) override {}
    void GeneralInfoChanged(const GeneralInfo&) override {}
    void EnableTaskKindSelector(bool) override {}
    void EnableEditor() override {}
    void ShowEditorPage(int) override {}
    void LoadTask(const TaskFields&, LoadMode) override {}
    void PrefillTimestampPage(const FileEntry&) override {}
    void ShowPreferences(const PreferenceFlags&) override {}
    void ShowAbout(const AboutInfo&) override {}
    void RestorePlacement(const WindowPlacement&) override {}
    void CloseWindow(int) override {}
    void JobFinished(const JobResult& result) override;

  private:
    // Reads one line from the terminal; nullopt at its end.
    std::optional<std::wstring> ReadAnswer();
    void Draw(int position);
    void EndProgressLine();

    std::FILE* input_;
    const bool inputIsTerminal_;
    const bool errorIsTerminal_;
    const MainController* controller_ = nullptr;
    int errorsShown_ = 0;
    int high_ = 0;
    int position_ = 0;
    bool progressShown_ = false;
    std::chrono::steady_clock::time_point jobStart_{};
    std::chrono::steady_clock::time_point lastDraw_{};
};

// Writes wide text to a stream as UTF-8 (file names' bytes come back as they
// were).
void Print(std::FILE* stream, const std::wstring& text);

}  // namespace torvane
