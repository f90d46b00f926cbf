/*
 * SPDX-License-Identifier: MIT
 *
 * Tesselvane decoder plug-in interface (*.spi).
 *
 * A decoder plug-in is an ELF shared object with the extension .spi that exports the four
 * functions below with C linkage and default visibility. Tesselvane loads every .spi of its
 * plug-in folder and offers it the pictures that it does not read itself (everything but
 * BMP, and JPEG files named .jpg).
 *
 * Text is UTF-8 and zero-terminated. Integers are fixed-width; every multi-byte field of the
 * bitmap blocks is little-endian.
 */
#ifndef TESSELVANE_SPI_H
#define TESSELVANE_SPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define TESSELVANE_SPI_EXPORT __attribute__((visibility("default")))
#else
#define TESSELVANE_SPI_EXPORT
#endif

/* Results of GetPictureInfo and GetPicture. */
enum {
    SPI_SUCCESS = 0,
    SPI_NOT_IMPLEMENTED = -1,
    SPI_ABORTED = 1, /* the progress callback asked to stop */
    SPI_UNKNOWN_FORMAT = 2,
    SPI_BROKEN_DATA = 3,
    SPI_NO_MEMORY = 4,
    SPI_MEMORY_ERROR = 5,
    SPI_FILE_READ_ERROR = 6,
    SPI_INTERNAL_ERROR = 8,
};

/* What GetPictureInfo reports. Packed to one byte, as the interface has always had it. */
#pragma pack(push, 1)
typedef struct SpiPictureInfo {
    int32_t left, top;     /* where the picture is placed; 0, 0 for most formats */
    int32_t width, height; /* in pixels */
    uint16_t x_density;    /* pixels per metre, 0 when unknown */
    uint16_t y_density;
    int16_t colorDepth; /* bits per pixel of the picture as stored */
    void* hInfo; /* text information (malloc'd, zero-terminated) or NULL; the host frees it */
} SpiPictureInfo;
#pragma pack(pop)

/* The 40-byte bitmap information header that starts the info block of GetPicture, in the
 * Windows layout. The colour table follows it: biClrUsed entries, or 2^biBitCount when
 * biClrUsed is 0 and biBitCount is 8 or less; each entry is blue, green, red, 0. */
#pragma pack(push, 1)
typedef struct SpiBitmapInfoHeader {
    uint32_t biSize; /* 40 */
    int32_t biWidth;
    int32_t biHeight;       /* > 0: rows bottom-up; < 0: rows top-down */
    uint16_t biPlanes;      /* 1 */
    uint16_t biBitCount;    /* 1, 4, 8, 16, 24 or 32 */
    uint32_t biCompression; /* SPI_BI_RGB, or SPI_BI_BITFIELDS for 16 and 32 bits */
    uint32_t biSizeImage;   /* bytes of the pixel block; 0 lets the host compute it */
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed; /* entries of the colour table; 0 = the full table for 8 bits or less */
    uint32_t biClrImportant;
} SpiBitmapInfoHeader;
#pragma pack(pop)

enum { SPI_BI_RGB = 0, SPI_BI_BITFIELDS = 3 };

/* Rows of the pixel block are padded to a multiple of 4 bytes. Computed in 64 bits, so that
 * no width a hostile header may give wraps it round. */
#define SPI_DIB_STRIDE(width, bits) \
    ((((uint64_t)(uint32_t)(width) * (uint32_t)(bits) + 31u) / 32u) * 4u)

/*
 * Fills `buf` (`buflen` bytes, zero-terminated) with text number `infono` and returns the
 * number of characters written, or 0 when there is no such number:
 *   0        the interface version: "00IN" for a picture import filter
 *   1        the plug-in's name and author, for people
 *   2k + 2   the file pattern(s) of picture type k, e.g. "*.png" or "*.tif;*.tiff"
 *   2k + 3   the description of picture type k, e.g. "PNG file"
 * The host passes buflen 255 for number 0 and the patterns, 32 for the descriptions.
 */
TESSELVANE_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen);

/*
 * Non-zero when the plug-in reads the file. `fd` is the file, open for reading and positioned
 * at the offset the host asks about: 0 first, then 128 (for files that carry a 128-byte header
 * in front of the picture). Read what you need from the current position; do not close it.
 */
TESSELVANE_SPI_EXPORT int32_t IsSupported(const char* filename, intptr_t fd);

/*
 * Describes the picture that starts at `offset` in the file. `flag` 0 means `filename` names
 * a file (the only form Tesselvane uses). Returns SPI_SUCCESS or an error code.
 */
TESSELVANE_SPI_EXPORT int32_t GetPictureInfo(const char* filename, intptr_t offset, uint32_t flag,
                                             SpiPictureInfo* info);

/*
 * Decodes the picture that starts at `offset`. On SPI_SUCCESS `*info_block` holds a malloc'd
 * SpiBitmapInfoHeader followed by its colour table, and `*pixel_block` a malloc'd block of
 * pixel rows as that header describes them; the host owns and frees both. On failure the
 * plug-in frees what it allocated. `progress` may be NULL; when given, call it now and then
 * with the work done so far, and stop with SPI_ABORTED when it returns non-zero.
 */
TESSELVANE_SPI_EXPORT int32_t GetPicture(
    const char* filename, intptr_t offset, uint32_t flag, void** info_block, void** pixel_block,
    int32_t (*progress)(int32_t num, int32_t denom, intptr_t data), intptr_t data);

#ifdef __cplusplus
}
#endif

#endif /* TESSELVANE_SPI_H */
