// The Preferences window and the About box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <boost/version.hpp>

#include "editor_fixture.hpp"
#include "gui/dialogs/about_dialog.hpp"
#include "gui/dialogs/options_dialog.hpp"
#include "gui/editor/criteria_tabs.hpp"
#include "gui/editor/rename_page.hpp"

namespace torvane::gui::testing {
namespace {

using Names = std::vector<std::wstring>;

class PreferencesWindowTest : public EditorSideTest {
  protected:
    QList<OptionsDialog*> OpenWindows() const {
        return window.findChildren<OptionsDialog*>(Qt::FindDirectChildrenOnly);
    }
    static void Press(OptionsDialog& dialog, QDialogButtonBox::StandardButton which) {
        Click(*dialog.findChild<QDialogButtonBox*>()->button(which));
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
    EXPECT_EQ(dialog.CheckBox(OptionsDialog::kCaseSensitive).text(),
              "Use case sensitive Find/Replace");
    EXPECT_EQ(dialog.AttributeChoice().currentText(), "Files Only");
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
    Click(dialog->CheckBox(OptionsDialog::kCaseSensitive));
    Press(*dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(controller->preferences().flags.caseSensitiveSearch, 1);
    EXPECT_EQ(NewNames(), Names{L"apple.txt"});
}

TEST_F(PreferencesWindowTest, CancelSendsNothing) {
    controller->Option();
    OptionsDialog* dialog = OpenWindows().value(0);
    ASSERT_NE(dialog, nullptr);
    Click(dialog->CheckBox(OptionsDialog::kClearTaskList));
    dialog->AttributeChoice().setCurrentIndex(2);
    Press(*dialog, QDialogButtonBox::Cancel);
    EXPECT_EQ(controller->preferences().flags, PreferenceFlags{});
}

TEST(PreferencesWindow, ValuesOutsideTheChoiceSelectNothing) {
    PreferenceFlags flags;
    flags.setAttributeOption = 5;
    flags.autoLoadFileList = 1;
    flags.saveWindowSize = 7;
    std::optional<PreferenceFlags> applied;
    auto* dialog = new OptionsDialog(
        flags, [&](const PreferenceFlags& f) { applied = f; }, nullptr);
    EXPECT_EQ(dialog->AttributeChoice().currentIndex(), -1);
    PreferenceFlags expected;
    expected.setAttributeOption = -1;
    expected.autoLoadFileList = 1;
    expected.saveWindowSize = 1;
    EXPECT_EQ(dialog->Flags(), expected);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(applied, expected);
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
