// The wallpaper on real desktops: an X server of our own, and GNOME's settings in a key file.

#include "RunProcess.h"
#include "TestFolders.h"
#include "TestPictures.h"
#include "XvfbServer.h"
#include "platform/RegistryStore.h"
#include "settings/RegIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// Last: Xlib's macros (None, Bool, RootWindow, ...) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace tesselvane;
using namespace tesselvane::test;
using ::testing::HasSubstr;

namespace {

QString wallpaperFile() {
    return qEnvironmentVariable("XDG_DATA_HOME") + "/tesselvane/$tessel.bmp";
}

void setValue(const QString& key, const QString& name, const QString& value) {
    RegistryStore store(RegistryStore::defaultPath());
    store.setValue(key, RegValue::text(name, value));
}

// quadrants() in a BMP file.
QString quadrants(const QString& name, QSize size) {
    const QImage image = tesselvane::test::quadrants(size);
    const QString path = scratchFolder() + name;
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
}

class RootPicture {
public:
    explicit RootPicture(const QString& display)
        : display_(XOpenDisplay(display.toLocal8Bit().constData())) {}
    ~RootPicture() {
        if (display_)
            XCloseDisplay(display_);
    }
    bool open() const { return display_ != nullptr; }

    // What the root window shows at (x, y), as 8-bit RGB.
    QRgb pixel(int x, int y) {
        XImage* image =
            XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
        XColor colour{};
        colour.pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        XQueryColor(display_, DefaultColormap(display_, DefaultScreen(display_)), &colour);
        return qRgb(colour.red >> 8, colour.green >> 8, colour.blue >> 8);
    }

    Pixmap property(const char* name) {
        const Atom atom = XInternAtom(display_, name, False);
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        Pixmap pixmap = None;
        if (XGetWindowProperty(display_, DefaultRootWindow(display_), atom, 0, 1, False, XA_PIXMAP,
                               &type, &format, &items, &after, &data) == Success &&
            data && items == 1) {
            pixmap = *reinterpret_cast<Pixmap*>(data);
        }
        if (data)
            XFree(data);
        return pixmap;
    }

    bool pixmapExists(Pixmap pixmap) {
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        Window root;
        int x, y;
        unsigned w, h, border, depth;
        const bool ok = XGetGeometry(display_, pixmap, &root, &x, &y, &w, &h, &border, &depth) != 0;
        XSync(display_, False);
        return ok;
    }

private:
    Display* display_;
};

ProcessResult probe(const QStringList& files, const QProcessEnvironment& env) {
    return runBuiltProgram("wallpaper_probe", files, {}, 60000, env);
}

QProcessEnvironment x11(const XvfbServer& server) {
    QProcessEnvironment env;
    env.insert("DISPLAY", server.display());
    env.insert("TESSELVANE_DESKTOP", "x11");
    env.insert("QT_QPA_PLATFORM", "xcb");
    return env;
}

bool near(QRgb a, QRgb b, int tolerance = 8) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

TEST(X11Desktop, ThePictureIsCentredOrTiledAsTileWallpaperSays) {
    XvfbServer server(320, 240, 24);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    const QString picture = quadrants("q.bmp", QSize(100, 60));
    setValue("Control Panel\\Colors", "Background", "10 20 30");

    setValue("Control Panel\\Desktop", "TileWallpaper", "0");
    ProcessResult r = probe({picture}, x11(server));
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    RootPicture root(server.display());
    ASSERT_TRUE(root.open());
    // Centred: the picture spans (110, 90)-(210, 150) on the desktop colour.
    EXPECT_EQ(root.pixel(5, 5), qRgb(10, 20, 30));
    EXPECT_EQ(root.pixel(115, 95), qRgb(255, 0, 0));
    EXPECT_EQ(root.pixel(205, 95), qRgb(0, 255, 0));
    EXPECT_EQ(root.pixel(115, 145), qRgb(0, 0, 255));
    EXPECT_EQ(root.pixel(205, 145), qRgb(255, 255, 0));
    const Pixmap first = root.property("_XROOTPMAP_ID");
    EXPECT_NE(first, None);
    EXPECT_EQ(root.property("ESETROOT_PMAP_ID"), first);
    // The program has ended; the picture stays.
    EXPECT_TRUE(root.pixmapExists(first));

    setValue("Control Panel\\Desktop", "TileWallpaper", "1");
    r = probe({picture}, x11(server));
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    // Tiled from the top-left corner.
    EXPECT_EQ(root.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(root.pixel(105, 5), qRgb(255, 0, 0));
    EXPECT_EQ(root.pixel(155, 35), qRgb(255, 255, 0));
    EXPECT_EQ(root.pixel(255, 95), qRgb(255, 255, 0));
    const Pixmap second = root.property("_XROOTPMAP_ID");
    EXPECT_NE(second, first);
    // The picture it replaced was freed.
    EXPECT_FALSE(root.pixmapExists(first));

    // Centred and larger than the screen: equal parts are lost on both sides.
    setValue("Control Panel\\Desktop", "TileWallpaper", "0");
    r = probe({quadrants("big.bmp", QSize(400, 300))}, x11(server));
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_EQ(root.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(root.pixel(159, 119), qRgb(255, 0, 0));
    EXPECT_EQ(root.pixel(160, 120), qRgb(255, 255, 0));
    EXPECT_EQ(root.pixel(319, 0), qRgb(0, 255, 0));
    EXPECT_EQ(root.pixel(0, 239), qRgb(0, 0, 255));
    const Pixmap third = root.property("_XROOTPMAP_ID");

    // "(なし)": the plain desktop colour, and no picture named.
    r = probe({""}, x11(server));
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_EQ(root.pixel(5, 5), qRgb(10, 20, 30));
    EXPECT_EQ(root.property("_XROOTPMAP_ID"), None);
    EXPECT_EQ(root.property("ESETROOT_PMAP_ID"), None);
    EXPECT_FALSE(root.pixmapExists(second));
    EXPECT_FALSE(root.pixmapExists(third));
}

TEST(X11Desktop, ChangesOneAfterAnotherInOneProgramEachShowTheirPicture) {
    // Each change opens its connection while its picture is read, and leaves it behind
    // holding the picture: the next one frees that.
    XvfbServer server(320, 240, 24);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    setValue("Control Panel\\Desktop", "TileWallpaper", "1");
    QImage green(50, 50, QImage::Format_RGB888);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(scratchFolder() + "green.bmp", "BMP"));
    const QString quads = quadrants("q.bmp", QSize(100, 60));
    const ProcessResult r = probe(
        {quads, scratchFolder() + "green.bmp", quads, scratchFolder() + "green.bmp"}, x11(server));
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    RootPicture root(server.display());
    ASSERT_TRUE(root.open());
    EXPECT_EQ(root.pixel(5, 5), qRgb(0, 255, 0));
    EXPECT_EQ(root.pixel(155, 35), qRgb(0, 255, 0));
    const Pixmap last = root.property("_XROOTPMAP_ID");
    EXPECT_TRUE(root.pixmapExists(last));
    EXPECT_EQ(root.property("ESETROOT_PMAP_ID"), last);
}

TEST(X11Desktop, FitScreenGivesAFileOfTheScreensSize) {
    XvfbServer server(400, 300, 24);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    setValue("SOFTWARE\\Morvanti\\TESSEL\\Option", "FitScreen", "1");
    const ProcessResult r = probe({quadrants("q.bmp", QSize(100, 60))}, x11(server));
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_EQ(QImage(wallpaperFile()).size(), QSize(400, 300));
    RootPicture root(server.display());
    EXPECT_EQ(root.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(root.pixel(390, 290), qRgb(255, 255, 0));
}

TEST(X11Desktop, OnAnEightBitScreenTheFileHasAtMost236ColoursAndTheScreenShowsThem) {
    XvfbServer server(1024, 768, 8);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    QImage rainbow(256, 64, QImage::Format_RGB888);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 256; ++x)
            rainbow.setPixel(x, y, qRgb(x, 255 - x, y * 4));
    }
    rainbow.save(scratchFolder() + "rainbow.bmp", "BMP");
    setValue("Control Panel\\Desktop", "TileWallpaper", "1");
    const ProcessResult r = probe({scratchFolder() + "rainbow.bmp"}, x11(server));
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    const QImage written(wallpaperFile());
    EXPECT_EQ(written.format(), QImage::Format_Indexed8);
    EXPECT_LE(written.colorCount(), 236);
    RootPicture root(server.display());
    // The colours were allocated in the screen's colour map.
    EXPECT_TRUE(near(root.pixel(10, 10), written.pixel(10, 10), 16));
    EXPECT_TRUE(near(root.pixel(200, 40), written.pixel(200, 40), 16));
}

TEST(X11Desktop, WithoutADisplayTheErrorIsClear) {
    QProcessEnvironment env;
    env.insert("DISPLAY", ":9999");
    env.insert("TESSELVANE_DESKTOP", "x11");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const ProcessResult r = probe({quadrants("q.bmp", QSize(10, 10))}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_THAT(r.errText().toStdString(), HasSubstr("X ディスプレイ :9999 に接続できません"));
}

QProcessEnvironment gnome() {
    QProcessEnvironment env;
    env.insert("TESSELVANE_DESKTOP", "gnome");
    env.insert("GSETTINGS_BACKEND", "keyfile");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

// GNOME's settings as GLib's key-file back end stores them: the settings without the shell,
// which tells the monitors (as on Cinnamon and MATE), and so without the composed desktop.
QString gsetting(const QString& key) {
    QFile file(qEnvironmentVariable("XDG_CONFIG_HOME") + "/glib-2.0/settings/keyfile");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    const QRegularExpression line(
        QStringLiteral("(?m)^%1=(.*)$").arg(QRegularExpression::escape(key)));
    return line.match(text).captured(1);
}

TEST(GnomeSettingsWithoutTheShell, EachChangeNamesAFreshLinkToTheWallpaperFile) {
    const QString picture = quadrants("q.bmp", QSize(40, 30));
    setValue("Control Panel\\Desktop", "TileWallpaper", "1");
    ProcessResult r = probe({picture}, gnome());
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    const QString first = gsetting("picture-uri");
    ASSERT_TRUE(first.startsWith("'file://")) << first.toStdString();
    EXPECT_EQ(gsetting("picture-uri-dark"), first);
    EXPECT_EQ(gsetting("picture-options"), "'wallpaper'");
    const QString firstLink = QUrl(first.mid(1).chopped(1)).toLocalFile();
    EXPECT_EQ(QFileInfo(firstLink).symLinkTarget(), QFileInfo(wallpaperFile()).absoluteFilePath());

    setValue("Control Panel\\Desktop", "TileWallpaper", "0");
    r = probe({picture}, gnome());
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    const QString second = gsetting("picture-uri");
    EXPECT_NE(second, first);
    EXPECT_EQ(gsetting("picture-options"), "'centered'");
    EXPECT_FALSE(QFileInfo::exists(firstLink));  // the old link is gone
    EXPECT_TRUE(QFileInfo::exists(QUrl(second.mid(1).chopped(1)).toLocalFile()));

    r = probe({""}, gnome());
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    EXPECT_EQ(gsetting("picture-options"), "'none'");
}

TEST(GnomeSettingsWithoutTheShell, AMissingSchemaIsAClearError) {
    QProcessEnvironment env = gnome();
    const QString empty = scratchFolder() + "no-schemas";
    QDir().mkpath(empty);
    env.insert("XDG_DATA_DIRS", empty);
    env.insert("GSETTINGS_SCHEMA_DIR", empty);
    const ProcessResult r = probe({quadrants("q.bmp", QSize(4, 4))}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_THAT(r.errText().toStdString(), HasSubstr("org.gnome.desktop.background"));
}

}  // namespace

namespace {

TEST(X11Desktop, AFailedWriteLeavesTheRootPictureAsItWas) {
    XvfbServer server(320, 240, 24);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    ProcessResult r = probe({quadrants("q.bmp", QSize(100, 60))}, x11(server));
    ASSERT_EQ(r.exitCode, 0) << r.errText().toStdString();
    RootPicture root(server.display());
    const Pixmap before = root.property("_XROOTPMAP_ID");
    const QRgb shown = root.pixel(160, 120);
    // The wallpaper file's folder turned into a file: nothing can be written there.
    const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + "/tesselvane";
    QDir(folder).removeRecursively();
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QImage other(50, 50, QImage::Format_RGB888);
    other.fill(Qt::white);
    other.save(scratchFolder() + "white.bmp", "BMP");
    r = probe({scratchFolder() + "white.bmp"}, x11(server));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.errText().toStdString(), HasSubstr("を書けません"));
    EXPECT_EQ(root.property("_XROOTPMAP_ID"), before);
    EXPECT_EQ(root.pixel(160, 120), shown);
    EXPECT_TRUE(root.pixmapExists(before));
}

}  // namespace
