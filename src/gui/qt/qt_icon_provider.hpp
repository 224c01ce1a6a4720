#pragma once

#include <QHash>
#include <QIcon>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "filelist/icon_cache.hpp"

namespace torvane::gui {

// Makes the desktop's icon theme reachable where the platform names none
// (a bare X server, the offscreen platform): the XDG data folders' icon
// themes are searched and Adwaita is used when installed. Leaves a theme
// chosen by the platform alone. Call once a QGuiApplication exists.
void EnsureIconTheme();

// The theme's icon `themeName`, or the image shipped with the program under
// `fallbackName` (a file of the ":/icons/fallback/" resource folder) when the
// theme has none. Never a null icon for a shipped name.
QIcon ThemeIcon(const QString& themeName, const QString& fallbackName);

// A command's icon for the menus and the toolbar, all in one style: the
// theme's symbolic icon ("go-up-symbolic" for `themeName` "go-up"; a theme
// without symbolic names answers with its own icon of that name), else the
// shipped monochrome image `fallbackName`. Being monochrome, it is drawn in
// the palette's colours when painted: the window text colour (so it reads
// on a dark palette too), the highlighted text colour when selected, and
// the disabled text colour at reduced opacity when disabled (the pixmap
// greying Qt applies by default leaves a grey icon looking enabled).
QIcon CommandIcon(const QString& themeName, const QString& fallbackName);

// The theme's symbolic icon `themeName` + "-symbolic" drawn in the palette's
// colours as a command icon is, else `fallback` as it is.
QIcon SymbolicIcon(const QString& themeName, const QIcon& fallback);

// The application's icon (packaging/torvane.svg, compiled in).
QIcon ApplicationIcon();

// The small warning sign that marks an entry with a problem: the theme's
// "dialog-warning" (or "emblem-important"), else the style's message-box
// warning icon.
QIcon WarningIcon();

// The file-type icons of both file lists and of the General Info pane, kept
// position for position with the icon cache's keys. One QIcon per row serves
// the lists (16 pixels) and the pane (32 pixels). Rows 0 to 4 are the generic
// file icon, the ".exe" icon, the folder icon and the unchecked and checked
// check images; extension rows follow. UI thread only.
class QtIconProvider : public IconProvider {
  public:
    static constexpr int kSmallSize = 16;
    static constexpr int kLargeSize = 32;

    // Builds the five base rows. Needs a QApplication.
    QtIconProvider();

    // Appends the theme's icon for the MIME type of `name`'s extension, or
    // the generic file icon when the theme has none for it. Always true:
    // every extension gets a row, so it is looked up once per listing.
    bool AppendIconForName(const std::wstring& name) override;

    // Cuts the rows back to the first `count` (never below the base rows).
    void TruncateIcons(std::size_t count) override;

    // The icon of a row; the generic file icon for a row that does not exist
    // (a stale position never breaks drawing).
    const QIcon& Icon(std::uint64_t position) const;

    // The icon of a row with the warning sign drawn over its lower right
    // quarter, for an entry with a problem. Made once per distinct icon.
    QIcon MarkedIcon(std::uint64_t position) const;

    std::size_t size() const { return icons_.size(); }

  private:
    QIcon IconForExtension(const QString& extension);

    std::vector<QIcon> icons_;
    // Icons already found by extension, so repeated lookups (files of the
    // types that get a row each time) stay cheap.
    QHash<QString, QIcon> byExtension_;
    // Marked icons by the cache key of the icon they mark.
    mutable QHash<qint64, QIcon> marked_;
    mutable QIcon emblem_;
};

}  // namespace torvane::gui
