#include "RecordingDesktop.h"
#include "TestFolders.h"
#include "platform/DesktopService.h"
#include "platform/RegistryStore.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

class DesktopServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_unique<RegistryStore>(RegistryStore::defaultPath());
        service_ =
            std::make_unique<DesktopService>(*store_, std::make_unique<RecordingDesktop>(calls_));
    }
    void tile(const QString& value) {
        store_->setValue("Control Panel\\Desktop", RegValue::text("TileWallpaper", value));
    }

    std::shared_ptr<QList<RecordingDesktop::Call>> calls_ =
        std::make_shared<QList<RecordingDesktop::Call>>();
    std::unique_ptr<RegistryStore> store_;
    std::unique_ptr<DesktopService> service_;
};

TEST_F(DesktopServiceTest, TheArrangementComesFromTileWallpaper) {
    service_->setWallpaper("/w.bmp", false);  // absent: centred, as on Windows
    tile("1");
    service_->setWallpaper("/w.bmp", false);
    tile("0");
    service_->setWallpaper("/w.bmp", false);
    tile("2");
    service_->setWallpaper("/w.bmp", false);
    ASSERT_EQ(calls_->size(), 4);
    EXPECT_EQ(calls_->at(0).style, WallpaperStyle::Centered);
    EXPECT_EQ(calls_->at(1).style, WallpaperStyle::Tiled);
    EXPECT_EQ(calls_->at(2).style, WallpaperStyle::Centered);
    EXPECT_EQ(calls_->at(3).style, WallpaperStyle::Centered);
}

TEST_F(DesktopServiceTest, NoneMeansNoPictureAndUpdateIniFileRemembersTheName) {
    service_->setWallpaper("(なし)", true);
    service_->setWallpaper("", false);
    EXPECT_EQ(calls_->at(0).file, "");
    EXPECT_EQ(calls_->at(1).file, "");
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "Wallpaper")->toText(), "(なし)");
    service_->setWallpaper("/pictures/w.bmp", true);
    EXPECT_TRUE(calls_->at(2).persist);
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "Wallpaper")->toText(), "/pictures/w.bmp");
    service_->setWallpaper("/pictures/other.bmp", false);
    EXPECT_FALSE(calls_->at(3).persist);
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "Wallpaper")->toText(), "/pictures/w.bmp");
}

TEST_F(DesktopServiceTest, TheDesktopColourComesFromControlPanelColors) {
    service_->setWallpaper("/w.bmp", false);
    for (const char* text : {"0 128 255", " 10  20 30 ", "1 2", "300 0 0", "a b c"}) {
        store_->setValue("Control Panel\\Colors",
                         RegValue::text("Background", QString::fromLatin1(text)));
        service_->setWallpaper("/w.bmp", false);
    }
    EXPECT_EQ(calls_->at(0).background, QColor(Qt::black));
    EXPECT_EQ(calls_->at(1).background, QColor(0, 128, 255));
    EXPECT_EQ(calls_->at(2).background, QColor(10, 20, 30));
    for (int i = 3; i < 6; ++i)
        EXPECT_EQ(calls_->at(i).background, QColor(Qt::black));
}

TEST_F(DesktopServiceTest, TheBackEndLearnsHowThePictureWasFitted) {
    service_->setWallpaper("/w.bmp", false);  // nothing said: not fitted
    service_->setFit({true, FitStyle::Cover});
    service_->setWallpaper("/w.bmp", false);
    service_->redisplay();  // a new layout: fitted as before
    service_->setFit({false, FitStyle::Cover});
    service_->setWallpaper("/w.bmp", false);
    ASSERT_EQ(calls_->size(), 4);
    EXPECT_FALSE(calls_->at(0).fit.fitScreen);
    EXPECT_TRUE(calls_->at(1).fit.fitScreen);
    EXPECT_EQ(calls_->at(1).fit.style, FitStyle::Cover);
    EXPECT_TRUE(calls_->at(2).fit.fitScreen);
    EXPECT_FALSE(calls_->at(3).fit.fitScreen);
}

TEST(DesktopServiceLayout, ANewMonitorLayoutShowsTheLastWallpaperAgain) {
    RegistryStore store(RegistryStore::defaultPath());
    auto calls = std::make_shared<QList<RecordingDesktop::Call>>();
    auto owned = std::make_unique<RecordingDesktop>(calls);
    RecordingDesktop& desktop = *owned;
    DesktopService service(store, std::move(owned));
    service.redisplay();  // nothing shown yet: nothing to show again
    EXPECT_TRUE(calls->isEmpty());

    service.setWallpaper("/pictures/a.bmp", true);
    ASSERT_TRUE(desktop.layoutChanged);
    store.setValue("Control Panel\\Desktop", RegValue::text("TileWallpaper", "1"));
    desktop.layoutChanged();
    ASSERT_EQ(calls->size(), 2);
    EXPECT_EQ(calls->at(1).file, "/pictures/a.bmp");
    EXPECT_EQ(calls->at(1).style, WallpaperStyle::Tiled);
    EXPECT_FALSE(calls->at(1).persist);

    // A change that failed leaves the last one shown as the one to show again.
    desktop.failWith = "gone";
    EXPECT_THROW(service.setWallpaper("/pictures/b.bmp", true), DesktopError);
    desktop.failWith.reset();
    desktop.layoutChanged();
    EXPECT_EQ(calls->back().file, "/pictures/a.bmp");

    service.setWallpaper(DesktopService::kNone, false);
    const qsizetype before = calls->size();
    desktop.layoutChanged();
    EXPECT_EQ(calls->size(), before);
}

TEST(DesktopBackendChoice, FollowsTheSessionOrTheOverride) {
    const auto choose = [](const char* forced, const char* desktop, const char* display) {
        forced ? ::setenv("TESSELVANE_DESKTOP", forced, 1) : ::unsetenv("TESSELVANE_DESKTOP");
        desktop ? ::setenv("XDG_CURRENT_DESKTOP", desktop, 1) : ::unsetenv("XDG_CURRENT_DESKTOP");
        display ? ::setenv("DISPLAY", display, 1) : ::unsetenv("DISPLAY");
        try {
            return createDesktopBackend()->name();
        } catch (const DesktopError& e) {
            return QStringLiteral("error: ") + e.message();
        }
    };
    const QByteArray savedDisplay = qgetenv("DISPLAY");
    const QByteArray savedDesktop = qgetenv("XDG_CURRENT_DESKTOP");
    const QByteArray savedSwaySocket = qgetenv("SWAYSOCK");
    ::unsetenv("SWAYSOCK");
    EXPECT_EQ(choose(nullptr, "ubuntu:GNOME", ":0"), "gnome");
    EXPECT_EQ(choose(nullptr, "Budgie:GNOME", nullptr), "gnome");
    EXPECT_EQ(choose(nullptr, "X-Cinnamon", ":0"), "cinnamon");
    EXPECT_EQ(choose(nullptr, "MATE", ":0"), "mate");
    EXPECT_EQ(choose(nullptr, nullptr, ":0"), "x11");
    EXPECT_EQ(choose(nullptr, "i3", ":1"), "x11");
    EXPECT_EQ(choose("x11", "GNOME", ":0"), "x11");
    EXPECT_EQ(choose("GNOME", nullptr, nullptr), "gnome");
    EXPECT_EQ(choose(nullptr, "KDE", ":0"), "kde");
    EXPECT_EQ(choose(nullptr, "XFCE", ":0"), "xfce");
    EXPECT_EQ(choose(nullptr, "LXQt", ":0"), "lxqt");
    EXPECT_EQ(choose(nullptr, "sway", nullptr), "sway");
    EXPECT_EQ(choose("KDE", "XFCE", ":0"), "kde");
    EXPECT_EQ(choose("xfce", nullptr, nullptr), "xfce");
    EXPECT_EQ(choose("lxqt", nullptr, nullptr), "lxqt");
    EXPECT_EQ(choose("sway", "GNOME", ":0"), "sway");
    EXPECT_TRUE(choose(nullptr, "Hyprland", nullptr).startsWith("error: "));
    const QString unknown = choose("plasma", nullptr, ":0");
    EXPECT_TRUE(unknown.contains("plasma"));
    EXPECT_TRUE(unknown.contains("kde, xfce, lxqt, sway")) << unknown.toStdString();
    // A compositor that speaks sway's IPC, whatever it calls itself; its X server is for X
    // clients only.
    ::setenv("SWAYSOCK", "/run/user/1000/sway-ipc.sock", 1);
    EXPECT_EQ(choose(nullptr, "Wayfire", ":0"), "sway");
    EXPECT_EQ(choose(nullptr, "XFCE", ":0"), "xfce");
    savedSwaySocket.isNull() ? ::unsetenv("SWAYSOCK")
                             : ::setenv("SWAYSOCK", savedSwaySocket.constData(), 1);
    ::unsetenv("TESSELVANE_DESKTOP");
    savedDisplay.isNull() ? ::unsetenv("DISPLAY")
                          : ::setenv("DISPLAY", savedDisplay.constData(), 1);
    savedDesktop.isNull() ? ::unsetenv("XDG_CURRENT_DESKTOP")
                          : ::setenv("XDG_CURRENT_DESKTOP", savedDesktop.constData(), 1);
}

}  // namespace

namespace {

TEST_F(DesktopServiceTest, APreparedWallpaperChangesNothingUntilShown) {
    {
        auto prepared = service_->prepareWallpaper("/w.bmp", true);
        EXPECT_TRUE(calls_->isEmpty());
    }
    EXPECT_TRUE(calls_->isEmpty());
    EXPECT_FALSE(store_->value("Control Panel\\Desktop", "Wallpaper"));
    auto prepared = service_->prepareWallpaper("/w.bmp", true);
    prepared->show();
    EXPECT_EQ(calls_->size(), 1);
    EXPECT_EQ(store_->value("Control Panel\\Desktop", "Wallpaper")->toText(), "/w.bmp");
}

}  // namespace
