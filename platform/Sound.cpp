#include "platform/Sound.h"

#include "platform/ProgramPaths.h"
#include "platform/SharedLibrary.h"
#include "platform/WaveFile.h"

#include <QFile>

namespace tesselvane {

namespace {

// Enough of a file to find its format and data chunks behind any metadata chunks.
constexpr qint64 kHeadBytes = 64 * 1024;
// Longer than any sound anyone sets for a wallpaper change; a bogus header cannot make the
// change wait for hours.
constexpr qint64 kLongestWaitMs = 5 * 60 * 1000;
constexpr qint64 kMarginMs = 2000;

std::function<void(const QString&)> soundObserver;

using PlayWave = void(const char* path, long long waitMs);

// Loaded once, on the first sound, and kept: Qt Multimedia does not like to be unloaded.
PlayWave* wavePlayer() {
    static SharedLibrary* const kModule = new SharedLibrary;  // never unloaded
    static PlayWave* const kPlay =
        kModule->load(programFolder() + QStringLiteral("tesselvane-sound.so"))
            ? kModule->resolve<PlayWave>("tesselvane_play_wave")
            : nullptr;
    return kPlay;
}

}  // namespace

void setSoundObserver(std::function<void(const QString& file)> observer) {
    soundObserver = std::move(observer);
}

void playSoundSync(const QString& file) {
    if (soundObserver)
        soundObserver(file);
    if (file.isEmpty())
        return;
    QFile wave(file);
    if (!wave.open(QIODevice::ReadOnly))
        return;
    const auto info = readWaveInfo(wave.read(kHeadBytes));
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
