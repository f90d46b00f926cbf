// The colour filter, pixel by pixel. The expected colours were worked out by hand from the
// weights in thousandths, rounded half up and clamped:
//   grey  = .299 R + .587 G + .114 B
//   sepia = (.393 R + .769 G + .189 B, .349 R + .686 G + .168 B, .272 R + .534 G + .131 B)

#include "BpiHarness.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tesselvane::test {
namespace {

struct Known {
    QRgb in;
    QRgb grey;
    QRgb sepia;
};

QRgb grey(int y) {
    return qRgb(y, y, y);
}

const Known kKnown[] = {
    {qRgb(255, 0, 0), grey(76), qRgb(100, 89, 69)},
    {qRgb(0, 255, 0), grey(150), qRgb(196, 175, 136)},
    {qRgb(0, 0, 255), grey(29), qRgb(48, 43, 33)},
    {qRgb(255, 255, 255), grey(255), qRgb(255, 255, 239)},  // sepia red and green clamp
    {qRgb(0, 0, 0), grey(0), qRgb(0, 0, 0)},
    {qRgb(10, 200, 30), grey(124), qRgb(163, 146, 113)},
    {qRgb(100, 150, 200), grey(141), qRgb(192, 171, 134)},
    {qRgb(128, 128, 128), grey(128), qRgb(173, 154, 120)},
    {qRgb(0, 0, 5), grey(1), qRgb(1, 1, 1)},  // .57 rounds up
    {qRgb(0, 0, 4), grey(0), qRgb(1, 1, 1)},  // .456 rounds down
    {qRgb(1, 2, 3), grey(2), qRgb(2, 2, 2)},
};
constexpr int kKnownCount = int(std::size(kKnown));

enum class Mode { Grey, Sepia };

QRgb expected(const Known& known, Mode mode) {
    return mode == Mode::Grey ? known.grey : known.sepia;
}

class ColorFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::clearSettings();
        host::switchOn(kColorFilterKey);
        ASSERT_EQ(filter().loadError, "");
    }
    static const Extension& filter() { return Extension::get(kColorFilterFile); }
    static void choose(Mode mode) {
        host::setSetting(kColorFilterKey, "Mode", mode == Mode::Grey ? "0" : "1");
    }

    // The known colours in a row of an odd width, so that every row has padding.
    static QImage knownColours(int rows = 2) {
        QImage image(kKnownCount, rows, QImage::Format_ARGB32);
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < kKnownCount; ++x)
                image.setPixel(x, y, kKnown[(x + y) % kKnownCount].in);
        }
        return image;
    }

    static void expectFiltered(const QImage& image, Mode mode, bool keepsAlpha = false) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const Known& known = kKnown[(x + y) % kKnownCount];
                QRgb want = expected(known, mode);
                if (keepsAlpha)
                    want = qRgba(qRed(want), qGreen(want), qBlue(want), 17 * (x % 16));
                EXPECT_EQ(image.pixel(x, y), want)
                    << "at " << x << "," << y << " from " << std::hex << known.in;
            }
        }
    }

    // Padding bytes of a 24-bit DIB made by Dib::fromImage.
    static std::vector<uint8_t> padding(const Dib& dib) {
        const SpiBitmapInfoHeader h = dib.header();
        const size_t stride = SPI_DIB_STRIDE(h.biWidth, h.biBitCount);
        const size_t used = size_t(h.biWidth) * h.biBitCount / 8;
        std::vector<uint8_t> bytes = dib.bytes();
        std::vector<uint8_t> result;
        for (int y = 0; y < h.biHeight; ++y) {
            const auto row = static_cast<std::ptrdiff_t>(sizeof h + stride * size_t(y));
            result.insert(result.end(), bytes.begin() + row + static_cast<std::ptrdiff_t>(used),
                          bytes.begin() + row + static_cast<std::ptrdiff_t>(stride));
        }
        return result;
    }
};

TEST_F(ColorFilterTest, TurnsTrueColourPicturesGreyOrSepia) {
    for (Mode mode : {Mode::Grey, Mode::Sepia}) {
        SCOPED_TRACE(mode == Mode::Grey ? "grey" : "sepia");
        choose(mode);
        Dib dib = Dib::fromImage(knownColours());
        dib.execute(filter());
        EXPECT_FALSE(dib.replacedByLastRun());
        expectFiltered(dib.toImage(), mode);
        for (uint8_t byte : padding(dib))
            ASSERT_EQ(byte, 0xab) << "padding was written";
    }
}

TEST_F(ColorFilterTest, ReachesEveryRowOfATallPicture) {
    choose(Mode::Sepia);
    Dib dib = Dib::fromImage(uniformImage(3, 1000, qRgb(255, 0, 0)));
    dib.execute(filter());
    EXPECT_TRUE(dib.toImage() == uniformImage(3, 1000, qRgb(100, 89, 69)));
}

TEST_F(ColorFilterTest, ThirtyTwoBitPicturesKeepTheirAlpha) {
    for (Mode mode : {Mode::Grey, Mode::Sepia}) {
        SCOPED_TRACE(mode == Mode::Grey ? "grey" : "sepia");
        choose(mode);
        QImage image = knownColours(3);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                image.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), 17 * (x % 16)));
            }
        }
        Dib dib = Dib::fromImage(image, 32);
        dib.execute(filter());
        EXPECT_FALSE(dib.replacedByLastRun());
        expectFiltered(dib.toImage(), mode, true);
    }
}

TEST_F(ColorFilterTest, EightBitPicturesChangeOnlyTheirColourTable) {
    for (Mode mode : {Mode::Grey, Mode::Sepia}) {
        SCOPED_TRACE(mode == Mode::Grey ? "grey" : "sepia");
        choose(mode);
        std::vector<QRgb> table;
        for (const Known& known : kKnown)
            table.push_back(known.in);
        // Index 200 lies outside the table: such a pixel is the file's fault, not ours to fix.
        Dib dib = Dib::indexed(7, 5, table, [](int x, int y) {
            return uint8_t(x == 6 && y == 4 ? 200 : (x + y) % kKnownCount);
        });
        auto* reserved = static_cast<uint8_t*>(dib.block()) + 40 + 3;
        reserved[4 * 2] = 0x5a;  // the fourth byte of an entry is not a colour
        const std::vector<uint8_t> before = dib.bytes();
        const size_t tableEnd = 40 + 4 * table.size();

        dib.execute(filter());
        EXPECT_FALSE(dib.replacedByLastRun());
        const std::vector<uint8_t> after = dib.bytes();
        ASSERT_EQ(after.size(), before.size());
        EXPECT_TRUE(std::equal(after.begin(), after.begin() + 40, before.begin()))
            << "the header changed";
        EXPECT_TRUE(std::equal(after.begin() + tableEnd, after.end(), before.begin() + tableEnd))
            << "the pixels changed";
        for (size_t i = 0; i < table.size(); ++i) {
            const uint8_t* entry = after.data() + 40 + 4 * i;
            EXPECT_EQ(qRgb(entry[2], entry[1], entry[0]), expected(kKnown[i], mode))
                << "entry " << i;
            EXPECT_EQ(entry[3], before[40 + 4 * i + 3]) << "entry " << i;
        }
    }
}

TEST_F(ColorFilterTest, AFullTableWithoutACountIsFilteredWhole) {
    choose(Mode::Grey);
    std::vector<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.push_back(i % 2 == 0 ? qRgb(255, 0, 0) : qRgb(0, 255, 0));
    Dib dib = Dib::indexed(
        4, 4, table, [](int x, int y) { return uint8_t(x + 4 * y); }, true);
    ASSERT_EQ(dib.header().biClrUsed, 0u);
    dib.execute(filter());
    const auto* colors = static_cast<const uint8_t*>(dib.block()) + 40;
    for (int i = 0; i < 256; ++i) {
        const int y = i % 2 == 0 ? 76 : 150;
        EXPECT_EQ(qRgb(colors[4 * i + 2], colors[4 * i + 1], colors[4 * i]), grey(y))
            << "entry " << i;
    }
}

TEST_F(ColorFilterTest, TrueColourPixelsFollowAnyColourTable) {
    // biClrUsed on a 24-bit picture announces a table in front of the pixels; the table is a
    // hint for palette displays and stays as it is.
    choose(Mode::Grey);
    const Dib plain = Dib::fromImage(knownColours());
    const std::vector<uint8_t> bytes = plain.bytes();
    const uint8_t table[] = {1, 2, 3, 0, 4, 5, 6, 0};
    std::vector<uint8_t> withTable(bytes.size() + sizeof table);
    std::memcpy(withTable.data(), bytes.data(), 40);
    std::memcpy(withTable.data() + 40, table, sizeof table);
    std::memcpy(withTable.data() + 40 + sizeof table, bytes.data() + 40, bytes.size() - 40);
    Dib dib = Dib::raw(withTable);
    SpiBitmapInfoHeader header = dib.header();
    header.biClrUsed = 2;
    dib.setHeader(header);

    dib.execute(filter());
    const std::vector<uint8_t> after = dib.bytes();
    EXPECT_TRUE(std::equal(std::begin(table), std::end(table), after.begin() + 40));
    expectFiltered(dib.toImage(), Mode::Grey);
}

TEST_F(ColorFilterTest, ModeComesFromTheSettingsWithSepiaByDefault) {
    auto filtered = [] {
        Dib dib = Dib::fromImage(knownColours(1));
        dib.execute(filter());
        return dib.toImage();
    };
    auto expectMode = [&](Mode mode) {
        SCOPED_TRACE(mode == Mode::Grey ? "expecting grey" : "expecting sepia");
        expectFiltered(filtered(), mode);
    };
    expectMode(Mode::Sepia);  // never written
    host::setSetting(kColorFilterKey, "Mode", "0");
    expectMode(Mode::Grey);
    host::setSetting(kColorFilterKey, "Mode", "1");
    expectMode(Mode::Sepia);
    // Longer than the first buffer a plug-in would offer, so it must ask again.
    host::setSetting(kColorFilterKey, "Mode", std::string(400, ' ') + "0");
    expectMode(Mode::Grey);
    for (const char* unreadable : {"", "2", "-1", "grey", "0x0", "00000000000000000000001x"}) {
        SCOPED_TRACE(unreadable);
        host::setSetting(kColorFilterKey, "Mode", unreadable);
        expectMode(Mode::Sepia);
    }
    // Only its own subkey counts.
    host::clearSettings();
    host::switchOn(kColorFilterKey);
    host::setSetting(kHostKey, "Mode", "0");
    host::setSetting(kCalendarKey, "Mode", "0");
    expectMode(Mode::Sepia);
}

}  // namespace
}  // namespace tesselvane::test
