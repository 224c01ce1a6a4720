#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/editor_pages.hpp"
#include "app/main_view.hpp"
#include "platform/dialogs.hpp"
#include "tasks/task_definition.hpp"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace torvane::gui {

// Where a page sends a finished task: the controller's SubmitTask, answering
// true (accepted) or false (rejected: the page keeps everything).
using SubmitTaskFn = std::function<bool(const TaskFields&)>;
// Where a page sends the task being edited for a preview: the controller's
// PreviewDraft.
using DraftPreviewFn = std::function<DraftOutcome(const std::optional<TaskFields>&)>;

// What the three editor pages share: the modified flag, the editing id and
// modify mode (PageState) with the two buttons' texts, the refusal of "<" and
// ">" typed into the find and replace boxes, the empty find text's message,
// and sending a record. A page is a plain widget: Enter and Escape close
// nothing.
class CriteriaPage : public QWidget {
  public:
    // `caption` is the application's name, the caption of the page's
    // messages.
    CriteriaPage(Dialogs& dialogs, std::wstring caption, SubmitTaskFn submit,
                 QWidget* parent = nullptr);

    // The record of the page's kind: LoadMode::kForModify shows the task and
    // enters modify mode, LoadMode::kPrefill takes the values of a listed entry.
    // Records of another kind are ignored.
    virtual void LoadTask(const TaskFields& record, LoadMode mode) = 0;

    // The preview of the task being edited: a short while after each change
    // of the page's boxes (kDraftDelay, one single-shot timer, so typing
    // computes once), the active page sends the record it would submit, or
    // nothing when it would send nothing, and shows the answer's problem
    // below its fields. A find text that the submit would refuse shows that
    // refusal there. Without a preview function the page previews nothing.
    static constexpr int kDraftDelay = 250;  // milliseconds
    void SetDraftPreview(DraftPreviewFn preview);
    // The shown page previews; a hidden one waits. Activation previews soon.
    void SetActive(bool active);
    // Sends the draft now (the timer's work; tests call it instead of
    // waiting for the timer).
    void FlushDraft();
    QTimer& DraftTimer() const { return *draftTimer_; }
    // The problem shown below the fields (empty: none shown).
    QString DraftProblem() const;
    QLabel& DraftProblemLabel() const { return *problemText_; }

    const PageState& state() const { return state_; }
    QPushButton& PrimaryButton() const { return *primary_; }
    QPushButton& SecondaryButton() const { return *secondary_; }

  protected:
    // The Add/Modify and Clear/Cancel buttons' work.
    virtual void OnPrimary() = 0;
    virtual void OnSecondary() = 0;
    // The record the Add/Modify button would send now, and the find box the
    // submit checks.
    virtual TaskFields CurrentRecord() const = 0;
    virtual QLineEdit& FindEdit() const = 0;

    // Makes an edit box whose every text change sets the modified flag; a
    // find or replace box (`filtered`) also refuses a "<" or ">" typed,
    // pasted or dropped by the user (the program may still set such text).
    QLineEdit* MakeEdit(bool filtered);
    // Makes the line for a draft's problem (hidden while there is none) above
    // the two buttons (Add/Clear texts) wired to OnPrimary/OnSecondary.
    QWidget* MakeButtons();

    // Checks the find text and the modified flag before a submit: shows the
    // empty find text's message (focus to `find`) and answers false, or
    // answers false when nothing was modified; true when the record may go.
    bool ReadyToSubmit(QLineEdit& find);
    // Sends the record; true when it was accepted.
    bool Send(const TaskFields& record) const;

    // Add mode (id 0) or modify mode (`id`), with the buttons' texts. The
    // modified flag is set by loading and cleared by resetting.
    void EnterModifyMode(std::uint32_t id);
    void LeaveModifyMode();
    void SetModified(bool modified) { state_.modified = modified; }
    // The name box gets the focus with the caret at the end of its text.
    static void FocusName(QLineEdit& name);

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ReportReservedCharacter();
    void SetButtonTexts();
    void ShowDraftProblem(const QString& problem);
    void ScheduleDraft();

    Dialogs& dialogs_;
    std::wstring caption_;
    SubmitTaskFn submit_;
    PageState state_;
    QPushButton* primary_ = nullptr;
    QPushButton* secondary_ = nullptr;
    DraftPreviewFn preview_;
    QTimer* draftTimer_;
    bool active_ = false;
    QWidget* problem_ = nullptr;
    QLabel* problemText_ = nullptr;
};

}  // namespace torvane::gui
