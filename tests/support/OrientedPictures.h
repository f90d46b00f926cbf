#pragma once

// Pictures that carry an orientation, and ImageMagick's idea of how they show upright: the
// reference that the program's readers and the plug-ins are held to.

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstdint>

namespace tesselvane::test {

// ImageMagick's names of orientations 1 to 8, as `-orient` takes them.
inline const char* const kOrientationNames[] = {"",           "TopLeft", "TopRight", "BottomRight",
                                                "BottomLeft", "LeftTop", "RightTop", "RightBottom",
                                                "LeftBottom"};

// A picture of which every turn and mirror looks different: each pixel its own colour, in
// blocks of `block` pixels square (flat, so that JPEG keeps them).
inline QImage asymmetricPicture(int width, int height, int block = 1) {
    QImage image(width * block, height * block, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int bx = x / block, by = y / block;
            image.setPixel(
                x, y,
                qRgb(40 + 200 * bx / width, 30 + 220 * by / height, (bx + by) % 2 ? 230 : 20));
        }
    }
    return image;
}

inline void putExif16(QByteArray& out, std::uint32_t v, bool bigEndian) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
    out.append(bigEndian ? b[1] : b[0]).append(bigEndian ? b[0] : b[1]);
}

inline void putExif32(QByteArray& out, std::uint32_t v, bool bigEndian) {
    putExif16(out, bigEndian ? v >> 16 : v & 0xFFFF, bigEndian);
    putExif16(out, bigEndian ? v & 0xFFFF : v >> 16, bigEndian);
}

// An EXIF block (TIFF header and first directory, as a WebP's EXIF chunk holds it) naming
// `orientation`, after an entry a camera writes before it.
inline QByteArray exifBlock(std::uint32_t orientation, bool bigEndian) {
    QByteArray out(bigEndian ? "MM" : "II");
    putExif16(out, 42, bigEndian);
    putExif32(out, 8, bigEndian);
    putExif16(out, 2, bigEndian);
    putExif16(out, 0x011A, bigEndian);  // XResolution, a RATIONAL after the directory
    putExif16(out, 5, bigEndian);
    putExif32(out, 1, bigEndian);
    putExif32(out, 8 + 2 + 2 * 12 + 4, bigEndian);
    putExif16(out, 0x0112, bigEndian);  // Orientation, a SHORT
    putExif16(out, 3, bigEndian);
    putExif32(out, 1, bigEndian);
    putExif16(out, orientation, bigEndian);
    putExif16(out, 0, bigEndian);
    putExif32(out, 0, bigEndian);  // no next directory
    putExif32(out, 72, bigEndian);
    putExif32(out, 1, bigEndian);
    return out;
}

// `jpeg` with an APP1 marker holding `exif` ("Exif\0\0" and the block) right after its start.
inline QByteArray withExifMarker(const QByteArray& jpeg, const QByteArray& exif) {
    const QByteArray body = QByteArray("Exif\0\0", 6) + exif;
    QByteArray marker("\xFF\xE1", 2);
    marker.append(static_cast<char>((body.size() + 2) >> 8))
        .append(static_cast<char>((body.size() + 2) & 0xFF));
    return jpeg.left(2) + marker + body + jpeg.mid(2);
}

// ImageMagick's reading of `path` turned upright: by the orientation the file names, or by
// `orientation` when given. A null picture (and a failure) when it cannot be run.
inline QImage imageMagickUpright(const QString& path, int orientation = 0) {
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty()) {
        ADD_FAILURE() << "ImageMagick's convert is missing: run scripts/install-deps.sh";
        return {};
    }
    QStringList arguments{path};
    if (orientation > 0)
        arguments << QStringLiteral("-orient")
                  << QString::fromLatin1(kOrientationNames[orientation]);
    arguments << QStringLiteral("-auto-orient") << QStringLiteral("ppm:-");
    QProcess process;
    process.start(convert, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << "convert failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return QImage::fromData(process.readAllStandardOutput(), "PPM");
}

}  // namespace tesselvane::test
