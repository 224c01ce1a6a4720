#include "gui/dialogs/about_dialog.hpp"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>
#include <QUrl>
#include <boost/version.hpp>

#include "gui/qt/qt_icon_provider.hpp"

namespace torvane::gui {
namespace {

constexpr int kIconSize = 64;

QLabel* PlainLabel(const std::wstring& text, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdWString(text), parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(const AboutInfo& about, QWidget* parent)
    : QDialog(parent),
      productName_(PlainLabel(about.productName, this)),
      version_(PlainLabel(about.versionText, this)),
      legal_(PlainLabel(about.legalNotice, this)),
      link_(new QLabel(this)),
      libraries_(new QLabel(LibrariesText(), this)) {
    setWindowTitle(QString::fromStdWString(about.title));
    const QString address = QString::fromLatin1(kWebSiteAddress);
    link_->setTextFormat(Qt::RichText);
    link_->setText(QStringLiteral("Website: <a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()));
    link_->setOpenExternalLinks(false);
    link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link_, &QLabel::linkActivated, this, [](const QString& link) { OpenLink(link); });
    legal_->setWordWrap(true);
    libraries_->setTextFormat(Qt::PlainText);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("applicationIcon"));
    icon->setPixmap(ApplicationIcon().pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
    layout->addWidget(productName_, 0, 1);
    layout->addWidget(version_, 1, 1);
    layout->addWidget(legal_, 2, 1);
    layout->addWidget(link_, 3, 1);
    layout->addWidget(libraries_, 4, 0, 1, 2);
    layout->addWidget(buttons, 5, 0, 1, 2);
}

QString AboutDialog::LibrariesText() {
    QString boost = QStringLiteral(BOOST_LIB_VERSION);
    boost.replace('_', '.');
    return QStringLiteral("This program uses the following libraries:") +
           QStringLiteral("\n- Qt ") + QString::fromLatin1(qVersion()) +
           QStringLiteral("\n- Boost.Regex ") + boost;
}

bool AboutDialog::OpenLink(const QString& address) {
    if (address != QString::fromLatin1(kWebSiteAddress))
        return false;
    return QDesktopServices::openUrl(QUrl(address));
}

}  // namespace torvane::gui
