// What each desktop back end sends its desktop, against the form the desktop takes.

#include "platform/desktop/KdeDesktop.h"
#include "platform/desktop/LxqtDesktop.h"
#include "platform/desktop/SwayDesktop.h"
#include "platform/desktop/XfceDesktop.h"

#include <gtest/gtest.h>

using namespace tesselvane;

namespace {

TEST(KdeDesktopScript, SetsEveryDesktopsImageFillModeAndColour) {
    EXPECT_EQ(KdeDesktop::script("file:///d/wallpaper-1-1.bmp", WallpaperStyle::Centered,
                                 QColor(0, 128, 255)),
              "var all = desktops();\n"
              "for (var i = 0; i < all.length; ++i) {\n"
              "    var d = all[i];\n"
              "    d.wallpaperPlugin = \"org.kde.image\";\n"
              "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
              "    d.writeConfig(\"Image\", \"file:///d/wallpaper-1-1.bmp\");\n"
              "    d.writeConfig(\"FillMode\", 6);\n"
              "    d.writeConfig(\"Color\", \"#0080ff\");\n"
              "}\n");
    EXPECT_NE(KdeDesktop::script("file:///w.bmp", WallpaperStyle::Tiled, Qt::black)
                  .indexOf("d.writeConfig(\"FillMode\", 3);\n"),
              -1);
}

TEST(KdeDesktopScript, NoPictureShowsTheColourAndNamesAreQuoted) {
    EXPECT_EQ(KdeDesktop::script({}, WallpaperStyle::Tiled, QColor(1, 2, 3)),
              "var all = desktops();\n"
              "for (var i = 0; i < all.length; ++i) {\n"
              "    var d = all[i];\n"
              "    d.wallpaperPlugin = \"org.kde.color\";\n"
              "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.color\", \"General\"];\n"
              "    d.writeConfig(\"Color\", \"#010203\");\n"
              "}\n");
    // A name cannot end the string early or start a new statement.
    const QString script = KdeDesktop::script(QString::fromUtf8("file:///a\"b\\c\nd\u2028壁"),
                                              WallpaperStyle::Centered, Qt::black);
    EXPECT_NE(script.indexOf(QString::fromUtf8("\"file:///a\\\"b\\\\c\\u000ad\\u2028壁\"")), -1)
        << script.toStdString();
}

const QVariantList kBlue{0.0, 0.0, 1.0, 1.0};

TEST(XfceDesktopValues, EveryExistingBackdropAndEachMonitorWithoutOneWithItsOwnFile) {
    const QStringList existing{
        "/backdrop/screen0/monitorHDMI-1/workspace1/last-image",
        "/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
        "/backdrop/screen0/monitorHDMI-1/workspace0/image-style",
        "/backdrop/screen0/monitorHDMI-1/workspace0",  // not a backdrop's property
        "/backdrop/screen0/monitorHDMI-1/last-image",  // no workspace
        "/backdrop/single-workspace-mode",             // another setting
        "/backdrop/screen0/monitor" + QString(600, u'x') + "/workspace0/last-image",  // too long
    };
    const QList<XfconfValue> expected{
        {"/backdrop/screen0/monitorDP-2/workspace0/last-image", "/d/w-1.bmp"},
        {"/backdrop/screen0/monitorDP-2/workspace0/image-style", 2},
        {"/backdrop/screen0/monitorDP-2/workspace0/color-style", 0},
        {"/backdrop/screen0/monitorDP-2/workspace0/rgba1", kBlue},
        {"/backdrop/screen0/monitorHDMI-1/workspace0/last-image", "/d/w.bmp"},
        {"/backdrop/screen0/monitorHDMI-1/workspace0/image-style", 2},
        {"/backdrop/screen0/monitorHDMI-1/workspace0/color-style", 0},
        {"/backdrop/screen0/monitorHDMI-1/workspace0/rgba1", kBlue},
        {"/backdrop/screen0/monitorHDMI-1/workspace1/last-image", "/d/w.bmp"},
        {"/backdrop/screen0/monitorHDMI-1/workspace1/image-style", 2},
        {"/backdrop/screen0/monitorHDMI-1/workspace1/color-style", 0},
        {"/backdrop/screen0/monitorHDMI-1/workspace1/rgba1", kBlue},
    };
    EXPECT_EQ(
        XfceDesktop::backdropValues(existing, {"HDMI-1", "DP-2"}, "/d/w.bmp", WallpaperStyle::Tiled,
                                    Qt::blue, {{"DP-2", "/d/w-1.bmp"}}),
        expected);
}

TEST(XfceDesktopValues, WithoutBackdropsEachMonitorsFirstWorkspace) {
    const QList<XfconfValue> expected{
        {"/backdrop/screen0/monitorDP-2/workspace0/last-image", "/d/w.bmp"},
        {"/backdrop/screen0/monitorDP-2/workspace0/image-style", 1},
        {"/backdrop/screen0/monitorDP-2/workspace0/color-style", 0},
        {"/backdrop/screen0/monitorDP-2/workspace0/rgba1", kBlue},
        {"/backdrop/screen0/monitoreDP-1/workspace0/last-image", "/d/w.bmp"},
        {"/backdrop/screen0/monitoreDP-1/workspace0/image-style", 1},
        {"/backdrop/screen0/monitoreDP-1/workspace0/color-style", 0},
        {"/backdrop/screen0/monitoreDP-1/workspace0/rgba1", kBlue},
    };
    EXPECT_EQ(XfceDesktop::backdropValues({"/backdrop/single-workspace-mode"},
                                          {"eDP-1", "DP-2", "a/b", ""}, "/d/w.bmp",
                                          WallpaperStyle::Centered, Qt::blue),
              expected);
    // No picture: no image, only the colour; and no monitor known at all.
    const QList<XfconfValue> none{
        {"/backdrop/screen0/monitor0/workspace0/image-style", 0},
        {"/backdrop/screen0/monitor0/workspace0/color-style", 0},
        {"/backdrop/screen0/monitor0/workspace0/rgba1", kBlue},
    };
    EXPECT_EQ(XfceDesktop::backdropValues({}, {}, {}, WallpaperStyle::Tiled, Qt::blue), none);
}

TEST(LxqtDesktopArguments, CentredOrTiled) {
    EXPECT_EQ(LxqtDesktop::arguments("/d/w.bmp", WallpaperStyle::Centered),
              QStringList({"--set-wallpaper", "/d/w.bmp", "--wallpaper-mode", "center"}));
    EXPECT_EQ(LxqtDesktop::arguments("/d/w.bmp", WallpaperStyle::Tiled),
              QStringList({"--set-wallpaper", "/d/w.bmp", "--wallpaper-mode", "tile"}));
}

TEST(SwayDesktopIpc, CommandsAndTheirMessage) {
    EXPECT_EQ(
        SwayDesktop::command("/d/wallpaper-1-2.bmp", WallpaperStyle::Centered, QColor(0, 128, 255)),
        "output * bg /d/wallpaper-1-2.bmp center #0080ff");
    EXPECT_EQ(SwayDesktop::command("/d/w.bmp", WallpaperStyle::Tiled, Qt::black),
              "output * bg /d/w.bmp tile #000000");
    EXPECT_EQ(SwayDesktop::command({}, WallpaperStyle::Tiled, QColor(1, 2, 3)),
              "output * bg #010203 solid_color");
    // The compositor would split these, or expand them as a shell does.
    for (const char* path : {"/a b/w.bmp", "/$HOME/w.bmp", "/a\"/w.bmp", "/a'/w.bmp", "/a;/w.bmp",
                             "/a,b\\/w.bmp", "/a/`w`.bmp"}) {
        EXPECT_THROW(SwayDesktop::command(path, WallpaperStyle::Tiled, Qt::black), DesktopError)
            << path;
    }
    EXPECT_EQ(SwayDesktop::message("output * bg #010203 solid_color"),
              QByteArray("i3-ipc\x1f\0\0\0\0\0\0\0output * bg #010203 solid_color", 6 + 8 + 31));
}

QByteArray reply(const QByteArray& json, quint32 type = 0, qsizetype length = -1) {
    QByteArray bytes = "i3-ipc";
    const quint32 size = length < 0 ? quint32(json.size()) : quint32(length);
    for (const quint32 word : {size, type}) {
        for (int i = 0; i < 4; ++i)
            bytes.append(char((word >> (8 * i)) & 0xff));
    }
    return bytes + json;
}

TEST(SwayDesktopIpc, RepliesAreCheckedWholeAndEverySuccessCounts) {
    EXPECT_EQ(SwayDesktop::replySize("i3-ipc\x05\0\0"), 0);
    EXPECT_EQ(SwayDesktop::replySize(reply("[]", 0, 300)), 314);
    EXPECT_NO_THROW(SwayDesktop::checkReply(reply(R"([{"success":true}])")));
    EXPECT_NO_THROW(SwayDesktop::checkReply(reply(R"([{"success":true},{"success":true}])")));

    try {
        SwayDesktop::checkReply(
            reply(R"([{"success":true},{"success":false,"error":"Invalid output"}])"));
        ADD_FAILURE() << "a failed command passed";
    } catch (const DesktopError& e) {
        EXPECT_NE(e.message().indexOf("Invalid output"), -1) << e.message().toStdString();
    }
    for (const QByteArray& bad : {
             reply(R"([{"success":true}])").chopped(1),      // cut short
             reply(R"({"success":true})"),                   // not a list
             reply("[]"),                                    // no result
             reply(R"([{"succ":true}])"),                    // no success field
             reply(R"([{"success":"true"}])"),               // not a boolean
             reply(R"([{"success":true}])", 1),              // not RUN_COMMAND's reply
             reply(R"([{"success":true}])", 0, 0xffffffff),  // a length beyond reason
             QByteArray("i3-ipX") + reply("[]").mid(6),      // not the IPC
             reply("[{\"success\":true}").append('\0'),      // not JSON
         }) {
        EXPECT_THROW(SwayDesktop::checkReply(bad), DesktopError) << bad.toStdString();
    }
}

TEST(SwayDesktopIpc, OutputsAreTheActiveOnesFocusedFirstOrNoneWhenOneCannotBeNamed) {
    const auto outputs = [](const QByteArray& json) {
        return SwayDesktop::outputs(reply(json, SwayDesktop::GetOutputs));
    };
    const QByteArray two = R"([
        {"name":"DP-1","active":true,"rect":{"x":0,"y":0,"width":1920,"height":1080}},
        {"name":"HDMI-A-1","active":false,"rect":{"x":0,"y":0,"width":0,"height":0}},
        {"name":"eDP-1","focused":true,"rect":{"x":-1280,"y":0,"width":1280,"height":800}}])";
    EXPECT_EQ(outputs(two), (std::vector<SwayDesktop::Output>{{"eDP-1", QRect(-1280, 0, 1280, 800)},
                                                              {"DP-1", QRect(0, 0, 1920, 1080)}}));
    EXPECT_EQ(SwayDesktop::command("/d/w.bmp", WallpaperStyle::Tiled, Qt::black, "eDP-1"),
              "output eDP-1 bg /d/w.bmp tile #000000");
    for (const QByteArray& unnamed : {
             QByteArray(R"([{"name":"a b","rect":{"x":0,"y":0,"width":9,"height":9}}])"),
             QByteArray(R"([{"name":"*","rect":{"x":0,"y":0,"width":9,"height":9}}])"),
             QByteArray(R"([{"name":"A","rect":{"x":0,"y":0,"width":0,"height":9}}])"),
             QByteArray(R"([{"name":"A","rect":{"x":0,"y":0,"width":9,"height":1e9}}])"),
             QByteArray(R"([{"name":"A","rect":{"x":0,"width":9,"height":9}}])"),
         }) {
        EXPECT_TRUE(outputs(unnamed).empty()) << unnamed.toStdString();
    }
    EXPECT_THROW(SwayDesktop::outputs(reply("[]")), DesktopError);  // RUN_COMMAND's reply
    EXPECT_THROW(outputs("{}"), DesktopError);
}

TEST(KdeDesktopScript, EachScreenFoundByItsPlaceGetsItsOwnPicture) {
    const QString script = KdeDesktop::script(
        "file:///a.bmp", WallpaperStyle::Centered, Qt::black,
        {{QRect(0, 0, 800, 600), "file:///a.bmp"}, {QRect(800, 0, 600, 800), "file:///b\"c.bmp"}});
    EXPECT_TRUE(
        script.startsWith("var all = desktops();\n"
                          "var screens = [\n"
                          "    [0, 0, 800, 600, \"file:///a.bmp\"],\n"
                          "    [800, 0, 600, 800, \"file:///b\\\"c.bmp\"],\n"
                          "];\n"))
        << script.toStdString();
    EXPECT_NE(script.indexOf("    var g = screenGeometry(d.screen);\n"), -1);
    EXPECT_NE(script.indexOf("    d.writeConfig(\"Image\", image);\n"), -1);
    EXPECT_EQ(script.indexOf("d.writeConfig(\"Image\", \"file:"), -1);
}

}  // namespace
