#include "settings/PictureGlobals.h"

namespace tesselvane {

QStringList PictureList;
std::int32_t PictureIndex = -1;
QString CurrentFile;
std::int32_t TimerCount = 0;

}  // namespace tesselvane
