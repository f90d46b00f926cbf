#include "TestFolders.h"
#include "platform/ProgramPaths.h"
#include "platform/SharedLibrary.h"
#include "platform/Sound.h"
#include "platform/WaveFile.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace tesselvane;

namespace {

QByteArray chunk(const char* id, const QByteArray& body) {
    QByteArray out(id, 4);
    char size[4];
    qToLittleEndian<quint32>(static_cast<quint32>(body.size()), size);
    out.append(size, 4);
    out += body;
    if (body.size() % 2)
        out += '\0';
    return out;
}

QByteArray pcmFormat(int channels, int rate, int bits) {
    QByteArray fmt(16, '\0');
    auto* p = reinterpret_cast<uchar*>(fmt.data());
    qToLittleEndian<quint16>(1, p);
    qToLittleEndian<quint16>(static_cast<quint16>(channels), p + 2);
    qToLittleEndian<quint32>(static_cast<quint32>(rate), p + 4);
    qToLittleEndian<quint32>(static_cast<quint32>(rate * channels * bits / 8), p + 8);
    qToLittleEndian<quint16>(static_cast<quint16>(channels * bits / 8), p + 12);
    qToLittleEndian<quint16>(static_cast<quint16>(bits), p + 14);
    return fmt;
}

QByteArray wave(const QByteArray& chunks) {
    return "RIFF" + QByteArray(4, '\0') + "WAVE" + chunks;
}

TEST(WaveFile, ReadsFormatAndLengthPastOtherChunks) {
    const QByteArray file = wave(chunk("fmt ", pcmFormat(2, 44100, 16)) + chunk("LIST", "odd") +
                                 chunk("data", QByteArray(44100 * 4 / 2, '\0')));
    const auto info = readWaveInfo(file);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->channels, 2);
    EXPECT_EQ(info->sampleRate, 44100);
    EXPECT_EQ(info->durationMs, 500);
}

TEST(WaveFile, RefusesWhatIsNotAPlayableWave) {
    const QByteArray noFormat = wave(chunk("data", QByteArray(100, '\0')));
    QByteArray zeroRate = pcmFormat(1, 0, 8);
    QByteArray compressed = pcmFormat(1, 8000, 8);
    compressed[0] = 2;  // ADPCM
    for (const QByteArray& bad : {QByteArray(), QByteArray("RIFF"), QByteArray("RIFX1234WAVE"),
                                  noFormat, wave(chunk("fmt ", zeroRate) + chunk("data", "x")),
                                  wave(chunk("fmt ", compressed) + chunk("data", "x")),
                                  wave(chunk("fmt ", "short") + chunk("data", "x")),
                                  wave(chunk("fmt ", pcmFormat(1, 8000, 8)))}) {
        EXPECT_FALSE(readWaveInfo(bad)) << bad.toHex().toStdString();
    }
    // A chunk that claims to run past the end of the data ends the search.
    QByteArray huge =
        wave(chunk("fmt ", pcmFormat(1, 8000, 8)) + "LIST" + QByteArray("\xff\xff\xff\x7f", 4));
    EXPECT_FALSE(readWaveInfo(huge));
}

TEST(Sound, AFileThatCannotBePlayedIsSilentAndReturnsAtOnce) {
    const QString path = test::scratchFolder() + "not-a-sound.wav";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is text");
    f.close();
    playSoundSync(path);
    playSoundSync(test::scratchFolder() + "missing.wav");
    playSoundSync(QString());
    // Nothing reached the audio module: it is loaded on the first sound that can play.
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("tesselvane-sound.so"));
}

TEST(Sound, APlayableFileGoesToTheAudioModuleAndEndsWithinItsLength) {
    // The audio stack lives in a module beside the program, loaded on the first sound.
    SharedLibrary module;
    ASSERT_TRUE(module.load(programFolder() + "tesselvane-sound.so"))
        << module.errorString().toStdString();
    EXPECT_NE(module.resolve<void(const char*, long long)>("tesselvane_play_wave"), nullptr);

    const QString path = test::scratchFolder() + "short.wav";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(wave(chunk("fmt ", pcmFormat(1, 8000, 8)) + chunk("data", QByteArray(800, '\x80'))));
    f.close();
    // A tenth of a second, or nothing on a machine without audio; the test's time limit
    // catches a wait that never ends.
    playSoundSync(path);
}

}  // namespace
