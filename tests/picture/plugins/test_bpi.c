/*
 * One source for the test extension plug-ins; each is built with its own definitions:
 *   TEST_NAME, TEST_TYPE ("BTEST"), TEST_VERSION ("105"), TEST_ORDER ("5")
 *   TEST_NEW_DIB     ExecutePlugIn returns a new 24-bit picture: the given one with its
 *                    colours inverted and TEST_GROW pixels wider
 *   TEST_DRAW        ExecutePlugIn paints its top-left pixel pure red, in place
 *   TEST_NO_SETTING, TEST_NO_EXECUTE   leave that export out
 *   TEST_CRASH_IN, TEST_HANG_IN   the call (IN_...) that crashes or never returns
 *   TEST_SHORT_DIB   ExecutePlugIn returns a new picture whose header claims more rows than
 *                    its block holds
 *   TEST_HUGE_BLOCK  ExecutePlugIn returns a new 1x1 red picture at the start of a 1 GiB block
 *   TEST_LOG_BLOCK   ExecutePlugIn also logs the size of the block it was given
 * Calls are logged to $TESSELVANE_TEST_BPI_LOG with what the plug-in saw.
 */
#include "tesselvane_bpi.h"
#include "tesselvane_dib.h"
#include "test_plugin_faults.h"

#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#ifndef TEST_TYPE
#define TEST_TYPE "BTEST"
#endif
#ifndef TEST_VERSION
#define TEST_VERSION "105"
#endif
#ifndef TEST_ORDER
#define TEST_ORDER "5"
#endif
#ifndef TEST_GROW
#define TEST_GROW 0
#endif

#pragma weak TesselvaneReadSetting
#pragma weak TesselvaneWriteSetting

static void log_line(const char* text) {
    append_log("TESSELVANE_TEST_BPI_LOG", text);
}

TESSELVANE_SPI_EXPORT int32_t GetPlugInInfo(int32_t infono, char* buf) {
    switch (infono) {
        case 0:
            return spi_copy_info(TEST_TYPE, buf, 256);
        case 1:
            return spi_copy_info(TEST_NAME, buf, 256);
        case 2:
            return spi_copy_info(TEST_VERSION, buf, 256);
        case 3:
            return spi_copy_info(TEST_ORDER, buf, 256);
        default:
            return 0;
    }
}

/* The top-left pixel of a bottom-up 24-bit packed DIB, as "r,g,b". */
static void describe(const void* dib, char* text, size_t size) {
    const SpiBitmapInfoHeader* h = (const SpiBitmapInfoHeader*)dib;
    const uint8_t* top = (const uint8_t*)dib + h->biSize +
                         (size_t)SPI_DIB_STRIDE(h->biWidth, 24) * (size_t)(h->biHeight - 1);
    snprintf(text, size, "%dx%d %d,%d,%d", h->biWidth, h->biHeight, top[2], top[1], top[0]);
}

#ifndef TEST_NO_SETTING
TESSELVANE_SPI_EXPORT int32_t SettingPlugIn(uintptr_t window, const char* key, void* dib) {
    (void)window;
    char text[300];
    char seen[64] = "no picture";
    if (dib)
        describe(dib, seen, sizeof seen);
    snprintf(text, sizeof text, "Setting %s %s", key, seen);
    log_line(text);
    fault(IN_SETTING);
    if (TesselvaneWriteSetting) {
        char subkey[256];
        snprintf(subkey, sizeof subkey, "%s\\%s", key, TEST_NAME);
        TesselvaneWriteSetting(subkey, "Opened", "yes");
    }
    return 0;
}
#endif

#ifndef TEST_NO_EXECUTE
TESSELVANE_SPI_EXPORT int32_t ExecutePlugIn(uintptr_t window, const char* key, void** dib) {
    (void)window;
    (void)key;
    char seen[64];
    char text[128];
    describe(*dib, seen, sizeof seen);
    snprintf(text, sizeof text, "Execute %s", seen);
#ifdef TEST_LOG_BLOCK
    snprintf(text, sizeof text, "Execute %s in %s", seen,
             malloc_usable_size(*dib) < 4096 ? "a small block" : "a large block");
#endif
    log_line(text);
    fault(IN_EXECUTE);
    const SpiBitmapInfoHeader* in = (const SpiBitmapInfoHeader*)*dib;
    (void)in;
#ifdef TEST_NEW_DIB
    const int32_t width = in->biWidth + TEST_GROW, height = in->biHeight;
    const uint32_t inStride = SPI_DIB_STRIDE(in->biWidth, 24);
    const uint32_t outStride = SPI_DIB_STRIDE(width, 24);
    uint8_t* out = malloc(sizeof(SpiBitmapInfoHeader) + (size_t)outStride * (size_t)height);
    if (!out)
        return 1;
    SpiBitmapInfoHeader* h = (SpiBitmapInfoHeader*)out;
    memset(h, 0, sizeof *h);
    h->biSize = sizeof *h;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = 24;
    const uint8_t* src = (const uint8_t*)*dib + in->biSize;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = out + sizeof *h + (size_t)outStride * (size_t)y;
        memset(row, 0, outStride);
        for (int32_t x = 0; x < in->biWidth * 3; ++x)
            row[x] = (uint8_t)(255 - src[(size_t)inStride * (size_t)y + (size_t)x]);
    }
    *dib = out; /* the host frees the old block */
#elif defined(TEST_HUGE_BLOCK)
    // Untouched past the picture: the pages cost nothing until someone copies them.
    SpiBitmapInfoHeader* h = malloc((size_t)1 << 30);
    if (!h)
        return 1;
    memset(h, 0, sizeof *h + 4);
    h->biSize = sizeof *h;
    h->biWidth = 1;
    h->biHeight = 1;
    h->biPlanes = 1;
    h->biBitCount = 24;
    uint8_t* pixel = (uint8_t*)(h + 1);
    pixel[2] = 255;
    *dib = h;
#elif defined(TEST_SHORT_DIB)
    SpiBitmapInfoHeader* h = calloc(1, sizeof *h + 16);
    if (!h)
        return 1;
    h->biSize = sizeof *h;
    h->biWidth = 1000;
    h->biHeight = 1000;
    h->biPlanes = 1;
    h->biBitCount = 24;
    *dib = h;
#elif defined(TEST_DRAW)
    uint8_t* top = (uint8_t*)*dib + in->biSize +
                   (size_t)SPI_DIB_STRIDE(in->biWidth, 24) * (size_t)(in->biHeight - 1);
    top[0] = 0;
    top[1] = 0;
    top[2] = 255;
#endif
    return 0;
}
#endif
