#include "platform/desktop/KdeDesktop.h"

#include "platform/InterfaceLanguage.h"
#include "platform/desktop/FreshLink.h"
#include "platform/desktop/MonitorPictures.h"
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

QString KdeDesktop::script(const QString& imageUrl, WallpaperStyle style, const QColor& background,
                           const std::vector<ScreenImage>& screens) {
    // No picture: the plug-in that shows only a colour, as org.kde.image would show its own
    // default picture.
    const QString plugin =
        imageUrl.isEmpty() ? QStringLiteral("org.kde.color") : QStringLiteral("org.kde.image");
    QString head = QStringLiteral("var all = desktops();\n");
    QString settings;
    if (!imageUrl.isEmpty() && screens.empty()) {
        settings += QStringLiteral("    d.writeConfig(\"Image\", %1);\n").arg(quoted(imageUrl));
    } else if (!imageUrl.isEmpty()) {
        // Screens are told apart by where they are: the same in the shell as in the program.
        head += QStringLiteral("var screens = [\n");
        for (const ScreenImage& s : screens) {
            head += QStringLiteral("    [%1, %2, %3, %4, %5],\n")
                        .arg(s.screen.x())
                        .arg(s.screen.y())
                        .arg(s.screen.width())
                        .arg(s.screen.height())
                        .arg(quoted(s.imageUrl));
        }
        head += QStringLiteral("];\n");
        settings += QStringLiteral(
                        "    var image = %1;\n"
                        "    var g = screenGeometry(d.screen);\n"
                        "    for (var j = 0; j < screens.length; ++j) {\n"
                        "        var s = screens[j];\n"
                        "        if (g.x == s[0] && g.y == s[1] && g.width == s[2] && "
                        "g.height == s[3])\n"
                        "            image = s[4];\n"
                        "    }\n"
                        "    d.writeConfig(\"Image\", image);\n")
                        .arg(quoted(imageUrl));
    }
    if (!imageUrl.isEmpty()) {
        settings += QStringLiteral("    d.writeConfig(\"FillMode\", %1);\n")
                        .arg(style == WallpaperStyle::Tiled ? kTiled : kCentered);
    }
    settings +=
        QStringLiteral("    d.writeConfig(\"Color\", %1);\n").arg(quoted(background.name()));
    return head + QStringLiteral(
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
    // Plasma centres and tiles on each screen itself; only a picture fitted to the primary
    // screen is fitted anew to each of the others.
    const std::vector<QRect> monitors = qtMonitors();
    const std::vector<QString> files = monitorFiles(request, monitors, QStringLiteral("screen"));
    QString url;
    std::vector<ScreenImage> screens;
    if (files.empty()) {
        const QString link = freshLinkToWallpaper(request.file);
        url = link.isEmpty() ? QString() : QUrl::fromLocalFile(link).toString();
    } else {
        const QStringList links = freshLinksTo(QStringList(files.begin(), files.end()));
        for (size_t i = 0; i < monitors.size(); ++i)
            screens.push_back(
                {monitors[i], QUrl::fromLocalFile(links.at(qsizetype(i))).toString()});
        url = screens.front().imageUrl;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    call << script(url, request.style, request.background, screens);
    const QDBusMessage reply =
        callSessionService(call, interfaceText("KdeDesktop", "Plasma のシェル"));
    if (reply.type() != QDBusMessage::ErrorMessage)
        return;
    // The shell refuses scripts while its widgets are locked by policy (a user's own lock
    // lets them through), and says so in words.
    const QString refusal = reply.errorMessage();
    if (refusal.contains(QLatin1String("locked"), Qt::CaseInsensitive)) {
        throw DesktopRefusal(
            interfaceText("KdeDesktop",
                          "Plasma のウィジェットがロックされているので壁紙を変えられません (%1)")
                .arg(refusal));
    }
    if (refusal.contains(QLatin1String("policy"), Qt::CaseInsensitive))
        throw DesktopRefusal(
            interfaceText("KdeDesktop", "Plasma が壁紙の設定を断りました: %1").arg(refusal));
    throw DesktopError(interfaceText("KdeDesktop", "Plasma が壁紙の設定を断りました: %1")
                           .arg(reply.errorMessage()));
}

void KdeDesktop::watchLayout(std::function<void()> changed) {
    monitorWatch_ = watchQtMonitors(std::move(changed));
}

}  // namespace tesselvane
