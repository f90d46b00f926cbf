/*
 * An example extension plug-in for Tesselvane: draws a frame round every wallpaper, in the
 * colour its setting "Colour" names ("R G B", white when unset).
 *
 * Build it next to the SDK headers with one command:
 *
 *     cc -shared -fPIC -O2 -I.. -o frame.bpi frame.c
 *
 * and put frame.bpi into the program folder; the options dialog then lists it. Plug-ins run
 * in a helper process of their own, not in the program, but every number read from the
 * picture is still checked before it is used.
 */
#include "tesselvane_bpi.h"

#include <stdio.h>
#include <string.h>

/* The host may not offer its settings (an older host, a test): then the defaults hold. */
#pragma weak TesselvaneReadSetting

enum { FRAME_WIDTH = 8 };

TESSELVANE_SPI_EXPORT int32_t GetPlugInInfo(int32_t infono, char* buf) {
    const char* texts[] = {"BPI1", "Frame", "100", "50"};
    if (infono < 0 || infono > 3)
        return 0;
    snprintf(buf, 256, "%s", texts[infono]);
    return 0;
}

/* The colour the settings name, as the bytes of a 24-bit pixel (blue, green, red). */
static void frame_colour(const char* key, unsigned char bgr[3]) {
    unsigned red = 255, green = 255, blue = 255;
    char text[64];
    if (TesselvaneReadSetting && TesselvaneReadSetting(key, "Colour", text, sizeof text) > 0 &&
        sscanf(text, "%u %u %u", &red, &green, &blue) == 3 && red < 256 && green < 256 &&
        blue < 256) {
        /* taken as written */
    } else {
        red = green = blue = 255;
    }
    bgr[0] = (unsigned char)blue;
    bgr[1] = (unsigned char)green;
    bgr[2] = (unsigned char)red;
}

TESSELVANE_SPI_EXPORT int32_t ExecutePlugIn(uintptr_t window, const char* key, void** dib) {
    (void)window;
    if (!dib || !*dib)
        return 0;
    SpiBitmapInfoHeader header;
    memcpy(&header, *dib, sizeof header);
    /* The host hands 24-bit pictures; anything else is left as it is. */
    if (header.biSize != sizeof header || header.biBitCount != 24 || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biWidth > 65535 || header.biHeight > 65535 ||
        header.biHeight < -65535)
        return 0;
    const int width = header.biWidth;
    const int height = header.biHeight > 0 ? header.biHeight : -header.biHeight;
    const size_t stride = (size_t)SPI_DIB_STRIDE(width, 24);
    unsigned char* rows = (unsigned char*)*dib + sizeof header;
    unsigned char bgr[3];
    frame_colour(key, bgr);
    /* The frame is the same whichever way the rows run. */
    for (int y = 0; y < height; ++y) {
        unsigned char* row = rows + (size_t)y * stride;
        const int whole = y < FRAME_WIDTH || y >= height - FRAME_WIDTH;
        for (int x = 0; x < width; ++x) {
            if (whole || x < FRAME_WIDTH || x >= width - FRAME_WIDTH)
                memcpy(row + (size_t)x * 3, bgr, 3);
        }
    }
    return 0;
}
