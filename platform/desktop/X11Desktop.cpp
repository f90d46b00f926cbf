#include "platform/desktop/X11Desktop.h"

#include "platform/desktop/X11Monitors.h"

#include <QCoreApplication>
#include <QHash>
#include <QSocketNotifier>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <future>
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

// Pixels [from, from + count) of row `y` of a picture as 32-bit colours; fast for the formats
// the program produces.
void rowAsRgb(const QImage& picture, int y, int from, int count, QRgb* out) {
    const uchar* src = picture.constScanLine(y);
    switch (picture.format()) {
        case QImage::Format_RGB888:
            src += 3 * from;
            for (int x = 0; x < count; ++x)
                out[x] = qRgb(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
            return;
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
            std::memcpy(out, src + 4 * from, static_cast<size_t>(count) * 4);
            return;
        case QImage::Format_Indexed8: {
            const QList<QRgb> table = picture.colorTable();
            src += from;
            for (int x = 0; x < count; ++x)
                out[x] = src[x] < table.size() ? table[src[x]] : qRgb(0, 0, 0);
            return;
        }
        default:
            for (int x = 0; x < count; ++x)
                out[x] = picture.pixel(from + x, y);
    }
}

// `picture` tiled from the top-left corner of `area`, or centred in it, on `canvas`.
void composeInto(QImage& canvas, QRect area, const QImage& picture, WallpaperStyle style) {
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return;
    const int w = picture.width(), h = picture.height();
    std::vector<QRgb> row(static_cast<size_t>(w));
    if (style == WallpaperStyle::Tiled) {
        const int span = std::min(w, area.width());
        for (int y = 0; y < area.height(); ++y) {
            rowAsRgb(picture, y % h, 0, span, row.data());
            auto* dst = reinterpret_cast<QRgb*>(canvas.scanLine(area.y() + y)) + area.x();
            for (int x = 0; x < area.width(); x += w)
                std::memcpy(dst + x, row.data(),
                            static_cast<size_t>(std::min(w, area.width() - x)) * 4);
        }
        return;
    }
    // Centred; a picture larger than the area loses equal parts on both sides.
    const int left = (area.width() - w) / 2, top = (area.height() - h) / 2;
    const int from = std::max(0, left), to = std::min(area.width(), left + w);
    if (from >= to)
        return;
    for (int y = std::max(0, top); y < std::min(area.height(), top + h); ++y) {
        rowAsRgb(picture, y - top, from - left, to - from, row.data());
        std::memcpy(reinterpret_cast<QRgb*>(canvas.scanLine(area.y() + y)) + area.x() + from,
                    row.data(), static_cast<size_t>(to - from) * 4);
    }
}

// f(0) ... f(count - 1), each on a thread of its own when there are several.
template <class F>
auto eachMonitor(size_t count, F f) -> std::vector<decltype(f(size_t{0}))> {
    using Result = decltype(f(size_t{0}));
    std::vector<Result> results;
    if (count == 1) {
        results.push_back(f(0));
        return results;
    }
    std::vector<std::future<Result>> jobs;
    for (size_t i = 0; i < count; ++i)
        jobs.push_back(std::async(std::launch::async, f, i));
    for (auto& job : jobs)
        results.push_back(job.get());
    return results;
}

QImage pictureForMonitor(const QImage& picture, QSize monitor, const WallpaperFit& fit,
                         const QColor& background) {
    if (!fit.fitScreen || picture.isNull() || picture.size() == monitor)
        return picture;
    QImage fitted = fitToScreen(picture, monitor, fit.style, background);
    if (fitted.isNull() && !monitor.isEmpty())
        throw DesktopError(QStringLiteral("壁紙の画像を作るメモリが足りません"));
    return fitted;
}

}  // namespace

QImage composeDesktop(const QImage& picture, QSize screen, WallpaperStyle style,
                      const QColor& background) {
    return composeDesktop({picture}, {QRect(QPoint(0, 0), screen)}, screen, style, background);
}

QImage composeDesktop(const std::vector<QImage>& pictures, const std::vector<QRect>& monitors,
                      QSize screen, WallpaperStyle style, const QColor& background) {
    // Plain row copies rather than QPainter, which would bring the font machinery up first.
    QImage canvas(screen, QImage::Format_RGB32);
    if (canvas.isNull())
        return canvas;
    canvas.fill(background.rgb());
    // The first (primary) monitor last: where monitors overlap, as mirrors do, it wins.
    for (size_t i = std::min(pictures.size(), monitors.size()); i-- > 0;) {
        const QRect area = monitors[i] & canvas.rect();
        if (!area.isEmpty())
            composeInto(canvas, area, pictures[i], style);
    }
    return canvas;
}

std::vector<QImage> picturesForMonitors(const QImage& picture, const std::vector<QRect>& monitors,
                                        const WallpaperFit& fit, const QColor& background) {
    return eachMonitor(monitors.size(), [&](size_t i) {
        return pictureForMonitor(picture, monitors[i].size(), fit, background);
    });
}

namespace {

// Thresholds of the 8 x 8 ordered-dither matrix, 0 .. 63.
int bayer8(int x, int y) {
    int value = 0;
    for (int bit = 0; bit < 3; ++bit) {
        const int xb = (x >> bit) & 1, yb = (y >> bit) & 1;
        value += (2 * (xb ^ yb) + yb) << (2 * (2 - bit));
    }
    return value;
}

// For each cell of the matrix and each 8-bit value, the channel's bits in place.
using DitherTable = std::array<std::array<uint16_t, 256>, 64>;

void fillDitherTable(DitherTable& table, unsigned long mask) {
    const int shift = mask ? std::countr_zero(mask) : 0;
    const int bits = std::popcount(mask);
    const int top = (1 << std::min(bits, 16)) - 1;
    for (int cell = 0; cell < 64; ++cell) {
        const double threshold = (bayer8(cell % 8, cell / 8) + 0.5) / 64.0;
        for (int value = 0; value < 256; ++value) {
            const int level =
                std::min(top, static_cast<int>(std::floor(value * top / 255.0 + threshold)));
            table[static_cast<size_t>(cell)][static_cast<size_t>(value)] =
                static_cast<uint16_t>((static_cast<unsigned long>(level) << shift) & mask);
        }
    }
}

}  // namespace

std::vector<uint16_t> ditherTo16(const QImage& picture, QRect source,
                                 const ShallowChannels& channels, QPoint origin) {
    source &= picture.rect();
    if (source.isEmpty())
        return {};
    auto tables = std::make_unique<std::array<DitherTable, 3>>();
    fillDitherTable((*tables)[0], channels.redMask);
    fillDitherTable((*tables)[1], channels.greenMask);
    fillDitherTable((*tables)[2], channels.blueMask);
    const auto& [red, green, blue] = *tables;
    const int stride = (source.width() + 1) & ~1;
    std::vector<uint16_t> out(static_cast<size_t>(stride) * static_cast<size_t>(source.height()));
    std::vector<QRgb> row(static_cast<size_t>(source.width()));
    for (int y = 0; y < source.height(); ++y) {
        rowAsRgb(picture, source.y() + y, source.x(), source.width(), row.data());
        uint16_t* dst = out.data() + static_cast<size_t>(stride) * static_cast<size_t>(y);
        const int cellRow = ((origin.y() + y) & 7) * 8;
        for (int x = 0; x < source.width(); ++x) {
            const size_t cell = static_cast<size_t>(cellRow + ((origin.x() + x) & 7));
            const QRgb rgb = row[static_cast<size_t>(x)];
            dst[x] = static_cast<uint16_t>(red[cell][static_cast<size_t>(qRed(rgb))] |
                                           green[cell][static_cast<size_t>(qGreen(rgb))] |
                                           blue[cell][static_cast<size_t>(qBlue(rgb))]);
        }
    }
    return out;
}

namespace {

struct Drawn {
    Pixmap pixmap = None;
    unsigned long background = 0;
};

// The picture put into a pixmap of the screen, or the means to put it there, not yet shown.
class X11Prepared : public PreparedWallpaper {
public:
    X11Prepared(DisplayPtr display, Drawn drawn) : display_(std::move(display)), drawn_(drawn) {}
    X11Prepared(DisplayPtr display, std::function<Drawn(Display*)> draw)
        : display_(std::move(display)), draw_(std::move(draw)) {}

    ~X11Prepared() override {
        // Never shown: the pixmap goes with the connection.
        if (!shown_ && drawn_.pixmap != None)
            XFreePixmap(display_.get(), drawn_.pixmap);
    }

    void show() override {
        Display* d = display_.get();
        const Window root = DefaultRootWindow(d);
        const Atom rootId = XInternAtom(d, "_XROOTPMAP_ID", False);
        const Atom esetrootId = XInternAtom(d, "ESETROOT_PMAP_ID", False);
        // Free the picture this replaces: its setter left its connection's resources alive,
        // colour cells included, which a drawing still to come may need.
        if (const Pixmap old = retainedRootPixmap(d, root, rootId, esetrootId); old != None)
            XKillClient(d, old);
        if (draw_) {
            drawn_ = draw_(d);
            draw_ = nullptr;
        }
        if (drawn_.pixmap == None) {
            XSetWindowBackground(d, root, drawn_.background);
            XClearWindow(d, root);
            XDeleteProperty(d, root, rootId);
            XDeleteProperty(d, root, esetrootId);
        } else {
            XSetWindowBackgroundPixmap(d, root, drawn_.pixmap);
            XClearWindow(d, root);
            const auto* id = reinterpret_cast<const unsigned char*>(&drawn_.pixmap);
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
    Drawn drawn_;
    std::function<Drawn(Display*)> draw_;
    bool shown_ = false;
};

// How the screen takes pixels.
enum class PixelKind {
    Standard32,  // 8-bit channels in 32-bit pixels, as the picture's own RGB32
    Shallow16,   // fewer than 8 bits a channel in 16-bit pixels: dithered here
    Other,       // colormapped and the rest: each pixel mapped by Xlib
};

PixelKind pixelKind(Display* d, int screen, unsigned depth, ShallowChannels& channels) {
    const Visual* visual = DefaultVisual(d, screen);
    if (visual->c_class != TrueColor && visual->c_class != DirectColor)
        return PixelKind::Other;
    int formats = 0;
    XPixmapFormatValues* list = XListPixmapFormats(d, &formats);
    int bitsPerPixel = 0;
    for (int i = 0; i < formats; ++i) {
        if (static_cast<unsigned>(list[i].depth) == depth)
            bitsPerPixel = list[i].bits_per_pixel;
    }
    if (list)
        XFree(list);
    const bool hostOrder =
        ImageByteOrder(d) == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
    if (visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF &&
        bitsPerPixel == 32 && ImageByteOrder(d) == LSBFirst) {
        return PixelKind::Standard32;
    }
    const auto shallow = [](unsigned long mask) { return std::popcount(mask) <= 8; };
    if (bitsPerPixel == 16 && hostOrder && visual->c_class == TrueColor &&
        shallow(visual->red_mask) && shallow(visual->green_mask) && shallow(visual->blue_mask) &&
        ((visual->red_mask | visual->green_mask | visual->blue_mask) >> 16) == 0) {
        channels = {visual->red_mask, visual->green_mask, visual->blue_mask};
        return PixelKind::Shallow16;
    }
    return PixelKind::Other;
}

// `source` of a picture in 32-bit pixels the usual screen takes as they are: the picture itself
// when it has them, or a converted copy of that part alone.
QImage asScreenPixels(const QImage& picture, QRect& source) {
    if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32)
        return picture;
    QImage part(source.size(), QImage::Format_RGB32);
    if (part.isNull())
        throw DesktopError(QStringLiteral("壁紙の画像を作るメモリが足りません"));
    for (int y = 0; y < source.height(); ++y) {
        rowAsRgb(picture, source.y() + y, source.x(), source.width(),
                 reinterpret_cast<QRgb*>(part.scanLine(y)));
    }
    source.moveTopLeft(QPoint(0, 0));
    return part;
}

// What one monitor shows of its picture, in the screen's pixels, ready to cross.
struct Piece {
    QRect area;    // the monitor
    QRect target;  // where the picture's visible part goes; for tiles, the tile at the corner
    bool tiled = false;
    QImage pixels;  // Standard32: `source` of it
    QRect source;
    std::vector<uint16_t> shallow;  // Shallow16: the target's pixels, rows of an even length
};

Piece pieceFor(const QImage& picture, QRect area, WallpaperStyle style, PixelKind kind,
               const ShallowChannels& channels) {
    Piece piece;
    piece.area = area;
    piece.tiled = style == WallpaperStyle::Tiled;
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return piece;
    QRect source;
    if (piece.tiled) {
        // Tiles start at the monitor's corner, so no more than a monitor of the picture shows.
        source = QRect(QPoint(0, 0), picture.size()) & QRect(QPoint(0, 0), area.size());
        piece.target = source.translated(area.topLeft());
    } else {
        // Centred; a picture larger than the monitor loses equal parts on both sides.
        const QPoint corner = area.topLeft() + QPoint((area.width() - picture.width()) / 2,
                                                      (area.height() - picture.height()) / 2);
        piece.target = QRect(corner, picture.size()) & area;
        source = piece.target.translated(-corner);
    }
    if (piece.target.isEmpty())
        return piece;
    if (kind == PixelKind::Shallow16) {
        piece.shallow = ditherTo16(picture, source, channels, piece.target.topLeft());
    } else {
        piece.source = source;
        piece.pixels = asScreenPixels(picture, piece.source);
    }
    return piece;
}

void putPiecePixels(Display* d, Drawable target, GC gc, const Piece& piece, QPoint to,
                    unsigned depth) {
    const bool shallow = !piece.shallow.empty();
    const QSize size = shallow ? piece.target.size() : piece.pixels.size();
    const int stride =
        shallow ? ((size.width() + 1) & ~1) * 2 : static_cast<int>(piece.pixels.bytesPerLine());
    const char* bits = shallow ? reinterpret_cast<const char*>(piece.shallow.data())
                               : reinterpret_cast<const char*>(piece.pixels.constBits());
    XImage* image = XCreateImage(d, nullptr, depth, ZPixmap, 0, const_cast<char*>(bits),
                                 static_cast<unsigned>(size.width()),
                                 static_cast<unsigned>(size.height()), 32, stride);
    if (!image)
        throw DesktopError(QStringLiteral("壁紙の画像を作れません"));
    const QRect source = shallow ? QRect(QPoint(0, 0), size) : piece.source;
    XPutImage(d, target, gc, image, source.x(), source.y(), to.x(), to.y(),
              static_cast<unsigned>(source.width()), static_cast<unsigned>(source.height()));
    image->data = nullptr;  // the piece owns it; Xlib only read it
    XDestroyImage(image);
}

void putPiece(Display* d, Pixmap pixmap, GC gc, const Piece& piece, unsigned depth) {
    if (piece.target.isEmpty())
        return;
    if (!piece.tiled) {
        putPiecePixels(d, pixmap, gc, piece, piece.target.topLeft(), depth);
        return;
    }
    const Pixmap tile = XCreatePixmap(d, pixmap, static_cast<unsigned>(piece.target.width()),
                                      static_cast<unsigned>(piece.target.height()), depth);
    putPiecePixels(d, tile, gc, piece, QPoint(0, 0), depth);
    XSetTile(d, gc, tile);
    XSetTSOrigin(d, gc, piece.area.x(), piece.area.y());
    XSetFillStyle(d, gc, FillTiled);
    XFillRectangle(d, pixmap, gc, piece.area.x(), piece.area.y(),
                   static_cast<unsigned>(piece.area.width()),
                   static_cast<unsigned>(piece.area.height()));
    XSetFillStyle(d, gc, FillSolid);
    XFreePixmap(d, tile);
}

struct Layout {
    std::vector<QRect> monitors;
    QSize screen;
    unsigned depth = 24;
    PixelKind kind = PixelKind::Other;
    ShallowChannels channels;
};

// The desktop drawn by the X server: the colour filled and each monitor's picture put or tiled
// there, so only the pictures' own visible pixels cross the connection, never a screen-sized
// copy. Each monitor's picture is fitted and converted on a thread of its own.
void drawOnServer(Display* d, Pixmap pixmap, GC gc, const QImage& picture, const Layout& layout,
                  WallpaperStyle style, const WallpaperFit& fit, const QColor& background,
                  unsigned long backgroundPixel) {
    XSetForeground(d, gc, backgroundPixel);
    XFillRectangle(d, pixmap, gc, 0, 0, static_cast<unsigned>(layout.screen.width()),
                   static_cast<unsigned>(layout.screen.height()));
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return;
    const std::vector<Piece> pieces = eachMonitor(layout.monitors.size(), [&](size_t i) {
        const QRect area = layout.monitors[i];
        return pieceFor(pictureForMonitor(picture, area.size(), fit, background), area, style,
                        layout.kind, layout.channels);
    });
    // The first (primary) monitor last: where monitors overlap, as mirrors do, it wins.
    for (size_t i = pieces.size(); i-- > 0;)
        putPiece(d, pixmap, gc, pieces[i], layout.depth);
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

// Draws into a new pixmap of the screen with `draw`; frees it again when drawing fails.
template <class Draw>
Pixmap drawPixmap(Display* d, const Layout& layout, Draw draw) {
    const Pixmap pixmap =
        XCreatePixmap(d, DefaultRootWindow(d), static_cast<unsigned>(layout.screen.width()),
                      static_cast<unsigned>(layout.screen.height()), layout.depth);
    GC gc = XCreateGC(d, pixmap, 0, nullptr);
    try {
        draw(pixmap, gc);
    } catch (...) {
        XFreeGC(d, gc);
        XFreePixmap(d, pixmap);
        throw;
    }
    XFreeGC(d, gc);
    return pixmap;
}

}  // namespace

void X11DisplayCloser::operator()(Display* display) const {
    XCloseDisplay(display);
}

X11Desktop::X11Desktop() = default;
X11Desktop::~X11Desktop() = default;

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
    Layout layout;
    layout.monitors = x11Monitors(d, screen);
    layout.screen = QSize(DisplayWidth(d, screen), DisplayHeight(d, screen));
    layout.depth = static_cast<unsigned>(DefaultDepth(d, screen));
    layout.kind = pixelKind(d, screen, layout.depth, layout.channels);
    const bool none = file.isEmpty();

    if (layout.kind == PixelKind::Other) {
        // Colour cells are few: they are taken only once the wallpaper this replaces has given
        // its own back, in show().
        return std::make_unique<X11Prepared>(std::move(display), [=, fit = fit_](Display* shown) {
            PixelMapper pixelOf(shown, screen);
            Drawn drawn{None, pixelOf(background.rgb())};
            if (none)
                return drawn;
            const QImage canvas =
                composeDesktop(picturesForMonitors(picture, layout.monitors, fit, background),
                               layout.monitors, layout.screen, style, background);
            drawn.pixmap = drawPixmap(shown, layout, [&](Pixmap pixmap, GC gc) {
                drawByPixel(shown, screen, pixmap, gc, pixelOf, canvas);
            });
            return drawn;
        });
    }
    PixelMapper pixelOf(d, screen);
    Drawn drawn{None, pixelOf(background.rgb())};
    if (!none) {
        drawn.pixmap = drawPixmap(d, layout, [&](Pixmap pixmap, GC gc) {
            drawOnServer(d, pixmap, gc, picture, layout, style, fit_, background, drawn.background);
        });
    }
    return std::make_unique<X11Prepared>(std::move(display), drawn);
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

void X11Desktop::watchLayout(std::function<void()> changed) {
    if (watch_ || !QCoreApplication::instance())
        return;
    XSetErrorHandler(ignoreXError);
    DisplayPtr display(XOpenDisplay(nullptr));
    int eventBase = 0, errorBase = 0;
    if (!display || !XRRQueryExtension(display.get(), &eventBase, &errorBase))
        return;
    Display* d = display.get();
    XRRSelectInput(d, DefaultRootWindow(d),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    XFlush(d);
    // One change of layout comes as a burst of events: the wallpaper is drawn once, after it.
    watchSettle_ = std::make_unique<QTimer>();
    watchSettle_->setSingleShot(true);
    watchSettle_->setInterval(100);
    QObject::connect(watchSettle_.get(), &QTimer::timeout, std::move(changed));
    watchNotifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(d), QSocketNotifier::Read);
    QObject::connect(watchNotifier_.get(), &QSocketNotifier::activated,
                     [d, eventBase, settle = watchSettle_.get()] {
                         bool layoutChanged = false;
                         while (XPending(d)) {
                             XEvent event;
                             XNextEvent(d, &event);
                             XRRUpdateConfiguration(&event);
                             layoutChanged |= event.type == eventBase + RRScreenChangeNotify ||
                                              event.type == eventBase + RRNotify;
                         }
                         if (layoutChanged)
                             settle->start();
                     });
    watch_ = std::move(display);
}

}  // namespace tesselvane
