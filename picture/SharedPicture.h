#pragma once

#include "picture/PluginMessages.h"
#include "platform/ScreenFit.h"

#include <QImage>
#include <QList>
#include <QRgb>

#include <cstddef>
#include <optional>

namespace tesselvane {

// A decoded picture handed from the plug-in helper to the program: the helper converts a
// decoder's blocks straight into a sealed memfd, laid out as the picture the program keeps,
// and the program takes that memory as its picture. One conversion, and no copy on either side.

// The helper's side: the picture of the blocks (as dibToImage makes it) in a shared block,
// described in `layout`. The block's descriptor, or -1 when memory is short. The pixel block
// may be given back to the system as it is read: it is for freeing afterwards, not reading.
int shareDecodedDib(const unsigned char* info, std::size_t infoSize, const unsigned char* pixels,
                    std::size_t pixelsSize, SharedPictureLayout& layout);

// The same for a picture that is going to be fitted to `screen` as `style` says: the picture
// comes out at the size it is drawn, in 32-bit pixels, resampled a band of rows at a time, so
// that it never exists whole at its decoded size beside the decoder's blocks. A picture that
// needs no resizing goes as shareDecodedDib sends it.
int shareFittedDib(const unsigned char* info, std::size_t infoSize, const unsigned char* pixels,
                   std::size_t pixelsSize, QSize screen, FitStyle style,
                   SharedPictureLayout& layout);

// The same for a picture that is not going to be fitted: only drawnPart of it, in 32-bit
// pixels, when monitors of at most `largest` show less than the whole.
int shareDrawnDib(const unsigned char* info, std::size_t infoSize, const unsigned char* pixels,
                  std::size_t pixelsSize, QSize largest, WallpaperStyle style,
                  SharedPictureLayout& layout);

// The program's side: the picture a layout describes over the block `fd` (taken over), with
// the palette its header asked for. A null image when the description does not fit the block
// or is not a picture this program makes.
QImage sharedPicture(const SharedPictureLayout& layout, int fd,
                     std::optional<QList<QRgb>>* palette);

}  // namespace tesselvane
