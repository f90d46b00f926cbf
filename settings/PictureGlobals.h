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

}  // namespace tesselvane
