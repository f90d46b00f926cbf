/*
 * An example decoder plug-in for Tesselvane: binary PPM pictures ("P6", maxval up to 255).
 *
 * Build it next to the SDK headers with one command:
 *
 *     cc -shared -fPIC -O2 -I.. -o ppm.spi ppm.c
 *
 * and put ppm.spi into the plug-in folder. Everything read from the file is checked before it
 * is used: a plug-in runs in a helper process of the program, and a hostile file must not be
 * able to crash it.
 */
#define _FILE_OFFSET_BITS 64
#define _POSIX_C_SOURCE 200809L

#include "tesselvane_dib.h"
#include "tesselvane_spi.h"

#include <stdio.h>
#include <unistd.h>

typedef struct PpmHeader {
    uint32_t width;
    uint32_t height;
    uint32_t maxval;
} PpmHeader;

static int is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

/* Skips whitespace and comments, then reads a decimal number of at most `limit` and the one
 * whitespace byte that must end it. */
static int read_number(FILE* file, uint32_t limit, uint32_t* value) {
    int c = getc(file);
    for (;;) {
        if (c == '#') {
            while (c != '\n' && c != '\r' && c != EOF)
                c = getc(file);
        } else if (is_space(c)) {
            c = getc(file);
        } else {
            break;
        }
    }
    if (c < '0' || c > '9')
        return 0;
    uint32_t v = 0;
    while (c >= '0' && c <= '9') {
        const uint32_t digit = (uint32_t)(c - '0');
        if (v > (limit - digit) / 10)
            return 0;
        v = v * 10 + digit;
        c = getc(file);
    }
    if (!is_space(c))
        return 0;
    *value = v;
    return 1;
}

/* Opens the picture at `offset` and reads its header; on success the file stands at the first
 * pixel and the caller closes it. */
static int32_t open_picture(const char* filename, intptr_t offset, FILE** out, PpmHeader* header) {
    *out = NULL;
    if (filename == NULL || offset < 0)
        return SPI_FILE_READ_ERROR;
    FILE* file = fopen(filename, "rb");
    if (file == NULL)
        return SPI_FILE_READ_ERROR;
    if (fseeko(file, (off_t)offset, SEEK_SET) != 0) {
        fclose(file);
        return SPI_FILE_READ_ERROR;
    }
    if (getc(file) != 'P' || getc(file) != '6' || !is_space(getc(file))) {
        fclose(file);
        return SPI_UNKNOWN_FORMAT;
    }
    if (!read_number(file, SPI_MAX_PIXELS, &header->width) ||
        !read_number(file, SPI_MAX_PIXELS, &header->height) ||
        !read_number(file, 65535, &header->maxval) || header->width == 0 || header->height == 0 ||
        header->maxval == 0) {
        fclose(file);
        return SPI_BROKEN_DATA;
    }
    if (header->maxval > 255) { /* two bytes a sample: valid, but not read here */
        fclose(file);
        return SPI_UNKNOWN_FORMAT;
    }
    if ((uint64_t)header->width * header->height > SPI_MAX_PIXELS) {
        fclose(file);
        return SPI_NO_MEMORY;
    }
    *out = file;
    return SPI_SUCCESS;
}

TESSELVANE_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    switch (infono) {
        case 0:
            return spi_copy_info("00IN", buf, buflen);
        case 1:
            return spi_copy_info("PPM example plug-in", buf, buflen);
        case 2:
            return spi_copy_info("*.ppm", buf, buflen);
        case 3:
            return spi_copy_info("PPM file", buf, buflen);
        default:
            return 0;
    }
}

TESSELVANE_SPI_EXPORT int32_t IsSupported(const char* filename, intptr_t fd) {
    unsigned char head[3];
    size_t have = 0;
    (void)filename; /* the contents decide, never the name */
    while (have < sizeof head) {
        const ssize_t got = read((int)fd, head + have, sizeof head - have);
        if (got <= 0)
            return 0;
        have += (size_t)got;
    }
    return head[0] == 'P' && head[1] == '6' && is_space(head[2]);
}

TESSELVANE_SPI_EXPORT int32_t GetPictureInfo(const char* filename, intptr_t offset, uint32_t flag,
                                             SpiPictureInfo* info) {
    FILE* file;
    PpmHeader header;
    if (flag != 0)
        return SPI_NOT_IMPLEMENTED;
    const int32_t result = open_picture(filename, offset, &file, &header);
    if (result != SPI_SUCCESS)
        return result;
    fclose(file);
    memset(info, 0, sizeof *info);
    info->width = (int32_t)header.width;
    info->height = (int32_t)header.height;
    info->colorDepth = 24;
    info->hInfo = NULL;
    return SPI_SUCCESS;
}

TESSELVANE_SPI_EXPORT int32_t GetPicture(const char* filename, intptr_t offset, uint32_t flag,
                                         void** info_block, void** pixel_block,
                                         int32_t (*progress)(int32_t, int32_t, intptr_t),
                                         intptr_t data) {
    FILE* file;
    PpmHeader header;
    *info_block = NULL;
    *pixel_block = NULL;
    if (flag != 0)
        return SPI_NOT_IMPLEMENTED;
    int32_t result = open_picture(filename, offset, &file, &header);
    if (result != SPI_SUCCESS)
        return result;
    void* info = NULL;
    void* pixels = NULL;
    result = spi_alloc_dib((int32_t)header.width, (int32_t)header.height, 24, 0, &info, &pixels);
    for (uint32_t y = 0; result == SPI_SUCCESS && y < header.height; ++y) {
        if (progress != NULL && y % 64 == 0 &&
            progress((int32_t)y, (int32_t)header.height, data) != 0) {
            result = SPI_ABORTED;
            break;
        }
        uint8_t* row = spi_dib_row(info, pixels, (int32_t)y);
        if (fread(row, 3, header.width, file) != header.width) {
            result = SPI_BROKEN_DATA; /* cut short */
            break;
        }
        for (uint32_t x = 0; x < header.width; ++x) {
            uint8_t* p = row + 3 * x;
            const uint8_t red = p[0];
            p[0] = p[2]; /* the file has red first, the DIB blue */
            p[2] = red;
            if (header.maxval != 255) {
                for (int i = 0; i < 3; ++i) {
                    const uint32_t v = p[i] < header.maxval ? p[i] : header.maxval;
                    p[i] = (uint8_t)((v * 255 + header.maxval / 2) / header.maxval);
                }
            }
        }
    }
    fclose(file);
    if (result != SPI_SUCCESS) {
        free(info);
        free(pixels);
        return result;
    }
    *info_block = info;
    *pixel_block = pixels;
    return SPI_SUCCESS;
}
