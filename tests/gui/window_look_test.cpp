// The window's look: command icons in one monochrome style drawn in the
// palette's colours (a disabled one visibly so), and the application icon.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <cstdlib>

#include "app/version_info.hpp"
#include "gui/commands.hpp"
#include "gui/dialogs/about_dialog.hpp"
#include "gui/lists/info_tab_general.hpp"
#include "gui/main_window.hpp"
#include "gui/qt/qt_icon_provider.hpp"

namespace torvane::gui {
namespace {

constexpr int kSide = 24;

QImage Draw(const QIcon& icon, QIcon::Mode mode) {
    return icon.pixmap(QSize(kSide, kSide), mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The colour (unpremultiplied, alpha kept) of the icon's most opaque pixel,
// and how many pixels are drawn at all.
struct Ink {
    QColor colour;
    int pixels = 0;
};
Ink InkOf(const QImage& image) {
    Ink ink;
    int best = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            ink.pixels += c.alpha() > 0 ? 1 : 0;
            if (c.alpha() > best) {
                best = c.alpha();
                ink.colour = c;
            }
        }
    return ink;
}

// The same colour but for the rounding of a premultiplied pixel.
bool Near(const QColor& a, const QColor& b) {
    const auto close = [](int x, int y) { return std::abs(x - y) <= 3; };
    return close(a.red(), b.red()) && close(a.green(), b.green()) && close(a.blue(), b.blue());
}

// Sets the application palette for the scope.
class ScopedPalette {
  public:
    explicit ScopedPalette(const QPalette& palette) : kept_(QApplication::palette()) {
        QApplication::setPalette(palette);
    }
    ~ScopedPalette() { QApplication::setPalette(kept_); }

  private:
    QPalette kept_;
};

TEST(WindowLookTest, CommandIconsAreDrawnInThePalettesColours) {
    MainWindow window;
    for (const CommandInfo& info : kCommands) {
        if (!*info.themeIcon)
            continue;
        SCOPED_TRACE(info.menuText);
        const QIcon icon = window.Action(info.id)->icon();
        ASSERT_FALSE(icon.isNull());
        const Ink normal = InkOf(Draw(icon, QIcon::Normal));
        const Ink disabled = InkOf(Draw(icon, QIcon::Disabled));
        ASSERT_GT(normal.pixels, 0);
        // Same shape, told apart by colour and opacity: a grey icon greyed
        // by Qt's default would look enabled.
        EXPECT_GT(disabled.pixels, normal.pixels * 9 / 10);
        EXPECT_NE(Draw(icon, QIcon::Disabled), Draw(icon, QIcon::Normal));
        EXPECT_LT(disabled.colour.alpha(), normal.colour.alpha());
        EXPECT_TRUE(Near(normal.colour,
                         QApplication::palette().color(QPalette::Active, QPalette::WindowText)));
    }
}

TEST(WindowLookTest, CommandIconsFollowADarkPalette) {
    MainWindow window;
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    ScopedPalette scoped(dark);
    const QIcon icon = window.Action(kCmdMoveTaskUp)->icon();
    EXPECT_TRUE(Near(InkOf(Draw(icon, QIcon::Normal)).colour, QColor(0xf0, 0xf0, 0xf0)));
    EXPECT_TRUE(Near(InkOf(Draw(icon, QIcon::Disabled)).colour, QColor(0x80, 0x80, 0x80)));
}

TEST(WindowLookTest, ShippedFallbacksDrawWhereTheThemeHasNoIcon) {
    // A name no theme has: the shipped image stands in.
    for (const CommandInfo& info : kCommands) {
        if (!*info.fallbackIcon)
            continue;
        SCOPED_TRACE(info.fallbackIcon);
        const QIcon icon = CommandIcon(QStringLiteral("torvane-no-such-icon"), info.fallbackIcon);
        EXPECT_GT(InkOf(Draw(icon, QIcon::Normal)).pixels, 0);
    }
}

TEST(WindowLookTest, TheWindowAndTheAboutBoxShowTheApplicationIcon) {
    const QImage ours = ApplicationIcon().pixmap(QSize(32, 32)).toImage();
    ASSERT_FALSE(ours.isNull());
    EXPECT_GT(InkOf(ours.convertToFormat(QImage::Format_ARGB32)).pixels, 0);
    MainWindow window;
    EXPECT_EQ(window.windowIcon().pixmap(QSize(32, 32)).toImage(), ours);
    AboutInfo about;
    about.title = L"About Torvane";
    AboutDialog box(about);
    const auto* label = box.findChild<QLabel*>(QStringLiteral("applicationIcon"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
              ApplicationIcon()
                  .pixmap(QSize(64, 64), box.devicePixelRatioF())
                  .toImage()
                  .convertToFormat(QImage::Format_ARGB32));
}

TEST(WindowLookTest, GeneralInfoHoldsItsBoxesAtTheMinimumSize) {
    MainWindow window;
    window.show();
    for (const QSize size : {MainWindow::kMinimumSize, QSize(1280, 780)}) {
        window.resize(size);
        ASSERT_EQ(window.size(), size);
        const auto boxes = window.GeneralInfo().findChildren<QLineEdit*>();
        ASSERT_EQ(boxes.size(), 4);  // the name and the three times
        for (const QLineEdit* box : boxes) {
            EXPECT_GE(box->height(), box->sizeHint().height()) << size.width();
            EXPECT_GT(box->width(), box->fontMetrics().horizontalAdvance("00/00/0000 00:00:00 PM"))
                << size.width();
        }
    }
}

}  // namespace
}  // namespace torvane::gui
