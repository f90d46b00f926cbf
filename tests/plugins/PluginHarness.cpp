#include "PluginHarness.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace tesselvane::test {

QString goldenPath(const QString& relative) {
    return QStringLiteral(TESSELVANE_PLUGIN_GOLDEN_DIR "/") + relative;
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    // A fresh file rather than a truncated one: ext4 flushes truncated files on close, which
    // makes the many small rewrites here slow.
    QFile::remove(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

Plugin::Plugin(const QString& fileName) {
    // Shipped plug-ins sit in the program folder, test-only ones (the SDK example) apart.
    QByteArray path = QByteArray(TESSELVANE_TEST_BIN_DIR "/") + fileName.toUtf8();
    if (!QFile::exists(QString::fromUtf8(path))) {
        path = QByteArray(TESSELVANE_TEST_BIN_DIR "/test-plugins/") + fileName.toUtf8();
    }
    void* handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        loadError = dlerror();
        return;
    }
    getPluginInfo = reinterpret_cast<decltype(getPluginInfo)>(dlsym(handle, "GetPluginInfo"));
    isSupported = reinterpret_cast<decltype(isSupported)>(dlsym(handle, "IsSupported"));
    getPictureInfo = reinterpret_cast<decltype(getPictureInfo)>(dlsym(handle, "GetPictureInfo"));
    getPicture = reinterpret_cast<decltype(getPicture)>(dlsym(handle, "GetPicture"));
    if (!getPluginInfo || !isSupported || !getPictureInfo || !getPicture) {
        loadError = "an exported function is missing from " + path.toStdString();
    }
}

const Plugin& Plugin::get(const QString& fileName) {
    static std::map<QString, std::unique_ptr<Plugin>> loaded;
    auto& plugin = loaded[fileName];
    if (!plugin)
        plugin.reset(new Plugin(fileName));
    return *plugin;
}

int32_t Plugin::supports(const QString& path, off_t offset) const {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << path.toStdString();
    if (fd < 0)
        return 0;
    EXPECT_EQ(::lseek(fd, offset, SEEK_SET), offset);
    const int32_t result = isSupported(QFile::encodeName(path).constData(), fd);
    EXPECT_NE(::fcntl(fd, F_GETFD), -1) << "IsSupported closed the descriptor";
    ::close(fd);
    return result;
}

QString Plugin::text(int32_t infono, int32_t buflen) const {
    constexpr int kGuard = 16;
    std::vector<char> buffer(static_cast<size_t>(buflen) + kGuard, '\x7f');
    const int32_t written = getPluginInfo(infono, buffer.data(), buflen);
    for (int i = 0; i < kGuard; ++i) {
        EXPECT_EQ(buffer[static_cast<size_t>(buflen + i)], '\x7f')
            << "GetPluginInfo(" << infono << ") wrote past the buffer of " << buflen;
    }
    if (written == 0)
        return {};
    EXPECT_GT(written, 0);
    EXPECT_LT(written, buflen) << "no room left for the terminating zero";
    if (written <= 0 || written >= buflen)
        return {};
    EXPECT_EQ(buffer[static_cast<size_t>(written)], '\0');
    EXPECT_EQ(std::strlen(buffer.data()), static_cast<size_t>(written));
    return QString::fromUtf8(buffer.data(), written);
}

namespace {

// Reads the DIB as the host does; every fault of the blocks is a test failure.
QImage toImage(const void* info, const void* pixels, Decoded& decoded) {
    const auto* h = static_cast<const SpiBitmapInfoHeader*>(info);
    EXPECT_EQ(h->biSize, sizeof(SpiBitmapInfoHeader));
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biCompression, uint32_t{SPI_BI_RGB});
    EXPECT_GT(h->biWidth, 0);
    EXPECT_GT(h->biHeight, 0) << "the shipped plug-ins write rows bottom-up";
    decoded.bits = h->biBitCount;
    decoded.colorsUsed = h->biClrUsed;
    if (h->biWidth <= 0 || h->biHeight <= 0)
        return {};
    if (h->biBitCount != 8 && h->biBitCount != 24 && h->biBitCount != 32) {
        ADD_FAILURE() << "unexpected bit count " << h->biBitCount;
        return {};
    }
    const int width = h->biWidth;
    const int height = h->biHeight;
    const uint32_t stride = SPI_DIB_STRIDE(width, h->biBitCount);
    EXPECT_TRUE(h->biSizeImage == 0 || h->biSizeImage == stride * static_cast<uint32_t>(height))
        << "biSizeImage " << h->biSizeImage;
    const uint32_t colorCount = h->biClrUsed != 0 ? h->biClrUsed : 256;
    const auto* table = static_cast<const uint8_t*>(info) + sizeof(SpiBitmapInfoHeader);
    if (h->biBitCount == 8) {
        EXPECT_LE(colorCount, 256u);
        for (uint32_t i = 0; i < colorCount; ++i)
            EXPECT_EQ(table[4 * i + 3], 0) << "entry " << i;
    }
    QImage image(width, height, QImage::Format_ARGB32);
    int badIndices = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row = static_cast<const uint8_t*>(pixels) + size_t{stride} * (height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (h->biBitCount) {
                case 8: {
                    const uint8_t index = row[x];
                    if (index >= colorCount) {
                        ++badIndices;
                        out[x] = 0;
                        break;
                    }
                    const uint8_t* c = table + 4 * index;
                    out[x] = qRgb(c[2], c[1], c[0]);
                    break;
                }
                case 24:
                    out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                    break;
                default:
                    out[x] = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
                    break;
            }
        }
    }
    EXPECT_EQ(badIndices, 0) << "pixels index past the colour table of " << colorCount;
    return image;
}

}  // namespace

Decoded decode(const Plugin& plugin, const QString& path, intptr_t offset,
               ProgressFunction progress, intptr_t data) {
    Decoded decoded;
    const QByteArray name = QFile::encodeName(path);
    decoded.infoResult = plugin.getPictureInfo(name.constData(), offset, 0, &decoded.info);
    if (decoded.infoResult == SPI_SUCCESS) {
        std::free(decoded.info.hInfo);
        decoded.info.hInfo = nullptr;
    }
    void* info = nullptr;
    void* pixels = nullptr;
    decoded.pictureResult =
        plugin.getPicture(name.constData(), offset, 0, &info, &pixels, progress, data);
    if (decoded.pictureResult != SPI_SUCCESS) {
        EXPECT_EQ(info, nullptr) << "a block handed out on failure";
        EXPECT_EQ(pixels, nullptr) << "a block handed out on failure";
        return decoded;
    }
    EXPECT_NE(info, nullptr);
    EXPECT_NE(pixels, nullptr);
    if (info != nullptr && pixels != nullptr)
        decoded.image = toImage(info, pixels, decoded);
    std::free(info);
    std::free(pixels);
    return decoded;
}

std::string compareImages(const QImage& actual, const QImage& expected,
                          const Tolerance& tolerance) {
    if (actual.size() != expected.size()) {
        std::ostringstream out;
        out << "size " << actual.width() << "x" << actual.height() << ", expected "
            << expected.width() << "x" << expected.height();
        return out.str();
    }
    const QImage want = expected.convertToFormat(QImage::Format_ARGB32);
    const QImage got = actual.convertToFormat(QImage::Format_ARGB32);
    std::ostringstream out;
    int mismatches = 0;
    int worst = 0;
    double sum = 0;
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            const QRgb g = got.pixel(x, y);
            const QRgb w = want.pixel(x, y);
            const bool colourCounts = tolerance.hiddenColour || qAlpha(w) != 0;
            int largest = 0;
            if (colourCounts) {
                for (const int d : {std::abs(qRed(g) - qRed(w)), std::abs(qGreen(g) - qGreen(w)),
                                    std::abs(qBlue(g) - qBlue(w))}) {
                    largest = std::max(largest, d);
                    sum += d;
                }
            }
            worst = std::max(worst, largest);
            if (largest > tolerance.largest || std::abs(qAlpha(g) - qAlpha(w)) > tolerance.alpha) {
                if (mismatches++ < 5) {
                    out << "(" << x << "," << y << ") is " << std::hex << g << ", expected " << w
                        << std::dec << "; ";
                }
            }
        }
    }
    if (mismatches > 0)
        out << mismatches << " pixels differ, by up to " << worst << ". ";
    const double mean = sum / (3.0 * want.width() * want.height());
    if (tolerance.largest > 0 && mean > tolerance.mean) {
        out << "mean difference " << mean << " > " << tolerance.mean;
    }
    return out.str();
}

QByteArray withJunkHeader(const QByteArray& bytes) {
    QByteArray junk(128, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<char>((i * 73 + 11) & 0xff);
    return junk + bytes;
}

uint32_t crc32(const QByteArray& bytes) {
    uint32_t crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= static_cast<uint8_t>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

namespace {

void putBig32(QByteArray& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((v >> shift) & 0xff));
}

void putLittle16(QByteArray& out, uint32_t v) {
    out.append(static_cast<char>(v & 0xff));
    out.append(static_cast<char>((v >> 8) & 0xff));
}

void putLittle32(QByteArray& out, uint32_t v) {
    putLittle16(out, v & 0xffff);
    putLittle16(out, v >> 16);
}

}  // namespace

QByteArray pngChunk(const char* type, const QByteArray& body) {
    QByteArray out;
    putBig32(out, static_cast<uint32_t>(body.size()));
    const QByteArray typed = QByteArray(type, 4) + body;
    out += typed;
    putBig32(out, crc32(typed));
    return out;
}

QByteArray pngFile(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType,
                   const QByteArray& rawRows) {
    QByteArray header;
    putBig32(header, width);
    putBig32(header, height);
    header.append(static_cast<char>(depth));
    header.append(static_cast<char>(colorType));
    header.append(3, '\0');
    const QByteArray zlib = qCompress(rawRows).mid(4);  // Qt puts the length in front
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", zlib) +
           pngChunk("IEND", {});
}

QByteArray gifFile(int screenWidth, int screenHeight, int mapBits, int background, int left,
                   int top, int width, int height, const std::vector<uint8_t>& pixels) {
    QByteArray out("GIF89a");
    putLittle16(out, static_cast<uint32_t>(screenWidth));
    putLittle16(out, static_cast<uint32_t>(screenHeight));
    out.append(static_cast<char>(mapBits > 0 ? 0x80 | ((mapBits - 1) << 4) | (mapBits - 1) : 0));
    out.append(static_cast<char>(background));
    out.append('\0');
    const int entries = mapBits > 0 ? 1 << mapBits : 0;
    for (int i = 0; i < entries; ++i)
        out.append(3, static_cast<char>(i * 255 / (entries - 1)));
    out.append('\x2c');
    putLittle16(out, static_cast<uint32_t>(left));
    putLittle16(out, static_cast<uint32_t>(top));
    putLittle16(out, static_cast<uint32_t>(width));
    putLittle16(out, static_cast<uint32_t>(height));
    out.append('\0');

    // 8-bit LZW whose table never grows past 9-bit codes: a clear code every 250 literals.
    QByteArray stream;
    uint32_t bits = 0;
    int count = 0;
    auto put = [&](uint32_t code) {
        bits |= code << count;
        count += 9;
        while (count >= 8) {
            stream.append(static_cast<char>(bits & 0xff));
            bits >>= 8;
            count -= 8;
        }
    };
    put(256);
    int sinceClear = 0;
    for (const uint8_t p : pixels) {
        put(p);
        if (++sinceClear == 250) {
            put(256);
            sinceClear = 0;
        }
    }
    put(257);
    if (count > 0)
        stream.append(static_cast<char>(bits & 0xff));
    out.append('\x08');
    for (int i = 0; i < stream.size(); i += 255) {
        const QByteArray part = stream.mid(i, 255);
        out.append(static_cast<char>(part.size()));
        out += part;
    }
    out.append('\0');
    out.append('\x3b');
    return out;
}

QByteArray tiffFile(uint32_t width, uint32_t height, const QByteArray& pixels) {
    struct Entry {
        uint16_t tag;
        uint16_t type;  // 3 short, 4 long
        uint32_t value;
    };
    constexpr uint32_t kEntries = 9;
    const uint32_t dataAt = 8 + 2 + kEntries * 12 + 4;
    const Entry entries[kEntries] = {
        {256, 4, width},  {257, 4, height},
        {258, 3, 8},      {259, 3, 1},  // no compression
        {262, 3, 1},                    // black is zero
        {273, 4, dataAt}, {277, 3, 1},
        {278, 4, height}, {279, 4, static_cast<uint32_t>(pixels.size())},
    };
    QByteArray out("II*\0", 4);
    putLittle32(out, 8);
    putLittle16(out, kEntries);
    for (const Entry& e : entries) {
        putLittle16(out, e.tag);
        putLittle16(out, e.type);
        putLittle32(out, 1);
        if (e.type == 3) {
            putLittle16(out, e.value);
            putLittle16(out, 0);
        } else {
            putLittle32(out, e.value);
        }
    }
    putLittle32(out, 0);
    return out + pixels;
}

}  // namespace tesselvane::test
