// Test helper: plasma_shell_standin RECORD [locked]  stands in for Plasma's shell on the
// session bus, which cannot run here. It owns org.kde.plasmashell, appends each script that
// /PlasmaShell's evaluateScript gets to RECORD (after a line "--"), and with "locked" refuses
// each as Plasma does while its widgets are locked. Says "ready" once it owns the name.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTextStream>

namespace {

class PlasmaShell : public QDBusVirtualObject {
public:
    PlasmaShell(QString record, bool locked) : record_(std::move(record)), locked_(locked) {}

    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"org.kde.PlasmaShell\"><method name=\"evaluateScript\">"
            "<arg name=\"script\" type=\"s\" direction=\"in\"/></method></interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        if (message.interface() != QLatin1String("org.kde.PlasmaShell") ||
            message.member() != QLatin1String("evaluateScript") ||
            message.signature() != QLatin1String("s"))
            return false;
        QFile file(record_);
        if (file.open(QIODevice::Append))
            file.write("--\n" + message.arguments().at(0).toString().toUtf8());
        bus.send(locked_
                     ? message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"),
                                                QStringLiteral("Widgets are locked"))
                     : message.createReply());
        return true;
    }

private:
    QString record_;
    bool locked_;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2)
        return 2;
    PlasmaShell shell(arguments.at(1), arguments.value(2) == QLatin1String("locked"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(QStringLiteral("/PlasmaShell"), &shell) ||
        !bus.registerService(QStringLiteral("org.kde.plasmashell")))
        return 1;
    QTextStream(stdout) << "ready" << Qt::endl;
    return app.exec();
}
