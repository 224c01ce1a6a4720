#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_controller.hpp"
#include "app/main_view.hpp"
#include "app/pickers.hpp"

namespace torvane::testing {

// The controller's front end for tests: every view of the window at once.
// It "draws" what the controller announces by copying the state it is told
// about (row texts, names, title, command states, ...), records every call
// in `events` (in the order made, whichever view it came to), and answers
// the pickers from scripts (cancel when nothing is scripted). All calls come
// on the test's thread, which plays the UI thread.
class RecordingView : public WindowView,
                      public FileListsView,
                      public TaskEditorView,
                      public JobView,
                      public Pickers {
  public:
    // Gives the controller this view as its window, file lists, task editor
    // and job view.
    void Serve(MainControllerServices& services) {
        services.window = this;
        services.lists = this;
        services.editor = this;
        services.job = this;
    }

    // The controller whose state the view copies when told of a change.
    void Attach(const MainController& controller) { controller_ = &controller; }

    // Progress
    void SetRange(int low, int high) override {
        Event("SetRange " + std::to_string(low) + " " + std::to_string(high));
    }
    void SetStep(int step) override { Event("SetStep " + std::to_string(step)); }
    void StepIt() override { Event("StepIt"); }
    void SetPos(int position) override { Event("SetPos " + std::to_string(position)); }

    // WindowView, FileListsView, TaskEditorView, JobView
    void TitleChanged(const std::wstring& text) override {
        title = text;
        Event("Title");
    }
    void CurrentEntriesChanged() override {
        currentNames = Names(controller_->currentEntries());
        Event("CurrentEntries");
    }
    void NewEntriesChanged(NewListUpdate how) override {
        newNames = Names(controller_->newEntries());
        Event(how == NewListUpdate::kInPlace ? "NewEntries in place" : "NewEntries reset");
    }
    void TaskRowsChanged() override {
        rows.clear();
        for (const auto& t : controller_->taskList().tasks())
            rows.push_back(TaskDisplayText(t));
        Event("TaskRows");
    }
    void TaskSelectionChanged(const TaskSelection& s) override {
        selection = s;
        Event("TaskSelection");
    }
    void TaskListCaptionChanged(const std::wstring& text) override {
        caption = text;
        Event("Caption");
    }
    void WholeJobChanged() override { Event("WholeJob"); }
    void CommandStatesChanged(const CommandStates& s) override {
        states = s;
        Event("CommandStates");
    }
    void GeneralInfoChanged(const GeneralInfo& i) override {
        info = i;
        Event("GeneralInfo");
    }
    void EnableTaskKindSelector(bool enabled) override {
        selectorEnabled = enabled;
        Event(enabled ? "Selector on" : "Selector off");
    }
    void EnableEditor() override { Event("EnableEditor"); }
    void ShowEditorPage(int p) override {
        page = p;
        Event("Page " + std::to_string(p));
    }
    void LoadTask(const TaskFields& record, LoadMode mode) override {
        loads.push_back({record, mode});
        Event("LoadTask " + std::to_string(static_cast<int>(KindOf(record))) + " " +
              (mode == LoadMode::kPrefill ? "prefill" : "modify"));
    }
    void PrefillTimestampPage(const FileEntry& times) override {
        timestampPrefills.push_back(times);
        Event("PrefillTimestamp");
    }
    void ShowPreferences(const PreferenceFlags& flags, const HistorySettings& history) override {
        preferencesShown = flags;
        historyShown = history;
        Event("Preferences");
    }
    void ShowAbout(const AboutInfo& a) override {
        about = a;
        Event("About");
    }
    void RestorePlacement(const WindowPlacement& p) override {
        restored = p;
        Event("RestorePlacement");
    }
    void CloseWindow(int result) override {
        closed.push_back(result);
        Event("Close " + std::to_string(result));
    }
    // Recorded without an event, so that event sequences stay as they were.
    void JobFinished(const JobResult& result) override { finishedJobs.push_back(result); }
    // The review of a plan: recorded with its counts, answered by
    // reviewAnswer (Cancel unless a test says otherwise).
    bool ReviewPlan(const JobPlan& plan, const std::wstring& root) override {
        std::vector<std::wstring> folderProblems;
        for (const auto& folder : plan.folders) {
            if (folder.problem)
                folderProblems.push_back(*folder.problem);
        }
        reviews.push_back(
            {plan.changes, plan.problems, plan.folders.size(), root, std::move(folderProblems)});
        Event("ReviewPlan");
        return reviewAnswer;
    }
    struct Review {
        std::int64_t changes = 0;
        std::int64_t problems = 0;
        std::size_t folders = 0;
        std::wstring root;
        std::vector<std::wstring> folderProblems;  // the log lines of folders left out
    };
    std::vector<Review> reviews;
    bool reviewAnswer = false;

    // The failures' report, recorded without an event; shown (answering
    // true) only when a test sets reportJobErrors, and saving the log
    // through the controller when it sets saveLogFromReport too.
    bool ShowJobErrors(const JobResult& result, const std::function<void()>& saveLog) override {
        if (!reportJobErrors)
            return false;
        jobErrorReports.push_back(result);
        if (saveLogFromReport)
            saveLog();
        return true;
    }
    bool reportJobErrors = false;
    bool saveLogFromReport = false;
    std::vector<JobResult> jobErrorReports;

    // Recorded without events, so that event sequences stay as they were.
    void JobProgress(std::int64_t done, std::int64_t total, double /*rate*/) override {
        jobProgress.emplace_back(done, total);
    }
    void TaskListModifiedChanged(bool modified) override { modifiedMarks.push_back(modified); }
    std::vector<std::pair<std::int64_t, std::int64_t>> jobProgress;
    std::vector<bool> modifiedMarks;

    // Pickers
    std::optional<std::wstring> PickOpenFile(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return Next(openAnswers);
    }
    std::optional<std::wstring> PickSaveFile(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return Next(saveAnswers);
    }
    std::optional<FolderChoice> PickFolder() override {
        ++folderRequests;
        return Next(folderAnswers);
    }

    // The number of events named exactly `name`.
    int Count(const std::string& name) const {
        int n = 0;
        for (const auto& e : events)
            n += e == name ? 1 : 0;
        return n;
    }

    struct Load {
        TaskFields record;
        LoadMode mode;
    };

    std::vector<std::string> events;
    std::wstring title;
    std::vector<std::wstring> currentNames;
    std::vector<std::wstring> newNames;
    std::vector<std::wstring> rows;
    std::optional<TaskSelection> selection;
    std::wstring caption;
    CommandStates states;
    GeneralInfo info;
    bool selectorEnabled = false;
    int page = -1;
    std::vector<Load> loads;
    std::vector<FileEntry> timestampPrefills;
    std::optional<PreferenceFlags> preferencesShown;
    std::optional<HistorySettings> historyShown;
    std::optional<AboutInfo> about;
    std::optional<WindowPlacement> restored;
    std::vector<int> closed;
    std::vector<JobResult> finishedJobs;

    std::deque<std::optional<std::wstring>> openAnswers;
    std::deque<std::optional<std::wstring>> saveAnswers;
    std::deque<std::optional<FolderChoice>> folderAnswers;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    int folderRequests = 0;

  protected:
    // Records one call; a test's own view may record it elsewhere too.
    virtual void Event(std::string text) { events.push_back(std::move(text)); }

  private:
    template <typename T>
    static std::optional<T> Next(std::deque<std::optional<T>>& answers) {
        if (answers.empty())
            return std::nullopt;
        auto a = std::move(answers.front());
        answers.pop_front();
        return a;
    }

    static std::vector<std::wstring> Names(const FileEntries& entries) {
        std::vector<std::wstring> names;
        for (const auto& e : entries)
            names.push_back(e.name.wide());
        return names;
    }

    const MainController* controller_ = nullptr;
};

}  // namespace torvane::testing
