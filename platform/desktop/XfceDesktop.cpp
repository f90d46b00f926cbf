#include "platform/desktop/XfceDesktop.h"

#include "platform/InterfaceLanguage.h"
#include "platform/desktop/FreshLink.h"
#include "platform/desktop/MonitorPictures.h"
#include "platform/desktop/SessionBus.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>

namespace tesselvane {

namespace {

const QString kChannel = QStringLiteral("xfce4-desktop");
// Bounds on what the service hands back: a desktop has a few monitors and workspaces.
constexpr qsizetype kMaxNameLength = 512;
constexpr qsizetype kMaxBackdrops = 1024;

// xfdesktop's image-style values.
constexpr int kNone = 0;
constexpr int kCentered = 1;
constexpr int kTiled = 2;

QString xfconfError(const QDBusMessage& reply) {
    return interfaceText("XfceDesktop", "Xfconf が壁紙の設定を断りました: %1")
        .arg(reply.errorMessage());
}

QDBusMessage xfconfCall(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.xfce.Xfconf"),
                                          QStringLiteral("/org/xfce/Xfconf"),
                                          QStringLiteral("org.xfce.Xfconf"), method);
}

QStringList backdropNames() {
    QDBusMessage call = xfconfCall(QStringLiteral("GetAllProperties"));
    call << kChannel << QStringLiteral("/backdrop");
    const QDBusMessage reply = callSessionService(call, QStringLiteral("Xfconf"));
    if (reply.type() == QDBusMessage::ErrorMessage) {
        // A channel with no property yet.
        if (reply.errorName() == QLatin1String("org.xfce.Xfconf.Error.PropertyNotFound") ||
            reply.errorName() == QLatin1String("org.xfce.Xfconf.Error.ChannelNotFound"))
            return {};
        throw DesktopError(xfconfError(reply));
    }
    if (reply.arguments().size() != 1 || !reply.arguments().at(0).canConvert<QDBusArgument>()) {
        throw DesktopError(interfaceText("XfceDesktop", "Xfconf の返事が読めません"));
    }
    const QDBusArgument map = reply.arguments().at(0).value<QDBusArgument>();
    if (map.currentSignature() != QLatin1String("a{sv}"))
        throw DesktopError(interfaceText("XfceDesktop", "Xfconf の返事が読めません"));
    QStringList names;
    map.beginMap();
    while (!map.atEnd()) {
        QString name;
        QDBusVariant value;
        map.beginMapEntry();
        map >> name >> value;
        map.endMapEntry();
        names << name;
    }
    map.endMap();
    return names;
}

// Qt's screens, the primary one first: xfdesktop names monitors as Qt names screens, by
// their outputs.
QList<const QScreen*> screens() {
    QList<const QScreen*> found;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        for (const QScreen* screen : QGuiApplication::screens()) {
            if (screen == primary)
                found.prepend(screen);
            else
                found.append(screen);
        }
    }
    return found;
}

}  // namespace

QList<XfconfValue> XfceDesktop::backdropValues(const QStringList& existing,
                                               const QStringList& monitors, const QString& file,
                                               WallpaperStyle style, const QColor& background,
                                               const QHash<QString, QString>& monitorFiles) {
    static const QRegularExpression kBackdrop(
        QStringLiteral("^(/backdrop/screen[0-9]+/monitor[^/]+/workspace[0-9]+/)[^/]+$"));
    static const QRegularExpression kMonitor(
        QStringLiteral("^/backdrop/screen[0-9]+/monitor([^/]+)/"));
    QStringList prefixes;
    for (const QString& name : existing) {
        if (name.size() > kMaxNameLength)
            continue;
        const QRegularExpressionMatch match = kBackdrop.match(name);
        if (match.hasMatch() && !prefixes.contains(match.captured(1)))
            prefixes << match.captured(1);
        if (prefixes.size() >= kMaxBackdrops)
            break;
    }
    // xfdesktop writes a monitor's backdrop only once it is set: a monitor without one yet
    // gets its first workspace's.
    for (const QString& monitor : monitors) {
        if (monitor.isEmpty() || monitor.size() > kMaxNameLength || monitor.contains(u'/'))
            continue;
        const QString own = QStringLiteral("/monitor%1/").arg(monitor);
        if (std::none_of(prefixes.cbegin(), prefixes.cend(),
                         [&](const QString& prefix) { return prefix.contains(own); }))
            prefixes << QStringLiteral("/backdrop/screen0/monitor%1/workspace0/").arg(monitor);
    }
    // Without a monitor name: the name xfdesktop gave the first monitor before it used the
    // output's name.
    if (prefixes.isEmpty())
        prefixes << QStringLiteral("/backdrop/screen0/monitor0/workspace0/");
    prefixes.sort();

    const int imageStyle =
        file.isEmpty() ? kNone : (style == WallpaperStyle::Tiled ? kTiled : kCentered);
    const QVariantList rgba{double(background.redF()), double(background.greenF()),
                            double(background.blueF()), 1.0};
    QList<XfconfValue> values;
    for (const QString& prefix : prefixes) {
        if (!file.isEmpty()) {
            const QString own = monitorFiles.value(kMonitor.match(prefix).captured(1));
            values.append({prefix + QLatin1String("last-image"), own.isEmpty() ? file : own});
        }
        values.append({prefix + QLatin1String("image-style"), imageStyle});
        values.append({prefix + QLatin1String("color-style"), 0});  // one solid colour
        values.append({prefix + QLatin1String("rgba1"), rgba});
    }
    return values;
}

// Xfconf keeps every value it is given, whatever `persist`.
void XfceDesktop::apply(const WallpaperRequest& request) {
    // xfdesktop centres and tiles on each monitor itself; only a picture fitted to the
    // primary monitor is fitted anew to each of the others.
    const QList<const QScreen*> shownOn = screens();
    std::vector<QRect> monitors;
    QStringList names;
    for (const QScreen* screen : shownOn) {
        monitors.push_back(screen->geometry());
        names << screen->name();
    }
    const std::vector<QString> files = monitorFiles(request, monitors, QStringLiteral("monitor"));
    QString shown;
    QHash<QString, QString> own;
    if (files.empty()) {
        shown = freshLinkToWallpaper(request.file);
    } else {
        const QStringList links = freshLinksTo(QStringList(files.begin(), files.end()));
        for (qsizetype i = 0; i < names.size(); ++i)
            own.insert(names.at(i), links.at(i));
        shown = links.constFirst();
    }
    for (const XfconfValue& value :
         backdropValues(backdropNames(), names, shown, request.style, request.background, own)) {
        QDBusMessage call = xfconfCall(QStringLiteral("SetProperty"));
        call << kChannel << value.property << QVariant::fromValue(QDBusVariant(value.value));
        const QDBusMessage reply = callSessionService(call, QStringLiteral("Xfconf"));
        if (reply.type() == QDBusMessage::ErrorMessage)
            throw DesktopError(xfconfError(reply));
    }
}

void XfceDesktop::watchLayout(std::function<void()> changed) {
    monitorWatch_ = watchQtMonitors(std::move(changed));
}

}  // namespace tesselvane
