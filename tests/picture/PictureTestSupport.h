#pragma once

#include "TestFolders.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace tesselvane::test {

inline QString goldenFolder() {
    return QStringLiteral(TESSELVANE_GOLDEN_DIR "/");
}
inline QString testPluginFolder() {
    return QStringLiteral(TESSELVANE_TEST_BIN_DIR "/test-plugins/");
}

struct ImageDifference {
    int largest = 0;  // the largest difference of one channel of one pixel
    double mean = 0;  // the mean difference over all channels
    bool sizeDiffers = false;
};

// Compares the visible colours of two pictures of any formats.
inline ImageDifference compareImages(const QImage& a, const QImage& b) {
    ImageDifference d;
    if (a.size() != b.size()) {
        d.sizeDiffers = true;
        return d;
    }
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (const int diff : {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                   std::abs(qBlue(p) - qBlue(q))}) {
                d.largest = std::max(d.largest, diff);
                sum += diff;
            }
        }
    }
    d.mean = a.isNull() ? 0 : sum / (3.0 * a.width() * a.height());
    return d;
}

}  // namespace tesselvane::test
