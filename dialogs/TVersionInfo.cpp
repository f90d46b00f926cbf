#include "dialogs/TVersionInfo.h"

#include "platform/ProgramVersion.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace tesselvane {

QString TVersionInfo::Version() const {
    return programVersionText();
}

namespace {

// The address label: blue italic, a hand over it, a click opens it; the box stays open.
class UrlLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void mouseReleaseEvent(QMouseEvent*) override { QDesktopServices::openUrl(QUrl(text())); }
};

}  // namespace

void TVersionInfo::Execute(QWidget* parent) const {
    QDialog frmAppVersion(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                      Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    frmAppVersion.setObjectName(QStringLiteral("frmAppVersion"));
    frmAppVersion.setWindowTitle(QCoreApplication::translate("TVersionInfo", "バージョン情報"));
    frmAppVersion.setFixedSize(291, 116);

    auto* imgIcon = new QLabel(&frmAppVersion);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setAccessibleName(ApplicationName);
    imgIcon->setGeometry(12, 12, 41, 41);
    imgIcon->setPixmap(QApplication::windowIcon().pixmap(41, 41));
    auto* lblAppName = new QLabel(ApplicationName, &frmAppVersion);
    lblAppName->setObjectName(QStringLiteral("lblAppName"));
    lblAppName->setGeometry(64, 10, 215, 18);
    QFont bold = lblAppName->font();
    bold.setBold(true);
    lblAppName->setFont(bold);
    auto* label1 = new QLabel(QStringLiteral("Version"), &frmAppVersion);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(64, 30, 60, 16);
    auto* lblVersion = new QLabel(Version(), &frmAppVersion);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(124, 30, 155, 16);
    auto* label2 =
        new QLabel(QCoreApplication::translate("TVersionInfo", "著作権者"), &frmAppVersion);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(64, 48, 60, 16);
    auto* lblAuthor = new QLabel(Author, &frmAppVersion);
    lblAuthor->setObjectName(QStringLiteral("lblAuthor"));
    lblAuthor->setGeometry(124, 48, 155, 16);
    auto* lblURL = new UrlLabel(URL, &frmAppVersion);
    lblURL->setObjectName(QStringLiteral("lblURL"));
    lblURL->setGeometry(12, 66, 267, 16);
    lblURL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblURL->setCursor(Qt::PointingHandCursor);
    lblURL->setStyleSheet(QStringLiteral("color: blue; font-style: italic;"));
    lblURL->setAccessibleDescription(
        QCoreApplication::translate("TVersionInfo", "クリックするとブラウザで開きます"));
    auto* btnOK = new QPushButton(QStringLiteral("OK"), &frmAppVersion);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry((291 - 75) / 2, 86, 75, 24);
    btnOK->setDefault(true);
    QObject::connect(btnOK, &QPushButton::clicked, &frmAppVersion, &QDialog::accept);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        frmAppVersion.move(screen->availableGeometry().center() - QPoint(291 / 2, 116 / 2));
    }
    // Modal to the window that opens it, not to the whole program: the icon's menu stays.
    if (parent)
        frmAppVersion.setWindowModality(Qt::WindowModal);
    frmAppVersion.exec();
}

}  // namespace tesselvane
