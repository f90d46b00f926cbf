// The wallpaper on a real GNOME Shell (headless, two virtual monitors), read back from the
// shell's own screenshot: each monitor shows its own placement of the picture on the
// desktop's colour.

#include "HeadlessGnomeShell.h"
#include "RunProcess.h"
#include "platform/RegistryStore.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

const QString kKey = QStringLiteral("SOFTWARE\\Morvanti\\TESSEL");

void setValue(const QString& key, const QString& name, const QString& value) {
    RegistryStore store(RegistryStore::defaultPath());
    store.setValue(key, RegValue::text(name, value));
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8 &&
           std::abs(qBlue(a) - qBlue(b)) <= 8;
}

// A 300x150 picture, red on its left half and blue on its right: where a tile starts shows.
QString halves() {
    QImage image(300, 150, QImage::Format_RGB888);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 150, 150, Qt::red);
    const QString path = scratchFolder() + "halves.bmp";
    EXPECT_TRUE(image.save(path));
    return path;
}

struct Expected {
    QPoint at;
    QRgb colour;
};

TEST(GnomeShellDesktop, EachMonitorShowsThePicturePlacedOnItselfOnTheDesktopColour) {
    // 800x600 at (0, 0), the primary; 640x480 at (800, 0).
    HeadlessGnomeShell shell({"800x600", "640x480"});
    if (!shell.skipReason().isEmpty())
        GTEST_SKIP() << shell.skipReason().toStdString();
    setValue(kKey + "\\GroupName", "Group0", "g");
    setValue(kKey + "\\Files\\g", "File0000", halves());
    setValue(kKey + "\\Task", "Default", "0");
    setValue("Control Panel\\Colors", "Background", "0 255 0");
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);

    // (The shell's top bar covers the primary monitor's top 32 rows.)
    const struct {
        const char* name;
        const char* tile;
        const char* fit;
        std::vector<Expected> expected;
    } cases[] = {
        {"centred", "0", "0",
         {{{260, 300}, red}, {{540, 300}, blue}, {{10, 590}, green}, {{1120 - 140, 240}, red},
          {{1120 + 140, 240}, blue}, {{1430, 470}, green}, {{805, 5}, green}}},
        // Tiled from each monitor's own corner: the second one starts with red again.
        {"tiled", "1", "0",
         {{{10, 590}, red}, {{160, 590}, blue}, {{805, 5}, red}, {{955, 5}, blue}}},
        // Stretched to each monitor: red from its left edge, blue to its right.
        {"fitted", "0", "1",
         {{{5, 590}, red}, {{795, 590}, blue}, {{805, 475}, red}, {{1435, 5}, blue}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setValue("Control Panel\\Desktop", "TileWallpaper", c.tile);
        setValue(kKey + "\\Option", "FitScreen", c.fit);
        const ProcessResult r =
            runBuiltProgram("tesselvane", {"-C"}, {}, 60000, shell.clientEnvironment());
        ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
        QImage shot;
        const bool shown = waitUntil([&] {
            shot = shell.screenshot();
            if (shot.width() != 1440 || shot.height() != 600)
                return false;
            for (const Expected& e : c.expected) {
                if (!near(shot.pixel(e.at), e.colour))
                    return false;
            }
            return true;
        });
        EXPECT_TRUE(shown);
        if (!shown && !shot.isNull()) {
            shot.save(scratchFolder() + QString("gnome-%1.png").arg(c.name));
            for (const Expected& e : c.expected)
                ADD_FAILURE() << "at " << e.at.x() << "," << e.at.y() << ": "
                              << QColor(shot.pixel(e.at)).name().toStdString();
        }
    }

    // The dark style has a picture of its own: the same one.
    QProcess gsettings;
    gsettings.setProcessEnvironment(shell.clientEnvironment());
    gsettings.start("gsettings",
                    {"set", "org.gnome.desktop.interface", "color-scheme", "prefer-dark"});
    ASSERT_TRUE(gsettings.waitForFinished(30000));
    ASSERT_EQ(gsettings.exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] {
        const QImage shot = shell.screenshot();
        return shot.width() == 1440 && near(shot.pixel(5, 590), red) &&
               near(shot.pixel(795, 590), blue);
    }));
}

}  // namespace
