#include "picture/DibImage.h"
#include "picture/PluginChannel.h"
#include "picture/SharedPicture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

using namespace tesselvane;

namespace {

class SocketPair {
public:
    SocketPair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fd), 0); }
    ~SocketPair() {
        ::close(fd[0]);
        ::close(fd[1]);
    }
    int fd[2] = {-1, -1};
};

TEST(PluginChannel, AMessageArrivesWholeWithItsFieldsAndDescriptor) {
    SocketPair pair;
    PluginMessage sent;
    sent.call = PluginCall::SpiDecode;
    sent.result = -7;
    sent.number[3] = std::int64_t{1} << 40;
    sent.addField("");
    sent.addField("/pictures/ä b.png");
    const SharedBlock block = SharedBlock::copyOf("abc", 3);
    ASSERT_TRUE(sendPluginMessage(pair.fd[0], sent, block.fd()));

    PluginMessage got;
    int fd = -1;
    ASSERT_TRUE(receivePluginMessage(pair.fd[1], got, &fd));
    EXPECT_EQ(got.call, PluginCall::SpiDecode);
    EXPECT_EQ(got.result, -7);
    EXPECT_EQ(got.number[3], std::int64_t{1} << 40);
    EXPECT_EQ(got.fields(), (QList<QByteArray>{"", "/pictures/ä b.png"}));
    const SharedBlock mapped = SharedBlock::map(fd, 3);
    ASSERT_TRUE(mapped.isValid());
    EXPECT_EQ(std::memcmp(mapped.data(), "abc", 3), 0);
}

TEST(PluginChannel, WhatIsNoMessageIsRefused) {
    SocketPair pair;
    PluginMessage tooLong;
    tooLong.text = QByteArray(kMaxPluginMessageText + 1, 'x');
    EXPECT_FALSE(sendPluginMessage(pair.fd[0], tooLong));
    // A packet shorter than a message, and one whose text size lies.
    ASSERT_EQ(::send(pair.fd[0], "short", 5, 0), 5);
    PluginMessage got;
    int fd = -1;
    EXPECT_FALSE(receivePluginMessage(pair.fd[1], got, &fd));
    EXPECT_EQ(fd, -1);
    // The other side gone.
    ::shutdown(pair.fd[0], SHUT_RDWR);
    EXPECT_FALSE(receivePluginMessage(pair.fd[1], got, &fd));
}

TEST(SharedBlock, OnlyASealedBlockHoldingTheSizeIsMapped) {
    // Unsealed, it could shrink under the mapping.
    const int plain = ::memfd_create("t", MFD_CLOEXEC);
    ASSERT_EQ(::ftruncate(plain, 4096), 0);
    EXPECT_FALSE(SharedBlock::map(plain, 16).isValid());
    // Sealed, but smaller than claimed.
    SharedBlock small = SharedBlock::copyOf("0123456789", 10);
    EXPECT_FALSE(SharedBlock::map(::dup(small.fd()), 11).isValid());
    EXPECT_TRUE(SharedBlock::map(::dup(small.fd()), 10).isValid());
    // A sealed block cannot be made shorter by its writer.
    EXPECT_NE(::ftruncate(small.fd(), 1), 0);
}

// A bottom-up 8-bit DIB of 3 x 2 with colours 0 and 1.
struct Dib8 {
    unsigned char info[40 + 8] = {};
    unsigned char pixels[8] = {1, 0, 1, 0, 0, 1, 0, 0};
    Dib8() {
        info[0] = 40;
        info[4] = 3;
        info[8] = 2;
        info[12] = 1;
        info[14] = 8;
        info[32] = 2;                                                 // two colours
        const unsigned char table[8] = {0, 0, 255, 0, 0, 255, 0, 0};  // red, green (BGRx)
        std::memcpy(info + 40, table, 8);
    }
};

TEST(SharedPicture, TheProgramGetsThePictureTheBlocksHold) {
    Dib8 dib;
    SpiDecodeAnswer sent{PluginOutcome::Done, {}, {}};
    const int fd =
        shareDecodedDib(dib.info, sizeof dib.info, dib.pixels, sizeof dib.pixels, sent.picture);
    ASSERT_GE(fd, 0);
    // The layout as the program reads it from the answer's message.
    const auto answer = SpiDecodeAnswer::from(sent.toMessage());
    ASSERT_TRUE(answer);
    std::optional<QList<QRgb>> palette;
    QImage image = sharedPicture(answer->picture, fd, &palette);
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.pixel(0, 1), qRgb(0, 255, 0));  // the bottom row comes first
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));
    ASSERT_TRUE(palette);
    EXPECT_EQ(palette->size(), 2);
    // Drawn on, it is the program's own copy.
    image.setPixel(0, 0, 0);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
}

TEST(SharedPicture, ATwentyFourBitPictureComesWholeTopRowFirst) {
    // Tall enough that the rows already read are let go on the way.
    constexpr int kWidth = 400, kHeight = 300;
    const auto stride = static_cast<std::size_t>(dibStride(kWidth, 24));
    std::vector<unsigned char> info(40, 0), pixels(stride * kHeight, 0);
    info[0] = 40;
    info[4] = kWidth & 0xff;
    info[5] = kWidth >> 8;
    info[8] = kHeight & 0xff;
    info[9] = kHeight >> 8;
    info[12] = 1;
    info[14] = 24;
    for (int y = 0; y < kHeight; ++y) {  // bottom-up: stored row y is picture row 299 - y
        for (int x = 0; x < kWidth; ++x) {
            unsigned char* bgr = &pixels[stride * std::size_t(y) + 3 * std::size_t(x)];
            bgr[0] = static_cast<unsigned char>(x & 0xff);
            bgr[1] = static_cast<unsigned char>(y);
            bgr[2] = static_cast<unsigned char>(y >> 8);
        }
    }
    SharedPictureLayout layout;
    const int fd = shareDecodedDib(info.data(), info.size(), pixels.data(), pixels.size(), layout);
    std::optional<QList<QRgb>> palette;
    const QImage image = sharedPicture(layout, fd, &palette);
    ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int stored = kHeight - 1 - y;
            ASSERT_EQ(image.pixel(x, y), qRgb(stored >> 8, stored & 0xff, x & 0xff))
                << x << "," << y;
        }
    }
}

TEST(SharedPicture, ADescriptionThatDoesNotFitItsBlockGivesNoPicture) {
    Dib8 dib;
    using Number = std::int64_t SharedPictureLayout::*;
    for (const auto& [member, value] :
         {std::pair{Number{&SharedPictureLayout::width}, std::int64_t{1000}},
          std::pair{Number{&SharedPictureLayout::height}, std::int64_t{-2}},
          std::pair{Number{&SharedPictureLayout::format}, std::int64_t{QImage::Format_Mono}},
          std::pair{Number{&SharedPictureLayout::bytesPerLine}, std::int64_t{2}}}) {
        SharedPictureLayout layout;
        const int fd =
            shareDecodedDib(dib.info, sizeof dib.info, dib.pixels, sizeof dib.pixels, layout);
        layout.*member = value;
        std::optional<QList<QRgb>> palette;
        EXPECT_TRUE(sharedPicture(layout, fd, &palette).isNull()) << value;
    }
}

// Through the socket and read back: what was written.
template <class T>
std::optional<T> overTheWire(const T& sent) {
    SocketPair pair;
    EXPECT_TRUE(sendPluginMessage(pair.fd[0], sent.toMessage()));
    PluginMessage got;
    int fd = -1;
    EXPECT_TRUE(receivePluginMessage(pair.fd[1], got, &fd));
    return T::from(got);
}

TEST(PluginMessages, EveryRequestAndAnswerIsReadAsWritten) {
    const QByteArray path = "/plug-ins/ä b.spi";
    const auto spiInfo = overTheWire(SpiInfoAnswer{true, true, {{"PNG", "*.png"}, {"", "*.x"}}});
    ASSERT_TRUE(spiInfo);
    EXPECT_TRUE(spiInfo->importFilter && spiInfo->readsPictures);
    EXPECT_EQ(spiInfo->types.size(), 2);
    EXPECT_EQ(spiInfo->types[1].second, "*.x");
    const auto decode = overTheWire(SpiDecodeRequest{
        path, "/p.png", 128, {800, 600}, FitStyle::Cover, {}, WallpaperStyle::Centered});
    ASSERT_TRUE(decode);
    EXPECT_EQ(decode->plugin, path);
    EXPECT_EQ(decode->offset, 128);
    EXPECT_EQ(decode->fitScreen, QSize(800, 600));
    EXPECT_EQ(decode->fitStyle, FitStyle::Cover);
    EXPECT_TRUE(decode->largestMonitor.isEmpty());
    const auto cut = overTheWire(SpiDecodeRequest{
        path, "/p.png", 0, {}, FitStyle::Stretch, {1920, 1200}, WallpaperStyle::Tiled});
    ASSERT_TRUE(cut);
    EXPECT_TRUE(cut->fitScreen.isEmpty());
    EXPECT_EQ(cut->largestMonitor, QSize(1920, 1200));
    EXPECT_EQ(cut->placement, WallpaperStyle::Tiled);
    const auto picture = overTheWire(SpiDecodeAnswer{
        PluginOutcome::Done, {3, 2, QImage::Format_Indexed8, 4, "ff0000 ", "ff "}, {}});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->picture.bytesPerLine, 4);
    EXPECT_EQ(picture->picture.palette, QByteArray("ff "));
    const auto bad = overTheWire(SpiDecodeAnswer{PluginOutcome::BadPicture, {}, "rows missing"});
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->reason, "rows missing");
    const auto info = overTheWire(BpiInfoAnswer{true, {"BTEST", "name", "105", "5"}, false, true});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->texts[3], "5");
    EXPECT_TRUE(!info->hasSetting && info->hasExecute);
    const auto execute =
        overTheWire(BpiExecuteRequest{path, "\\KEY", "/s.db", 77, 1 << 20, 1, true});
    ASSERT_TRUE(execute);
    EXPECT_EQ(execute->window, 77u);
    EXPECT_EQ(execute->size, 1u << 20);
    EXPECT_TRUE(execute->place == 1 && execute->last);
    const auto setting = overTheWire(BpiSettingRequest{path, "k", "/s.db", 5, 0});
    ASSERT_TRUE(setting);
    EXPECT_EQ(setting->store, "/s.db");
    // A request missing a field is none.
    PluginMessage truncated = SpiIsSupportedRequest{path, "/p", 0}.toMessage();
    truncated.text.chop(3);
    EXPECT_FALSE(SpiIsSupportedRequest::from(truncated));
}

TEST(PluginMessages, AnAnswerOfAnotherCallOrOutcomeIsNoAnswer) {
    const PluginMessage execute = BpiExecuteAnswer{PluginOutcome::Done, 40, true, {}}.toMessage();
    const auto read = BpiExecuteAnswer::from(execute);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->unchanged);
    EXPECT_EQ(read->size, 40u);
    EXPECT_FALSE(SpiDecodeAnswer::from(execute));
    PluginMessage unknown = execute;
    unknown.result = 9;
    EXPECT_FALSE(BpiExecuteAnswer::from(unknown));
    // A decode said done must say how its picture lies.
    PluginMessage bare;
    bare.call = PluginCall::SpiDecode;
    EXPECT_FALSE(SpiDecodeAnswer::from(bare));
}

TEST(DibProblem, SaysWhyBlocksAreNoPicture) {
    Dib8 dib;
    EXPECT_FALSE(dibProblem(dib.info, sizeof dib.info, sizeof dib.pixels));
    EXPECT_TRUE(dibProblem(dib.info, sizeof dib.info, sizeof dib.pixels - 1));  // rows cut short
    EXPECT_TRUE(dibProblem(dib.info, 39, sizeof dib.pixels));                   // no header
    // Packed in a block far larger than it: only what the header accounts for counts.
    QByteArray packed(reinterpret_cast<const char*>(dib.info), sizeof dib.info);
    packed += QByteArray(reinterpret_cast<const char*>(dib.pixels), sizeof dib.pixels);
    const auto exact = static_cast<std::size_t>(packed.size());
    packed += QByteArray(1 << 16, '\0');
    EXPECT_EQ(packedDibSize(packed.constData(), static_cast<std::size_t>(packed.size())), exact);
    EXPECT_FALSE(packedDibSize(packed.constData(), exact - 1));
    dib.info[4] = 0;
    EXPECT_TRUE(dibProblem(dib.info, sizeof dib.info, sizeof dib.pixels));  // zero wide
}

}  // namespace
