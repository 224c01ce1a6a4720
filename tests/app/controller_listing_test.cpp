// Choosing a path, the folder history, the title, the General Info pane, the
// file lists' double click, the preferences round trip and About.
#include <gtest/gtest.h>

#include <filesystem>

#include "controller_fixture.hpp"
#include "shortcut_bytes.hpp"

namespace torvane::testing {
namespace {

using Names = std::vector<std::wstring>;
using Paths = std::vector<std::wstring>;

const ListOptions kEverything{Retrieve::kFilesAndFolders, true, HiddenSystem::kNone};

class ListingTest : public ControllerTest {
  protected:
    bool Enabled(CommandId c) const { return view.states.Enabled(c); }
    // The index of the current entry named `name`.
    std::size_t Row(const std::wstring& name) const {
        const auto& entries = controller->currentEntries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].name == name)
                return i;
        }
        ADD_FAILURE() << "no row " << ToUtf8(name);
        return 0;
    }
};

TEST_F(ListingTest, SelectFolderListsWithTheChosenOptions) {
    AddPhotos();
    Start();
    view.events.clear();
    ChooseFolder(L"/data", kEverything);
    EXPECT_EQ(view.folderRequests, 1);
    EXPECT_EQ(controller->listOptions(), kEverything);
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/data/"});
    EXPECT_EQ(view.currentNames, (Names{L"sub", L"a2.jpg", L"a10.jpg", L"b.jpg"}));
    EXPECT_EQ(view.newNames, view.currentNames);
    EXPECT_EQ(view.title, L"Torvane: /data/ (4 items)");
    EXPECT_TRUE(view.selectorEnabled);
    EXPECT_EQ(view.Count("EnableEditor"), 1);
    EXPECT_EQ(view.Count("StepIt"), 4);
    EXPECT_EQ(view.events.front(), "NewEntries reset");  // the lists are emptied first
    EXPECT_EQ(view.info, GeneralInfo{});
    EXPECT_FALSE(Enabled(CommandId::kPreviousFolder));
    EXPECT_FALSE(Enabled(CommandId::kNextFolder));
}

TEST_F(ListingTest, CancelledPickersChangeNothing) {
    AddPhotos();
    Start();
    ChooseFolder(L"/data/");
    view.events.clear();
    controller->SelectFolder();
    controller->SelectFile();
    EXPECT_EQ(view.openRequests.back().title, L"Select a file");
    EXPECT_EQ(view.openRequests.back().filter, L"All Files (*.*)|*.*|");
    EXPECT_TRUE(view.events.empty());
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/data/"});
}

TEST_F(ListingTest, SelectFileListsThatFileAloneWhateverTheOptions) {
    AddPhotos();
    Start();
    ChooseFolder(L"/data/", kEverything);
    view.openAnswers.push_back(L"/data/b.jpg");
    controller->SelectFile();
    EXPECT_EQ(view.currentNames, Names{L"b.jpg"});
    EXPECT_EQ(controller->currentEntries()[0].folderPath, L"/data/");
    EXPECT_EQ(view.title, L"Torvane: /data/b.jpg");
    EXPECT_EQ(controller->listOptions(), kEverything);
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/data/b.jpg"});
}

TEST_F(ListingTest, DropListsTheFirstPathAndFollowsAShortcut) {
    AddPhotos();
    fs.AddPlainFile(L"/data/to sub.LNK", ShortcutTo(L".\\sub"));
    Start();
    controller->DropPaths({L"/data/to sub.LNK", L"/data/b.jpg"});
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/data/sub/"});
    EXPECT_EQ(view.currentNames, Names{L"c.jpg"});
    controller->DropPaths({});
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/data/sub/"});
}

TEST_F(ListingTest, FolderHistoryWalk) {
    AddPhotos(L"/r/");
    fs.AddFolder(L"/r/sub/b");
    fs.AddFolder(L"/r/sub/d");
    Start();
    ChooseFolder(L"/r/", kEverything);
    controller->FileActivated(Row(L"sub"), kCurrentListId);
    EXPECT_EQ(view.title, L"Torvane: /r/sub/ (3 items)");
    controller->FileActivated(Row(L"b"), kCurrentListId);
    EXPECT_EQ(controller->folderHistory().paths(), (Paths{L"/r/", L"/r/sub/", L"/r/sub/b/"}));
    EXPECT_TRUE(Enabled(CommandId::kPreviousFolder));
    EXPECT_FALSE(Enabled(CommandId::kNextFolder));

    controller->PreviousFolder();
    EXPECT_EQ(controller->folderHistory().Current(), L"/r/sub/");
    EXPECT_EQ(view.currentNames, (Names{L"b", L"d", L"c.jpg"}));
    EXPECT_TRUE(Enabled(CommandId::kPreviousFolder));
    EXPECT_TRUE(Enabled(CommandId::kNextFolder));

    controller->FileActivated(Row(L"d"), kCurrentListId);
    EXPECT_EQ(controller->folderHistory().paths(), (Paths{L"/r/", L"/r/sub/", L"/r/sub/d/"}));
    EXPECT_FALSE(Enabled(CommandId::kNextFolder));
    controller->NextFolder();  // nothing ahead
    EXPECT_EQ(controller->folderHistory().Current(), L"/r/sub/d/");

    ChooseFolder(L"/r/sub/");
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/r/sub/"});
    EXPECT_FALSE(Enabled(CommandId::kPreviousFolder));
}

TEST_F(ListingTest, DoubleClickWithoutSubfoldersPrefillsTheEditors) {
    fs.AddFolder(L"/data/sub", FILE_ATTRIBUTE_DIRECTORY, 1000);
    fs.AddFile(L"/data/a.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN, 2000);
    fs.SetNodeTimes(L"/data/a.txt", 100, 200, 300);
    Start();
    ChooseFolder(L"/data/", {Retrieve::kFilesAndFolders, false, HiddenSystem::kHiddenAndSystem});
    ASSERT_EQ(Submit(RenameRecord(L"a", L"q")), 1);
    view.events.clear();
    controller->FileActivated(Row(L"sub"), kCurrentListId);  // not opened: no subfolders
    controller->FileActivated(Row(L"a.txt"), kNewListId);
    EXPECT_EQ(controller->folderHistory().paths(), Paths{L"/data/"});
    EXPECT_EQ(view.events, (std::vector<std::string>{"PrefillTimestamp", "LoadTask 52 prefill",
                                                     "LoadTask 50 prefill", "CommandStates",
                                                     "PrefillTimestamp", "LoadTask 52 prefill",
                                                     "LoadTask 50 prefill", "CommandStates"}));
    FileEntry times;
    times.created = 100;
    times.modified = 200;
    times.accessed = 300;
    EXPECT_EQ(view.timestampPrefills[1], times);
    AttributeTaskFields attribute;
    attribute.find = L"q.txt";  // from the new list
    attribute.attributes = L"34";
    EXPECT_EQ(view.loads[2].record, TaskFields{attribute});
    RenameTaskFields rename;
    rename.find = L"q.txt";
    rename.replace = L"q.txt";
    EXPECT_EQ(view.loads[3].record, TaskFields{rename});
    EXPECT_EQ(std::get<AttributeTaskFields>(view.loads[0].record).attributes, L"16");
}

TEST_F(ListingTest, GeneralInfoShowsTheLastClickedListAndRow) {
    fs.AddFile(L"/data/a.txt");
    fs.AddFile(L"/data/b.txt");
    Start();
    ChooseFolder(L"/data/");
    ASSERT_EQ(Submit(RenameRecord(L"b", L"c")), 1);
    controller->FileSelected(1, kNoListId);  // a keyboard selection before any click
    EXPECT_EQ(view.info, GeneralInfo{});

    controller->FileSelected(1, kCurrentListId);
    EXPECT_EQ(view.info.caption, L"General Info (Current Attributes)");
    EXPECT_EQ(view.info.entry->name, L"b.txt");
    controller->FileSelected(1, kNewListId);
    EXPECT_EQ(view.info.caption, L"General Info (New Attributes)");
    EXPECT_EQ(view.info.entry->name, L"c.txt");
    controller->FileSelected(0, kNoListId);
    EXPECT_EQ(view.info.entry->name, L"a.txt");
    EXPECT_EQ(controller->lastListId(), kNewListId);

    ChooseFolder(L"/data/");
    EXPECT_EQ(view.info, GeneralInfo{});
    EXPECT_EQ(controller->lastListId(), kNoListId);
}

TEST_F(ListingTest, PreferencesRoundTripRecomputesAndWritesTheFile) {
    fs.AddFile(L"/data/Apple.txt");
    Start();
    ChooseFolder(L"/data/");
    ASSERT_EQ(Submit(RenameRecord(L"apple", L"pear")), 1);
    EXPECT_EQ(view.newNames, Names{L"pear.txt"});

    controller->Option();
    EXPECT_EQ(view.preferencesShown, PreferenceFlags{});
    controller->ApplyPreferences(PreferenceFlags{0, 1, 0, 0, 0, 0});
    EXPECT_EQ(view.newNames, Names{L"Apple.txt"});
    EXPECT_EQ(controller->preferences().flags.caseSensitiveSearch, 1);
    Preferences written;
    LoadPreferences(fs, dialogs, written);
    EXPECT_EQ(written.flags.caseSensitiveSearch, 1);
    EXPECT_EQ(written.selectedFilePath, L"");  // paths change only when the window closes
}

TEST_F(ListingTest, AboutAndTitleWithAndWithoutVersionInformation) {
    Start();
    EXPECT_EQ(view.title, L"Torvane");
    controller->About();
    EXPECT_EQ(view.about, AboutInfoOf(ProgramVersionInfo()));

    Make(VersionInfo{});
    controller->Initialize(CommandLineInfo{});
    EXPECT_EQ(controller->productName(), L"<no version info found>");
    EXPECT_EQ(view.title, L"<no version info found>");
    controller->About();
    EXPECT_EQ(view.about->versionText, L"Version: <no version info found>");
}

}  // namespace
}  // namespace torvane::testing
