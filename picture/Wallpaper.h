#pragma once

#include "picture/TBitmap.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace tesselvane {

// The rendered wallpaper: $XDG_DATA_HOME/tesselvane/$tessel.bmp.
QString WallpaperFile();

// The X11 window the extension plug-ins get as their parent; 0 while there is none.
extern std::uintptr_t applicationWindow;

// Makes a picture file the wallpaper: the sound at the start, the picture loaded through the
// shared host, made 24-bit, stretched to the screen when FitScreen is set, handed through the
// extension plug-ins, reduced to 236 colours on screens of 8 bits or fewer, written to
// WallpaperFile (a new file renamed over the old one), given to the desktop, the sound at the
// end. A missing or unreadable file gives no wallpaper ("(なし)"). A damaged picture, a file
// that cannot be written or a desktop that refuses raise their error before anything changed.
void ChangeWallpaper(const QString& fileName);

// The same with each monitor its own picture: `fileNames` for the monitors in
// monitorPictureOrder (the primary first), each fitted or cut to its own monitor and passed
// through the extension plug-ins on its own; WallpaperFile holds the whole layout composed.
// With one file, or one monitor, as ChangeWallpaper of the first.
void changeWallpapers(const QStringList& fileNames);

// How many pictures a change takes: one, or with Option\MonitorPictures one per monitor.
int picturesPerChange();

// Makes a picture the primary monitor's size, smoothly, as FitStyle says: stretched whatever its
// shape, the whole picture on bars of the desktop's colour, or the screen covered and the
// overflow cut equally on both sides.
void StretchToScreen(QImage& bitmap);

// Scales a picture smoothly to the largest size that fits `size` with its shape kept (a box
// side of 0 scales by the other side alone); a result without area is an empty picture.
void FitBitmap(QImage& bitmap, QSize size);

// Loads a picture for a preview: through the shared host, reduced on 8-bit screens.
void LoadPreviewPicture(TBitmap& graphic, const QString& fileName);

}  // namespace tesselvane
