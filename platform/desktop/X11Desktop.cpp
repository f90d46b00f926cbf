#include "platform/desktop/X11Desktop.h"

#include "platform/InterfaceLanguage.h"
#include "platform/desktop/DesktopComposition.h"
#include "platform/desktop/X11Monitors.h"
#include "platform/desktop/X11Pixels.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace tesselvane {

namespace {

// Xlib's default handler ends the process; a failed request must only fail the change.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

using DisplayPtr = std::unique_ptr<Display, X11DisplayCloser>;

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
        throw DesktopError(interfaceText("X11Desktop", "壁紙の画像を作れません"));
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
void drawOnServer(Display* d, Pixmap pixmap, GC gc, const WallpaperRequest& request,
                  const Layout& layout, unsigned long backgroundPixel) {
    XSetForeground(d, gc, backgroundPixel);
    XFillRectangle(d, pixmap, gc, 0, 0, static_cast<unsigned>(layout.screen.width()),
                   static_cast<unsigned>(layout.screen.height()));
    const QImage& picture = request.picture;
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return;
    const std::vector<Piece> pieces = eachMonitor(layout.monitors.size(), [&](size_t i) {
        const QRect area = layout.monitors[i];
        return pieceFor(pictureForMonitor(pictureOfMonitor(request, picture, layout.monitors, i),
                                          area.size(), request.fit, request.background),
                        area, request.style, layout.kind, layout.channels);
    });
    // The first (primary) monitor last: where monitors overlap, as mirrors do, it wins.
    for (size_t i = pieces.size(); i-- > 0;)
        putPiece(d, pixmap, gc, pieces[i], layout.depth);
}

// Any other screen: the desktop composed here and each pixel mapped to the visual.
void drawByPixel(Display* d, int screen, Pixmap pixmap, GC gc, PixelMapper& pixelOf,
                 const QImage& canvas) {
    if (canvas.isNull())
        throw DesktopError(interfaceText("X11Desktop", "壁紙の画像を作るメモリが足りません"));
    const unsigned depth = static_cast<unsigned>(DefaultDepth(d, screen));
    XImage* image = XCreateImage(d, DefaultVisual(d, screen), depth, ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(canvas.width()),
                                 static_cast<unsigned>(canvas.height()), 32, 0);
    if (!image)
        throw DesktopError(interfaceText("X11Desktop", "壁紙の画像を作れません"));
    image->data = static_cast<char*>(
        std::malloc(static_cast<size_t>(image->bytes_per_line) * canvas.height()));
    if (!image->data) {
        XDestroyImage(image);
        throw DesktopError(interfaceText("X11Desktop", "壁紙の画像を作るメモリが足りません"));
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

std::unique_ptr<PreparedWallpaper> X11Desktop::prepare(const WallpaperRequest& request) {
    // A picture that is only in the file must wait until the file is complete.
    if (!request.file.isEmpty() && request.picture.isNull())
        return DesktopBackend::prepare(request);

    XSetErrorHandler(ignoreXError);
    DisplayPtr display = warm_ ? std::move(warm_) : DisplayPtr(XOpenDisplay(nullptr));
    if (!display) {
        throw DesktopError(interfaceText("X11Desktop", "X ディスプレイ %1 に接続できません")
                               .arg(qEnvironmentVariable(
                                   "DISPLAY", interfaceText("X11Desktop", "(DISPLAY が空です)"))));
    }
    Display* d = display.get();
    const int screen = DefaultScreen(d);
    Layout layout;
    layout.monitors = x11Monitors(d, screen);
    layout.screen = QSize(DisplayWidth(d, screen), DisplayHeight(d, screen));
    layout.depth = static_cast<unsigned>(DefaultDepth(d, screen));
    layout.kind = pixelKind(d, screen, layout.depth, layout.channels);
    const bool none = request.file.isEmpty();

    if (layout.kind == PixelKind::Other) {
        // Colour cells are few: they are taken only once the wallpaper this replaces has given
        // its own back, in show().
        return std::make_unique<X11Prepared>(std::move(display), [=](Display* shown) {
            PixelMapper pixelOf(shown, screen);
            Drawn drawn{None, pixelOf(request.background.rgb())};
            if (none)
                return drawn;
            const QImage canvas =
                composeDesktop(picturesForMonitors(request, request.picture, layout.monitors),
                               layout.monitors, layout.screen, request.style, request.background);
            drawn.pixmap = drawPixmap(shown, layout, [&](Pixmap pixmap, GC gc) {
                drawByPixel(shown, screen, pixmap, gc, pixelOf, canvas);
            });
            return drawn;
        });
    }
    PixelMapper pixelOf(d, screen);
    Drawn drawn{None, pixelOf(request.background.rgb())};
    if (!none) {
        drawn.pixmap = drawPixmap(d, layout, [&](Pixmap pixmap, GC gc) {
            drawOnServer(d, pixmap, gc, request, layout, drawn.background);
        });
    }
    return std::make_unique<X11Prepared>(std::move(display), drawn);
}

void X11Desktop::apply(const WallpaperRequest& request) {
    WallpaperRequest read = request;
    if (!read.file.isEmpty() && read.picture.isNull()) {
        read.picture = QImage(read.file);
        if (read.picture.isNull())
            throw DesktopError(
                interfaceText("X11Desktop", "壁紙 %1 を読み込めません").arg(read.file));
    }
    prepare(read)->show();
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
