#include "StoreFixture.h"
#include "settings/WindowPlacement.h"

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

class WindowPlacementTest : public StoreTest {};

TEST_F(WindowPlacementTest, FirstTimeTopLeftThenWhereItWasLeft) {
    EXPECT_EQ(readWindowPosition(*ini_, "GroupSet"), QPoint(0, 0));
    writeWindowPosition(*ini_, "GroupSet", QPoint(120, -30));
    EXPECT_EQ(readWindowPosition(*ini_, "GroupSet"), QPoint(120, -30));
    // Each window has its own section.
    EXPECT_EQ(readWindowPosition(*ini_, "Group"), QPoint(0, 0));
    EXPECT_EQ(ini_->ReadString("GroupSet", "Left", ""), "120");
    EXPECT_EQ(ini_->ReadString("GroupSet", "Top", ""), "-30");
}

TEST_F(WindowPlacementTest, ThePreviewWindowAlsoKeepsItsSize) {
    EXPECT_EQ(readWindowGeometry(*ini_, "Preview", QSize(128, 128)), QRect(0, 0, 128, 128));
    writeWindowGeometry(*ini_, "Preview", QRect(10, 20, 300, 200));
    EXPECT_EQ(readWindowGeometry(*ini_, "Preview", QSize(128, 128)), QRect(10, 20, 300, 200));
}

}  // namespace
