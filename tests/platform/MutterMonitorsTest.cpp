#include "platform/desktop/MutterMonitors.h"

#include <glib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tesselvane;

namespace {

// A display state of monitors "connector:WIDTHxHEIGHT" and logical monitors
// "(x, y, scale, transform, primary, connector)", in the layout mode given.
std::vector<QRect> monitorsOf(const std::string& modes, const std::string& logical, int layout) {
    const std::string text = "(uint32 1, [" + modes + "], [" + logical +
                             "], {'layout-mode': <uint32 " + std::to_string(layout) + ">})";
    GVariant* state = g_variant_ref_sink(g_variant_parse(G_VARIANT_TYPE(kDisplayStateType),
                                                         text.c_str(), nullptr, nullptr, nullptr));
    EXPECT_NE(state, nullptr) << text;
    std::vector<QRect> monitors = monitorsOfDisplayState(state);
    if (state)
        g_variant_unref(state);
    return monitors;
}

std::string monitor(const char* connector, int width, int height) {
    return "(('" + std::string(connector) + "', 'v', 'p', 's'), [('m', " + std::to_string(width) +
           ", " + std::to_string(height) +
           ", 60.0, 1.0, [1.0], {'is-current': <true>})], @a{sv} {})";
}

std::string logical(int x, int y, double scale, int transform, bool primary,
                    const char* connector) {
    return "(" + std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(scale) +
           ", uint32 " + std::to_string(transform) + ", " + (primary ? "true" : "false") + ", [('" +
           connector + "', 'v', 'p', 's')], @a{sv} {})";
}

TEST(MutterMonitors, TheLayoutAsTheCompositorPlacesItThePrimaryFirst) {
    const std::string two = monitor("A", 1920, 1080) + ", " + monitor("B", 1280, 1024);
    // Listed second, the primary comes first.
    EXPECT_EQ(
        monitorsOf(two, logical(0, 0, 1, 0, false, "A") + ", " + logical(1920, 0, 1, 0, true, "B"),
                   2),
        (std::vector<QRect>{{1920, 0, 1280, 1024}, {0, 0, 1920, 1080}}));
    // Scaled in a logical layout; a quarter turn stands the monitor on its side.
    EXPECT_EQ(
        monitorsOf(two, logical(0, 0, 2, 0, true, "A") + ", " + logical(960, 0, 1, 1, false, "B"),
                   1),
        (std::vector<QRect>{{0, 0, 960, 540}, {960, 0, 1024, 1280}}));
    // In a physical layout the scale does not shrink the monitor.
    EXPECT_EQ(monitorsOf(two, logical(0, 0, 2, 0, true, "A"), 2),
              (std::vector<QRect>{{0, 0, 1920, 1080}}));
}

TEST(MutterMonitors, AnAnswerOutOfBoundsIsNoLayout) {
    const std::string one = monitor("A", 1920, 1080);
    for (const std::string& bad : {
             logical(0, 0, 1, 0, true, "Z"),        // a monitor it does not list
             logical(0, 0, 0, 0, true, "A"),        // no scale
             logical(1 << 20, 0, 1, 0, true, "A"),  // far off any desk
         }) {
        EXPECT_TRUE(monitorsOf(one, bad, 2).empty()) << bad;
    }
    EXPECT_TRUE(monitorsOf(monitor("A", 0, 1080), logical(0, 0, 1, 0, true, "A"), 2).empty());
    EXPECT_TRUE(monitorsOf(monitor("A", 100000, 10), logical(0, 0, 1, 0, true, "A"), 2).empty());
    EXPECT_TRUE(monitorsOf(one, "", 2).empty());
    EXPECT_TRUE(monitorsOfDisplayState(nullptr).empty());
}

}  // namespace
