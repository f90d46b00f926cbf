#include "platform/desktop/X11Pixels.h"

#include "platform/DesktopBackend.h"
#include "platform/InterfaceLanguage.h"
#include "platform/desktop/DesktopComposition.h"

#include <QHash>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace tesselvane {

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
            const auto cell =
                static_cast<size_t>(cellRow) + static_cast<size_t>((origin.x() + x) & 7);
            const QRgb rgb = row[static_cast<size_t>(x)];
            dst[x] = static_cast<uint16_t>(red[cell][static_cast<size_t>(qRed(rgb))] |
                                           green[cell][static_cast<size_t>(qGreen(rgb))] |
                                           blue[cell][static_cast<size_t>(qBlue(rgb))]);
        }
    }
    return out;
}

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

QImage asScreenPixels(const QImage& picture, QRect& source) {
    if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32)
        return picture;
    QImage part(source.size(), QImage::Format_RGB32);
    if (part.isNull())
        throw DesktopError(interfaceText("X11Pixels", "壁紙の画像を作るメモリが足りません"));
    for (int y = 0; y < source.height(); ++y) {
        rowAsRgb(picture, source.y() + y, source.x(), source.width(),
                 reinterpret_cast<QRgb*>(part.scanLine(y)));
    }
    source.moveTopLeft(QPoint(0, 0));
    return part;
}

struct PixelMapper::Screen {
    Display* display;
    Visual* visual;
    Colormap colormap;
    bool trueColour;
    QHash<QRgb, unsigned long> cache;
    std::vector<XColor> cells;  // the colormap, read when first needed
};

namespace {

unsigned long channel(int value, unsigned long mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long v = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8)
                                      : static_cast<unsigned long>(value) >> (8 - bits);
    return (v << shift) & mask;
}

}  // namespace

PixelMapper::PixelMapper(Display* display, int screen)
    : screen_(std::make_unique<Screen>(Screen{display,
                                              DefaultVisual(display, screen),
                                              DefaultColormap(display, screen),
                                              true,
                                              {},
                                              {}})) {
    screen_->trueColour =
        screen_->visual->c_class == TrueColor || screen_->visual->c_class == DirectColor;
}

PixelMapper::~PixelMapper() = default;

unsigned long PixelMapper::operator()(QRgb rgb) {
    Screen& s = *screen_;
    if (s.trueColour) {
        return channel(qRed(rgb), s.visual->red_mask) | channel(qGreen(rgb), s.visual->green_mask) |
               channel(qBlue(rgb), s.visual->blue_mask);
    }
    const QRgb key = rgb & 0xFFFFFFu;
    if (const auto found = s.cache.constFind(key); found != s.cache.constEnd())
        return *found;
    XColor colour{};
    colour.red = static_cast<unsigned short>(qRed(rgb) * 257);
    colour.green = static_cast<unsigned short>(qGreen(rgb) * 257);
    colour.blue = static_cast<unsigned short>(qBlue(rgb) * 257);
    colour.flags = DoRed | DoGreen | DoBlue;
    unsigned long pixel = 0;
    if (XAllocColor(s.display, s.colormap, &colour)) {
        pixel = colour.pixel;
    } else {
        // The map is full: the nearest cell already there.
        if (s.cells.empty()) {
            const int count = std::min(s.visual->map_entries, 256);
            s.cells.resize(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i)
                s.cells[static_cast<size_t>(i)].pixel = static_cast<unsigned long>(i);
            XQueryColors(s.display, s.colormap, s.cells.data(), count);
        }
        long bestDistance = -1;
        for (const XColor& c : s.cells) {
            const long dr = qRed(rgb) - c.red / 257, dg = qGreen(rgb) - c.green / 257,
                       db = qBlue(rgb) - c.blue / 257;
            const long distance = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                pixel = c.pixel;
            }
        }
    }
    s.cache.insert(key, pixel);
    return pixel;
}

}  // namespace tesselvane
