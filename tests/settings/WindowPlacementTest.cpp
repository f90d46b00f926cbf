#include "StoreFixture.h"
#include "WindowPlacement.h"

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

class WindowPlacementTest : public StoreTest {};

TEST_F(WindowPlacementTest, FirstTimeTopLeftThenWhereItWasLeft) {
    EXPECT_EQ(ReadWindowPosition(*ini, "GroupSet"), QPoint(0, 0));
    WriteWindowPosition(*ini, "GroupSet", QPoint(120, -30));
    EXPECT_EQ(ReadWindowPosition(*ini, "GroupSet"), QPoint(120, -30));
    // Each window has its own section.
    EXPECT_EQ(ReadWindowPosition(*ini, "Group"), QPoint(0, 0));
    EXPECT_EQ(ini->ReadString("GroupSet", "Left", ""), "120");
    EXPECT_EQ(ini->ReadString("GroupSet", "Top", ""), "-30");
}

TEST_F(WindowPlacementTest, ThePreviewWindowAlsoKeepsItsSize) {
    EXPECT_EQ(ReadWindowGeometry(*ini, "Preview", QSize(128, 128)), QRect(0, 0, 128, 128));
    WriteWindowGeometry(*ini, "Preview", QRect(10, 20, 300, 200));
    EXPECT_EQ(ReadWindowGeometry(*ini, "Preview", QSize(128, 128)), QRect(10, 20, 300, 200));
}

}  // namespace
