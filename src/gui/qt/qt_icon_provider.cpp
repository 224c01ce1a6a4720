#include "gui/qt/qt_icon_provider.hpp"

#include <QApplication>
#include <QDir>
#include <QIconEngine>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

#include "filelist/file_entry.hpp"

// Resources compiled into a static library must be registered by name, and
// Q_INIT_RESOURCE only works outside any namespace.
static void RegisterFallbackIcons() {
    Q_INIT_RESOURCE(fallback_icons);
}

namespace torvane::gui {
namespace {

constexpr const char* kPreferredTheme = "Adwaita";

// How much of the disabled text colour a disabled command icon keeps.
constexpr qreal kDisabledOpacity = 0.45;

// Draws a monochrome icon in the colour of the palette for its mode: only
// the source's shape (its alpha) is kept. The palette is read at each
// paint, so a palette changed at run time shows at once.
class MonochromeIconEngine : public QIconEngine {
  public:
    explicit MonochromeIconEngine(QIcon source) : source_(std::move(source)) {}

    QIconEngine* clone() const override { return new MonochromeIconEngine(source_); }
    QString key() const override { return QStringLiteral("torvane-monochrome"); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State state) override {
        return source_.actualSize(size, QIcon::Normal, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State state) override {
        return source_.availableSizes(QIcon::Normal, state);
    }
    bool isNull() override { return source_.isNull(); }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QImage image = source_.pixmap(size, scale, QIcon::Normal, state)
                           .toImage()
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), ColourFor(mode));
        painter.end();
        return QPixmap::fromImage(std::move(image));
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
    }

  private:
    static QColor ColourFor(QIcon::Mode mode) {
        const QPalette palette = QGuiApplication::palette();
        switch (mode) {
            case QIcon::Disabled: {
                QColor colour = palette.color(QPalette::Disabled, QPalette::WindowText);
                colour.setAlphaF(colour.alphaF() * kDisabledOpacity);
                return colour;
            }
            case QIcon::Selected:
                return palette.color(QPalette::Active, QPalette::HighlightedText);
            case QIcon::Normal:
            case QIcon::Active:
                break;
        }
        return palette.color(QPalette::Active, QPalette::WindowText);
    }

    QIcon source_;
};

// A check-box image as the desktop's style draws an item view's check box.
QIcon CheckImage(bool checked) {
    const int size = QtIconProvider::kSmallSize;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, size, size);
    option.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
    QApplication::style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &option, &painter);
    painter.end();
    return QIcon(pixmap);
}

}  // namespace

void EnsureIconTheme() {
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QLatin1String("hicolor"))
        return;
    QStringList paths = QIcon::themeSearchPaths();
    const auto dataIcons = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, "icons",
                                                     QStandardPaths::LocateDirectory);
    for (const auto& folder : dataIcons)
        if (!paths.contains(folder))
            paths << folder;
    if (!paths.contains("/usr/share/icons") && QDir("/usr/share/icons").exists())
        paths << "/usr/share/icons";
    QIcon::setThemeSearchPaths(paths);
    for (const auto& folder : paths)
        if (QDir(folder).exists(kPreferredTheme)) {
            QIcon::setThemeName(kPreferredTheme);
            return;
        }
}

QIcon ThemeIcon(const QString& themeName, const QString& fallbackName) {
    RegisterFallbackIcons();
    return QIcon::fromTheme(themeName, QIcon(":/icons/fallback/" + fallbackName + ".svg"));
}

QIcon CommandIcon(const QString& themeName, const QString& fallbackName) {
    RegisterFallbackIcons();
    QIcon source = QIcon::fromTheme(themeName + "-symbolic");
    if (source.isNull())
        source = QIcon(":/icons/fallback/" + fallbackName + ".svg");
    return QIcon(new MonochromeIconEngine(std::move(source)));
}

QIcon SymbolicIcon(const QString& themeName, const QIcon& fallback) {
    QIcon source = QIcon::fromTheme(themeName + "-symbolic");
    if (source.isNull())
        return fallback;
    return QIcon(new MonochromeIconEngine(std::move(source)));
}

QIcon ApplicationIcon() {
    RegisterFallbackIcons();
    return QIcon(QStringLiteral(":/icons/torvane.svg"));
}

QIcon WarningIcon() {
    for (const char* name : {"dialog-warning", "emblem-important"}) {
        QIcon icon = QIcon::fromTheme(name);
        if (!icon.isNull())
            return icon;
    }
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
}

QtIconProvider::QtIconProvider() {
    icons_ = {
        ThemeIcon("text-x-generic", "generic"),
        ThemeIcon("application-x-executable", "exe"),
        ThemeIcon("folder", "folder"),
        CheckImage(false),
        CheckImage(true),
    };
}

bool QtIconProvider::AppendIconForName(const std::wstring& name) {
    icons_.push_back(IconForExtension(QString::fromStdWString(ExtensionOf(name))));
    return true;
}

void QtIconProvider::TruncateIcons(std::size_t count) {
    icons_.resize(std::max(count, IconCache::kBaseRows));
}

const QIcon& QtIconProvider::Icon(std::uint64_t position) const {
    return position < icons_.size() ? icons_[position] : icons_[IconCache::kGeneric];
}

QIcon QtIconProvider::MarkedIcon(std::uint64_t position) const {
    const QIcon& base = Icon(position);
    const auto found = marked_.constFind(base.cacheKey());
    if (found != marked_.cend())
        return *found;
    if (emblem_.isNull())
        emblem_ = WarningIcon();
    QIcon marked;
    for (const int size : {kSmallSize, kLargeSize}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        base.paint(&painter, QRect(0, 0, size, size));
        // The sign takes the lower right corner, a little over half the side,
        // so that it stays readable at 16 pixels.
        const int sign = size * 5 / 8;
        emblem_.paint(&painter, QRect(size - sign, size - sign, sign, sign));
        painter.end();
        marked.addPixmap(pixmap);
    }
    marked_.insert(base.cacheKey(), marked);
    return marked;
}

QIcon QtIconProvider::IconForExtension(const QString& extension) {
    const auto found = byExtension_.constFind(extension);
    if (found != byExtension_.cend())
        return *found;
    static const QMimeDatabase mimeTypes;
    const auto type =
        mimeTypes.mimeTypeForFile("filename" + extension, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName(), QIcon());
    if (icon.isNull())
        icon = icons_[IconCache::kGeneric];
    byExtension_.insert(extension, icon);
    return icon;
}

}  // namespace torvane::gui
