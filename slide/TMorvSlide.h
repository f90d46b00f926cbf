#pragma once

#include "picture/TSusie.h"

#include <QImage>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStringList>

#include <functional>
#include <memory>
#include <random>

class QTimer;
class QWidget;

namespace tesselvane {

class PictureSurface;
class SlideReadAhead;
struct ReadAheadKey;

enum class TMode { mdManual = 0, mdAuto = 1 };
enum class TStyle { stFile = 0, stFolder = 1 };
enum class TSize { szNormal = 0, szFull = 1, szFit = 2 };

using TNotifyEvent = std::function<void(QObject* sender)>;
using TMouseEvent = std::function<void(QObject* sender, Qt::MouseButton button,
                                       Qt::KeyboardModifiers shift, int x, int y)>;
using TMouseMoveEvent =
    std::function<void(QObject* sender, Qt::KeyboardModifiers shift, int x, int y)>;

// The size a picture of `picture` is drawn at in szFit: scaled by the larger of the two
// ratios, so that it covers the whole `window` with its aspect kept. Empty when the picture
// has no pixels (nothing to scale).
QSize fitSize(QSize window, QSize picture);

// Turns the window that owns it into a slide show: a picture surface over the owner's whole
// client area shows one picture of Files at a time, stepped by hand or by a timer, in list
// order or at random, wrapping at both ends. Pictures are read through the image host Susie,
// so every readable format shows; a file that is missing or that no reader accepts shows as
// an empty surface (the owner's background) and the show goes on.
class TMorvSlide : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Interval READ Interval WRITE setInterval)
    Q_PROPERTY(QStringList Files READ Files WRITE setFiles)
    Q_PROPERTY(QString Folder READ Folder WRITE setFolder)
    Q_PROPERTY(bool Random READ Random WRITE setRandom)
    Q_PROPERTY(QMenu* PopupMenuL READ PopupMenuL WRITE setPopupMenuL)
    Q_PROPERTY(QMenu* PopupMenuR READ PopupMenuR WRITE setPopupMenuR)

public:
    explicit TMorvSlide(QWidget* owner);
    ~TMorvSlide() override;

    // Begins a show at the first entry (or a random one): in stFolder Files is collected from
    // Folder first; in mdAuto the timer then steps every Interval ms (never when it is 0).
    void Start();
    // Hides the surface and stops the timer.
    void Stop();
    // One step forward (the timer's tick), or back; nothing when Files is empty.
    void ShowNext();
    void ShowPrevious();
    // Stops the timer; resuming starts it again in mdAuto only.
    void Pause(bool paused);
    // Writes the picture on view as a BMP file `fileName` in WindowsDir (nothing is written
    // while none is on view) and makes that file the desktop wallpaper, remembered in the
    // user's desktop settings. Raises PictureError when the file cannot be written.
    void SetAsWallpaper(const QString& fileName);

    // Folder of the file SetAsWallpaper writes, with a trailing "/".
    QString WindowsDir;

    // Timer interval in mdAuto, in milliseconds; takes effect at the next Start.
    int Interval() const { return interval_; }
    void setInterval(int milliseconds) { interval_ = milliseconds; }
    // The entries of the show, full paths. Writing copies the list.
    const QStringList& Files() const { return files_; }
    void setFiles(const QStringList& files) { files_ = files; }
    // Root of the tree collected in stFolder.
    const QString& Folder() const { return folder_; }
    void setFolder(const QString& folder) { folder_ = folder; }
    bool Random() const { return random_; }
    void setRandom(bool random) { random_ = random; }
    TMode Mode() const { return mode_; }
    void setMode(TMode mode) { mode_ = mode; }
    TStyle Style() const { return style_; }
    void setStyle(TStyle style) { style_ = style; }
    // szNormal: unstretched and centred; szFull: stretched to the window, aspect lost; szFit:
    // scaled to cover the window (fitSize), centred. Takes effect at the next display.
    TSize Size() const { return size_; }
    void setSize(TSize size) { size_ = size; }
    // The image host that reads the pictures; not owned, forgotten when it is destroyed.
    TSusie* Susie() const { return susie_; }
    void setSusie(TSusie* susie) { susie_ = susie; }
    // Opened by a left or right button press on the picture; not owned, forgotten when
    // destroyed.
    QMenu* PopupMenuL() const { return popupMenuL_; }
    void setPopupMenuL(QMenu* menu) { popupMenuL_ = menu; }
    QMenu* PopupMenuR() const { return popupMenuR_; }
    void setPopupMenuR(QMenu* menu) { popupMenuR_ = menu; }

    // The picture surface's events, passed on with the surface as sender and its coordinates.
    const TNotifyEvent& OnClick() const { return onClick_; }
    void setOnClick(TNotifyEvent handler) { onClick_ = std::move(handler); }
    const TMouseMoveEvent& OnMouseMove() const { return onMouseMove_; }
    void setOnMouseMove(TMouseMoveEvent handler) { onMouseMove_ = std::move(handler); }
    const TMouseEvent& OnMouseDown() const { return onMouseDown_; }
    void setOnMouseDown(TMouseEvent handler) { onMouseDown_ = std::move(handler); }
    const TMouseEvent& OnMouseUp() const { return onMouseUp_; }
    void setOnMouseUp(TMouseEvent handler) { onMouseUp_ = std::move(handler); }

    // Index into Files of the entry on view; -1 before the first step of a show.
    int CurrentIndex() const { return currentIndex_; }

    // The surface and what it shows (a null image for none).
    QWidget* surface() const;
    const QImage& picture() const;
    // The timer runs only while it is enabled and its interval is not 0 (Qt would fire an
    // interval of 0 at every turn of the event loop; the show is to stay still instead).
    bool timerEnabled() const { return timerEnabled_; }
    QTimer* timer() const { return timer_; }
    // What a tick of the timer does; tests drive time through it.
    void timerTick();
    // The entry read ahead for the next tick, -1 for none.
    int readAheadIndex() const;

private:
    void ShowCurrent();
    void CollectFolder(const QString& folder);
    void setTimerEnabled(bool enabled);
    // The picture for Files[index] as the surface is to show it in `window`.
    QImage pictureFor(int index, QSize window);
    ReadAheadKey readAheadKey(int index, QSize window) const;
    // While the timer runs in list order, the next entry is read on a worker thread.
    void readAheadNext();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QWidget* owner_;
    QTimer* timer_;
    PictureSurface* surface_;
    QStringList files_;
    int interval_ = 0;
    QString folder_;
    bool random_ = false;
    TMode mode_ = TMode::mdManual;
    TStyle style_ = TStyle::stFile;
    TSize size_ = TSize::szNormal;
    QPointer<TSusie> susie_;
    QPointer<QMenu> popupMenuL_;
    QPointer<QMenu> popupMenuR_;
    TNotifyEvent onClick_;
    TMouseMoveEvent onMouseMove_;
    TMouseEvent onMouseDown_;
    TMouseEvent onMouseUp_;
    int currentIndex_ = -1;
    bool timerEnabled_ = false;
    std::minstd_rand randomEngine_;
    std::unique_ptr<SlideReadAhead> readAhead_;
};

}  // namespace tesselvane
