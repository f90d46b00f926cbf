#include "platform/desktop/KdeDesktop.h"

#include "platform/desktop/FreshLink.h"
#include "platform/desktop/SessionBus.h"

#include <QDBusError>
#include <QFileInfo>
#include <QUrl>

namespace tesselvane {

namespace {

// Plasma's FillMode values.
constexpr int kCentered = 6;
constexpr int kTiled = 3;

// A JavaScript string literal of `text`.
QString quoted(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + QString(c);
        else if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

}  // namespace

QString KdeDesktop::script(const QString& imageUrl, WallpaperStyle style,
                           const QColor& background) {
    // No picture: the plug-in that shows only a colour, as org.kde.image would show its own
    // default picture.
    const QString plugin =
        imageUrl.isEmpty() ? QStringLiteral("org.kde.color") : QStringLiteral("org.kde.image");
    QString settings;
    if (!imageUrl.isEmpty()) {
        settings += QStringLiteral(
                        "    d.writeConfig(\"Image\", %1);\n"
                        "    d.writeConfig(\"FillMode\", %2);\n")
                        .arg(quoted(imageUrl))
                        .arg(style == WallpaperStyle::Tiled ? kTiled : kCentered);
    }
    settings +=
        QStringLiteral("    d.writeConfig(\"Color\", %1);\n").arg(quoted(background.name()));
    return QStringLiteral(
               "var all = desktops();\n"
               "for (var i = 0; i < all.length; ++i) {\n"
               "    var d = all[i];\n"
               "    d.wallpaperPlugin = %1;\n"
               "    d.currentConfigGroup = [\"Wallpaper\", %1, \"General\"];\n"
               "%2"
               "}\n")
        .arg(quoted(plugin), settings);
}

// Plasma keeps every desktop's wallpaper in its layout, whatever `persist`.
void KdeDesktop::apply(const WallpaperRequest& request) {
    const QString link = freshLinkToWallpaper(request.file);
    const QString url = link.isEmpty() ? QString() : QUrl::fromLocalFile(link).toString();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    call << script(url, request.style, request.background);
    const QDBusMessage reply = callSessionService(call, QStringLiteral("Plasma のシェル"));
    if (reply.type() != QDBusMessage::ErrorMessage)
        return;
    // The shell refuses scripts while its widgets are locked, and says so in words.
    if (reply.errorMessage().contains(QLatin1String("locked"), Qt::CaseInsensitive)) {
        throw DesktopError(
            QStringLiteral("Plasma のウィジェットがロックされているので壁紙を変えられません (%1)")
                .arg(reply.errorMessage()));
    }
    throw DesktopError(
        QStringLiteral("Plasma が壁紙の設定を断りました: %1").arg(reply.errorMessage()));
}

}  // namespace tesselvane
