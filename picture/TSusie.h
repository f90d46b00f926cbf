#pragma once

#include "picture/TBitmap.h"
#include "platform/ScreenFit.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tesselvane {

// The image host: turns a picture file of any readable format into one bitmap. BMP files
// and .jpg files are read by the built-in readers, everything else by the decoder plug-ins
// (*.spi) of the plug-in folder, offered each file in the order of the folder's listing.
class TSusie : public QObject {
public:
    // `screenDepth` gives the screen's bits per pixel; it is asked only when DeColor is set.
    explicit TSusie(QObject* owner = nullptr, std::function<int()> screenDepth = {});
    ~TSusie() override;

    // The open-dialog filter of every readable type:
    // "All Pictures|*.BMP;*.JPG;<plug-in patterns>|BMP|*.BMP|JPEG|*.JPG|<description>|<pattern>..."
    const QString& Filter() const;

    // The plug-in folder, ending in "/" unless empty. Setting it unloads every plug-in; the
    // folder (the program folder when empty) is scanned again when plug-ins are next needed.
    const QString& PluginPath() const { return pluginPath_; }
    void setPluginPath(const QString& path);

    // The result of the last LoadPicture; empty when the file could not be read.
    const TBitmap& Bitmap() const { return bitmap_; }
    // Hands the result over and leaves Bitmap empty: a caller that keeps its own copy anyway
    // (the wallpaper renderer) spares the host holding a second one for the whole run.
    TBitmap takeBitmap() { return std::exchange(bitmap_, TBitmap()); }

    // Read .jpg files with the built-in decoder rather than the plug-ins.
    bool InJpeg = true;
    // Reduce every loaded picture to 236 colours when the screen has 8 bits per pixel or fewer.
    bool DeColor = false;
    // When valid, the size the picture is going to be stretched to: a JPEG read by the
    // built-in decoder comes back already stretched to it (as RGB32), which is far cheaper.
    QSize jpegSizeHint;
    // A JPEG read by the built-in decoder comes as RGB32, the screen's own pixels, instead of
    // RGB888: for the wallpaper, which goes to the screen as it is.
    bool wideJpeg = false;
    // When not empty, the screen a picture read by a decoder plug-in is going to be fitted to,
    // as `pluginFitStyle` says: it comes back fitted (as RGB32), done in the helper, so that
    // only the pixels drawn cross to the program.
    QSize pluginFitScreen;
    FitStyle pluginFitStyle = FitStyle::Stretch;
    // Else, when not empty, the largest monitor a picture is going to be placed on unfitted, as
    // `placement` says: a BMP, or a picture read by a decoder plug-in (as RGB32), comes back
    // cut to the part the monitors show (drawnPart), and only that part is ever whole.
    QSize largestMonitor;
    WallpaperStyle placement = WallpaperStyle::Centered;

    // Loads a picture into Bitmap. A missing file, or one that no reader accepts, leaves
    // Bitmap empty; a damaged BMP or JPEG raises PictureError.
    void LoadPicture(const QString& fileName);

    // Whether LoadPicture, as the host is set now, reads `fileName` with a built-in reader
    // alone (BMP, or .jpg while InJpeg is set; never while DeColor or jpegSizeHint asks for
    // more): readBuiltIn then gives the same picture on any thread.
    bool readsBuiltIn(const QString& fileName) const;
    // The picture LoadPicture leaves in Bitmap for such a file, without touching any host;
    // with `jpegSizeHint` given, what it leaves with that hint set (no DIB twin is kept).
    // Raises PictureError for a damaged file, as LoadPicture does.
    static QImage readBuiltIn(const QString& fileName, QSize jpegSizeHint = QSize());

    // The plug-ins in the order they are asked, by file name.
    QStringList pluginFiles() const;

private:
    struct Plugin;

    void ScanPlugins();
    void scanIfNeeded() const;
    void UnloadPlugins();
    // Leaves a plug-in that hung out of this host, and of every scan for the rest of the run.
    void leaveOut(const QString& file);
    void loadWithPlugins(const QString& fileName, bool reduce);
    // drawnPart for the picture sizes it is given, as the host is set; none when not cutting.
    std::function<QRect(QSize)> drawnPartOf(bool reduce) const;

    std::function<int()> screenDepth_;
    QString filter_;
    QString pluginPath_;
    TBitmap bitmap_;
    std::vector<std::unique_ptr<Plugin>> plugins_;
    bool scanned_ = false;
};

}  // namespace tesselvane
