#include "Sound.h"

#include "ProgramPaths.h"
#include "SharedLibrary.h"
#include "WaveFile.h"

#include <QFile>

namespace tesselvane {

namespace {

// Enough of a file to find its format and data chunks behind any metadata chunks.
constexpr qint64 kHeadBytes = 64 * 1024;
// Longer than any sound anyone sets for a wallpaper change; a bogus header cannot make the
// change wait for hours.
constexpr qint64 kLongestWaitMs = 5 * 60 * 1000;
constexpr qint64 kMarginMs = 2000;

std::function<void(const QString&)> g_observer;

using PlayWave = void(const char* path, long long waitMs);

// Loaded once, on the first sound, and kept: Qt Multimedia does not like to be unloaded.
PlayWave* wavePlayer() {
    static SharedLibrary* const module = new SharedLibrary;  // never unloaded
    static PlayWave* const play =
        module->load(programFolder() + QStringLiteral("tesselvane-sound.so"))
            ? module->resolve<PlayWave>("tesselvane_play_wave")
            : nullptr;
    return play;
}

}  // namespace

void SetSoundObserver(std::function<void(const QString& file)> observer) {
    g_observer = std::move(observer);
}

void PlaySoundSync(const QString& file) {
    if (g_observer)
        g_observer(file);
    if (file.isEmpty())
        return;
    QFile wave(file);
    if (!wave.open(QIODevice::ReadOnly))
        return;
    const auto info = ReadWaveInfo(wave.read(kHeadBytes));
    wave.close();
    if (!info)
        return;
    // Without its module (a broken installation) the program is silent, as for any sound
    // that cannot be played.
    if (PlayWave* play = wavePlayer())
        play(QFile::encodeName(file).constData(),
             std::min(info->durationMs + kMarginMs, kLongestWaitMs));
}

}  // namespace tesselvane
