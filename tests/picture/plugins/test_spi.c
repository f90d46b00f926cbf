/*
 * One source for the test decoder plug-ins; each is built with its own definitions:
 *   TEST_NAME        name written to the call log
 *   TEST_VERSION     version text (default "00IN")
 *   TEST_MAGIC       4 bytes a file must have at the offset asked about
 *   TEST_ONLY_AT_128 accept only when asked at offset 128
 *   TEST_NO_ISSUPPORTED, TEST_FAIL_GETPICTURE, TEST_HOSTILE_HEADER
 *   TEST_CRASH_IN, TEST_HANG_IN   the call (IN_...) that crashes or never returns
 *   TEST_CLOSE_FD    IsSupported closes the descriptor it was lent
 *   TEST_BITS        24 (default) or 8; TEST_CLR_USED the 8-bit colour count field
 * A file read by them holds, at its offset: the magic, then red, green, blue, width, height.
 * Every call is appended to the file named by $TESSELVANE_TEST_SPI_LOG, when set.
 */
#include "tesselvane_dib.h"
#include "test_plugin_faults.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#ifndef TEST_VERSION
#define TEST_VERSION "00IN"
#endif
#ifndef TEST_BITS
#define TEST_BITS 24
#endif
#ifndef TEST_CLR_USED
#define TEST_CLR_USED 0
#endif

static void log_call(const char* what, long position) {
    char line[256];
    snprintf(line, sizeof line, "%s@%ld", what, position);
    append_log("TESSELVANE_TEST_SPI_LOG", line);
}

TESSELVANE_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    if (infono == 0) {
#ifdef TEST_HANG_IN
        /* So that a test can tell whether the host asked the one that hangs again. */
        if (TEST_HANG_IN == IN_INFO)
            log_call("GetPluginInfo", 0);
#endif
        fault(IN_INFO);
    }
    switch (infono) {
        case 0:
            return spi_copy_info(TEST_VERSION, buf, buflen);
        case 1:
            return spi_copy_info("test plug-in " TEST_NAME, buf, buflen);
        case 2:
            return spi_copy_info("*." TEST_NAME, buf, buflen);
        case 3:
            return spi_copy_info(TEST_NAME " pictures", buf, buflen);
        default:
            return 0;
    }
}

#ifndef TEST_NO_ISSUPPORTED
TESSELVANE_SPI_EXPORT int32_t IsSupported(const char* filename, intptr_t fd) {
    (void)filename;
    const long position = (long)lseek((int)fd, 0, SEEK_CUR);
    log_call("IsSupported", position);
    fault(IN_SUPPORTED);
#ifdef TEST_ONLY_AT_128
    if (position != 128)
        return 0;
#endif
    char magic[4];
    if (read((int)fd, magic, 4) != 4)
        return 0;
#ifdef TEST_CLOSE_FD
    close((int)fd);
#endif
    return memcmp(magic, TEST_MAGIC, 4) == 0;
}
#endif

/* The colour and size stored after the magic. */
static int read_picture(const char* filename, intptr_t offset, unsigned char fields[5]) {
    const int fd = open(filename, O_RDONLY);
    if (fd < 0)
        return 0;
    unsigned char buffer[9];
    const int ok = pread(fd, buffer, 9, (off_t)offset) == 9 && memcmp(buffer, TEST_MAGIC, 4) == 0;
    close(fd);
    if (ok)
        memcpy(fields, buffer + 4, 5);
    return ok;
}

TESSELVANE_SPI_EXPORT int32_t GetPictureInfo(const char* filename, intptr_t offset, uint32_t flag,
                                             SpiPictureInfo* info) {
    (void)flag;
    log_call("GetPictureInfo", (long)offset);
    fault(IN_PICTURE_INFO);
    unsigned char f[5];
    if (!read_picture(filename, offset, f))
        return SPI_UNKNOWN_FORMAT;
    memset(info, 0, sizeof *info);
    info->width = f[3];
    info->height = f[4];
    info->colorDepth = TEST_BITS;
    info->hInfo = strdup("text the host must free");
    return SPI_SUCCESS;
}

TESSELVANE_SPI_EXPORT int32_t GetPicture(const char* filename, intptr_t offset, uint32_t flag,
                                         void** info_block, void** pixel_block,
                                         int32_t (*progress)(int32_t, int32_t, intptr_t),
                                         intptr_t data) {
    (void)flag;
    (void)progress;
    (void)data;
    log_call("GetPicture", (long)offset);
#ifdef TEST_FORK_THEN_CRASH
    /* A child that holds every descriptor the helper has, its socket too, and sleeps. */
    const pid_t child = fork();
    if (child == 0) {
        for (;;)
            pause();
    }
    log_call("forked", (long)child);
    *(volatile int*)0 = 1;
#endif
    fault(IN_PICTURE);
#ifdef TEST_FAIL_GETPICTURE
    (void)filename;
    (void)info_block;
    (void)pixel_block;
    return SPI_BROKEN_DATA;
#else
    unsigned char f[5];
    if (!read_picture(filename, offset, f))
        return SPI_UNKNOWN_FORMAT;
#ifdef TEST_HOSTILE_HEADER
    /* A header that promises far more than the blocks hold. */
    SpiBitmapInfoHeader* h = calloc(1, sizeof *h);
    *pixel_block = calloc(1, 100);
    h->biSize = 40;
    h->biWidth = 4000;
    h->biHeight = 3000;
    h->biPlanes = 1;
    h->biBitCount = 8;
    h->biSizeImage = 0x7fffffff;
    h->biClrUsed = 200;
    *info_block = h;
    return SPI_SUCCESS;
#else
    const uint32_t table = TEST_BITS == 8 ? (TEST_CLR_USED ? TEST_CLR_USED : 256) : 0;
    int32_t result =
        spi_alloc_dib(f[3], f[4], TEST_BITS, table > 256 ? 256 : table, info_block, pixel_block);
    if (result != SPI_SUCCESS)
        return result;
    if (TEST_BITS == 8) {
        /* Every pixel takes colour 1; a table of more than 256 entries is asked for. */
        if (table > 256) {
            void* bigger = realloc(*info_block, sizeof(SpiBitmapInfoHeader) + 4 * table);
            if (!bigger) {
                free(*info_block);
                free(*pixel_block);
                return SPI_NO_MEMORY;
            }
            *info_block = bigger;
            memset(spi_dib_colors(*info_block), 0, 4 * table);
        }
        ((SpiBitmapInfoHeader*)*info_block)->biClrUsed = TEST_CLR_USED;
        uint8_t* colours = spi_dib_colors(*info_block);
        colours[4] = f[2];
        colours[5] = f[1];
        colours[6] = f[0];
        for (int32_t y = 0; y < f[4]; ++y)
            memset(spi_dib_row(*info_block, *pixel_block, y), 1, f[3]);
    } else {
        for (int32_t y = 0; y < f[4]; ++y) {
            uint8_t* row = spi_dib_row(*info_block, *pixel_block, y);
            for (int x = 0; x < f[3]; ++x) {
                row[3 * x] = f[2];
                row[3 * x + 1] = f[1];
                row[3 * x + 2] = f[0];
            }
        }
    }
    return SPI_SUCCESS;
#endif
#endif
}
