/*
 * SPDX-License-Identifier: MIT
 *
 * Helpers for decoder plug-ins: allocate the two blocks GetPicture hands to the host, and
 * copy text answers for GetPluginInfo. Header-only; include it in one source file.
 */
#ifndef TESSELVANE_DIB_H
#define TESSELVANE_DIB_H

#include "tesselvane_spi.h"

#include <stdlib.h>
#include <string.h>

/* The largest picture a plug-in should decode: beyond this the host refuses it anyway. */
#define SPI_MAX_PIXELS (1u << 28)

/* Copies `text` into `buf` as GetPluginInfo must: cut to fit, zero-terminated; returns the
 * number of characters written. */
static inline int32_t spi_copy_info(const char* text, char* buf, int32_t buflen) {
    if (buf == NULL || buflen <= 0)
        return 0;
    size_t n = strlen(text);
    if (n > (size_t)buflen - 1)
        n = (size_t)buflen - 1;
    memcpy(buf, text, n);
    buf[n] = '\0';
    return (int32_t)n;
}

/*
 * Allocates the blocks of a bottom-up picture of `width` x `height` pixels at `bits` per
 * pixel (1, 4, 8, 24 or 32) with `colors` colour-table entries. The header is filled in; the
 * colour table and the pixels are zeroed. Returns SPI_SUCCESS, or SPI_NO_MEMORY (nothing
 * allocated) when the size is absurd or memory is short.
 */
static inline int32_t spi_alloc_dib(int32_t width, int32_t height, uint16_t bits, uint32_t colors,
                                    void** info_block, void** pixel_block) {
    *info_block = NULL;
    *pixel_block = NULL;
    if (width <= 0 || height <= 0 || colors > 256)
        return SPI_NO_MEMORY;
    if ((uint64_t)width * (uint64_t)height > SPI_MAX_PIXELS)
        return SPI_NO_MEMORY;
    const uint64_t stride = SPI_DIB_STRIDE(width, bits);
    const uint64_t image = stride * (uint64_t)height;
    SpiBitmapInfoHeader* header =
        (SpiBitmapInfoHeader*)calloc(1, sizeof(SpiBitmapInfoHeader) + 4u * colors);
    void* pixels = calloc(1, (size_t)image);
    if (header == NULL || pixels == NULL) {
        free(header);
        free(pixels);
        return SPI_NO_MEMORY;
    }
    header->biSize = sizeof(SpiBitmapInfoHeader);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = bits;
    header->biCompression = SPI_BI_RGB;
    header->biSizeImage = (uint32_t)image;
    header->biClrUsed = colors;
    *info_block = header;
    *pixel_block = pixels;
    return SPI_SUCCESS;
}

/* The colour table that follows the header. */
static inline uint8_t* spi_dib_colors(void* info_block) {
    return (uint8_t*)info_block + sizeof(SpiBitmapInfoHeader);
}

/* Row `y` counted from the top of the picture, in a bottom-up pixel block. */
static inline uint8_t* spi_dib_row(void* info_block, void* pixel_block, int32_t y) {
    const SpiBitmapInfoHeader* h = (const SpiBitmapInfoHeader*)info_block;
    const size_t stride = (size_t)SPI_DIB_STRIDE(h->biWidth, h->biBitCount);
    return (uint8_t*)pixel_block + (size_t)stride * (size_t)(h->biHeight - 1 - y);
}

#endif /* TESSELVANE_DIB_H */
