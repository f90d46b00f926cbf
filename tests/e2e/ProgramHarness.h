#pragma once

// The built program as the end-to-end tests run it: on a private X server, at a fixed date
// (libfaketime), with a store and pictures the test makes.

#include "RunProcess.h"
#include "TestFolders.h"
#include "XvfbServer.h"
#include "platform/RegistryStore.h"
#include "settings/RegIni.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

namespace tesselvane::test {

inline QString storeFile() {
    return qEnvironmentVariable("XDG_CONFIG_HOME") + "/tesselvane/registry.db";
}
inline QString wallpaperFile() {
    return qEnvironmentVariable("XDG_DATA_HOME") + "/tesselvane/$tessel.bmp";
}

inline const QString kKey = QStringLiteral("SOFTWARE\\Morvanti\\TESSEL");

inline void set(const QString& section, const QString& ident, const QString& value) {
    RegistryStore store(storeFile());
    RegIni(store).WriteString(section, ident, value);
}

inline QString stored(const QString& section, const QString& ident) {
    RegistryStore store(storeFile());
    return RegIni(store).ReadString(section, ident, QStringLiteral("<absent>"));
}

inline QString solid(const QString& name, QColor colour) {
    QImage image(16, 16, QImage::Format_RGB888);
    image.fill(colour);
    const QString path = scratchFolder() + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
}

inline void group(const QString& name, const QStringList& files) {
    RegistryStore store(storeFile());
    RegIni ini(store);
    QStringList idents;
    ini.ReadSection("GroupName", idents);
    ini.WriteString("GroupName", QStringLiteral("Group%1").arg(idents.size()), name);
    ini.WriteString("Files\\" + name, "Type", "0");
    for (int i = 0; i < files.size(); ++i) {
        ini.WriteString("Files\\" + name, QStringLiteral("File%1").arg(i, 4, 10, QLatin1Char('0')),
                        files[i]);
    }
}

// The by-day mode on a folder holding one picture of one colour, named `name`.
inline void byDay(const QString& name, QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    QDir().mkpath(scratchFolder() + "dates");
    ASSERT_TRUE(image.save(scratchFolder() + "dates/" + name));
    set("Time", "Option", "2");
    set("Time", "Path", scratchFolder() + "dates");
}

inline QRgb wallpaperColour() {
    const QImage image(wallpaperFile());
    return image.isNull() ? qRgb(1, 2, 3) : image.pixel(0, 0);
}

// The program on the test's X server, at a fixed date and time.
class Tesselvane {
public:
    Tesselvane(const XvfbServer& server, const QStringList& arguments,
               const QString& when = "2026-07-02 10:00:00") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", server.display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("TESSELVANE_DESKTOP", "x11");
        // libfaketime preloaded directly (its faketime command would stand between us and
        // the program's process): the clock starts at `when` and runs on.
        env.insert("LD_PRELOAD", QStringLiteral(TESSELVANE_LIBFAKETIME));
        env.insert("FAKETIME", "@" + when);
        env.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
        process_.setProcessEnvironment(env);
        process_.start(builtProgramFolder() + "tesselvane", arguments);
        process_.waitForStarted(10000);
    }
    ~Tesselvane() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    bool finishesWithin(int ms) { return process_.waitForFinished(ms); }
    int exitCode() const { return process_.exitCode(); }
    bool running() const { return process_.state() == QProcess::Running; }
    // Ends it as a session or `kill` does.
    void terminate() {
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        process_.waitForFinished(20000);
    }
    QString errors() { return QString::fromUtf8(process_.readAllStandardError()); }

private:
    QProcess process_;
};

}  // namespace tesselvane::test
