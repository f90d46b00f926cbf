// The SDK's example extension plug-in does what its guide says: a frame in the colour of its
// setting, white without one, and nothing to a picture of a kind it does not know.

#include "BpiHarness.h"

#include <gtest/gtest.h>

namespace tesselvane::test {
namespace {

const Extension& frame() {
    return Extension::get("test-plugins/frame.bpi");
}

TEST(ExampleFrameTest, FramesThePictureInTheColourOfItsSetting) {
    ASSERT_EQ(frame().loadError, "");
    EXPECT_EQ(frame().info(0).substr(0, 1), "B");
    const struct {
        const char* colour;  // the setting; nullptr for none
        QRgb expected;
    } cases[] = {{nullptr, qRgb(255, 255, 255)},
                 {"255 0 0", qRgb(255, 0, 0)},
                 {"300 0 0", qRgb(255, 255, 255)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.colour ? c.colour : "unset");
        host::clearSettings();
        if (c.colour)
            host::setSetting(kHostKey, "Colour", c.colour);
        Dib dib = Dib::fromImage(uniformImage(37, 21));
        dib.execute(frame());
        const QImage shown = dib.toImage();
        ASSERT_EQ(shown.size(), QSize(37, 21));
        for (const QPoint at : {QPoint(0, 0), QPoint(36, 20), QPoint(7, 10), QPoint(29, 13)})
            EXPECT_EQ(shown.pixel(at), c.expected) << at.x() << "," << at.y();
        EXPECT_EQ(shown.pixel(8, 8), qRgb(128, 128, 128));
        EXPECT_EQ(shown.pixel(28, 12), qRgb(128, 128, 128));
    }
    Dib deep = Dib::fromImage(uniformImage(20, 20), 32);
    const std::vector<uint8_t> before = deep.bytes();
    deep.execute(frame());
    EXPECT_EQ(deep.bytes(), before);
}

}  // namespace
}  // namespace tesselvane::test
