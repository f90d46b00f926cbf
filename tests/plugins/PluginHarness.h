#pragma once

// Loads a decoder plug-in from the build's bin folder and calls it the way the host does:
// through its four exported functions, with real files and file descriptors.

#include "tesselvane_spi.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace tesselvane::test {

// The five plug-ins under test, by file name.
inline const char* const kPluginFiles[] = {"png.spi", "gif.spi", "webp.spi", "tiff.spi", "ppm.spi"};

QString goldenPath(const QString& relative);
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

class Plugin {
public:
    // Loaded once per process and never unloaded, so that leak reports can name its code.
    static const Plugin& get(const QString& fileName);

    decltype(&::GetPluginInfo) getPluginInfo = nullptr;
    decltype(&::IsSupported) isSupported = nullptr;
    decltype(&::GetPictureInfo) getPictureInfo = nullptr;
    decltype(&::GetPicture) getPicture = nullptr;
    std::string loadError;  // empty when every function was found

    // IsSupported with a descriptor of `path` positioned at `offset`; also checks that the
    // plug-in left the descriptor open.
    int32_t supports(const QString& path, off_t offset = 0) const;
    QString text(int32_t infono, int32_t buflen = 255) const;

private:
    explicit Plugin(const QString& fileName);
};

// What the host gets from GetPictureInfo and GetPicture for one file.
struct Decoded {
    int32_t infoResult = -100;
    SpiPictureInfo info{};
    int32_t pictureResult = -100;
    int bits = 0;             // of the DIB
    uint32_t colorsUsed = 0;  // of the DIB's colour table
    QImage image;             // ARGB32, not premultiplied; opaque for 8 and 24 bits
};

using ProgressFunction = int32_t (*)(int32_t num, int32_t denom, intptr_t data);

// Calls both functions. Checks every block as the host relies on it (header fields, sizes,
// colour indices inside the table, nothing handed out on failure) and frees the blocks.
Decoded decode(const Plugin& plugin, const QString& path, intptr_t offset = 0,
               ProgressFunction progress = nullptr, intptr_t data = 0);

// How close a decoded picture must be to its reference.
struct Tolerance {
    int largest = 0;           // per colour channel and pixel
    double mean = 0;           // over all colour channels; only checked when largest > 0
    int alpha = 0;             // per pixel
    bool hiddenColour = true;  // compare the colour of fully transparent pixels too
};

// Empty when `actual` matches `expected`, else a description of where it does not.
std::string compareImages(const QImage& actual, const QImage& expected, const Tolerance& tolerance);

// The same file with 128 bytes that look like no picture in front of it.
QByteArray withJunkHeader(const QByteArray& bytes);

// Bytes of crafted files.
uint32_t crc32(const QByteArray& bytes);
QByteArray pngChunk(const char* type, const QByteArray& body);
QByteArray pngFile(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType,
                   const QByteArray& rawRows);
// A GIF with one frame; `mapBits` 0 leaves out the global colour table, otherwise it has
// 2^mapBits entries of grey. The pixels are coded as 9-bit literal codes (8-bit LZW), so
// they may use any index up to 255.
QByteArray gifFile(int screenWidth, int screenHeight, int mapBits, int background, int left,
                   int top, int width, int height, const std::vector<uint8_t>& pixels);
// A little-endian uncompressed 8-bit greyscale TIFF with one strip.
QByteArray tiffFile(uint32_t width, uint32_t height, const QByteArray& pixels);

}  // namespace tesselvane::test
