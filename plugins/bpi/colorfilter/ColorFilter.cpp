#include "ColorFilter.h"

#include "HostSettings.h"

#include <algorithm>

namespace tesselvane::bpi {

namespace {

constexpr char kSubkey[] = "ColorFilter";
constexpr char kEnabled[] = "Enabled";
constexpr char kModeName[] = "Mode";

// Weights in thousandths, rounded half up, each result clamped to 255.
// Grey:  Y = 0.299 R + 0.587 G + 0.114 B (ITU-R BT.601 luma); R = G = B = Y.
// Sepia: R' = 0.393 R + 0.769 G + 0.189 B
//        G' = 0.349 R + 0.686 G + 0.168 B
//        B' = 0.272 R + 0.534 G + 0.131 B
uint8_t weigh(int r, int g, int b, int wr, int wg, int wb) {
    return uint8_t(std::min(255, (wr * r + wg * g + wb * b + 500) / 1000));
}

}  // namespace

FilterSettings FilterSettings::read(const char* hostKey) {
    const HostSettings settings(hostKey, kSubkey);
    FilterSettings result;
    result.enabled = settings.flag(kEnabled, result.enabled);
    result.mode = FilterMode(settings.integer(kModeName, int(result.mode), 0, 1));
    return result;
}

bool FilterSettings::write(const char* hostKey) const {
    const HostSettings settings(hostKey, kSubkey);
    // Both, even when one fails: keep as much of the user's choice as possible.
    const bool ok = settings.writeFlag(kEnabled, enabled);
    return settings.writeInteger(kModeName, int(mode)) && ok;
}

void filterColor(FilterMode mode, uint8_t* bgr) {
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    switch (mode) {
        case FilterMode::Grayscale:
            bgr[0] = bgr[1] = bgr[2] = weigh(r, g, b, 299, 587, 114);
            break;
        case FilterMode::Sepia:
            bgr[2] = weigh(r, g, b, 393, 769, 189);
            bgr[1] = weigh(r, g, b, 349, 686, 168);
            bgr[0] = weigh(r, g, b, 272, 534, 131);
            break;
    }
}

void filterPicture(FilterMode mode, const PackedDib& dib) {
    if (!dib.valid())
        return;
    if (dib.bits() == 8) {
        for (uint32_t i = 0; i < dib.colorCount(); ++i)
            filterColor(mode, dib.colors() + 4 * i);
        return;
    }
    const int bytesPerPixel = dib.bits() / 8;
    for (int y = 0; y < dib.height(); ++y) {
        uint8_t* pixel = dib.row(y);
        for (int x = 0; x < dib.width(); ++x, pixel += bytesPerPixel)
            filterColor(mode, pixel);
    }
}

}  // namespace tesselvane::bpi
