// Renders the editor side (each page shown, with tasks in the list) to PNGs
// in the build folder, so that the pages can be looked at.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPixmap>

#include "editor_fixture.hpp"
#include "gui/dialogs/about_dialog.hpp"
#include "gui/dialogs/options_dialog.hpp"
#include "gui/editor/criteria_tabs.hpp"
#include "gui/editor/rename_page.hpp"

namespace torvane::gui::testing {
namespace {

class EditorSnapshotTest : public EditorSideTest {
  protected:
    static void Save(QWidget& widget, const QString& name) {
        const QString target = QString(TORVANE_SCREENSHOT_DIR) + "/" + name;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
        EXPECT_TRUE(widget.grab().save(target)) << target.toStdString();
    }
};

TEST_F(EditorSnapshotTest, RendersEachEditorPageBesideTheTaskList) {
    fs.AddFile(L"/data/Holiday 01.jpg");
    fs.AddFile(L"/data/Holiday 02.jpg");
    ListFolder(L"/data/");
    auto& page = side->CriteriaTabs().NamePage();
    Type(page.NameBox(), "Holiday to Summer");
    Type(page.FindBox(), "Holiday");
    Type(page.ReplaceBox(), "Summer");
    Click(page.PrimaryButton());
    AttributeTaskFields attribute;
    attribute.find = L".*\\.jpg";
    attribute.regex = L"TRUE";
    attribute.attributes = L"34";
    ASSERT_EQ(controller->taskList().SubmitTask(attribute), 1);
    Type(page.FindBox(), "Summer");
    Click(page.NumberingBox());

    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(side->EditorWidget());
    layout->addWidget(side->TaskListWidget(), 1);
    window.resize(300, 560);
    window.show();
    const char* names[] = {"editor_rename_page.png", "editor_timestamp_page.png",
                           "editor_attribute_page.png"};
    for (int p = 0; p < 3; ++p) {
        side->ShowEditorPage(p);
        Save(window, names[p]);
    }

    controller->taskList().ClearTaskList();
    Save(side->TaskList(), "task_list_empty.png");

    PreferenceFlags flags;
    flags.caseSensitiveSearch = 1;
    flags.setAttributeOption = 2;
    OptionsDialog options(
        flags, [](const PreferenceFlags&) {}, nullptr);
    options.setAttribute(Qt::WA_DeleteOnClose, false);
    options.ShowCentredOn(nullptr);
    Save(options, "preferences.png");
    AboutDialog about(AboutInfoOf(ProgramVersionInfo()));
    about.show();
    Save(about, "about.png");
}

}  // namespace
}  // namespace torvane::gui::testing
