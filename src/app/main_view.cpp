#include "app/main_view.hpp"

namespace torvane {
namespace {

class SilentWindow final : public WindowView {
  public:
    void TitleChanged(const std::wstring&) override {}
    void CommandStatesChanged(const CommandStates&) override {}
    void RestorePlacement(const WindowPlacement&) override {}
    void CloseWindow(int) override {}
};

class SilentFileLists final : public FileListsView {
  public:
    void NewEntriesChanged(NewListUpdate) override {}
    void CurrentEntriesChanged() override {}
    void GeneralInfoChanged(const GeneralInfo&) override {}
};

class SilentTaskEditor final : public TaskEditorView {
  public:
    void TaskRowsChanged() override {}
    void TaskSelectionChanged(const TaskSelection&) override {}
    void TaskListCaptionChanged(const std::wstring&) override {}
    void EnableTaskKindSelector(bool) override {}
    void EnableEditor() override {}
    void ShowEditorPage(int) override {}
    void LoadTask(const TaskFields&, LoadMode) override {}
    void PrefillTimestampPage(const FileEntry&) override {}
    void ShowPreferences(const PreferenceFlags&) override {}
    void ShowAbout(const AboutInfo&) override {}
};

class SilentJob final : public JobView {
  public:
    void SetRange(int, int) override {}
    void SetStep(int) override {}
    void StepIt() override {}
    void SetPos(int) override {}
};

}  // namespace

// Each is stateless, so one shared instance serves every controller.
WindowView& NoWindowView() {
    static SilentWindow view;
    return view;
}

FileListsView& NoFileListsView() {
    static SilentFileLists view;
    return view;
}

TaskEditorView& NoTaskEditorView() {
    static SilentTaskEditor view;
    return view;
}

JobView& NoJobView() {
    static SilentJob view;
    return view;
}

}  // namespace torvane
