// What the host relies on from both extension plug-ins: their texts, that they stay off until
// the user switches them on, and that a picture they cannot handle, or no picture at all, leaves
// everything as it was.

#include "BpiHarness.h"
#include "RunProcess.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

namespace tesselvane::test {
namespace {

class ExtensionContractTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        host::clearSettings();
        host::switchOn(key());
        ASSERT_EQ(extension().loadError, "");
        ASSERT_NE(extension().settingPlugIn, nullptr);  // both shipped ones have settings
    }
    const Extension& extension() const { return Extension::get(GetParam()); }
    // Where this plug-in keeps its settings.
    std::string key() const {
        return std::string(GetParam()) == kCalendarFile ? kCalendarKey : kColorFilterKey;
    }
    std::string otherKey() const {
        return std::string(GetParam()) == kCalendarFile ? kColorFilterKey : kCalendarKey;
    }
};

bool isDecimal(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

TEST_P(ExtensionContractTest, DescribesItself) {
    EXPECT_EQ(extension().info(0).substr(0, 1), "B");
    const std::string name = extension().info(1);
    EXPECT_FALSE(name.empty());
    EXPECT_TRUE(QString::fromUtf8(name.c_str()).toUtf8() == QByteArray(name.c_str()))
        << "the name is not UTF-8: " << name;
    EXPECT_TRUE(isDecimal(extension().info(2))) << extension().info(2);
    EXPECT_GE(std::atoi(extension().info(2).c_str()), 100) << "version 1.00 or later";
    EXPECT_TRUE(isDecimal(extension().info(3))) << extension().info(3);
    // Numbers it does not know must not write past the buffer either.
    for (int32_t infono : {4, 5, 255, -1, INT32_MIN, INT32_MAX})
        extension().info(infono);
}

TEST(ExtensionOrderTest, ColourFilterRunsBeforeTheCalendar) {
    // So the calendar is drawn in the colours the user chose, not filtered ones. The host
    // compares the numbers as text right-aligned.
    const std::string filter = Extension::get(kColorFilterFile).info(3);
    const std::string calendar = Extension::get(kCalendarFile).info(3);
    const size_t width = std::max<size_t>({2, filter.size(), calendar.size()});
    EXPECT_LT(std::string(width - filter.size(), ' ') + filter,
              std::string(width - calendar.size(), ' ') + calendar);
}

// A picture both plug-ins change: big enough for the calendar, coloured for the filter.
Dib sound24() {
    return Dib::fromImage(gradientImage(800, 600));
}

Dib withHeader(Dib dib, const std::function<void(SpiBitmapInfoHeader&)>& change) {
    SpiBitmapInfoHeader header = dib.header();
    change(header);
    dib.setHeader(header);
    return dib;
}

Dib cutTo(const Dib& dib, size_t size) {
    std::vector<uint8_t> bytes = dib.bytes();
    bytes.resize(size);
    return Dib::raw(bytes);
}

struct HostileCase {
    const char* what;
    std::function<Dib()> make;
};

std::vector<HostileCase> hostileCases() {
    const size_t stride = SPI_DIB_STRIDE(800, 24);
    auto header = [](std::function<void(SpiBitmapInfoHeader&)> change) {
        return [change] { return withHeader(sound24(), change); };
    };
    auto palette = [] {
        return Dib::indexed(800, 600, std::vector<QRgb>(256, qRgb(10, 200, 30)),
                            [](int x, int) { return uint8_t(x); });
    };
    return {
        {"rows cut short", [=] { return cutTo(sound24(), 40 + stride * 300); }},
        {"last row missing", [=] { return cutTo(sound24(), 40 + stride * 599); }},
        {"header only", [] { return cutTo(sound24(), 40); }},
        {"shorter than a header", [] { return cutTo(sound24(), 20); }},
        {"empty block", [] { return Dib::raw({}); }},
        {"height 0", header([](auto& h) { h.biHeight = 0; })},
        {"height negative", header([](auto& h) { h.biHeight = -600; })},
        {"height most negative", header([](auto& h) { h.biHeight = INT32_MIN; })},
        {"width 0", header([](auto& h) { h.biWidth = 0; })},
        {"width negative", header([](auto& h) { h.biWidth = -800; })},
        {"width largest", header([](auto& h) { h.biWidth = INT32_MAX; })},
        // Rows whose size in bits overflows 32 bits look 4 bytes long when counted carelessly.
        {"row size overflowing 32 bits at 24 bits",
         header([](auto& h) { h.biWidth = 178956971, h.biHeight = 1; })},
        {"row size overflowing 32 bits at 32 bits",
         header([](auto& h) { h.biWidth = 1 << 27, h.biHeight = 1, h.biBitCount = 32; })},
        {"size overflowing 32 bits",
         header([](auto& h) { h.biWidth = 70000, h.biHeight = 70000; })},
        {"0 bits", header([](auto& h) { h.biBitCount = 0; })},
        {"1 bit", header([](auto& h) { h.biBitCount = 1; })},
        {"4 bits", header([](auto& h) { h.biBitCount = 4; })},
        {"16 bits", header([](auto& h) { h.biBitCount = 16; })},
        {"33 bits", header([](auto& h) { h.biBitCount = 33; })},
        {"64 bits", header([](auto& h) { h.biBitCount = 64; })},
        {"bit fields", header([](auto& h) { h.biCompression = SPI_BI_BITFIELDS; })},
        {"run-length coded", header([](auto& h) { h.biCompression = 1; })},
        {"header size 0", header([](auto& h) { h.biSize = 0; })},
        {"core header size", header([](auto& h) { h.biSize = 12; })},
        {"header size beyond the block", header([](auto& h) { h.biSize = 0x10000; })},
        {"header size largest", header([](auto& h) { h.biSize = UINT32_MAX; })},
        {"colour table beyond the block", header([](auto& h) { h.biClrUsed = 0x40000000; })},
        {"colour table largest", header([](auto& h) { h.biClrUsed = UINT32_MAX; })},
        {"8 bits with 257 colours",
         [=] { return withHeader(palette(), [](auto& h) { h.biClrUsed = 257; }); }},
        {"8 bits with the table cut short", [=] { return cutTo(palette(), 40 + 4 * 10); }},
        {"8 bits with a whole table but no pixels", [=] { return cutTo(palette(), 40 + 4 * 256); }},
    };
}

// Pictures of every depth the plug-ins take, each big enough for the calendar.
std::vector<std::pair<const char*, std::function<Dib()>>> everyDepth() {
    return {
        {"24 bits", sound24},
        {"32 bits", [] { return Dib::fromImage(gradientImage(800, 600), 32); }},
        {"8 bits",
         [] {
             return Dib::indexed(800, 600, {qRgb(200, 30, 30), qRgb(30, 200, 30)},
                                 [](int x, int y) { return uint8_t((x + y) % 2); });
         }},
    };
}

// Runs the plug-in on a picture of every depth; true when none of them changed in any byte.
// The plug-in must also keep the host's block and report success.
bool leavesEveryDepthAlone(const Extension& extension) {
    bool alone = true;
    for (const auto& [what, make] : everyDepth()) {
        SCOPED_TRACE(what);
        Dib dib = make();
        const std::vector<uint8_t> before = dib.bytes();
        EXPECT_EQ(dib.execute(extension), 0);
        if (dib.replacedByLastRun() || dib.bytes() != before)
            alone = false;
    }
    return alone;
}

TEST_P(ExtensionContractTest, DoesNothingUntilSwitchedOn) {
    // Installed with the program, it runs on every wallpaper of a user who never opened its
    // settings; settings that would make it draw plenty change nothing about that.
    host::clearSettings();
    host::setSetting(kCalendarKey, "Size", "2");
    host::setSetting(kColorFilterKey, "Mode", "0");
    EXPECT_TRUE(leavesEveryDepthAlone(extension())) << "it acted before it was switched on";

    // The check box's two states, as the dialog stores them.
    host::setSetting(key(), "Enabled", "1");
    EXPECT_FALSE(leavesEveryDepthAlone(extension())) << "switched on, it did nothing";
    host::setSetting(key(), "Enabled", "0");
    EXPECT_TRUE(leavesEveryDepthAlone(extension())) << "switched off, it still acted";
}

TEST_P(ExtensionContractTest, AnUnreadableSwitchCountsAsOff) {
    for (const std::string& unreadable :
         {std::string(), std::string(" "), std::string("2"), std::string("-1"), std::string("+1"),
          std::string("01"), std::string("1x"), std::string("0x1"), std::string("1.0"),
          std::string("yes"), std::string("true"), std::string("on"), std::string("１"),
          std::string("1\n0"), std::string(400, ' ') + "0", std::string(400, '1')}) {
        SCOPED_TRACE("\"" + unreadable + "\"");
        host::setSetting(key(), "Enabled", unreadable);
        EXPECT_TRUE(leavesEveryDepthAlone(extension()));
    }
    // Spaces around the digit are read past, as for every other setting, also when the value
    // is longer than the first buffer a plug-in offers.
    host::setSetting(key(), "Enabled", std::string(400, ' ') + "1 ");
    EXPECT_FALSE(leavesEveryDepthAlone(extension()));
}

TEST_P(ExtensionContractTest, OnlyItsOwnSwitchCounts) {
    host::clearSettings();
    host::switchOn(kHostKey);
    host::switchOn(otherKey());
    EXPECT_TRUE(leavesEveryDepthAlone(extension()));
}

TEST_P(ExtensionContractTest, LeavesBlocksItCannotReadUntouched) {
    // Settings that would make either plug-in draw as much as it can.
    host::setSetting(kCalendarKey, "Size", "2");
    for (const HostileCase& hostile : hostileCases()) {
        SCOPED_TRACE(hostile.what);
        Dib dib = hostile.make();
        const std::vector<uint8_t> before = dib.bytes();
        dib.execute(extension());
        EXPECT_FALSE(dib.replacedByLastRun());
        EXPECT_TRUE(dib.bytes() == before) << "the block was changed";
    }
}

TEST_P(ExtensionContractTest, SurvivesMissingPictureAndKey) {
    EXPECT_NO_FATAL_FAILURE(extension().executePlugIn(0, kHostKey, nullptr));
    void* none = nullptr;
    extension().executePlugIn(0, kHostKey, &none);
    EXPECT_EQ(none, nullptr);

    // Without a key there are no settings, so the defaults apply, and by default it is off.
    Dib withoutKey = sound24();
    EXPECT_EQ(withoutKey.execute(extension(), nullptr), 0);
    EXPECT_TRUE(withoutKey.bytes() == sound24().bytes()) << "the defaults changed the picture";
    Dib withKey = sound24();
    withKey.execute(extension());
    EXPECT_FALSE(withKey.bytes() == sound24().bytes()) << "switched on, it changed nothing";

    // Host windows are never used for drawing, bogus ones included.
    Dib bogusWindow = sound24();
    bogusWindow.execute(extension(), kHostKey, 0xdeadbeef);
    EXPECT_TRUE(bogusWindow.bytes() == withKey.bytes());
}

TEST_P(ExtensionContractTest, IgnoresTheImageSizeField) {
    Dib truthful = sound24();
    truthful.execute(extension());
    for (uint32_t claimed : {0u, 1u, UINT32_MAX}) {
        SCOPED_TRACE(claimed);
        Dib lying = withHeader(sound24(), [claimed](auto& h) { h.biSizeImage = claimed; });
        lying.execute(extension());
        EXPECT_TRUE(lying.toImage() == truthful.toImage());
    }
}

TEST_P(ExtensionContractTest, WorksOnAThreadOfItsOwn) {
    // The host may prepare the next wallpaper away from its user interface.
    Dib here = sound24();
    here.execute(extension());
    Dib there = sound24();
    std::thread worker([&] { there.execute(extension()); });
    worker.join();
    EXPECT_TRUE(there.bytes() == here.bytes());

    // Dialogs, though, belong to the user interface's thread: refuse rather than crash.
    const size_t settingsBefore = host::settingCount();
    int32_t result = 0;
    std::thread asker([&] { result = extension().settingPlugIn(0, kHostKey, nullptr); });
    asker.join();
    EXPECT_NE(result, 0);
    EXPECT_EQ(host::settingCount(), settingsBefore);
}

// What bpi_sample printed: the area the calendar changed, and whether the block changed at all.
struct SampleRun {
    QRect calendar;
    bool changed = false;
};

std::optional<SampleRun> runSample(const QStringList& arguments) {
    const ProcessResult run = runBuiltProgram(QStringLiteral("bpi_sample"), arguments);
    EXPECT_FALSE(run.crashed) << run.errText().toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.errText().toStdString();
    int x = -1, y = -1, w = -1, h = -1;
    char picture[16] = {};
    if (run.crashed || run.exitCode != 0 ||
        std::sscanf(run.out.constData(), "calendar %d %d %d %d picture %15s", &x, &y, &w, &h,
                    picture) != 5) {
        ADD_FAILURE() << "bpi_sample said: " << run.outText().toStdString();
        return std::nullopt;
    }
    EXPECT_TRUE(std::strcmp(picture, "changed") == 0 || std::strcmp(picture, "unchanged") == 0)
        << picture;
    return SampleRun{QRect(x, y, w, h), std::strcmp(picture, "changed") == 0};
}

TEST(HostWithoutSettingsTest, PlugInsLoadAndStayOff) {
    // bpi_sample offers no setting functions, unlike this binary: nobody can switch them on.
    const QString output = scratchFolder() + QStringLiteral("sample.png");
    const std::optional<SampleRun> run =
        runSample({output, QStringLiteral("960"), QStringLiteral("540")});
    ASSERT_TRUE(run);
    EXPECT_TRUE(run->calendar.isEmpty()) << "a calendar was drawn";
    EXPECT_FALSE(run->changed) << "the picture was changed";
    EXPECT_EQ(QImage(output).size(), QSize(960, 540));
}

TEST(HostWithoutSettingsTest, SampleSwitchedOnShowsBoth) {
    // --enable lends the plug-ins setting functions that switch them on and nothing else, so
    // the rest of their settings are the defaults.
    const QString output = scratchFolder() + QStringLiteral("sample.png");
    const std::optional<SampleRun> run = runSample(
        {QStringLiteral("--enable"), output, QStringLiteral("960"), QStringLiteral("540")});
    ASSERT_TRUE(run);
    EXPECT_TRUE(run->changed);
    const int x = run->calendar.x(), y = run->calendar.y();
    const int w = run->calendar.width(), h = run->calendar.height();
    EXPECT_TRUE(w > 0 && h > 0) << "no calendar";
    EXPECT_TRUE(x >= 960 - 960 / 3 && y >= 540 - 540 / 3) << "not at the bottom right";

    // Sepia, the default, leaves red at least green and green at least blue everywhere.
    const QImage picture(output);
    ASSERT_EQ(picture.size(), QSize(960, 540));
    int notSepia = 0;
    for (int py = 0; py < picture.height(); ++py) {
        for (int px = 0; px < picture.width(); ++px) {
            const QRgb c = picture.pixel(px, py);
            notSepia += !(qRed(c) >= qGreen(c) && qGreen(c) >= qBlue(c));
        }
    }
    EXPECT_EQ(notSepia, 0);
}

INSTANTIATE_TEST_SUITE_P(Both, ExtensionContractTest,
                         ::testing::Values(kCalendarFile, kColorFilterFile), [](const auto& test) {
                             return std::string(test.param).substr(0, std::strlen(test.param) - 4);
                         });

}  // namespace
}  // namespace tesselvane::test
