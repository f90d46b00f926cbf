#include "platform/desktop/X11Desktop.h"

#include <QHash>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>
#include <cstring>
#include <memory>
#include <vector>

namespace tesselvane {

namespace {

// Xlib's default handler ends the process; a failed request must only fail the change.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

using DisplayPtr = std::unique_ptr<Display, X11DisplayCloser>;

// Turns picture colours into pixel values of the screen's visual.
class PixelMapper {
public:
    PixelMapper(Display* display, int screen) : display_(display) {
        visual_ = DefaultVisual(display, screen);
        colormap_ = DefaultColormap(display, screen);
        trueColour_ = visual_->c_class == TrueColor || visual_->c_class == DirectColor;
    }

    unsigned long operator()(QRgb rgb) {
        if (trueColour_) {
            return channel(qRed(rgb), visual_->red_mask) |
                   channel(qGreen(rgb), visual_->green_mask) |
                   channel(qBlue(rgb), visual_->blue_mask);
        }
        // Colormapped screens: each colour of the picture gets a cell of the default colormap,
        // or the nearest cell already there when the map is full.
        const QRgb key = rgb & 0xFFFFFFu;
        if (const auto found = cache_.constFind(key); found != cache_.constEnd())
            return *found;
        XColor colour{};
        colour.red = static_cast<unsigned short>(qRed(rgb) * 257);
        colour.green = static_cast<unsigned short>(qGreen(rgb) * 257);
        colour.blue = static_cast<unsigned short>(qBlue(rgb) * 257);
        colour.flags = DoRed | DoGreen | DoBlue;
        const unsigned long pixel =
            XAllocColor(display_, colormap_, &colour) ? colour.pixel : nearest(rgb);
        cache_.insert(key, pixel);
        return pixel;
    }

private:
    static unsigned long channel(int value, unsigned long mask) {
        if (mask == 0)
            return 0;
        const int shift = std::countr_zero(mask);
        const int bits = std::popcount(mask);
        const unsigned long v = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8)
                                          : static_cast<unsigned long>(value) >> (8 - bits);
        return (v << shift) & mask;
    }

    unsigned long nearest(QRgb rgb) {
        if (cells_.empty()) {
            const int count = std::min(visual_->map_entries, 256);
            cells_.resize(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i)
                cells_[static_cast<size_t>(i)].pixel = static_cast<unsigned long>(i);
            XQueryColors(display_, colormap_, cells_.data(), count);
        }
        unsigned long best = 0;
        long bestDistance = -1;
        for (const XColor& c : cells_) {
            const long dr = qRed(rgb) - c.red / 257, dg = qGreen(rgb) - c.green / 257,
                       db = qBlue(rgb) - c.blue / 257;
            const long distance = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                best = c.pixel;
            }
        }
        return best;
    }

    Display* display_;
    Visual* visual_;
    Colormap colormap_;
    bool trueColour_ = true;
    QHash<QRgb, unsigned long> cache_;
    std::vector<XColor> cells_;
};

// The pixmap that the last setter of the root picture left, when it followed the convention
// that lets the next one free it.
Pixmap retainedRootPixmap(Display* display, Window root, Atom rootId, Atom esetrootId) {
    auto read = [&](Atom atom) -> Pixmap {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        Pixmap pixmap = None;
        if (XGetWindowProperty(display, root, atom, 0, 1, False, XA_PIXMAP, &type, &format, &items,
                               &after, &data) == Success &&
            type == XA_PIXMAP && format == 32 && items == 1 && data) {
            pixmap = *reinterpret_cast<Pixmap*>(data);
        }
        if (data)
            XFree(data);
        return pixmap;
    };
    const Pixmap esetroot = read(esetrootId);
    return esetroot != None && esetroot == read(rootId) ? esetroot : None;
}

}  // namespace

namespace {

// Row `y` of a picture as 32-bit colours; fast for the formats the program produces.
void rowAsRgb(const QImage& picture, int y, QRgb* out) {
    const uchar* src = picture.constScanLine(y);
    const int width = picture.width();
    switch (picture.format()) {
        case QImage::Format_RGB888:
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
            return;
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
            std::memcpy(out, src, static_cast<size_t>(width) * 4);
            return;
        case QImage::Format_Indexed8: {
            const QList<QRgb> table = picture.colorTable();
            for (int x = 0; x < width; ++x)
                out[x] = src[x] < table.size() ? table[src[x]] : qRgb(0, 0, 0);
            return;
        }
        default:
            for (int x = 0; x < width; ++x)
                out[x] = picture.pixel(x, y);
    }
}

}  // namespace

QImage composeDesktop(const QImage& picture, QSize screen, WallpaperStyle style,
                      const QColor& background) {
    // Plain row copies rather than QPainter, which would bring the font machinery up first.
    QImage canvas(screen, QImage::Format_RGB32);
    if (canvas.isNull())
        return canvas;
    canvas.fill(background.rgb());
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return canvas;
    const int w = picture.width(), h = picture.height();
    std::vector<QRgb> row(static_cast<size_t>(w));
    if (style == WallpaperStyle::Tiled) {
        for (int y = 0; y < screen.height(); ++y) {
            rowAsRgb(picture, y % h, row.data());
            auto* dst = reinterpret_cast<QRgb*>(canvas.scanLine(y));
            for (int x = 0; x < screen.width(); x += w) {
                std::memcpy(dst + x, row.data(),
                            static_cast<size_t>(std::min(w, screen.width() - x)) * 4);
            }
        }
        return canvas;
    }
    // Centred; a picture larger than the screen loses equal parts on both sides.
    const int left = (screen.width() - w) / 2, top = (screen.height() - h) / 2;
    const int from = std::max(0, left), to = std::min(screen.width(), left + w);
    if (from >= to)
        return canvas;
    for (int y = std::max(0, top); y < std::min(screen.height(), top + h); ++y) {
        rowAsRgb(picture, y - top, row.data());
        std::memcpy(reinterpret_cast<QRgb*>(canvas.scanLine(y)) + from, row.data() + (from - left),
                    static_cast<size_t>(to - from) * 4);
    }
    return canvas;
}

namespace {

// The picture put into a pixmap of the screen, not yet shown.
class X11Prepared : public PreparedWallpaper {
public:
    X11Prepared(DisplayPtr display, Pixmap pixmap, unsigned long background)
        : display_(std::move(display)), pixmap_(pixmap), background_(background) {}

    ~X11Prepared() override {
        // Never shown: the pixmap goes with the connection.
        if (!shown_ && pixmap_ != None)
            XFreePixmap(display_.get(), pixmap_);
    }

    void show() override {
        Display* d = display_.get();
        const Window root = DefaultRootWindow(d);
        const Atom rootId = XInternAtom(d, "_XROOTPMAP_ID", False);
        const Atom esetrootId = XInternAtom(d, "ESETROOT_PMAP_ID", False);
        // Free the picture this replaces: its setter left its connection's resources alive.
        if (const Pixmap old = retainedRootPixmap(d, root, rootId, esetrootId); old != None)
            XKillClient(d, old);
        if (pixmap_ == None) {
            XSetWindowBackground(d, root, background_);
            XClearWindow(d, root);
            XDeleteProperty(d, root, rootId);
            XDeleteProperty(d, root, esetrootId);
        } else {
            XSetWindowBackgroundPixmap(d, root, pixmap_);
            XClearWindow(d, root);
            const auto* id = reinterpret_cast<const unsigned char*>(&pixmap_);
            XChangeProperty(d, root, rootId, XA_PIXMAP, 32, PropModeReplace, id, 1);
            XChangeProperty(d, root, esetrootId, XA_PIXMAP, 32, PropModeReplace, id, 1);
            // The pixmap must outlive this connection: the next setter frees it with XKillClient.
            XSetCloseDownMode(d, RetainPermanent);
        }
        XSync(d, False);
        shown_ = true;
    }

private:
    DisplayPtr display_;
    Pixmap pixmap_;
    unsigned long background_;
    bool shown_ = false;
};

}  // namespace

namespace {

bool standardTrueColour32(Display* d, int screen, unsigned depth) {
    const Visual* visual = DefaultVisual(d, screen);
    if ((visual->c_class != TrueColor && visual->c_class != DirectColor) ||
        visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF ||
        ImageByteOrder(d) != LSBFirst) {
        return false;
    }
    int formats = 0;
    XPixmapFormatValues* list = XListPixmapFormats(d, &formats);
    bool thirtyTwo = false;
    for (int i = 0; i < formats; ++i) {
        if (static_cast<unsigned>(list[i].depth) == depth)
            thirtyTwo = list[i].bits_per_pixel == 32;
    }
    if (list)
        XFree(list);
    return thirtyTwo;
}

// `source` of a picture in 32-bit pixels the usual screen takes as they are: the picture itself
// when it has them, or a converted copy of that part alone.
QImage asScreenPixels(const QImage& picture, QRect& source) {
    if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32)
        return picture;
    QImage part(source.size(), QImage::Format_RGB32);
    if (part.isNull())
        throw DesktopError(QStringLiteral("壁紙の画像を作るメモリが足りません"));
    std::vector<QRgb> row(static_cast<size_t>(picture.width()));
    for (int y = 0; y < source.height(); ++y) {
        rowAsRgb(picture, source.y() + y, row.data());
        std::memcpy(part.scanLine(y), row.data() + source.x(),
                    static_cast<size_t>(source.width()) * 4);
    }
    source.moveTopLeft(QPoint(0, 0));
    return part;
}

void putPixels(Display* d, Drawable target, GC gc, const QImage& pixels, QRect source, QPoint to,
               unsigned depth) {
    XImage* image =
        XCreateImage(d, nullptr, depth, ZPixmap, 0,
                     const_cast<char*>(reinterpret_cast<const char*>(pixels.constBits())),
                     static_cast<unsigned>(pixels.width()), static_cast<unsigned>(pixels.height()),
                     32, static_cast<int>(pixels.bytesPerLine()));
    if (!image)
        throw DesktopError(QStringLiteral("壁紙の画像を作れません"));
    XPutImage(d, target, gc, image, source.x(), source.y(), to.x(), to.y(),
              static_cast<unsigned>(source.width()), static_cast<unsigned>(source.height()));
    image->data = nullptr;  // the picture owns it; Xlib only read it
    XDestroyImage(image);
}

// The desktop drawn by the X server: the colour filled and the picture put or tiled there, so
// only the picture's own visible pixels cross the connection, never a screen-sized copy.
void drawOnServer(Display* d, Pixmap pixmap, GC gc, const QImage& picture, QSize screen,
                  WallpaperStyle style, unsigned long background, unsigned depth) {
    const QRect whole(QPoint(0, 0), screen);
    XSetForeground(d, gc, background);
    XFillRectangle(d, pixmap, gc, 0, 0, static_cast<unsigned>(screen.width()),
                   static_cast<unsigned>(screen.height()));
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return;
    if (style == WallpaperStyle::Tiled) {
        // Tiles start at the top-left corner, so no more than a screen of the picture shows.
        QRect source = QRect(QPoint(0, 0), picture.size()) & whole;
        const QImage pixels = asScreenPixels(picture, source);
        const Pixmap tile = XCreatePixmap(d, pixmap, static_cast<unsigned>(source.width()),
                                          static_cast<unsigned>(source.height()), depth);
        putPixels(d, tile, gc, pixels, source, QPoint(0, 0), depth);
        XSetTile(d, gc, tile);
        XSetFillStyle(d, gc, FillTiled);
        XFillRectangle(d, pixmap, gc, 0, 0, static_cast<unsigned>(screen.width()),
                       static_cast<unsigned>(screen.height()));
        XSetFillStyle(d, gc, FillSolid);
        XFreePixmap(d, tile);
        return;
    }
    // Centred; a picture larger than the screen loses equal parts on both sides.
    const QPoint corner((screen.width() - picture.width()) / 2,
                        (screen.height() - picture.height()) / 2);
    const QRect shown = QRect(corner, picture.size()) & whole;
    if (shown.isEmpty())
        return;
    QRect source = shown.translated(-corner);
    const QImage pixels = asScreenPixels(picture, source);
    putPixels(d, pixmap, gc, pixels, source, shown.topLeft(), depth);
}

// Any other screen: the desktop composed here and each pixel mapped to the visual.
void drawByPixel(Display* d, int screen, Pixmap pixmap, GC gc, PixelMapper& pixelOf,
                 const QImage& canvas) {
    if (canvas.isNull())
        throw DesktopError(QStringLiteral("壁紙の画像を作るメモリが足りません"));
    const unsigned depth = static_cast<unsigned>(DefaultDepth(d, screen));
    XImage* image = XCreateImage(d, DefaultVisual(d, screen), depth, ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(canvas.width()),
                                 static_cast<unsigned>(canvas.height()), 32, 0);
    if (!image)
        throw DesktopError(QStringLiteral("壁紙の画像を作れません"));
    image->data = static_cast<char*>(
        std::malloc(static_cast<size_t>(image->bytes_per_line) * canvas.height()));
    if (!image->data) {
        XDestroyImage(image);
        throw DesktopError(QStringLiteral("壁紙の画像を作るメモリが足りません"));
    }
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x)
            XPutPixel(image, x, y, pixelOf(row[x]));
    }
    XPutImage(d, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(canvas.width()),
              static_cast<unsigned>(canvas.height()));
    XDestroyImage(image);
}

}  // namespace

void X11DisplayCloser::operator()(Display* display) const {
    XCloseDisplay(display);
}

void X11Desktop::warm() {
    if (warm_)
        return;
    XSetErrorHandler(ignoreXError);
    warm_.reset(XOpenDisplay(nullptr));
}

std::unique_ptr<PreparedWallpaper> X11Desktop::prepare(const QString& file, const QImage& picture,
                                                       WallpaperStyle style,
                                                       const QColor& background, bool persist) {
    // A picture that is only in the file must wait until the file is complete.
    if (!file.isEmpty() && picture.isNull()) {
        return DesktopBackend::prepare(file, picture, style, background, persist);
    }

    XSetErrorHandler(ignoreXError);
    DisplayPtr display = warm_ ? std::move(warm_) : DisplayPtr(XOpenDisplay(nullptr));
    if (!display) {
        throw DesktopError(
            QStringLiteral("X ディスプレイ %1 に接続できません")
                .arg(qEnvironmentVariable("DISPLAY", QStringLiteral("(DISPLAY が空です)"))));
    }
    Display* d = display.get();
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    const QSize size(DisplayWidth(d, screen), DisplayHeight(d, screen));
    const unsigned depth = static_cast<unsigned>(DefaultDepth(d, screen));
    PixelMapper pixelOf(d, screen);
    const unsigned long backgroundPixel = pixelOf(background.rgb());
    if (file.isEmpty())
        return std::make_unique<X11Prepared>(std::move(display), None, backgroundPixel);

    const Pixmap pixmap = XCreatePixmap(d, root, static_cast<unsigned>(size.width()),
                                        static_cast<unsigned>(size.height()), depth);
    GC gc = XCreateGC(d, pixmap, 0, nullptr);
    try {
        if (standardTrueColour32(d, screen, depth))
            drawOnServer(d, pixmap, gc, picture, size, style, backgroundPixel, depth);
        else
            drawByPixel(d, screen, pixmap, gc, pixelOf,
                        composeDesktop(picture, size, style, background));
    } catch (...) {
        XFreeGC(d, gc);
        XFreePixmap(d, pixmap);
        throw;
    }
    XFreeGC(d, gc);
    return std::make_unique<X11Prepared>(std::move(display), pixmap, backgroundPixel);
}

void X11Desktop::apply(const QString& file, const QImage& given, WallpaperStyle style,
                       const QColor& background, bool persist) {
    QImage picture = given;
    if (!file.isEmpty() && picture.isNull()) {
        picture = QImage(file);
        if (picture.isNull())
            throw DesktopError(QStringLiteral("壁紙 %1 を読み込めません").arg(file));
    }
    // The root picture lives as long as the X session anyway: `persist` changes nothing here.
    prepare(file, picture, style, background, persist)->show();
}

}  // namespace tesselvane
