#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace tesselvane {

// Full paths of the pictures of the main window's current group.
extern QStringList PictureList;
// Position of the current picture in PictureList; -1 when there is none.
extern std::int32_t PictureIndex;
// The picture the scheduler chose last; empty when there is none.
extern QString CurrentFile;
// Timer ticks counted toward the next change in interval mode; kept across runs.
extern std::int32_t TimerCount;

}  // namespace tesselvane
