#pragma once

// What the tests of the real desktops share: the store, a picture whose placement shows, and
// colours read back from a screen.

#include "TestFolders.h"
#include "platform/RegistryStore.h"

#include <QImage>
#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tesselvane::test {

inline const QString kProgramKey = QStringLiteral("SOFTWARE\\Morvanti\\TESSEL");

inline void setStored(const QString& key, const QString& name, const QString& value) {
    RegistryStore store(RegistryStore::defaultPath());
    store.setValue(key, RegValue::text(name, value));
}

// One group of one picture, chosen, on a green desktop.
inline void oneGroupOf(const QString& picture) {
    setStored(kProgramKey + "\\GroupName", "Group0", "g");
    setStored(kProgramKey + "\\Files\\g", "File0000", picture);
    setStored(kProgramKey + "\\Task", "Default", "0");
    setStored("Control Panel\\Colors", "Background", "0 255 0");
}

// oneGroupOf small squares of `colours` in turn, each monitor its own: the primary shows the
// first at the next change, the other the second (a 16x16 square in the middle of each).
inline void ownPictureGroupOf(const std::vector<QRgb>& colours) {
    oneGroupOf(QString());
    for (size_t i = 0; i < colours.size(); ++i) {
        QImage square(16, 16, QImage::Format_RGB888);
        square.fill(colours[i]);
        const QString path = scratchFolder() + QStringLiteral("own%1.bmp").arg(i);
        EXPECT_TRUE(square.save(path));
        setStored(kProgramKey + "\\Files\\g",
                  QStringLiteral("File%1").arg(i, 4, 10, QLatin1Char('0')), path);
    }
    setStored(kProgramKey + "\\Option", "MonitorPictures", "1");
    setStored(kProgramKey + "\\Task", "Index", "-1");  // the next change starts at the first
}

// A 300x150 picture, red on its left half and blue on its right: where a tile starts shows.
inline QString halves() {
    QImage image(300, 150, QImage::Format_RGB888);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 150, 150, Qt::red);
    const QString path = scratchFolder() + "halves.bmp";
    EXPECT_TRUE(image.save(path));
    return path;
}

inline bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8 &&
           std::abs(qBlue(a) - qBlue(b)) <= 8;
}

// The X screen `display` shows, windows and all; null when it cannot be read.
inline QImage screenOf(const QString& display) {
    QProcess import;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    import.setProcessEnvironment(env);
    import.start("import", {"-window", "root", "png:-"});
    if (!import.waitForFinished(30000) || import.exitCode() != 0)
        return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG");
}

struct Expected {
    QPoint at;
    QRgb colour;
};

// Whether `shot` shows every colour expected; what it shows instead is reported.
inline bool shows(const QImage& shot, const std::vector<Expected>& expected, bool report) {
    bool all = !shot.isNull();
    for (const Expected& e : expected) {
        if (all && shot.valid(e.at) && near(shot.pixel(e.at), e.colour))
            continue;
        all = false;
        if (report && !shot.isNull())
            ADD_FAILURE() << "at " << e.at.x() << "," << e.at.y() << ": "
                          << qPrintable(QColor(shot.pixel(e.at)).name());
    }
    return all;
}

}  // namespace tesselvane::test
