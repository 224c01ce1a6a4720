// The Preferences window and the About box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <boost/version.hpp>
#include <stdexcept>

#include "editor_fixture.hpp"
#include "gui/dialogs/about_dialog.hpp"
#include "gui/dialogs/options_dialog.hpp"
#include "gui/editor/criteria_tabs.hpp"
#include "gui/editor/rename_page.hpp"
#include "platform/text_file.hpp"

namespace torvane::gui::testing {
namespace {

using Names = std::vector<std::wstring>;

// The dialog's control of a preference key; a missing one fails the test.
QCheckBox& Box(const OptionsDialog& dialog, std::wstring_view key) {
    QCheckBox* box = dialog.CheckBoxFor(key);
    if (!box)
        throw std::runtime_error("no check box");
    return *box;
}
QComboBox& Choice(const OptionsDialog& dialog, std::wstring_view key) {
    QComboBox* choice = dialog.ChoiceFor(key);
    if (!choice)
        throw std::runtime_error("no choice");
    return *choice;
}
QSpinBox& Count(const OptionsDialog& dialog, std::wstring_view key) {
    QSpinBox* count = dialog.CountFor(key);
    if (!count)
        throw std::runtime_error("no count box");
    return *count;
}
int MaxOf(std::wstring_view key) {
    return FindPreferenceKey(key)->control.max;
}

class PreferencesWindowTest : public EditorSideTest {
  protected:
    // The program's folder is in the fake too, so that OK's file is written.
    explicit PreferencesWindowTest(bool keepsHistory = false) : EditorSideTest(keepsHistory) {
        fs.AddFolder(FromUtf8(dir.path()));
    }

    QList<OptionsDialog*> OpenWindows() const {
        return window.findChildren<OptionsDialog*>(Qt::FindDirectChildrenOnly);
    }
    static void Press(OptionsDialog& dialog, QDialogButtonBox::StandardButton which) {
        Click(*dialog.findChild<QDialogButtonBox*>()->button(which));
    }
    // Tools > Option...: the window it opens.
    OptionsDialog* OpenPreferences() {
        controller->Option();
        const auto windows = OpenWindows();
        return windows.empty() ? nullptr : windows.back();
    }
    // The history lines of the preference file as written.
    std::wstring HistoryLinesWritten() {
        TextFileReader file(fs);
        EXPECT_TRUE(file.Open(FromUtf8(dir.path()) + L"/config.ini").ok());
        std::wstring lines, line;
        while (file.ReadLine(line, kMaxPreferenceLineLength) == TextFileReader::Next::kLine) {
            if (line.rfind(L"History", 0) == 0)
                lines += line + L"\n";
        }
        return lines;
    }
};

// The window over a controller that keeps a history of one job.
class PreferencesWindowWithHistoryTest : public PreferencesWindowTest {
  protected:
    PreferencesWindowWithHistoryTest() : PreferencesWindowTest(true) {
        JobRecord job;
        job.root = L"/data/";
        job.outcome = JobOutcome::kDone;
        history.Put(job, std::vector<JournalEntry>(1));
    }
};

TEST_F(PreferencesWindowTest, EachOptionOpensAWindowFilledFromThePreferences) {
    controller->Option();
    controller->Option();
    const auto windows = OpenWindows();
    ASSERT_EQ(windows.size(), 2);
    OptionsDialog& dialog = *windows[0];
    EXPECT_FALSE(dialog.isModal());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), "Preferences");
    EXPECT_EQ(Box(dialog, L"CaseSensitiveSearch").text(), "Use case sensitive Find/Replace");
    EXPECT_EQ(Choice(dialog, L"SetAttributeOption").currentText(), "Files Only");
    EXPECT_EQ(dialog.Flags(), PreferenceFlags{});
}

TEST_F(PreferencesWindowTest, CaseSensitiveSearchRecomputesTheNewNames) {
    fs.AddFile(L"/data/apple.txt");
    ListFolder(L"/data/");
    auto& page = side->CriteriaTabs().NamePage();
    Type(page.FindBox(), "APPLE");
    Type(page.ReplaceBox(), "pear");
    Click(page.PrimaryButton());
    EXPECT_EQ(NewNames(), Names{L"pear.txt"});

    controller->Option();
    OptionsDialog* dialog = OpenWindows().value(0);
    ASSERT_NE(dialog, nullptr);
    Click(Box(*dialog, L"CaseSensitiveSearch"));
    Press(*dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(controller->preferences().flags.caseSensitiveSearch, 1);
    EXPECT_EQ(NewNames(), Names{L"apple.txt"});
}

TEST_F(PreferencesWindowTest, CancelSendsNothing) {
    controller->Option();
    OptionsDialog* dialog = OpenWindows().value(0);
    ASSERT_NE(dialog, nullptr);
    Click(Box(*dialog, L"ClearTaskList"));
    Choice(*dialog, L"SetAttributeOption").setCurrentIndex(2);
    Press(*dialog, QDialogButtonBox::Cancel);
    EXPECT_EQ(controller->preferences().flags, PreferenceFlags{});
}

TEST(PreferencesWindow, ValuesOutsideTheChoiceSelectNothing) {
    PreferenceFlags flags;
    flags.setAttributeOption = 5;
    flags.autoLoadFileList = 1;
    flags.saveWindowSize = 7;  // no switch value: the default, off
    std::optional<PreferenceFlags> applied;
    auto* dialog = new OptionsDialog(
        flags, [&](const PreferenceFlags& f) { applied = f; }, nullptr);
    EXPECT_EQ(Choice(*dialog, L"SetAttributeOption").currentIndex(), -1);
    PreferenceFlags expected;
    expected.setAttributeOption = -1;
    expected.autoLoadFileList = 1;
    EXPECT_EQ(dialog->Flags(), expected);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(applied, expected);
}

// Each switch's box shows the value the program uses for what it is given
// (0 off, 1 on, any other value the default), and OK hands that value back.
TEST(PreferencesWindow, EachSwitchShowsAndHandsBackWhatTheProgramUses) {
    for (const PreferenceKey* key : DialogKeys()) {
        if (key->kind != PreferenceKind::kSwitch || !key->field.flag)
            continue;
        for (const std::int32_t raw : {0, 1, 2, -1}) {
            SCOPED_TRACE(ToUtf8(key->name) + "=" + std::to_string(raw));
            Preferences given;
            StoreNumber(*key, raw, given);
            const bool used = SwitchOn(given.flags, key->field.flag);
            std::optional<PreferenceFlags> applied;
            OptionsDialog dialog(
                given.flags, [&](const PreferenceFlags& f) { applied = f; }, nullptr);
            dialog.setAttribute(Qt::WA_DeleteOnClose, false);
            EXPECT_EQ(Box(dialog, key->name).isChecked(), used);
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            ASSERT_TRUE(applied.has_value());
            EXPECT_EQ((*applied).*(key->field.flag), used ? 1 : 0);
            EXPECT_EQ(EngineSettingsOf(*applied).caseSensitive,
                      EngineSettingsOf(given.flags).caseSensitive);
        }
    }
}

// config.ini with CaseSensitiveSearch=2 and ClearTaskList=2: neither is a
// switch value, so the search ignores case, the boxes are clear, and OK
// leaves both off.
TEST_F(PreferencesWindowTest, AStoredValueThatIsNoSwitchValueIsTheDefaultEverywhere) {
    fs.AddPlainFile(FromUtf8(dir.path()) + L"/config.ini",
                    "\xEF\xBB\xBF"
                    "CaseSensitiveSearch=2\r\nClearTaskList=2\r\n");
    controller->Initialize(CommandLineInfo{});
    fs.AddFile(L"/data/apple.txt");
    ListFolder(L"/data/");
    auto& page = side->CriteriaTabs().NamePage();
    Type(page.FindBox(), "APPLE");
    Type(page.ReplaceBox(), "pear");
    Click(page.PrimaryButton());
    EXPECT_EQ(NewNames(), Names{L"pear.txt"});

    OptionsDialog* dialog = OpenPreferences();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(Box(*dialog, L"CaseSensitiveSearch").isChecked());
    EXPECT_FALSE(Box(*dialog, L"ClearTaskList").isChecked());
    Press(*dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(controller->preferences().flags, PreferenceFlags{});
    EXPECT_EQ(NewNames(), Names{L"pear.txt"});
}

// Each OK stores what the History group shows, in the preferences and in the
// file, which leaves out what equals the defaults.
TEST_F(PreferencesWindowTest, OkStoresTheHistorySettingsInThePreferencesAndTheFile) {
    struct Case {
        bool keep;
        int jobs, days;
        const wchar_t* written;
    };
    const Case cases[] = {
        {true, 500, 30, L"HistoryKeepJobs=500\nHistoryKeepDays=30\n"},
        {false, 500, 30, L"History=0\nHistoryKeepJobs=500\nHistoryKeepDays=30\n"},
        {false, 200, 90, L"History=0\n"},
        {true, 200, 90, L""},
    };
    HistorySettings shown;  // what the next window shows
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        OptionsDialog* dialog = OpenPreferences();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->HistoryValues(), shown);
        EXPECT_EQ(Box(*dialog, L"History").isChecked(), shown.enabled);
        EXPECT_EQ(Count(*dialog, L"HistoryKeepJobs").value(), shown.keepJobs);
        EXPECT_EQ(Count(*dialog, L"HistoryKeepDays").value(), shown.keepDays);
        if (Box(*dialog, L"History").isChecked() != c.keep)
            Click(Box(*dialog, L"History"));
        Count(*dialog, L"HistoryKeepJobs").setValue(c.jobs);
        Count(*dialog, L"HistoryKeepDays").setValue(c.days);
        Press(*dialog, QDialogButtonBox::Ok);
        const Preferences& prefs = controller->preferences();
        EXPECT_EQ(prefs.history, c.keep ? 1 : 0);
        EXPECT_EQ(prefs.historyKeepJobs, c.jobs);
        EXPECT_EQ(prefs.historyKeepDays, c.days);
        EXPECT_EQ(prefs.flags, PreferenceFlags{});
        EXPECT_EQ(HistoryLinesWritten(), c.written);
        shown = HistorySettings{c.keep, c.jobs, c.days};
    }
}

TEST(PreferencesWindow, TheCountsFollowTheHistoryBoxAndOkHandsThemOver) {
    std::optional<HistorySettings> applied;
    auto* dialog = new OptionsDialog(
        PreferenceFlags{}, HistorySettings{false, 500000, 0},
        [&](const PreferenceFlags&, const HistorySettings& h) { applied = h; }, nullptr);
    EXPECT_EQ(Box(*dialog, L"History").text(),
              "Keep a history of jobs, so that they can be undone");
    EXPECT_EQ(dialog->ClearHistoryButton().text(), "Clear History...");
    EXPECT_FALSE(dialog->ClearHistoryButton().autoDefault());
    // Counts the boxes can't show are held to their ranges.
    EXPECT_EQ(Count(*dialog, L"HistoryKeepJobs").value(), MaxOf(L"HistoryKeepJobs"));
    EXPECT_EQ(Count(*dialog, L"HistoryKeepDays").value(), 1);
    EXPECT_EQ(Count(*dialog, L"HistoryKeepJobs").minimum(), 1);
    EXPECT_EQ(Count(*dialog, L"HistoryKeepDays").maximum(), 36500);
    EXPECT_FALSE(Count(*dialog, L"HistoryKeepJobs").isEnabled());
    EXPECT_FALSE(Count(*dialog, L"HistoryKeepDays").isEnabled());
    Box(*dialog, L"History").click();
    EXPECT_TRUE(Count(*dialog, L"HistoryKeepJobs").isEnabled());
    EXPECT_TRUE(Count(*dialog, L"HistoryKeepDays").isEnabled());
    Count(*dialog, L"HistoryKeepDays").setValue(7);
    Box(*dialog, L"History").click();
    EXPECT_FALSE(Count(*dialog, L"HistoryKeepJobs").isEnabled());
    EXPECT_FALSE(Count(*dialog, L"HistoryKeepDays").isEnabled());
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(applied, (HistorySettings{false, MaxOf(L"HistoryKeepJobs"), 7}));
}

TEST_F(PreferencesWindowWithHistoryTest, ClearHistoryAsksAndForgetsTheJobsOnYes) {
    OptionsDialog* dialog = OpenPreferences();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->ClearHistoryButton().isEnabled());
    dialogs.Answer(MessageAnswer::kNo);
    Click(dialog->ClearHistoryButton());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].caption, L"Clear History");
    EXPECT_EQ(history.Jobs().value().size(), 1u);
    dialogs.Answer(MessageAnswer::kYes);
    Click(dialog->ClearHistoryButton());
    EXPECT_EQ(dialogs.messages().size(), 2u);
    EXPECT_TRUE(history.Jobs().value().empty());
    EXPECT_TRUE(dialog->isVisible());  // the window stays open, its values unchanged
}

TEST_F(PreferencesWindowWithHistoryTest, TurningTheHistoryOffLeavesNothingToClear) {
    OptionsDialog* dialog = OpenPreferences();
    ASSERT_NE(dialog, nullptr);
    Click(Box(*dialog, L"History"));
    Press(*dialog, QDialogButtonBox::Ok);
    EXPECT_FALSE(controller->jobHistory().available());
    dialog = OpenPreferences();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(Box(*dialog, L"History").isChecked());
    EXPECT_FALSE(dialog->ClearHistoryButton().isEnabled());
    EXPECT_EQ(history.Jobs().value().size(), 1u);  // the jobs stay, only unused
}

TEST_F(PreferencesWindowTest, ClearHistoryIsDisabledWithoutAHistory) {
    OptionsDialog* dialog = OpenPreferences();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->ClearHistoryButton().isEnabled());
}

TEST_F(PreferencesWindowTest, WindowIsCentredOnTheMainWindow) {
    window.setGeometry(100, 100, 800, 600);
    window.show();
    controller->Option();
    OptionsDialog* dialog = OpenWindows().value(0);
    ASSERT_NE(dialog, nullptr);
    const QPoint centre = window.mapToGlobal(window.rect().center());
    EXPECT_EQ(dialog->pos(),
              QPoint(centre.x() - dialog->width() / 2, centre.y() - dialog->height() / 2));
}

TEST(AboutBox, ShowsTheVersionTextsAndTheLibrariesOfThisBuild) {
    const AboutInfo about = AboutInfoOf(VersionInfo{true, L"Torvane", L"1.2.3", L"Notice <b>"});
    AboutDialog box(about);
    EXPECT_EQ(box.windowTitle(), "About Torvane");
    EXPECT_EQ(box.ProductNameLabel().text(), "Torvane");
    EXPECT_EQ(box.VersionLabel().text(), "Version: 1.2.3");
    EXPECT_EQ(box.LegalNoticeLabel().text(), "Notice <b>");
    EXPECT_EQ(box.LegalNoticeLabel().textFormat(), Qt::PlainText);
    EXPECT_TRUE(box.LinkLabel().text().contains(QString("href=\"") + kWebSiteAddress + "\""));
    QString boost = BOOST_LIB_VERSION;
    boost.replace('_', '.');
    EXPECT_EQ(box.LibrariesLabel().text(), "This program uses the following libraries:\n- Qt " +
                                               QString(qVersion()) + "\n- Boost.Regex " + boost);
    EXPECT_FALSE(AboutDialog::OpenLink("https://elsewhere.example.com/"));
}

TEST_F(PreferencesWindowTest, AboutCommandOpensTheBoxWithoutVersionInformationToo) {
    controller->About();
    auto* box = window.findChild<AboutDialog*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->VersionLabel().text().left(9), "Version: ");
    box->accept();

    const AboutInfo none = AboutInfoOf(VersionInfo{});
    AboutDialog missing(none);
    EXPECT_EQ(missing.windowTitle(), "About <no version info found>");
    EXPECT_EQ(missing.VersionLabel().text(), "Version: <no version info found>");
}

}  // namespace
}  // namespace torvane::gui::testing
