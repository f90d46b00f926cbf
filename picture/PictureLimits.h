#pragma once

#include <QtGlobal>

namespace tesselvane {

// The largest picture the program reads: 2^28 pixels (16384 x 16384), 1 GiB at 32 bits.
constexpr qint64 kMaxPicturePixels = qint64{1} << 28;

}  // namespace tesselvane
