#include "Sound.h"

#include "WaveFile.h"

#include <QAudioDevice>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace tesselvane {

namespace {

// Enough of a file to find its format and data chunks behind any metadata chunks.
constexpr qint64 kHeadBytes = 64 * 1024;
// Longer than any sound anyone sets for a wallpaper change; a bogus header cannot make the
// change wait for hours.
constexpr qint64 kLongestWaitMs = 5 * 60 * 1000;
constexpr qint64 kMarginMs = 2000;

std::function<void(const QString&)> g_observer;

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
    // WORKAROUND: without an audio output Qt reports such a sound as playing forever.
    if (QMediaDevices::audioOutputs().isEmpty())
        return;

    QSoundEffect effect;
    QEventLoop loop;
    QObject::connect(&effect, &QSoundEffect::playingChanged, &loop, [&] {
        if (!effect.isPlaying())
            loop.quit();
    });
    QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, [&] {
        if (effect.status() == QSoundEffect::Error)
            loop.quit();
        if (effect.status() == QSoundEffect::Ready && !effect.isPlaying())
            effect.play();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(static_cast<int>(std::min(info->durationMs + kMarginMs, kLongestWaitMs)));
    effect.setSource(QUrl::fromLocalFile(file));
    if (effect.status() == QSoundEffect::Error)
        return;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    effect.stop();
}

}  // namespace tesselvane
