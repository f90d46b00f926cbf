#include "slide/TMorvSlide.h"

#include "picture/BmpWriter.h"
#include "picture/DibTwin.h"
#include "picture/JpegDecoder.h"
#include "picture/PictureError.h"
#include "platform/DesktopService.h"
#include "platform/FolderReader.h"
#include "platform/ProgramPaths.h"
#include "slide/SlideReadAhead.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <vector>

namespace tesselvane {

// Shows one picture, unstretched and centred (cut off equally on both sides where it is
// larger) or stretched to the whole surface. Draws nothing where there is no picture, so the
// owner's background shows.
class PictureSurface : public QWidget {
public:
    explicit PictureSurface(QWidget* parent) : QWidget(parent) {}

    QImage picture;
    bool stretch = false;

    std::function<void(QMouseEvent*)> pressed;
    std::function<void(QMouseEvent*)> released;
    std::function<void(QMouseEvent*)> moved;
    std::function<void()> clicked;

protected:
    void paintEvent(QPaintEvent*) override {
        if (picture.isNull())
            return;
        QPainter painter(this);
        if (stretch) {
            painter.drawImage(rect(), picture);
            return;
        }
        // One picture pixel to one device pixel, whatever the scale factor: centred in device
        // pixels, so that an odd overflow falls as it does at 1.
        // (Device pixels per unit as this painter draws: on screen the backing store's ratio.)
        const qreal scale = painter.deviceTransform().m11();
        const qreal ratio = scale > 0 ? scale : 1.0;
        QImage shown = picture;
        shown.setDevicePixelRatio(ratio);
        const QSize device = size() * ratio;
        const int left = (device.width() - picture.width()) / 2;
        const int top = (device.height() - picture.height()) / 2;
        painter.drawImage(QPointF(left / ratio, top / ratio), shown);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            leftDown_ = true;
        if (pressed)
            pressed(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        // A click is a left press and release over the surface, told before the release.
        if (event->button() == Qt::LeftButton && std::exchange(leftDown_, false) &&
            rect().contains(event->position().toPoint()) && clicked) {
            clicked();
        }
        if (released)
            released(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (moved)
            moved(event);
    }

private:
    bool leftDown_ = false;
};

QSize fitSize(QSize window, QSize picture) {
    if (picture.width() <= 0 || picture.height() <= 0)
        return {};
    const long double byHeight =
        static_cast<long double>(window.height()) / static_cast<long double>(picture.height());
    const long double byWidth =
        static_cast<long double>(window.width()) / static_cast<long double>(picture.width());
    const double scale = static_cast<double>(std::max(byHeight, byWidth));
    return QSize(static_cast<int>(std::trunc(picture.width() * scale)),
                 static_cast<int>(std::trunc(picture.height() * scale)));
}

namespace {

// The size a JPEG the host reads itself is decoded to, already scaled, when `size` draws it
// smaller than it is stored: libjpeg then decodes at a fraction of the size, several times
// faster than the whole picture would take. Invalid where it is drawn at its own size (or
// larger, or the file is no JPEG).
QSize scaledReadSize(const QString& file, TSize size, QSize window) {
    if (size == TSize::szNormal || QFileInfo(file).suffix().compare(u"jpg", Qt::CaseInsensitive))
        return {};
    const QSize stored = jpegFileSize(file);
    if (stored.isEmpty())
        return {};
    const QSize drawn = size == TSize::szFull ? window : fitSize(window, stored);
    if (drawn.isEmpty() || drawn == stored || drawn.width() > stored.width() ||
        drawn.height() > stored.height()) {
        return {};
    }
    return drawn;
}

// A picture as read (already at `scaledTo` when that is given), made ready to be drawn in
// `window` the way `size` says.
QImage drawnAt(QImage loaded, TSize size, QSize window, QSize scaledTo) {
    if (size != TSize::szFit || loaded.isNull() || loaded.size() == scaledTo)
        return loaded;
    const QSize fit = fitSize(window, loaded.size());
    if (fit.isEmpty())
        return {};
    return loaded.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

TMorvSlide::TMorvSlide(QWidget* owner)
    : QObject(owner),
      owner_(owner),
      timer_(new QTimer(this)),
      surface_(new PictureSurface(owner)),
      readAhead_(std::make_unique<SlideReadAhead>()) {
    connect(timer_, &QTimer::timeout, this, &TMorvSlide::timerTick);
    surface_->setObjectName(QStringLiteral("picture"));
    surface_->setAccessibleName(QCoreApplication::translate("TMorvSlide", "スライド"));
    surface_->setGeometry(owner_->rect());
    surface_->hide();
    surface_->setMouseTracking(true);  // moves without a button pressed are passed on too
    owner_->installEventFilter(this);
    surface_->pressed = [this](QMouseEvent* event) {
        const QPoint at = event->position().toPoint();
        const QPoint global = surface_->mapToGlobal(at);
        if (onMouseDown_)
            onMouseDown_(surface_, event->button(), event->modifiers(), at.x(), at.y());
        QMenu* menu = event->button() == Qt::LeftButton    ? popupMenuL_.data()
                      : event->button() == Qt::RightButton ? popupMenuR_.data()
                                                           : nullptr;
        if (menu)
            menu->popup(global);
    };
    surface_->released = [this](QMouseEvent* event) {
        const QPoint at = event->position().toPoint();
        if (onMouseUp_)
            onMouseUp_(surface_, event->button(), event->modifiers(), at.x(), at.y());
    };
    surface_->moved = [this](QMouseEvent* event) {
        const QPoint at = event->position().toPoint();
        if (onMouseMove_)
            onMouseMove_(surface_, event->modifiers(), at.x(), at.y());
    };
    surface_->clicked = [this] {
        if (onClick_)
            onClick_(surface_);
    };
    WindowsDir = windowsFolder();
}

TMorvSlide::~TMorvSlide() {
    owner_->removeEventFilter(this);
    // Made after this component, so the owner takes it down only after this one.
    delete surface_;
}

QWidget* TMorvSlide::surface() const {
    return surface_;
}

const QImage& TMorvSlide::picture() const {
    return surface_->picture;
}

bool TMorvSlide::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_ && event->type() == QEvent::Resize)
        surface_->setGeometry(owner_->rect());
    return false;
}

void TMorvSlide::setTimerEnabled(bool enabled) {
    timerEnabled_ = enabled;
    if (enabled && timer_->interval() > 0)
        timer_->start();  // from the start of the interval again
    else
        timer_->stop();
}

void TMorvSlide::timerTick() {
    ShowNext();
}

void TMorvSlide::Start() {
    if (style_ == TStyle::stFolder) {
        files_.clear();
        CollectFolder(folder_);
    }
    randomEngine_.seed(static_cast<std::minstd_rand::result_type>(
        QDateTime::currentMSecsSinceEpoch() & 0x7fffffff));
    currentIndex_ = -1;
    // An empty list shows nothing, not what the last show ended on.
    surface_->picture = QImage();
    surface_->update();
    surface_->show();
    ShowNext();
    if (mode_ == TMode::mdAuto) {
        timer_->setInterval(interval_);
        setTimerEnabled(true);
        readAheadNext();
    }
}

void TMorvSlide::Stop() {
    surface_->hide();
    setTimerEnabled(false);
    readAhead_->drop();
}

void TMorvSlide::ShowNext() {
    const int count = static_cast<int>(files_.size());
    if (count == 0)
        return;
    if (random_) {
        // Count - 1 values, and the old one moved up by one: never the same twice running.
        std::uniform_int_distribution<int> draw(0, std::max(0, count - 2));
        int next = draw(randomEngine_);
        if (next == currentIndex_)
            ++next;
        currentIndex_ = next;
    } else {
        ++currentIndex_;
    }
    if (currentIndex_ > count - 1)
        currentIndex_ = 0;
    ShowCurrent();
}

void TMorvSlide::ShowPrevious() {
    const int count = static_cast<int>(files_.size());
    if (count == 0)
        return;
    // Files may have been replaced by a shorter list since the last step.
    currentIndex_ = currentIndex_ <= 0 ? count - 1 : std::min(currentIndex_ - 1, count - 1);
    ShowCurrent();
}

void TMorvSlide::Pause(bool paused) {
    if (paused)
        setTimerEnabled(false);
    else if (mode_ == TMode::mdAuto) {
        setTimerEnabled(true);
        readAheadNext();
    }
}

QImage TMorvSlide::pictureFor(int index, QSize window) {
    const QString file = files_.value(index);
    if (file.isEmpty() || !QFileInfo::exists(file) || !susie_) {
        readAhead_->drop();
        return {};
    }
    QSize scaledTo;
    if (susie_->readsBuiltIn(file)) {
        if (std::optional<QImage> ready = readAhead_->take(readAheadKey(index, window)))
            return std::move(*ready);
        scaledTo = scaledReadSize(file, size_, window);
    } else {
        readAhead_->drop();
    }
    // The host is shared: the hint is only this read's.
    struct Hint {
        TSusie& host;
        QSize before;
        ~Hint() { host.jpegSizeHint = before; }
    } const hint{*susie_, susie_->jpegSizeHint};
    if (scaledTo.isValid())
        susie_->jpegSizeHint = scaledTo;
    try {
        susie_->LoadPicture(file);
    } catch (const PictureError&) {
        // A damaged file costs its turn, not the show.
        return {};
    }
    // Taken, not copied: the host need not hold the picture on view a second time.
    QImage loaded = susie_->takeBitmap().image;
    std::free(takeDibTwin(loaded));  // made for a wallpaper, which this is not
    return drawnAt(std::move(loaded), size_, window, scaledTo);
}

ReadAheadKey TMorvSlide::readAheadKey(int index, QSize window) const {
    const QString file = files_.value(index);
    const QFileInfo info(file);
    return ReadAheadKey{.index = index,
                        .file = file,
                        .modified = info.lastModified(),
                        .bytes = info.size(),
                        .size = static_cast<int>(size_),
                        .drawnIn = size_ == TSize::szNormal ? QSize() : window};
}

void TMorvSlide::readAheadNext() {
    const int count = static_cast<int>(files_.size());
    if (mode_ != TMode::mdAuto || !timer_->isActive() || random_ || count < 2 || !susie_)
        return;
    const int next = currentIndex_ + 1 > count - 1 ? 0 : currentIndex_ + 1;
    const QString file = files_.value(next);
    if (!QFileInfo::exists(file) || !susie_->readsBuiltIn(file))
        return;
    const QSize window = surface_->size() * surface_->devicePixelRatioF();
    readAhead_->prepare(readAheadKey(next, window), [file, size = size_, window] {
        // Read exactly as at its turn, on this thread.
        const QSize scaledTo = scaledReadSize(file, size, window);
        QImage loaded;
        try {
            loaded = TSusie::readBuiltIn(file, scaledTo);
        } catch (const PictureError&) {
            return QImage();  // shown empty, as when read at its turn
        }
        return drawnAt(std::move(loaded), size, window, scaledTo);
    });
}

int TMorvSlide::readAheadIndex() const {
    const std::optional<ReadAheadKey> key = readAhead_->prepared();
    return key ? key->index : -1;
}

void TMorvSlide::ShowCurrent() {
    // However the display ends, the surface, the cursor and the timer come back; a stopped
    // and restarted timer counts its interval from the end of this display.
    struct Restore {
        TMorvSlide& slide;
        bool timerWasEnabled;
        ~Restore() {
            slide.surface_->show();
            QApplication::restoreOverrideCursor();
            if (timerWasEnabled)
                slide.setTimerEnabled(true);
        }
    };
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const Restore restore{*this, timerEnabled_};
        setTimerEnabled(false);
        surface_->hide();
        surface_->picture = QImage();
        surface_->stretch = size_ == TSize::szFull;
        surface_->picture =
            pictureFor(currentIndex_, surface_->size() * surface_->devicePixelRatioF());
        surface_->update();
    }
    readAheadNext();
}

void TMorvSlide::CollectFolder(const QString& folder) {
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    const FileTree tree = collectFiles(prefix, HiddenEntries::Skipped);
    files_.reserve(files_.size() + tree.size());
    for (qsizetype i = 0; i < tree.size(); ++i)
        files_.append(tree.withPrefix(prefix, i));
}

void TMorvSlide::SetAsWallpaper(const QString& fileName) {
    const QString path = WindowsDir + fileName;
    const QImage& shown = surface_->picture;
    if (!shown.isNull()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !writeBmp(file, shown) || !file.commit()) {
            throw PictureError(
                QCoreApplication::translate("TMorvSlide", "壁紙ファイル %1 を書けません (%2)")
                    .arg(path, file.errorString()));
        }
    }
    if (!desktopService)
        throw std::logic_error("no desktop service");
    desktopService->setWallpaper(path, true, shown);
}

}  // namespace tesselvane
