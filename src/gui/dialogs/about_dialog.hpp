#pragma once

#include <QDialog>
#include <QString>

#include "app/version_info.hpp"

class QLabel;

namespace torvane::gui {

// The maker's web site, linked from the About box.
inline constexpr const char* kWebSiteAddress = "https://torvane.example.org/";

// AboutDialog: the About box. Its title is "About " + product name; it shows
// the product name, "Version: " + version, the legal notice, a link to the
// web site (opened with the desktop's browser) and the libraries this build
// uses.
class AboutDialog : public QDialog {
  public:
    AboutDialog(const AboutInfo& about, QWidget* parent = nullptr);

    // "This program uses the following libraries:" and one "- " line each
    // for Qt (the version running) and Boost.Regex (the version built with).
    static QString LibrariesText();

    QLabel& ProductNameLabel() const { return *productName_; }
    QLabel& VersionLabel() const { return *version_; }
    QLabel& LegalNoticeLabel() const { return *legal_; }
    QLabel& LinkLabel() const { return *link_; }
    QLabel& LibrariesLabel() const { return *libraries_; }

    // Opens `address` with the desktop's browser when it is the web site's
    // address; any other address is ignored. Returns true when opened.
    static bool OpenLink(const QString& address);

  private:
    QLabel* productName_;
    QLabel* version_;
    QLabel* legal_;
    QLabel* link_;
    QLabel* libraries_;
};

}  // namespace torvane::gui
