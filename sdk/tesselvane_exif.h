/*
 * SPDX-License-Identifier: MIT
 *
 * Helpers for pictures that carry an EXIF orientation (JPEG, WebP and others): read the
 * orientation from the EXIF block, and turn the pixels so that the picture shows upright.
 * Header-only, plain C that works from C++ as well; Tesselvane's own JPEG reader uses them too.
 */
#ifndef TESSELVANE_EXIF_H
#define TESSELVANE_EXIF_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

/* Orientation 1 is the picture as stored; 5 to 8 show it with width and height swapped. */
#define SPI_ORIENTATION_AS_STORED 1

static inline uint32_t spi_exif_u16_(const uint8_t* p, int big_endian) {
    return big_endian ? (uint32_t)p[0] << 8 | p[1] : (uint32_t)p[1] << 8 | p[0];
}

static inline uint32_t spi_exif_u32_(const uint8_t* p, int big_endian) {
    return big_endian ? spi_exif_u16_(p, 1) << 16 | spi_exif_u16_(p + 2, 1)
                      : spi_exif_u16_(p + 2, 0) << 16 | spi_exif_u16_(p, 0);
}

/*
 * The orientation (1 to 8) that the EXIF block of `size` bytes names: the block is a TIFF
 * header and its first directory, as a WebP's EXIF chunk holds it, or with "Exif\0\0" in front
 * as in a JPEG's APP1 marker. A block that is damaged anywhere on the way, or that names no
 * orientation or one out of range, gives 1: the picture as stored.
 */
static inline int spi_exif_orientation(const uint8_t* exif, size_t size) {
    if (exif == NULL)
        return SPI_ORIENTATION_AS_STORED;
    if (size >= 6 && memcmp(exif, "Exif\0\0", 6) == 0) {
        exif += 6;
        size -= 6;
    }
    if (size < 8)
        return SPI_ORIENTATION_AS_STORED;
    int big_endian = 0;
    if (exif[0] == 'M' && exif[1] == 'M')
        big_endian = 1;
    else if (exif[0] != 'I' || exif[1] != 'I')
        return SPI_ORIENTATION_AS_STORED;
    if (spi_exif_u16_(exif + 2, big_endian) != 42)
        return SPI_ORIENTATION_AS_STORED;
    const uint32_t directory = spi_exif_u32_(exif + 4, big_endian);
    if (directory < 8 || directory > size || size - directory < 2)
        return SPI_ORIENTATION_AS_STORED;
    const uint32_t entries = spi_exif_u16_(exif + directory, big_endian);
    /* A directory cut short is a damaged one: none of it is trusted. */
    if (entries > (size - directory - 2) / 12)
        return SPI_ORIENTATION_AS_STORED;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* entry = exif + directory + 2 + (size_t)12 * i;
        if (spi_exif_u16_(entry, big_endian) != 0x0112)
            continue;
        /* One SHORT, stored in the entry itself. */
        if (spi_exif_u16_(entry + 2, big_endian) != 3 || spi_exif_u32_(entry + 4, big_endian) != 1)
            return SPI_ORIENTATION_AS_STORED;
        const uint32_t orientation = spi_exif_u16_(entry + 8, big_endian);
        return orientation >= 1 && orientation <= 8 ? (int)orientation : SPI_ORIENTATION_AS_STORED;
    }
    return SPI_ORIENTATION_AS_STORED;
}

/* Whether a picture of this orientation shows with its width and height swapped. */
static inline int spi_orientation_swaps_sides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

/*
 * Copies a picture of `width` x `height` pixels of `bytes` bytes each (1 to 4) from `src` to
 * `dst`, turned as `orientation` says so that it shows upright: `dst` is `height` x `width`
 * pixels when spi_orientation_swaps_sides(orientation). Strides are in bytes between one row
 * and the next one down; a negative one walks a bottom-up block (point at its top row). The
 * two blocks must not overlap. One pass over the pixels, in tiles that stay in the cache when
 * rows become columns.
 */
static inline void spi_orient_pixels(const uint8_t* src, ptrdiff_t src_stride, int32_t width,
                                     int32_t height, int bytes, int orientation, uint8_t* dst,
                                     ptrdiff_t dst_stride) {
    const int swaps = spi_orientation_swaps_sides(orientation);
    const ptrdiff_t last_x = (ptrdiff_t)(swaps ? height : width) - 1; /* of dst */
    const ptrdiff_t last_y = (ptrdiff_t)(swaps ? width : height) - 1;
    /* Where source pixel (0, 0) lands, and how far one step right and one step down in the
     * source move in dst. */
    ptrdiff_t origin = 0;
    ptrdiff_t step_x = bytes;
    ptrdiff_t step_y = dst_stride;
    switch (orientation) {
        case 2: /* mirrored left to right */
            origin = last_x * bytes, step_x = -bytes, step_y = dst_stride;
            break;
        case 3: /* turned half round */
            origin = last_y * dst_stride + last_x * bytes, step_x = -bytes, step_y = -dst_stride;
            break;
        case 4: /* mirrored top to bottom */
            origin = last_y * dst_stride, step_x = bytes, step_y = -dst_stride;
            break;
        case 5: /* rows become columns */
            origin = 0, step_x = dst_stride, step_y = bytes;
            break;
        case 6: /* turned a quarter clockwise */
            origin = last_x * bytes, step_x = dst_stride, step_y = -bytes;
            break;
        case 7: /* rows become columns, both reversed */
            origin = last_y * dst_stride + last_x * bytes, step_x = -dst_stride, step_y = -bytes;
            break;
        case 8: /* turned a quarter anticlockwise */
            origin = last_y * dst_stride, step_x = -dst_stride, step_y = bytes;
            break;
        default:
            break;
    }
    const int32_t tile = swaps ? 64 : width;
    for (int32_t top = 0; top < height; top += tile) {
        const int32_t bottom = height - top < tile ? height : top + tile;
        for (int32_t left = 0; left < width; left += tile) {
            const int32_t count = width - left < tile ? width - left : tile;
            for (int32_t y = top; y < bottom; ++y) {
                const uint8_t* s = src + (ptrdiff_t)y * src_stride + (ptrdiff_t)left * bytes;
                uint8_t* d = dst + origin + (ptrdiff_t)y * step_y + (ptrdiff_t)left * step_x;
                /* A copy of constant size per case becomes one load and one store. */
                switch (bytes) {
                    case 1:
                        for (int32_t x = 0; x < count; ++x, s += 1, d += step_x)
                            *d = *s;
                        break;
                    case 3:
                        for (int32_t x = 0; x < count; ++x, s += 3, d += step_x)
                            memcpy(d, s, 3);
                        break;
                    case 4:
                        for (int32_t x = 0; x < count; ++x, s += 4, d += step_x)
                            memcpy(d, s, 4);
                        break;
                    default:
                        for (int32_t x = 0; x < count; ++x, s += bytes, d += step_x)
                            memcpy(d, s, (size_t)bytes);
                        break;
                }
            }
        }
    }
}

#endif /* TESSELVANE_EXIF_H */
