// Unsaved tasks through the controller: the modified mark, the question on
// closing and its answers, and a dropped task-list file.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "controller_fixture.hpp"

namespace torvane::testing {
namespace {

const std::wstring kRenameA = L"$FileName<>FIND=a<>REPL=x<>SYMB=FALSE<>SNUM=0<>REGX=FALSE<>";

Message Question(const std::wstring& first, const std::wstring& before) {
    return {first + L"\nSave it before " + before + L"?", L"Unsaved Tasks", MessageIcon::kWarning,
            MessageButtons::kSaveDiscardCancel};
}

class UnsavedTasksTest : public ControllerTest {
  protected:
    void StartWithUnsavedTask() {
        AddPhotos();
        Start();
        ChooseFolder(L"/data/");
        ASSERT_TRUE(Submit(RenameRecord(L"a", L"x")));
        dialogs.Clear();
    }
};

TEST_F(UnsavedTasksTest, TheMarkFollowsTheListAgainstItsFile) {
    AddPhotos();
    Start();
    ChooseFolder(L"/data/");
    EXPECT_FALSE(controller->taskList().modified());
    ASSERT_TRUE(Submit(RenameRecord(L"a", L"x")));
    EXPECT_TRUE(controller->taskList().modified());  // never saved
    view.saveAnswers.push_back(Path(L"one.tvt"));
    controller->taskList().SaveTaskListAs();
    EXPECT_FALSE(controller->taskList().modified());
    ASSERT_TRUE(Submit(RenameRecord(L"b", L"y")));
    EXPECT_TRUE(controller->taskList().modified());
    controller->taskList().SetTaskSelection({1});
    controller->taskList().RemoveTask();
    EXPECT_FALSE(controller->taskList().modified());  // the same tasks as the file again
    controller->taskList().ClearTaskList();
    EXPECT_FALSE(controller->taskList().modified());  // nothing to save
    EXPECT_EQ(view.modifiedMarks, (std::vector<bool>{true, false, true, false}));
}

TEST_F(UnsavedTasksTest, ClosingAsksAndEachAnswerDoesWhatItSays) {
    struct Case {
        const char* what;
        MessageAnswer answer;
        std::optional<std::wstring> saveAs;  // the name picked when saving
        bool closes;
        bool written;
    };
    const std::vector<Case> cases = {
        {"discard", MessageAnswer::kNo, std::nullopt, true, false},
        {"cancel", MessageAnswer::kCancel, std::nullopt, false, false},
        {"save", MessageAnswer::kYes, L"saved.tvt", true, true},
        {"save, picker cancelled", MessageAnswer::kYes, std::nullopt, false, false},
        {"save that fails", MessageAnswer::kYes, L"missing/saved.tvt", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(ToUtf8(Path(L"saved.tvt")));
        StartWithUnsavedTask();
        dialogs.Answer(c.answer);
        if (c.answer == MessageAnswer::kYes)
            view.saveAnswers.push_back(c.saveAs ? std::optional(Path(*c.saveAs)) : std::nullopt);
        view.closed.clear();
        EXPECT_EQ(controller->RequestClose(), c.closes);
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().front(), Question(L"The task list has never been saved.", L"closing"));
        EXPECT_EQ(controller->windowResult().has_value(), c.closes);
        EXPECT_EQ(view.closed.size(), c.closes ? 1u : 0u);
        EXPECT_EQ(std::filesystem::exists(ToUtf8(Path(L"saved.tvt"))), c.written);
        if (c.written) {
            EXPECT_EQ(Messages().size(), 1u);
        }
    }
}

TEST_F(UnsavedTasksTest, NothingIsAskedWhenNoTaskWouldBeLost) {
    const std::wstring file = WriteTaskFile(L"t.tvt", {kRenameA});
    AddPhotos();
    Start();
    view.openAnswers.push_back(file);
    controller->taskList().LoadTaskList();
    EXPECT_FALSE(controller->taskList().modified());
    dialogs.Clear();
    EXPECT_TRUE(controller->RequestClose());
    EXPECT_TRUE(Messages().empty());

    Start();  // an empty list
    dialogs.Clear();
    EXPECT_TRUE(controller->RequestClose());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(UnsavedTasksTest, AChangedFileListNamesItsFile) {
    const std::wstring file = WriteTaskFile(L"t.tvt", {kRenameA});
    AddPhotos();
    Start();
    view.openAnswers.push_back(file);
    controller->taskList().LoadTaskList();
    ASSERT_TRUE(Submit(RenameRecord(L"b", L"y")));
    dialogs.Clear();
    dialogs.Answer(MessageAnswer::kCancel);
    EXPECT_FALSE(controller->RequestClose());
    EXPECT_EQ(Messages(), std::vector<Message>{
                              Question(L"The task list differs from " + file + L".", L"closing")});
}

TEST_F(UnsavedTasksTest, ADroppedTaskFileIsLoadedAfterTheQuestionAndAFolderIsListed) {
    const std::wstring file = WriteTaskFile(L"drop.tvt", {kRenameA});
    StartWithUnsavedTask();

    dialogs.Answer(MessageAnswer::kCancel);
    controller->DropPaths({file});
    EXPECT_EQ(controller->taskList().tasks().size(), 1u);
    EXPECT_TRUE(controller->taskList().path().empty());  // kept as it was

    dialogs.Answer(MessageAnswer::kNo);
    controller->DropPaths({file});
    EXPECT_EQ(Messages(),
              (std::vector<Message>{
                  Question(L"The task list has never been saved.", L"loading " + file),
                  Question(L"The task list has never been saved.", L"loading " + file)}));
    EXPECT_EQ(controller->taskList().path(), file);
    ASSERT_EQ(controller->taskList().tasks().size(), 1u);
    EXPECT_EQ(controller->taskList().tasks()[0].definition, kRenameA);
    EXPECT_EQ(controller->folderHistory().Current(), L"/data/");  // the listing stays

    // A folder whose name ends in .tvt is listed as any folder.
    fs.AddFile(L"/data/album.tvt/p.jpg");
    controller->DropPaths({L"/data/album.tvt"});
    EXPECT_EQ(controller->folderHistory().Current(), L"/data/album.tvt/");
    EXPECT_EQ(controller->taskList().path(), file);
}

TEST_F(UnsavedTasksTest, ACloseThatWaitedForAJobAsksOnceTheJobIsDone) {
    StartWithUnsavedTask();
    fs.CloseGate();
    ASSERT_TRUE(controller->UpdateAttributes());
    EXPECT_FALSE(controller->RequestClose());
    EXPECT_TRUE(Messages().empty());
    dialogs.Answer(MessageAnswer::kYes);     // the confirmation
    dialogs.Answer(MessageAnswer::kOk);      // the notice
    dialogs.Answer(MessageAnswer::kCancel);  // the question, once the job is done
    fs.OpenGate();
    ui.RunUntil([this] { return !controller->jobRunning(); });
    ASSERT_EQ(Messages().size(), 3u);
    EXPECT_EQ(Messages()[2], Question(L"The task list has never been saved.", L"closing"));
    EXPECT_FALSE(controller->windowResult());
    EXPECT_FALSE(controller->closePending());
}

}  // namespace
}  // namespace torvane::testing
