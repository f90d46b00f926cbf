// The x11 back end on X servers of our own: each monitor's part of the root picture, dithering
// on 16-bit screens, colour cells on 8-bit ones, and a new monitor layout.

#include "RunProcess.h"
#include "TestFolders.h"
#include "TestPictures.h"
#include "WaitUntil.h"
#include "XvfbServer.h"
#include "platform/DesktopService.h"
#include "platform/RegistryStore.h"
#include "platform/Screen.h"
#include "platform/desktop/X11Desktop.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

// Last: Xlib's macros (None, Bool, ...) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255),
               kYellow = qRgb(255, 255, 0), kBackground = qRgb(10, 20, 30);

// A connection to the test's server, and what its root window shows.
class Screen {
public:
    explicit Screen(const XvfbServer& server)
        : display_(XOpenDisplay(server.display().toLocal8Bit().constData())) {
        qputenv("DISPLAY", server.display().toLocal8Bit());
    }
    ~Screen() {
        if (display_)
            XCloseDisplay(display_);
    }
    Display* display() const { return display_; }

    // The monitors, the first one primary; the first also takes the server's one output, so
    // that the monitor RandR makes of it goes.
    void setMonitors(const std::vector<QRect>& monitors) {
        const Window root = DefaultRootWindow(display_);
        XRRScreenResources* resources = XRRGetScreenResources(display_, root);
        ASSERT_TRUE(resources && resources->noutput > 0);
        for (size_t i = 0; i < monitors.size(); ++i) {
            XRRMonitorInfo* monitor = XRRAllocateMonitor(display_, i == 0 ? 1 : 0);
            const std::string name = "M" + std::to_string(i);
            monitor->name = XInternAtom(display_, name.c_str(), False);
            monitor->primary = i == 0;
            monitor->x = monitors[i].x();
            monitor->y = monitors[i].y();
            monitor->width = monitors[i].width();
            monitor->height = monitors[i].height();
            monitor->mwidth = monitors[i].width() / 4;
            monitor->mheight = monitors[i].height() / 4;
            if (i == 0)
                monitor->outputs[0] = resources->outputs[0];
            XRRSetMonitor(display_, root, monitor);
            XFree(monitor);
        }
        XRRFreeScreenResources(resources);
        XSync(display_, False);
    }

    // The root window's pixels as 8-bit RGB.
    QImage root() {
        const Window root = DefaultRootWindow(display_);
        const int screen = DefaultScreen(display_);
        // Asked afresh: the size this connection was told when it opened may be past.
        Window unused;
        int x0, y0;
        unsigned w = 0, h = 0, border, depth;
        XGetGeometry(display_, root, &unused, &x0, &y0, &w, &h, &border, &depth);
        XImage* image = XGetImage(display_, root, 0, 0, w, h, AllPlanes, ZPixmap);
        if (!image) {
            ADD_FAILURE() << "the root window cannot be read";
            return {};
        }
        QImage out(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
        const Visual* visual = DefaultVisual(display_, screen);
        std::vector<XColor> cells;
        if (visual->c_class != TrueColor) {
            cells.resize(static_cast<size_t>(visual->map_entries));
            for (size_t i = 0; i < cells.size(); ++i)
                cells[i].pixel = i;
            XQueryColors(display_, DefaultColormap(display_, screen), cells.data(),
                         static_cast<int>(cells.size()));
        }
        for (int y = 0; y < out.height(); ++y) {
            for (int x = 0; x < out.width(); ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                if (!cells.empty()) {
                    const XColor& c = cells[std::min<size_t>(pixel, cells.size() - 1)];
                    out.setPixel(x, y, qRgb(c.red >> 8, c.green >> 8, c.blue >> 8));
                } else {
                    out.setPixel(
                        x, y,
                        qRgb(channel(pixel, visual->red_mask), channel(pixel, visual->green_mask),
                             channel(pixel, visual->blue_mask)));
                }
            }
        }
        XDestroyImage(image);
        return out;
    }

    // A raw pixel value of the root window.
    unsigned long rawPixel(int x, int y) {
        XImage* image =
            XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return pixel;
    }

private:
    static int channel(unsigned long pixel, unsigned long mask) {
        const int shift = std::countr_zero(mask), bits = std::popcount(mask);
        const unsigned long value = (pixel & mask) >> shift;
        return static_cast<int>(value * 255 / ((1ul << bits) - 1));
    }

    Display* display_;
};

void show(X11Desktop& desktop, const QImage& picture, WallpaperStyle style, WallpaperFit fit = {}) {
    desktop.apply({.file = QStringLiteral("shown.bmp"),
                   .picture = picture,
                   .style = style,
                   .fit = fit,
                   .background = QColor(kBackground),
                   .persist = false,
                   .monitorPictures = {}});
}

TEST(X11Monitors, EachMonitorCentresOrTilesThePictureInItself) {
    XvfbServer server(640, 240, 24);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    Screen screen(server);
    // Monitors of 330 and 310: tiles running on over the whole root would not restart at 330.
    screen.setMonitors({QRect(0, 0, 330, 240), QRect(330, 0, 310, 240)});
    X11Desktop desktop;

    show(desktop, quadrants(QSize(100, 60)), WallpaperStyle::Centered);
    QImage root = screen.root();
    // Centred in each: the left one at (115, 90), the right one at (330 + 105, 90).
    for (const int left : {115, 435}) {
        EXPECT_EQ(root.pixel(left + 5, 95), kRed) << left;
        EXPECT_EQ(root.pixel(left + 95, 95), kGreen) << left;
        EXPECT_EQ(root.pixel(left + 5, 145), kBlue) << left;
        EXPECT_EQ(root.pixel(left + 95, 145), kYellow) << left;
        EXPECT_EQ(root.pixel(left - 1, 120), kBackground) << left;
        EXPECT_EQ(root.pixel(left + 100, 120), kBackground) << left;
        EXPECT_EQ(root.pixel(left + 50, 89), kBackground) << left;
    }

    show(desktop, quadrants(QSize(100, 60)), WallpaperStyle::Tiled);
    root = screen.root();
    for (const int left : {0, 330}) {
        for (int y = 0; y < 240; y += 7) {
            for (int x = 0; x < (left ? 310 : 330); x += 3) {
                const bool right = x % 100 >= 50, bottom = y % 60 >= 30;
                const QRgb expected = right ? (bottom ? kYellow : kGreen) : (bottom ? kBlue : kRed);
                ASSERT_EQ(root.pixel(left + x, y), expected) << left + x << "," << y;
            }
        }
    }

    // A picture larger than a monitor is cut to it, equal parts on both sides, and never
    // spills over onto the other one.
    show(desktop, quadrants(QSize(400, 300)), WallpaperStyle::Centered);
    root = screen.root();
    EXPECT_EQ(root.pixel(0, 0), kRed);
    EXPECT_EQ(root.pixel(329, 0), kGreen);
    EXPECT_EQ(root.pixel(330, 0), kRed);
    EXPECT_EQ(root.pixel(639, 239), kYellow);
}

// The program fits the picture to the primary monitor; the desktop fits that to the other.
TEST(X11Monitors, TheProgramFitsThePictureToThePrimaryMonitor) {
    XvfbServer server(640, 240, 24);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    Screen screen(server);
    screen.setMonitors({QRect(0, 0, 330, 240), QRect(330, 0, 310, 240)});
    const QString picture = scratchFolder() + "q.bmp";
    ASSERT_TRUE(quadrants(QSize(100, 60)).save(picture, "BMP"));
    {
        RegistryStore store(RegistryStore::defaultPath());
        const QString key = "SOFTWARE\\Morvanti\\TESSEL\\";
        store.setValue(key + "GroupName", RegValue::text("Group0", "g"));
        store.setValue(key + "Files\\g", RegValue::text("File0000", picture));
        store.setValue(key + "Task", RegValue::text("Default", "0"));
        store.setValue(key + "Option", RegValue::text("FitScreen", "1"));
    }
    QProcessEnvironment env;
    env.insert("DISPLAY", server.display());
    env.insert("TESSELVANE_DESKTOP", "x11");
    env.insert("QT_QPA_PLATFORM", "xcb");
    const ProcessResult run = runBuiltProgram("tesselvane", {"-C"}, {}, 60000, env);
    ASSERT_EQ(run.exitCode, 0) << run.errText().toStdString();
    EXPECT_EQ(QImage(qEnvironmentVariable("XDG_DATA_HOME") + "/tesselvane/$tessel.bmp").size(),
              QSize(330, 240));
    const QImage root = screen.root();
    for (const int left : {0, 330}) {
        const int width = left ? 310 : 330;
        EXPECT_EQ(root.pixel(left + 3, 3), kRed) << left;
        EXPECT_EQ(root.pixel(left + width - 4, 3), kGreen) << left;
        EXPECT_EQ(root.pixel(left + 3, 236), kBlue) << left;
        EXPECT_EQ(root.pixel(left + width - 4, 236), kYellow) << left;
    }
}

TEST(X11Monitors, OneMonitorIsTheWholeRoot) {
    XvfbServer server(640, 240, 24);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    Screen screen(server);
    // RandR's own monitor of the one output: the picture is centred on the whole root.
    X11Desktop desktop;
    show(desktop, quadrants(QSize(100, 60)), WallpaperStyle::Centered);
    const QImage root = screen.root();
    EXPECT_EQ(root.pixel(275, 95), kRed);
    EXPECT_EQ(root.pixel(365, 145), kYellow);
    EXPECT_EQ(root.pixel(100, 120), kBackground);
    EXPECT_EQ(primaryMonitorSize(), QSize(640, 240));
    screen.setMonitors({QRect(320, 0, 320, 240), QRect(0, 0, 320, 240)});
    EXPECT_EQ(primaryMonitorSize(), QSize(320, 240));
}

TEST(X11Monitors, AFittedPictureIsFittedAgainToEachMonitorOfAnotherSize) {
    XvfbServer server(480, 240, 24);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    Screen screen(server);
    // The primary monitor on the right, 320 x 240; a narrow 160 x 240 one on the left.
    screen.setMonitors({QRect(160, 0, 320, 240), QRect(0, 0, 160, 240)});
    X11Desktop desktop;
    const QImage picture = quadrants(QSize(320, 240));  // fitted to the primary monitor
    for (const auto style : {WallpaperStyle::Centered, WallpaperStyle::Tiled}) {
        show(desktop, picture, style, {true, FitStyle::Stretch});
        QImage root = screen.root();
        EXPECT_EQ(root.pixel(165, 5), kRed);  // the primary one as it came
        EXPECT_EQ(root.pixel(475, 235), kYellow);
        EXPECT_EQ(root.pixel(5, 5), kRed);  // squeezed to 160 x 240
        EXPECT_EQ(root.pixel(75, 5), kRed);
        EXPECT_EQ(root.pixel(85, 5), kGreen);
        EXPECT_EQ(root.pixel(155, 235), kYellow);

        // The whole picture inside: 160 x 120, bars above and below.
        show(desktop, picture, style, {true, FitStyle::Inside});
        root = screen.root();
        EXPECT_EQ(root.pixel(80, 55), kBackground);
        EXPECT_EQ(root.pixel(5, 65), kRed);
        EXPECT_EQ(root.pixel(155, 175), kYellow);
        EXPECT_EQ(root.pixel(80, 185), kBackground);
        EXPECT_EQ(root.pixel(165, 5), kRed);

        // The monitor covered: 320 x 240, its middle half shown.
        show(desktop, picture, style, {true, FitStyle::Cover});
        root = screen.root();
        EXPECT_EQ(root.pixel(5, 5), kRed);
        EXPECT_EQ(root.pixel(75, 5), kRed);
        EXPECT_EQ(root.pixel(85, 5), kGreen);
        EXPECT_EQ(root.pixel(155, 235), kYellow);
    }
    // Not fitted: the picture as it is, centred on the narrow one too.
    show(desktop, picture, WallpaperStyle::Centered);
    const QImage root = screen.root();
    EXPECT_EQ(root.pixel(5, 5), kRed);  // its middle 160 columns
    EXPECT_EQ(root.pixel(75, 5), kRed);
    EXPECT_EQ(root.pixel(85, 5), kGreen);
}

// Widest run of equal pixels along any row of the root.
int widestRun(Screen& screen, int width, int height) {
    int widest = 0;
    for (int y = 0; y < height; ++y) {
        int run = 1;
        for (int x = 1; x < width; ++x) {
            run = screen.rawPixel(x, y) == screen.rawPixel(x - 1, y) ? run + 1 : 1;
            widest = std::max(widest, run);
        }
    }
    return widest;
}

TEST(X11Dither, OnASixteenBitScreenAGradientShowsNoBands) {
    XvfbServer server(1024, 16, 16);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    Screen screen(server);
    ASSERT_EQ(DefaultDepth(screen.display(), 0), 16);
    // Grey from black to white: undithered, each of red's and blue's 32 levels is a band 32
    // pixels wide.
    QImage gradient(1024, 16, QImage::Format_RGB888);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 1024; ++x)
            gradient.setPixel(x, y, qRgb(x / 4, x / 4, x / 4));
    }
    X11Desktop desktop;
    show(desktop, gradient, WallpaperStyle::Centered);
    const QImage root = screen.root();
    // The mean of each 8 x 8 pattern is the picture's, within a fraction of a 5-bit step.
    double worst = 0;
    for (int bx = 0; bx < 1024; bx += 8) {
        for (int by = 0; by < 16; by += 8) {
            double shown = 0, wanted = 0;
            for (int y = by; y < by + 8; ++y) {
                for (int x = bx; x < bx + 8; ++x) {
                    shown += qRed(root.pixel(x, y)) + qBlue(root.pixel(x, y));
                    wanted += 2 * qRed(gradient.pixel(x, y));
                }
            }
            worst = std::max(worst, std::abs(shown - wanted) / 128);
        }
    }
    EXPECT_LT(worst, 3.0);
    EXPECT_LE(widestRun(screen, 1024, 16), 16);
}

// A picture of 120 colours of its own, as the program hands one on an 8-bit screen; this X
// server has cells free for some 200, so two pictures' colours never fit at once.
QImage palettePicture(int seed) {
    QImage picture(200, 100, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 120; ++i)
        table.append(qRgb((i * 7 + seed * 50) % 256, (i * 13 + seed * 90) % 256,
                          (255 - i + seed * 30) % 256));
    picture.setColorTable(table);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x)
            picture.setPixel(x, y, static_cast<uint>((x + y * 3) % 120));
    }
    return picture;
}

TEST(X11Colormap, OnAnEightBitScreenEveryChangeShowsItsOwnColours) {
    XvfbServer server(200, 100, 8);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    Screen screen(server);
    X11Desktop desktop;
    for (int change = 0; change < 3; ++change) {
        const QImage picture = palettePicture(change);
        show(desktop, picture, WallpaperStyle::Tiled);
        const QImage root = screen.root();
        int wrong = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 200; ++x) {
                const QRgb a = root.pixel(x, y), b = picture.pixel(x, y);
                wrong += std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8 ||
                         std::abs(qBlue(a) - qBlue(b)) > 8;
            }
        }
        EXPECT_EQ(wrong, 0) << "change " << change;
    }
}

TEST(X11Layout, ANewLayoutRedrawsTheWallpaper) {
    XvfbServer server(640, 240, 24);
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    Screen screen(server);
    const QString file = qEnvironmentVariable("XDG_DATA_HOME") + "/shown.bmp";
    ASSERT_TRUE(quadrants(QSize(100, 60)).save(file, "BMP"));
    RegistryStore store(RegistryStore::defaultPath());
    store.setValue("Control Panel\\Colors", RegValue::text("Background", "10 20 30"));
    DesktopService service(store, std::make_unique<X11Desktop>());
    service.setWallpaper(file, false);
    EXPECT_EQ(screen.root().pixel(275, 95), kRed);  // centred on 640 x 240

    // The root shrinks to 320 x 240: its one output off, as a monitor going away does.
    Display* d = screen.display();
    const Window root = DefaultRootWindow(d);
    XRRScreenResources* resources = XRRGetScreenResources(d, root);
    ASSERT_TRUE(resources && resources->ncrtc > 0);
    XRRSetCrtcConfig(d, resources, resources->crtcs[0], CurrentTime, 0, 0, None, RR_Rotate_0,
                     nullptr, 0);
    XRRFreeScreenResources(resources);
    XRRSetScreenSize(d, root, 320, 240, 80, 60);
    XSync(d, False);

    // Centred again on 320 x 240.
    EXPECT_TRUE(waitUntil([&] { return screen.root().pixel(115, 95) == kRed; }));
    const QImage shown = screen.root();
    EXPECT_EQ(shown.pixel(115, 95), kRed);
    EXPECT_EQ(shown.pixel(205, 145), kYellow);
    EXPECT_EQ(shown.pixel(5, 5), kBackground);
}

}  // namespace
